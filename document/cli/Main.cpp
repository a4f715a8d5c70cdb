// quillon-cli: the document core from the command line.
//   quillon-cli stat FILE
//   quillon-cli dump FILE
//   quillon-cli convert IN OUT --dialect 4|5 [--ansi|--utf16]
#include <cstdio>
#include <cstring>
#include <string>

#include "document/RegDocument.h"
#include "document/RegFile.h"
#include "document/RegWriter.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: quillon-cli stat FILE\n"
                 "       quillon-cli dump FILE\n"
                 "       quillon-cli convert IN OUT --dialect 4|5 [--ansi|--utf16]\n");
    return 2;
}

// Loads the file; false after saying why on stderr. lossy: characters the
// code page lacks were replaced.
bool Open(RegDocument& document, const char* path, bool* lossy = nullptr) {
    LoadJob job;
    job.path = path;
    ParseScope scope(document.abort);
    if (!document.Load(job)) {
        std::fprintf(stderr, "quillon-cli: cannot read \"%s\": %s\n", path, ReadErrorText(job.error));
        return false;
    }
    document.dialect = job.dialect;
    document.unicode = job.unicode;
    if (lossy) *lossy = job.lossy;
    return true;
}

template <typename Visit>
void ForEachKey(RegDocument& document, Visit&& visit) {
    ::ForEachKey(document.roots, visit);
}

int Stat(const char* path) {
    RegDocument document;
    bool lossy = false;
    if (!Open(document, path, &lossy)) return 1;
    size_t keys = 0;
    size_t counts[5] = {};
    ForEachKey(document, [&](KeyNode* key) {
        ++keys;
        ValueList values;
        key->CollectValues(values);
        for (const auto& v : values) ++counts[static_cast<int>(v->GetType())];
    });
    std::printf("dialect: %d\n", document.dialect);
    std::printf("encoding: %s\n", document.unicode ? "utf16" : "ansi");
    if (lossy) std::printf("lossy: yes\n");
    std::printf("keys: %zu\n", keys);
    std::printf("REG_SZ: %zu\n", counts[0]);
    std::printf("REG_DWORD: %zu\n", counts[1]);
    std::printf("REG_BINARY: %zu\n", counts[2]);
    std::printf("REG_EXPAND_SZ: %zu\n", counts[3]);
    std::printf("REG_MULTI_SZ: %zu\n", counts[4]);
    return 0;
}

// One value per line: line breaks inside names and data are shown escaped.
std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

int Dump(const char* path) {
    RegDocument document;
    if (!Open(document, path)) return 1;
    ForEachKey(document, [&](KeyNode* key) {
        std::printf("[%s]\n", OneLine(key->Path()).c_str());
        ValueList values;
        key->CollectValues(values);
        for (const auto& v : values) {
            std::printf("  %s\t%s\t%s\n", v->IsDefault() ? "@" : OneLine(v->GetName()).c_str(), v->GetTypeName(),
                        OneLine(v->GetDisplayText()).c_str());
        }
    });
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int Convert(int argc, char** argv) {
    if (argc < 4) return Usage();
    const char* in = argv[2];
    const char* out = argv[3];
    int dialect = 0;
    int encoding = -1;  // -1: the dialect's usual encoding
    for (int i = 4; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dialect") == 0 && i + 1 < argc) {
            dialect = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--ansi") == 0) {
            encoding = 0;
        } else if (std::strcmp(argv[i], "--utf16") == 0) {
            encoding = 1;
        } else {
            return Usage();
        }
    }
    if (dialect != 4 && dialect != 5) return Usage();
    RegDocument document;
    if (!Open(document, in)) return 1;
    bool unicode = encoding < 0 ? dialect == 5 : encoding == 1;
    if (!SaveTo(document, out, unicode, static_cast<RegDialect>(dialect))) {
        std::fprintf(stderr, "quillon-cli: cannot write \"%s\"\n", out);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    if (std::strcmp(argv[1], "stat") == 0 && argc == 3) return Stat(argv[2]);
    if (std::strcmp(argv[1], "dump") == 0 && argc == 3) return Dump(argv[2]);
    if (std::strcmp(argv[1], "convert") == 0) return Convert(argc, argv);
    return Usage();
}

// quillon-cli: the document core from the command line. Each command is a
// row of one table, which the help prints; errors go to stderr with the
// program's name.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "document/ByteSink.h"
#include "document/LineCheck.h"
#include "document/Platform.h"
#include "document/RegCompare.h"
#include "document/RegDocument.h"
#include "document/RegFile.h"
#include "document/RegWriter.h"
#include "document/Utf8.h"
#include "resources/Version.h"

namespace {

const char kProgram[] = "quillon-cli";

// Exit codes, the same for every command.
constexpr int kExitOk = 0;
constexpr int kExitFound = 1;    // check: something skipped or read differently; convert: refused or failed;
                                 // diff: the files differ
constexpr int kExitUnread = 2;   // a file cannot be read, or the command line is wrong

struct Command {
    const char* name;
    const char* usage;
    const char* help;
    int (*run)(int argc, char** argv);  // argv[0] is the command's name
};

int Stat(int argc, char** argv);
int Dump(int argc, char** argv);
int Convert(int argc, char** argv);
int Check(int argc, char** argv);
int Diff(int argc, char** argv);
int Help(int argc, char** argv);

const Command kCommands[] = {
    {"check", "check [--quiet] FILE...",
     "Lists every line that the system registry editor would skip or read otherwise\n"
     "than it looks, one a line as FILE:LINE: severity: reason [key], then a summary.\n"
     "Severities: skipped (the editor ignores the line or stops reading the value),\n"
     "differs (read differently than it looks), note (style; harmless).\n"
     "--quiet prints the summary only.\n"
     "Exit code: 0 when nothing is skipped or differs, 1 when something is,\n"
     "2 when a file cannot be read.",
     Check},
    {"convert", "convert IN OUT --dialect 4|5 [--ansi|--utf16] [--lossy]",
     "Writes IN as OUT in the dialect (4: \"REGEDIT4\", 5: \"Windows Registry Editor\n"
     "Version 5.00\"), single-byte (--ansi, the default of 4) or UTF-16 (--utf16, the\n"
     "default of 5). A single-byte file holds only the characters of the system's code\n"
     "page: when IN has others, nothing is written and the characters are listed\n"
     "(exit code 1), unless --lossy lets them become '?'.",
     Convert},
    {"stat", "stat FILE", "Prints the file's dialect, encoding and the number of keys and of values of each type.",
     Stat},
    {"diff", "diff [-o OUT] FILE1 FILE2",
     "Compares the files by what they do to the registry (what merging each into an\n"
     "empty registry leaves: later lines win, deletion lines remove) and prints a .reg\n"
     "text that, merged after FILE1, leaves the keys and values of FILE2: new keys and\n"
     "values, changed values, [-KEY] and \"name\"=- for what FILE2 lacks. Key and value\n"
     "names compare without regard to case, values by type and data. -o writes OUT\n"
     "in FILE2's dialect and encoding instead of printing.\n"
     "Exit code: 0 when the files are equal, 1 when they differ, 2 when a file cannot\n"
     "be read.",
     Diff},
    {"dump", "dump [--text] FILE",
     "Prints every key and its values (name, type, data), one value a line.\n"
     "--text prints what merging the file leaves instead, as UTF-8 in a stable order\n"
     "sorted by path and name, each value on one line with its key's path, so that\n"
     "a line diff of two dumps is readable (git's diff.reg.textconv).",
     Dump},
    {"help", "help [COMMAND]", "Describes a command, or all of them.", Help},
};

const Command* FindCommand(const char* name) {
    for (const Command& command : kCommands)
        if (std::strcmp(command.name, name) == 0) return &command;
    return nullptr;
}

void PrintUsage(FILE* out) {
    std::fprintf(out, "usage:\n");
    for (const Command& command : kCommands) std::fprintf(out, "  %s %s\n", kProgram, command.usage);
    std::fprintf(out, "  %s --help\n", kProgram);
    std::fprintf(out, "  %s --version\n", kProgram);
}

void PrintCommandHelp(const Command& command) {
    std::printf("%s %s\n\n%s\n", kProgram, command.usage, command.help);
}

// A wrong command line: the usage on stderr.
int UsageError(const char* what) {
    std::fprintf(stderr, "%s: %s\n", kProgram, what);
    PrintUsage(stderr);
    return kExitUnread;
}

int Help(int argc, char** argv) {
    if (argc >= 2) {
        const Command* command = FindCommand(argv[1]);
        if (!command) return UsageError((std::string("no command \"") + argv[1] + "\"").c_str());
        PrintCommandHelp(*command);
        return kExitOk;
    }
    std::printf("%s: registry export files (.reg) from the command line.\n\n", kProgram);
    PrintUsage(stdout);
    for (const Command& command : kCommands) {
        std::printf("\n");
        PrintCommandHelp(command);
    }
    std::printf("\nExit codes: %d success; %d the check found lines the registry editor skips\n"
                "or reads differently, or a conversion was refused or failed; %d a file cannot\n"
                "be read or the command line is wrong.\n",
                kExitOk, kExitFound, kExitUnread);
    return kExitOk;
}

// Loads the file; false after saying why on stderr. lossy: characters the
// code page lacks were replaced.
bool Open(RegDocument& document, const char* path, bool* lossy = nullptr) {
    LoadJob job;
    job.path = path;
    ParseScope scope(document.abort);
    if (!document.Load(job)) {
        std::fprintf(stderr, "%s: cannot read \"%s\": %s\n", kProgram, path, ReadErrorText(job.error));
        return false;
    }
    document.dialect = job.dialect;
    document.unicode = job.unicode;
    if (lossy) *lossy = job.lossy;
    return true;
}

int Stat(int argc, char** argv) {
    if (argc != 2) return UsageError("stat takes one file");
    RegDocument document;
    bool lossy = false;
    if (!Open(document, argv[1], &lossy)) return kExitUnread;
    size_t keys = 0;
    size_t counts[6] = {};
    ForEachKey(document.roots, [&](KeyNode* key) {
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
    return kExitOk;
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

// Program text to stdout as UTF-8.
bool PrintUtf8(const char* text, size_t size) {
    if (ProgramTextIsUtf8()) return std::fwrite(text, 1, size, stdout) == size;
    std::u16string wide = ProgramToWideString(std::string_view(text, size));
    std::string utf8(WideToUtf8Length(wide.data(), wide.size()), '\0');
    WideToUtf8(wide.data(), wide.size(), utf8.data(), utf8.size());
    return std::fwrite(utf8.data(), 1, utf8.size(), stdout) == utf8.size();
}

int DumpText(const char* path) {
    RegDocument document;
    if (!Open(document, path)) return kExitUnread;
    MemorySink text;
    if (!WriteStateText(document, text)) return kExitFound;
    bool written = PrintUtf8(text.Data(), text.Size());
    return written && std::fflush(stdout) == 0 ? kExitOk : kExitFound;
}

int Dump(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--text") == 0) return DumpText(argv[2]);
    if (argc != 2) return UsageError("dump takes one file");
    RegDocument document;
    if (!Open(document, argv[1])) return kExitUnread;
    ForEachKey(document.roots, [&](KeyNode* key) {
        std::printf("[%s]\n", OneLine(key->Path()).c_str());
        ValueList values;
        key->CollectValues(values);
        for (const auto& v : values) {
            std::printf("  %s\t%s\t%s\n", v->IsDefault() ? "@" : OneLine(v->GetName()).c_str(), v->GetTypeName(),
                        OneLine(v->GetDisplayText()).c_str());
        }
    });
    return std::fflush(stdout) == 0 ? kExitOk : kExitFound;
}

// A character as U+XXXX and itself in UTF-8.
std::string DescribeCharacter(char32_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    std::string utf8;
    if (c < 0x80) {
        utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
        utf8 += static_cast<char>(0xC0 | (c >> 6));
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        utf8 += static_cast<char>(0xE0 | (c >> 12));
        utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        utf8 += static_cast<char>(0xF0 | (c >> 18));
        utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
    return std::string(code) + " " + utf8;
}

int Convert(int argc, char** argv) {
    if (argc < 3) return UsageError("convert takes IN and OUT");
    const char* in = argv[1];
    const char* out = argv[2];
    int dialect = 0;
    int encoding = -1;  // -1: the dialect's usual encoding
    bool lossy = false;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dialect") == 0 && i + 1 < argc) {
            dialect = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--ansi") == 0) {
            encoding = 0;
        } else if (std::strcmp(argv[i], "--utf16") == 0) {
            encoding = 1;
        } else if (std::strcmp(argv[i], "--lossy") == 0) {
            lossy = true;
        } else {
            return UsageError((std::string("unknown option \"") + argv[i] + "\"").c_str());
        }
    }
    if (dialect != 4 && dialect != 5) return UsageError("convert needs --dialect 4 or --dialect 5");
    RegDocument document;
    if (!Open(document, in)) return kExitUnread;
    bool unicode = encoding < 0 ? dialect == 5 : encoding == 1;
    RegDialect to = static_cast<RegDialect>(dialect);
    if (!lossy) {
        LostCharacters lost = FindLostCharacters(document, to, unicode);
        if (lost.Any()) {
            std::fprintf(stderr, "%s: \"%s\" holds characters that a %s file cannot hold; nothing written:\n",
                         kProgram, in, unicode ? "UTF-16 \"REGEDIT4\"" : "single-byte");
            for (char32_t c : lost.chars) std::fprintf(stderr, "  %s\n", DescribeCharacter(c).c_str());
            if (lost.more) std::fprintf(stderr, "  and more\n");
            std::fprintf(stderr, "Write UTF-16 (--dialect 5), or give --lossy to write them as '?'.\n");
            return kExitFound;
        }
    }
    if (!SaveTo(document, out, unicode, to)) {
        std::fprintf(stderr, "%s: cannot write \"%s\"\n", kProgram, out);
        return kExitFound;
    }
    return kExitOk;
}

int Diff(int argc, char** argv) {
    const char* out = nullptr;
    const char* files[2] = {};
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc)
            out = argv[++i];
        else if (argv[i][0] == '-' && argv[i][1] == '-')
            return UsageError((std::string("unknown option \"") + argv[i] + "\"").c_str());
        else if (count < 2)
            files[count++] = argv[i];
        else
            return UsageError("diff takes two files");
    }
    if (count != 2) return UsageError("diff takes two files");
    RegDocument first, second;
    if (!Open(first, files[0]) || !Open(second, files[1])) return kExitUnread;
    RegDocument result;
    CompareCounts counts;
    CompareEnd end = CompareDocuments(first, second, result, counts, files[0], files[1]);
    if (end != CompareEnd::Complete) {
        std::fprintf(stderr, "%s: out of memory\n", kProgram);
        return kExitUnread;
    }
    if (counts.Equal()) return kExitOk;
    if (out) {
        if (!SaveTo(result, out, result.unicode, result.dialect)) {
            std::fprintf(stderr, "%s: cannot write \"%s\"\n", kProgram, out);
            return kExitUnread;
        }
        return kExitFound;
    }
    MemorySink text;
    if (!WriteDocument(result, text, TextForm::Program, result.dialect)) return kExitUnread;
    PrintUtf8(text.Data(), text.Size());
    std::fflush(stdout);
    return kExitFound;
}

// check: each verdict as FILE:LINE: severity: reason [key], the form
// compilers use, which editors and CI systems link to the line.
int Check(int argc, char** argv) {
    bool quiet = false;
    int files = 0, unread = 0;
    size_t counts[kSeverityCount] = {};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quiet") == 0) quiet = true;
    }
    for (int i = 1; i < argc; ++i) {
        const char* path = argv[i];
        if (std::strcmp(path, "--quiet") == 0) continue;
        if (path[0] == '-' && path[1] == '-') return UsageError((std::string("unknown option \"") + path + "\"").c_str());
        ++files;
        LineCheck check([&](LineVerdict&& verdict) {
            if (quiet) return;
            std::printf("%s:%zu: %s: %s", path, verdict.line, SeverityName(verdict.severity),
                        VerdictReason(verdict, CheckReasonText(verdict.code)).c_str());
            if (!verdict.key.empty()) std::printf(" [%s]", verdict.key.c_str());
            std::printf("\n");
        });
        ParseScope scope(check.StopFlag());
        ReadError error = ReadError::None;
        if (!check.CheckFile(path, error)) {
            std::fprintf(stderr, "%s: cannot read \"%s\": %s\n", kProgram, path, ReadErrorText(error));
            ++unread;
            continue;
        }
        for (size_t s = 0; s < kSeverityCount; ++s) counts[s] += check.Count(static_cast<Severity>(s));
    }
    if (files == 0) return UsageError("check takes one or more files");
    std::printf("%d file%s checked: %zu skipped, %zu differ, %zu note%s%s\n", files, files == 1 ? "" : "s",
                counts[0], counts[1], counts[2], counts[2] == 1 ? "" : "s",
                unread ? (", " + std::to_string(unread) + " not read").c_str() : "");
    std::fflush(stdout);
    if (unread) return kExitUnread;
    return counts[0] + counts[1] > 0 ? kExitFound : kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return UsageError("no command");
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) return Help(1, argv + 1);
    if (std::strcmp(argv[1], "--version") == 0) {
        // The same version as the program's version resource and about box.
        std::printf("%s %s\n", kProgram, QUILLON_VERSION_TEXT);
        return kExitOk;
    }
    const Command* command = FindCommand(argv[1]);
    if (!command) return UsageError((std::string("no command \"") + argv[1] + "\"").c_str());
    return command->run(argc - 1, argv + 1);
}

// reggen OUT [--bytes N | --keys N] [--wide N] [--hives N] [--dialect 4|5] [--ansi|--utf16] [--seed N] [--ascii]
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "RegGenerator.h"
#include "document/ByteSink.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: reggen OUT [--bytes N | --keys N] [--wide N] [--hives N] [--dialect 4|5] [--ansi|--utf16] "
                             "[--seed N] [--ascii]\n");
        return 2;
    }
    GeneratorOptions options;
    bool encodingGiven = false;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--bytes") && i + 1 < argc) {
            options.targetBytes = std::strtoull(argv[++i], nullptr, 10);
        } else if (!std::strcmp(argv[i], "--keys") && i + 1 < argc) {
            options.targetKeys = std::strtoull(argv[++i], nullptr, 10);
        } else if (!std::strcmp(argv[i], "--hives") && i + 1 < argc) {
            options.hiveChildren = std::strtoull(argv[++i], nullptr, 10);
        } else if (!std::strcmp(argv[i], "--wide") && i + 1 < argc) {
            options.wideKeyChildren = std::strtoull(argv[++i], nullptr, 10);
        } else if (!std::strcmp(argv[i], "--dialect") && i + 1 < argc) {
            options.dialect = std::atoi(argv[++i]) == 4 ? kRegedit4 : kRegedit5;
        } else if (!std::strcmp(argv[i], "--ansi")) {
            options.unicode = false;
            encodingGiven = true;
        } else if (!std::strcmp(argv[i], "--utf16")) {
            options.unicode = true;
            encodingGiven = true;
        } else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc) {
            options.seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (!std::strcmp(argv[i], "--ascii")) {
            options.nonAscii = false;
        } else {
            std::fprintf(stderr, "reggen: unknown option %s\n", argv[i]);
            return 2;
        }
    }
    if (!encodingGiven) options.unicode = options.dialect == kRegedit5;
    FileSink file;
    GeneratorStats stats;
    if (!file.Open(argv[1]) || !GenerateRegFile(file, options, &stats) || !file.Close()) {
        std::fprintf(stderr, "reggen: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("keys: %zu\nvalues: %zu\ntext_bytes: %zu\n", stats.keys, stats.values, stats.textBytes);
    return 0;
}

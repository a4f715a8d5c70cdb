// Check File against opening: the check of a whole-registry export reads
// every value line, where an open reads key lines only. Prints both times
// (medians of the process's CPU time, which other work on a shared machine
// does not lengthen) and their ratio; the check is to cost at most 1.3
// times the open.
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "document/LineCheck.h"
#include "document/RegDocument.h"
#include "document/RegFile.h"

namespace {

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The open of the program: the file read and its key lines parsed, with
// duplicate keys merged (the default), values left for later.
bool Open(const char* path) {
    RegDocument document;
    LoadJob job;
    job.path = path;
    ParseScope scope(document.abort);
    return document.Load(job);
}

bool Check(const char* path, size_t& verdicts) {
    verdicts = 0;
    LineCheck check([&](LineVerdict&&) { ++verdicts; });
    ParseScope scope(check.StopFlag());
    ReadError error;
    return check.CheckFile(path, error);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: check_bench FILE [--runs N]\n");
        return 2;
    }
    int runs = argc >= 4 && std::string(argv[2]) == "--runs" ? std::max(1, std::atoi(argv[3])) : 3;
    std::vector<double> open, check;
    size_t verdicts = 0;
    for (int i = 0; i < runs; ++i) {
        double a = CpuSeconds();
        if (!Open(argv[1])) {
            std::fprintf(stderr, "check_bench: cannot open %s\n", argv[1]);
            return 1;
        }
        double b = CpuSeconds();
        if (!Check(argv[1], verdicts)) {
            std::fprintf(stderr, "check_bench: cannot check %s\n", argv[1]);
            return 1;
        }
        double c = CpuSeconds();
        open.push_back(b - a);
        check.push_back(c - b);
    }
    double o = Median(open), k = Median(check);
    std::printf("check_open_seconds: %.3f\n", o);
    std::printf("check_seconds: %.3f\n", k);
    std::printf("check_verdicts: %zu\n", verdicts);
    std::printf("check_to_open_ratio: %.2f\n", k / o);
    return 0;
}

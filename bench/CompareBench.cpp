// The comparison of two whole-registry exports against opening both: the
// second is the first after a change (a key in 200 gone, a value in 50 of
// the keys changed, saved again). Prints the times (medians of the
// process's CPU time) and their ratio; the comparison is to cost at most 3
// times the two opens. Also the peak memory of the whole run.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "document/RegCompare.h"
#include "document/RegDocument.h"
#include "document/RegFile.h"
#include "document/RegWriter.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool Open(RegDocument& document, const char* path) {
    LoadJob job;
    job.path = path;
    ParseScope scope(document.abort);
    if (!document.Load(job)) return false;
    document.dialect = job.dialect;
    document.unicode = job.unicode;
    return true;
}

bool MakeChanged(const char* from, const char* to) {
    RegDocument document;
    if (!Open(document, from)) return false;
    std::vector<KeyNode*> keys;
    ForEachKey(document.roots, [&](KeyNode* key) { keys.push_back(key); });
    for (size_t i = 0; i < keys.size(); i += 50) {
        ValueList values;
        keys[i]->CollectValues(values);
        values.push_back(std::make_unique<DwordValue>("Changed", "00000001"));
        if (!keys[i]->RebuildValueBlock(values)) return false;
    }
    for (size_t i = keys.size() - 1; i > 0 && i < keys.size(); i -= std::min<size_t>(i, 200))
        if (!keys[i]->firstChild) document.DeleteKey(keys[i]);
    return SaveTo(document, to, document.unicode, document.dialect);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: compare_bench FILE CHANGED-FILE [--runs N]\n");
        return 2;
    }
    int runs = argc >= 5 && std::string(argv[3]) == "--runs" ? std::max(1, std::atoi(argv[4])) : 3;
    if (!MakeChanged(argv[1], argv[2])) {
        std::fprintf(stderr, "compare_bench: cannot make %s from %s\n", argv[2], argv[1]);
        return 1;
    }
    std::vector<double> open, compare;
    CompareCounts counts;
    for (int i = 0; i < runs; ++i) {
        auto first = std::make_unique<RegDocument>(), second = std::make_unique<RegDocument>();
        double a = CpuSeconds();
        if (!Open(*first, argv[1]) || !Open(*second, argv[2])) {
            std::fprintf(stderr, "compare_bench: cannot open the files\n");
            return 1;
        }
        double b = CpuSeconds();
        RegDocument result;
        if (CompareDocuments(*first, *second, result, counts, argv[1], argv[2]) != CompareEnd::Complete) {
            std::fprintf(stderr, "compare_bench: the comparison failed\n");
            return 1;
        }
        double c = CpuSeconds();
        open.push_back(b - a);
        compare.push_back(c - b);
    }
    double o = Median(open), k = Median(compare);
    std::printf("compare_open_both_seconds: %.3f\n", o);
    std::printf("compare_seconds: %.3f\n", k);
    std::printf("compare_keys_added_removed: %zu %zu\n", counts.keysAdded, counts.keysRemoved);
    std::printf("compare_values_added_changed_removed: %zu %zu %zu\n", counts.valuesAdded, counts.valuesChanged,
                counts.valuesRemoved);
    std::printf("compare_to_open_ratio: %.2f\n", k / o);
#ifndef _WIN32
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("compare_peak_memory_mb: %.0f\n", usage.ru_maxrss / 1024.0);
#endif
    return 0;
}

// Transfer benchmark: a large branch copied (written as the key branch
// payload) and pasted (its key lines moved under a target, then parsed into
// a second document), against copying the payload's bytes once. Prints one
// "name: value" line per figure.
//
//   transfer_bench [--keys N] [--runs N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "RegGenerator.h"
#include "document/ByteSink.h"
#include "document/RegDocument.h"
#include "transfer/TransferPayload.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool ParseInto(RegDocument& doc, std::unique_ptr<char[]> text, size_t length, bool lookUpFirstKey) {
    ParseScope scope(doc.abort);
    return static_cast<bool>(doc.ParseText(std::move(text), nullptr, length, false, lookUpFirstKey));
}

size_t CountKeys(KeyNode* top) {
    size_t n = 0;
    ForEachKeyOfBranch(top, [&](KeyNode*) { ++n; });
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    size_t keys = 300000;
    int runs = 3;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--keys") && i + 1 < argc) {
            keys = std::strtoull(argv[++i], nullptr, 10);
        } else if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: transfer_bench [--keys N] [--runs N]\n");
            return 2;
        }
    }
    GeneratorOptions options;
    options.targetKeys = keys;
    options.dialect = kRegedit4;
    options.unicode = false;
    options.hiveChildren = 4;
    MemorySink file;
    if (!GenerateRegFile(file, options)) return 1;
    RegDocument source;
    if (!ParseInto(source, transfer::ParseBufferOf(std::string_view(file.Data(), file.Size())), file.Size(), false))
        return 1;
    // The largest hive is the branch.
    KeyNode* branch = source.roots[0];
    for (KeyNode* root : source.roots)
        if (CountKeys(root) > CountKeys(branch)) branch = root;
    size_t branchKeys = CountKeys(branch);

    std::vector<double> copy, baseline, rewrite, parse;
    size_t payloadBytes = 0;
    for (int run = 0; run < runs; ++run) {
        auto t0 = Clock::now();
        MemorySink payload(transfer::KeyBranchCapacity(*branch, kRegedit4));
        if (!transfer::WriteKeyBranchPayload(*branch, kRegedit4, payload)) return 1;
        auto t1 = Clock::now();
        payloadBytes = payload.Size();
        std::unique_ptr<char[]> bytes(new char[payload.Size()]);
        std::memcpy(bytes.get(), payload.Data(), payload.Size());
        volatile char sink = bytes[payload.Size() / 2];
        (void)sink;
        auto t2 = Clock::now();

        RegDocument target;
        std::string targetText = "REGEDIT4\r\n\r\n[T]\r\n\r\n";
        if (!ParseInto(target, transfer::ParseBufferOf(targetText), targetText.size(), false)) return 1;
        auto t3 = Clock::now();
        size_t length = 0;
        auto moved = transfer::RewriteBranch(transfer::BoundedText(payload.Data(), payload.Size()), branch->Path(),
                                             "T\\Pasted", &length);
        if (!moved) return 1;
        auto t4 = Clock::now();
        if (!ParseInto(target, std::move(moved), length, true)) return 1;
        auto t5 = Clock::now();
        copy.push_back(Seconds(t0, t1));
        baseline.push_back(Seconds(t1, t2));
        rewrite.push_back(Seconds(t3, t4));
        parse.push_back(Seconds(t4, t5));
    }
    std::printf("branch keys: %zu\n", branchKeys);
    std::printf("payload MB: %.1f\n", payloadBytes / 1048576.0);
    std::printf("copy (write payload) s: %.3f\n", Median(copy));
    std::printf("baseline (copy payload bytes once) s: %.3f\n", Median(baseline));
    std::printf("paste rewrite s: %.3f\n", Median(rewrite));
    std::printf("paste parse s: %.3f\n", Median(parse));
    std::printf("paste keys per second: %.0f\n", branchKeys / (Median(rewrite) + Median(parse)));
    return 0;
}

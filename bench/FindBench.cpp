// Find benchmark: a generated document whose only match is its last key,
// searched by key name only and by names, value names and data, against
// collecting every key's values of the same document in the same run; how
// soon a stop request ends a search; and, in the same document with a mark
// in every key's name, Find All of the mark against Find Next walking the
// whole document, with the memory its hits take and how soon the first come;
// and the address bar's lookup of a pasted path to the last key.
// Prints one "name: value" line per figure.
//
//   find_bench [--keys N]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "RegGenerator.h"
#include "document/ByteSink.h"
#include "document/KeyPaths.h"
#include "document/RegDocument.h"
#include "find/FindHits.h"
#include "find/FindSearch.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }
void Print(const char* name, double value) { std::printf("%s: %.3f\n", name, value); }

const char kNeedle[] = "Qx7 Needle Qx7";

// Every key below the hives gets this in its name for Find All to find.
const char kMark[] = " Qz";

// The generated document, its needle the last key. `marked`: every name
// of a key line but the hive's carries kMark.
bool Build(RegDocument& doc, size_t keys, bool marked = false) {
    GeneratorOptions options;
    options.seed = 42;
    options.targetKeys = keys;
    options.targetBytes = SIZE_MAX;
    options.hiveChildren = 8;
    options.unicode = false;
    options.dialect = kRegedit4;
    MemorySink sink;
    if (!GenerateRegFile(sink, options)) return false;
    std::string file(sink.Data(), sink.Size());
    if (marked) {
        std::string out;
        out.reserve(file.size() + file.size() / 8);
        for (size_t at = 0; at < file.size();) {
            size_t end = file.find('\n', at);
            end = end == std::string::npos ? file.size() : end + 1;
            std::string_view line(file.data() + at, end - at);
            bool keyLine = line.size() > 3 && line[0] == '[' && line.substr(line.size() - 3) == "]\r\n";
            if (!keyLine) out += line;
            // Before every backslash but the first, and before the bracket
            // when there was one.
            bool belowHive = false;
            for (size_t i = 0; keyLine && i < line.size(); ++i) {
                bool close = i == line.size() - 3;
                if (line[i] == '\\' || close) {
                    if (belowHive) out += kMark;
                    belowHive = true;
                }
                out += line[i];
            }
            at = end;
        }
        file.swap(out);
    }
    file += std::string("\r\n[HKEY_USERS\\") + kNeedle + "]\r\n";
    std::unique_ptr<char[]> text = AllocText(file.size());
    std::memcpy(text.get(), file.data(), file.size());
    ParseScope scope(doc.abort);
    return static_cast<bool>(doc.ParseText(std::move(text), nullptr, file.size(), true, false));
}

size_t CountKeys(const RegDocument& doc) {
    size_t n = 0;
    for (const KeyNode* k = find::NextKey(doc, nullptr); k; k = find::NextKey(doc, k)) ++n;
    return n;
}

// Median of three walks that collect every key's values.
double CollectAll(const RegDocument& doc) {
    double times[3];
    for (double& t : times) {
        auto start = Clock::now();
        size_t values = 0;
        for (const KeyNode* k = find::NextKey(doc, nullptr); k; k = find::NextKey(doc, k)) {
            ValueList list;
            k->CollectValues(list);
            values += list.size();
        }
        volatile size_t sink = values;
        (void)sink;
        t = Seconds(start, Clock::now());
    }
    std::sort(times, times + 3);
    return times[1];
}

// Median of three timed searches from the start; false when the needle was not the hit.
double TimedSearch(const RegDocument& doc, unsigned flags, bool& ok) {
    double times[3];
    std::string key = find::SearchKeyOf(kNeedle);
    for (double& t : times) {
        std::atomic<int32_t> stop{0};
        find::FindHit hit;
        auto start = Clock::now();
        find::SearchOutcome outcome = find::SearchNext(doc, {}, key, flags, stop, hit);
        t = Seconds(start, Clock::now());
        ok = outcome == find::SearchOutcome::Found && hit.key && std::strcmp(hit.key->name, kNeedle) == 0;
    }
    std::sort(times, times + 3);
    return times[1];
}

// Seconds from a stop request to the end of a search that matches nothing.
double StopLatency(const RegDocument& doc) {
    std::atomic<int32_t> stop{0};
    Clock::time_point ended;
    std::thread worker([&] {
        find::FindHit hit;
        find::SearchNext(doc, {}, "NOTHING LIKE THIS ANYWHERE", kFindKeys | kFindValueNames | kFindData, stop, hit);
        ended = Clock::now();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    auto requested = Clock::now();
    stop.exchange(1);
    worker.join();
    return Seconds(requested, ended);
}

// Bytes the heap has handed out; 0 where the C library does not tell.
size_t HeapInUse() {
#if defined(__GLIBC__)
    return mallinfo2().uordblks;
#else
    return 0;
#endif
}

// The hits of Find All, timed from the start of the search to its first
// batch and to its end.
class TimedHits : public find::HitList {
public:
    explicit TimedHits(Clock::time_point start) : start_(start) {}
    void Take(const find::FindHit* hits, size_t count) override {
        if (!first_) first_ = Seconds(start_, Clock::now());
        HitList::Take(hits, count);
    }
    double first_ = 0;

private:
    Clock::time_point start_;
};

struct FindAllFigures {
    double seconds = 0, firstSeconds = 0, bytesPerHit = 0;
    size_t hits = 0;
};

// Median of three runs of Find All of the mark in key names; the bytes in use
// grow by the hits' memory, measured on the first run.
FindAllFigures TimedFindAll(const RegDocument& doc) {
    FindAllFigures figures;
    double times[3], firsts[3];
    for (int run = 0; run < 3; ++run) {
        std::atomic<int32_t> stop{0};
        size_t before = HeapInUse();
        auto start = Clock::now();
        TimedHits hits(start);
        find::FindAll(doc, find::SearchKeyOf(kMark), kFindKeys, stop, hits);
        times[run] = Seconds(start, Clock::now());
        firsts[run] = hits.first_;
        figures.hits = hits.Count();
        if (run == 0 && figures.hits)
            figures.bytesPerHit = static_cast<double>(HeapInUse() - before) / static_cast<double>(figures.hits);
    }
    std::sort(times, times + 3);
    std::sort(firsts, firsts + 3);
    figures.seconds = times[1];
    figures.firstSeconds = firsts[1];
    return figures;
}

}  // namespace

// The address bar's lookup of the document's last key, its path pasted in
// another letter case between the brackets of a key line: seconds each.
double AddressLookup(const RegDocument& doc) {
    const KeyNode* last = nullptr;
    for (const KeyNode* root : doc.roots) ForEachKeyOfBranch(root, [&last](const KeyNode* k) { last = k; });
    if (!last) return 0;
    std::string typed = "[" + last->Path() + "]";
    for (char& c : typed) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    constexpr int kRounds = 200;
    size_t matched = 0;
    auto start = Clock::now();
    for (int i = 0; i < kRounds; ++i) {
        std::string path = CanonicalKeyPath(typed);
        if (DeepestKeyOnPath(doc, path, matched) != last) return -1;
    }
    return Seconds(start, Clock::now()) / kRounds;
}

int main(int argc, char** argv) {
    size_t keys = 850000;
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--keys") && i + 1 < argc) keys = std::strtoul(argv[++i], nullptr, 10);
    RegDocument doc;
    if (!Build(doc, keys)) {
        std::fprintf(stderr, "find_bench: the document could not be built\n");
        return 1;
    }
    size_t count = CountKeys(doc);
    Print("find_keys", static_cast<double>(count));
    bool namesOk = false, allOk = false;
    double names = TimedSearch(doc, kFindKeys, namesOk);
    double collect = CollectAll(doc);
    double all = TimedSearch(doc, kFindKeys | kFindValueNames | kFindData, allOk);
    if (!namesOk || !allOk) {
        std::fprintf(stderr, "find_bench: the search did not end at the last key\n");
        return 1;
    }
    Print("find_names_s", names);
    Print("find_names_mkeys_per_s", static_cast<double>(count) / names / 1e6);
    Print("collect_values_s", collect);
    Print("find_all_s", all);
    Print("find_all_mkeys_per_s", static_cast<double>(count) / all / 1e6);
    Print("find_all_to_collect_ratio", all / collect);
    Print("find_stop_latency_ms", StopLatency(doc) * 1000);
    // A pasted path to the last key, against the search walking to it.
    double lookup = AddressLookup(doc);
    Print("address_lookup_us", lookup * 1e6);
    std::printf("address_lookup_to_find_names_ratio: %.6f\n", lookup / names);
    doc.Clear();
    // Find Next by names walks the whole marked document to its last key.
    RegDocument marked;
    bool markedOk = false;
    if (!Build(marked, keys, true)) {
        std::fprintf(stderr, "find_bench: the marked document could not be built\n");
        return 1;
    }
    double walk = TimedSearch(marked, kFindKeys, markedOk);
    if (!markedOk) {
        std::fprintf(stderr, "find_bench: the search of the marked document did not end at the last key\n");
        return 1;
    }
    FindAllFigures every = TimedFindAll(marked);
    Print("find_all_every_key_hits", static_cast<double>(every.hits));
    Print("find_all_every_key_s", every.seconds);
    Print("find_next_whole_walk_s", walk);
    Print("find_all_to_find_next_walk_ratio", every.seconds / walk);
    Print("find_all_first_hits_ms", every.firstSeconds * 1000);
    if (every.bytesPerHit > 0) Print("find_all_bytes_per_hit", every.bytesPerHit);
    return 0;
}

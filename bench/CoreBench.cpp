// Core benchmark: opens (reads, converts, parses) large generated files,
// collects the values of every key and saves in both dialects, against a
// baseline measured in the same run on the same file (reading the whole file
// into memory). Prints one "name: value" line per figure.
//
// Four files of the same shape: single-byte "REGEDIT4" and UTF-16 "5.00",
// each with names and data beyond ASCII (Windows-1252) and all-ASCII
// ("_ascii"). A save's "_ratio" writes the file and flushes it to the disk;
// "_to_memory_ratio" is the writer's own work; "_floor_ratio" writes and
// flushes the same bytes, made beforehand, as the least a save can cost. The peak memory of
// `quillon-cli stat` on each file is its largest resident size, over the
// file's size.
//
//   core_bench [--mb N] [--gib] [--dir DIR] [--runs N] [--open-only]
//              [--only LABEL] [--cli PATH]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
extern char** environ;
#endif

#include "RegGenerator.h"
#include "document/ByteSink.h"
#include "document/Platform.h"
#include "document/RegDocument.h"
#include "document/RegFile.h"
#include "document/RegWriter.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

void Print(const std::string& name, double value) { std::printf("%s: %.3f\n", name.c_str(), value); }
void PrintCount(const std::string& name, double value) { std::printf("%s: %.0f\n", name.c_str(), value); }

// Heap bytes in use (glibc); 0 elsewhere.
size_t HeapInUse() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#else
    return 0;
#endif
}

double BaselineRead(const std::string& path) {
    auto start = Clock::now();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    std::fseek(f, 0, SEEK_END);
    long long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    std::unique_ptr<char[]> buffer(new char[static_cast<size_t>(size) + 2]);
    size_t got = std::fread(buffer.get(), 1, static_cast<size_t>(size), f);
    std::fclose(f);
    buffer[got] = 0;
    volatile char sink = buffer[got / 2];
    (void)sink;
    return Seconds(start, Clock::now());
}

// The largest resident size in bytes of `cli stat path`, run as a process
// of its own; 0 when it cannot be measured here.
double PeakOfStat(const std::string& cli, const std::string& path) {
#if defined(__linux__)
    if (cli.empty() || !fs::exists(cli)) return 0;
    std::vector<char*> args = {const_cast<char*>(cli.c_str()), const_cast<char*>("stat"),
                               const_cast<char*>(path.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, cli.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return 0;
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return 0;
    return static_cast<double>(usage.ru_maxrss) * 1024.0;  // kilobytes on Linux
#else
    (void)cli;
    (void)path;
    return 0;
#endif
}

// The least a save of these bytes can cost: the same bytes, already made,
// written to a new file beside the target, flushed to the disk and moved
// over the target, as a save does.
double WriteFloor(const MemorySink& bytes, const std::string& target) {
    std::string temporary = target + ".floor";
    auto t0 = Clock::now();
    FileSink file;
    bool ok = file.Open(temporary.c_str()) && file.Write(bytes.Data(), bytes.Size());
    ok = file.Close() && ok;
    ok = ReplaceFileWith(temporary.c_str(), target.c_str()) && ok;
    double seconds = Seconds(t0, Clock::now());
    if (!ok) std::fprintf(stderr, "core_bench: cannot write %s\n", temporary.c_str());
    return seconds;
}

bool Open(RegDocument& doc, const std::string& path, bool checkDuplicates = true) {
    doc.Clear();
    LoadJob job;
    job.path = path;
    job.checkDuplicates = checkDuplicates;
    ParseScope scope(doc.abort);
    bool ok = doc.Load(job);
    doc.unicode = job.unicode;
    return ok;
}

template <typename F>
void ForEachKey(RegDocument& doc, F&& f) {
    ::ForEachKey(doc.roots, f);
}

bool Generate(const std::string& path, size_t bytes, RegDialect dialect, bool unicode, bool nonAscii) {
    if (fs::exists(path)) return true;
    GeneratorOptions options;
    options.seed = 42;
    options.targetBytes = bytes;
    options.dialect = dialect;
    options.unicode = unicode;
    options.nonAscii = nonAscii;
    FileSink file;
    std::string partial = path + ".part";
    if (!file.Open(partial.c_str()) || !GenerateRegFile(file, options) || !file.Close()) return false;
    fs::rename(partial, path);
    return true;
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    size_t n = times.size();
    return n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
}

bool Bench(const std::string& label, const std::string& path, int runs, bool openOnly, const std::string& dir,
           double peak) {
    double fileMb = static_cast<double>(fs::file_size(path)) / (1024.0 * 1024.0);
    BaselineRead(path);  // page cache warm, as for every later read

    // The baseline and both opens take turns within each round, so that a
    // change in the machine's load weighs on all three alike; each figure is
    // the median of its rounds. The previous document is emptied before the
    // clock starts: freeing it is no part of an open.
    RegDocument doc, fast;
    std::vector<double> baselines, opens, fastOpens;
    size_t heapBefore = 0, heapAfter = 0, textBytes = 0, keys = 0;
    for (int i = 0; i < runs; ++i) {
        baselines.push_back(BaselineRead(path));

        doc.Clear();
        fast.Clear();
        heapBefore = HeapInUse();
        auto start = Clock::now();
        if (!Open(doc, path)) {
            std::fprintf(stderr, "core_bench: cannot open %s\n", path.c_str());
            return false;
        }
        opens.push_back(Seconds(start, Clock::now()));
        heapAfter = HeapInUse();

        start = Clock::now();
        Open(fast, path, false);
        fastOpens.push_back(Seconds(start, Clock::now()));
    }
    fast.Clear();
    double baseline = Median(baselines), open = Median(opens), openFast = Median(fastOpens);
    // The text buffer: the file's bytes, or one byte per character of a UTF-16 file.
    textBytes = static_cast<size_t>(fs::file_size(path));
    if (doc.unicode) textBytes = textBytes / 2 + 5;
    ForEachKey(doc, [&](KeyNode*) { ++keys; });

    auto start = Clock::now();
    size_t values = 0;
    if (!openOnly) {
        ForEachKey(doc, [&](KeyNode* k) {
            ValueList list;
            k->CollectValues(list);
            values += list.size();
        });
    }
    double collect = Seconds(start, Clock::now());

    Print("file_" + label + "_mb", fileMb);
    PrintCount(label + "_keys", static_cast<double>(keys));
    if (!openOnly) PrintCount(label + "_values", static_cast<double>(values));
    PrintCount(label + "_runs", runs);
    Print("baseline_" + label + "_mb_per_s", fileMb / baseline);
    Print("open_" + label + "_mb_per_s", fileMb / open);
    PrintCount("open_" + label + "_keys_per_s", keys / open);
    Print("open_" + label + "_ratio", open / baseline);
    // Without duplicate checking (the open dialog's option): no key lookups.
    Print("open_" + label + "_nodup_ratio", openFast / baseline);
    if (!openOnly) {
        PrintCount("collect_" + label + "_keys_per_s", keys / collect);
        Print("collect_" + label + "_mb_per_s", fileMb / collect);
    }
    if (heapAfter > heapBefore && keys)
        Print(label + "_bytes_per_key", (static_cast<double>(heapAfter - heapBefore) - static_cast<double>(textBytes)) / keys);
    if (peak > 0) {
        double fileBytes = static_cast<double>(fs::file_size(path));
        Print("stat_" + label + "_peak_mib", peak / (1024.0 * 1024.0));
        Print("stat_" + label + "_peak_ratio", peak / fileBytes);
    }
    if (openOnly) return true;

    struct Target {
        const char* name;
        RegDialect dialect;
        bool unicode;
    } targets[] = {{"d4_ansi", kRegedit4, false}, {"d5_utf16", kRegedit5, true}};
    for (const Target& t : targets) {
        std::string out = dir + "/saved_" + label + "_" + t.name + ".reg";
        std::vector<double> saves, memories, floors;
        for (int i = 0; i < runs; ++i) {
            auto s0 = Clock::now();
            if (!SaveTo(doc, out.c_str(), t.unicode, t.dialect)) {
                std::fprintf(stderr, "core_bench: cannot save %s\n", out.c_str());
                return false;
            }
            saves.push_back(Seconds(s0, Clock::now()));
            MemorySink sink(static_cast<size_t>(fs::file_size(out)) + 64);
            auto m0 = Clock::now();
            WriteDocument(doc, sink, t.unicode, t.dialect);
            memories.push_back(Seconds(m0, Clock::now()));
            floors.push_back(WriteFloor(sink, out));
        }
        double save = Median(saves), memory = Median(memories), floor = Median(floors);
        double outMb = static_cast<double>(fs::file_size(out)) / (1024.0 * 1024.0);
        std::string name = "save_" + label + "_as_" + t.name;
        Print(name + "_mb_per_s", outMb / save);
        PrintCount(name + "_keys_per_s", keys / save);
        Print(name + "_ratio", save / baseline);
        Print(name + "_to_memory_ratio", memory / baseline);
        Print(name + "_floor_ratio", floor / baseline);
        fs::remove(out);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    size_t mb = 200;
    int runs = 5;
    bool openOnly = false;
    std::string only;
    // quillon-cli beside the benchmark's own folder, as the build lays them out.
    std::string cli = (fs::path(argv[0]).parent_path().parent_path() / "cli" / "quillon-cli").string();
    std::string dir = (fs::temp_directory_path() / "quillon-bench").string();
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--mb") && i + 1 < argc) {
            mb = std::strtoull(argv[++i], nullptr, 10);
        } else if (!std::strcmp(argv[i], "--gib")) {
            mb = 1024;
        } else if (!std::strcmp(argv[i], "--dir") && i + 1 < argc) {
            dir = argv[++i];
        } else if (!std::strcmp(argv[i], "--open-only")) {
            openOnly = true;
        } else if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (!std::strcmp(argv[i], "--only") && i + 1 < argc) {
            only = argv[++i];
        } else if (!std::strcmp(argv[i], "--cli") && i + 1 < argc) {
            cli = argv[++i];
        } else {
            std::fprintf(stderr, "usage: core_bench [--mb N] [--gib] [--dir DIR] [--runs N] [--open-only] "
                                 "[--only LABEL] [--cli PATH]\n");
            return 2;
        }
    }
    fs::create_directories(dir);
    size_t bytes = mb * 1024 * 1024;
    struct File {
        const char* label;
        RegDialect dialect;
        bool unicode;
        bool nonAscii;
    } files[] = {{"ansi", kRegedit4, false, true},
                 {"ansi_ascii", kRegedit4, false, false},
                 {"utf16", kRegedit5, true, true},
                 {"utf16_ascii", kRegedit5, true, false}};
    std::string paths[4];
    double peaks[4] = {};
    for (size_t i = 0; i < 4; ++i) {
        const File& f = files[i];
        if (!only.empty() && only != f.label) continue;
        // UTF-16 files hold two bytes per character: the same text as the single-byte file.
        std::string name = std::string("gen_") + std::to_string(mb) + "mb_" + (f.unicode ? "d5_utf16" : "d4_ansi") +
                           (f.nonAscii ? "" : "_ascii") + ".reg";
        paths[i] = dir + "/" + name;
        if (!Generate(paths[i], bytes, f.dialect, f.unicode, f.nonAscii)) {
            std::fprintf(stderr, "core_bench: cannot generate files in %s\n", dir.c_str());
            return 1;
        }
    }
    // Before this process holds any document: a child's peak counts the
    // memory of the process that started it, up to the start.
    for (size_t i = 0; i < 4; ++i)
        if (!paths[i].empty()) peaks[i] = PeakOfStat(cli, paths[i]);
    bool ok = true;
    for (size_t i = 0; i < 4; ++i)
        if (!paths[i].empty()) ok = Bench(files[i].label, paths[i], runs, openOnly, dir, peaks[i]) && ok;
    return ok ? 0 : 1;
}

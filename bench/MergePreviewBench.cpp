// Looking against doing: the preview of a merge of a 10,000-key branch (the
// live keys read, the merge played over them, compared) against the merge of
// the same branch by the system registry editor, measured in the same run.
// The branch lies under a scratch key of the current user, which is deleted
// afterwards. Prints "name: value" lines; the ratio should stay at or below 1.
//
//   merge_preview_bench [--keys N]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "document/ByteSink.h"
#include "document/RegDocument.h"
#include "document/RegFile.h"
#include "regedit/LiveRegistry.h"
#include "regedit/MergePreview.h"
#include "regedit/SystemEditor.h"

namespace {

const char kScratch[] = "Software\\QuillonBench";

double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// A branch of `keys` keys in groups of 100, each with a string and a DWORD;
// `generation` changes the data, so that a merge over the first has work.
std::string Branch(size_t keys, int generation) {
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
    char line[160];
    for (size_t i = 0; i < keys; ++i) {
        std::snprintf(line, sizeof line,
                      "[HKEY_CURRENT_USER\\%s\\Group%03zu\\Key%05zu]\r\n\"Name\"=\"value %zu of %d\"\r\n"
                      "\"Number\"=dword:%08zx\r\n\r\n",
                      kScratch, i / 100, i, i, generation, i + static_cast<size_t>(generation));
        text += line;
    }
    return text;
}

// The text as a UTF-16 file, as a merge writes it.
bool WriteUtf16File(const std::string& path, const std::string& text) {
    std::u16string wide = u"\xFEFF" + ProgramToWideString(text);
    FileSink sink;
    return sink.Open(path.c_str()) && sink.Write(wide.data(), wide.size() * 2) && sink.Close();
}

}  // namespace

int main(int argc, char** argv) {
    size_t keys = 10000;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--keys") == 0) keys = std::strtoul(argv[i + 1], nullptr, 10);
    std::string file;
    if (!regedit::MakeTempFile(file)) return 1;
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    // The branch is there live, as a file exported and edited would find it.
    if (!WriteUtf16File(file, Branch(keys, 0)) || !regedit::RunRegEdit(nullptr, file.c_str(), false)) return 1;

    std::string changed = Branch(keys, 1);
    RegDocument document;
    {
        std::unique_ptr<char[]> text = AllocText(changed.size());
        std::memcpy(text.get(), changed.data(), changed.size());
        ParseScope scope(document.abort);
        if (!document.ParseText(std::move(text), nullptr, changed.size(), true, false)) return 1;
    }
    std::vector<const KeyNode*> tops(document.roots.begin(), document.roots.end());

    // The reading is timed apart: what is left is the program's own work.
    struct TimedRegistry : regedit::SystemRegistry {
        double seconds = 0;
        regedit::LiveRead ReadKey(const std::u16string& path, bool askWrite, regedit::LiveKey& out,
                                  regedit::ReadProblem& problem, uint32_t& error) override {
            double start = Now();
            regedit::LiveRead read = SystemRegistry::ReadKey(path, askWrite, out, problem, error);
            seconds += Now() - start;
            return read;
        }
    };
    double start = Now();
    TimedRegistry live;
    regedit::MergePreview preview(live);
    if (!preview.Run(tops)) return 1;
    double previewSeconds = Now() - start;
    const regedit::PreviewCounts& counts = preview.Counts();

    if (!WriteUtf16File(file, changed)) return 1;
    start = Now();
    bool merged = regedit::RunRegEdit(nullptr, file.c_str(), true);
    double mergeSeconds = Now() - start;
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    if (!merged) return 1;

    std::printf("merge_preview_keys: %zu\n", keys);
    std::printf("merge_preview_values_changed: %zu\n", counts.valuesChanged);
    std::printf("merge_preview_seconds: %.3f\n", previewSeconds);
    std::printf("merge_preview_reading_seconds: %.3f\n", live.seconds);
    std::printf("merge_seconds: %.3f\n", mergeSeconds);
    std::printf("merge_preview_ratio: %.2fx\n", previewSeconds / mergeSeconds);
    return 0;
}

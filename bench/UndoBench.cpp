// Undo on a whole-registry export: deleting a branch of about 100,000 keys
// and undoing the delete, against the delete alone (the ratio); and the undo
// of a one-value edit in the whole document (microseconds, whatever its
// size). Medians of several rounds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "document/DocumentEdits.h"
#include "document/RegDocument.h"
#include "document/RegFile.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The key with the smallest branch of at least `wanted` keys.
KeyNode* BranchOfAbout(RegDocument& document, size_t wanted, size_t& keys) {
    KeyNode* best = nullptr;
    size_t bestKeys = 0;
    ForEachKey(document.roots, [&](KeyNode* key) {
        if (!key->firstChild) return;
        size_t n = 0;
        ForEachKeyOfBranch(key, [&n](KeyNode*) { ++n; });
        if (n >= wanted && (!best || n < bestKeys)) {
            best = key;
            bestKeys = n;
        }
    });
    keys = bestKeys;
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: undo_bench EXPORT.reg\n");
        return 2;
    }
    RegDocument document;
    LoadJob job;
    job.path = argv[1];
    {
        ParseScope scope(document.abort);
        if (!document.Load(job)) {
            std::fprintf(stderr, "cannot open %s\n", argv[1]);
            return 1;
        }
    }
    size_t total = 0;
    ForEachKey(document.roots, [&total](KeyNode*) { ++total; });
    size_t keys = 0;
    KeyNode* branch = BranchOfAbout(document, 100000, keys);
    if (!branch) return 1;
    std::printf("undo_document_keys: %zu\nundo_branch_keys: %zu\n", total, keys);

    DocumentEdits& edits = *document.edits;
    std::vector<double> deletes, undos;
    for (int round = 0; round < 7; ++round) {
        Clock::time_point start = Clock::now();
        edits.DeleteKey(branch);
        deletes.push_back(Seconds(start));
        start = Clock::now();
        edits.Undo();
        undos.push_back(Seconds(start));
    }
    double d = Median(deletes), u = Median(undos);
    std::printf("undo_branch_delete_ms: %.3f\nundo_branch_undo_ms: %.3f\n", d * 1e3, u * 1e3);
    std::printf("undo_branch_delete_and_undo_to_delete_ratio: %.2f\n", (d + u) / d);

    // A key with values in the middle of the document: one value changed,
    // then the change undone.
    KeyNode* key = nullptr;
    size_t seen = 0;
    ForEachKey(document.roots, [&](KeyNode* k) {
        if (!key && ++seen > total / 2 && k->HasValueText()) key = k;
    });
    if (!key) return 1;
    std::vector<double> valueUndos;
    for (int round = 0; round < 201; ++round) {
        ValueList values;
        key->CollectValues(values);
        if (values.empty()) return 1;
        values[0]->SetName("Renamed " + std::to_string(round));
        edits.SetValues(key, values, EditKind::RenameValue);
        Clock::time_point start = Clock::now();
        edits.Undo();
        valueUndos.push_back(Seconds(start));
    }
    std::printf("undo_one_value_edit_us: %.2f\n", Median(valueUndos) * 1e6);
    return 0;
}

#pragma once
// The hits of Find All: kept as key pointers and value indexes, not text,
// filled by the search's worker while the results window reads them, sorted
// by a column and written out as text. The texts of a hit are made when they
// are shown. Portable, like the search itself.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "document/ByteSink.h"
#include "find/FindSearch.h"

namespace find {

// The columns of the results: key path, value name, type, data.
enum class HitColumn { Key = 0, Name, Type, Data };
inline constexpr int kHitColumns = 4;

// The texts of hits. A hit in a value collects its key's values; the last
// key's stay, since hits of one key come together.
class HitTexts {
public:
    // A column's text; the data is cut after `maxData` bytes (between two
    // characters, "..." added). The default value's name is empty, and so
    // are a key-name hit's value columns and a value that is gone.
    std::string Text(const FindHit& hit, HitColumn column, size_t maxData = SIZE_MAX);
    // The value of a hit in a value; null for a key-name hit or a value that is gone.
    const ValueEntry* Value(const FindHit& hit);
    // Forget the collected values (the document changed).
    void Forget();

private:
    const KeyNode* key_ = nullptr;
    const char* block_ = nullptr;  // the key's main block when its values were collected
    ValueList values_;
};

// The hits, in walk order until sorted. The worker adds while the
// user-interface thread reads: every member takes the lock.
class HitList : public HitSink {
public:
    void Take(const FindHit* hits, size_t count) override;
    size_t Count() const;
    // The hit at `index`; an empty hit past the end.
    FindHit At(size_t index) const;
    void Clear();
    // Sorts by a column (hits that compare equal keep their order); key paths
    // compare name by name without regard to case, like the tree's keys.
    void Sort(HitColumn column, bool ascending);
    // One line per hit: key path, and for a value its name, type and whole
    // data, separated by tabs; CR LF ends each line.
    bool Write(ByteSink& out) const;

private:
    mutable std::mutex lock_;
    std::deque<FindHit> hits_;
};

}  // namespace find

#include "find/FindHits.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "document/Platform.h"
#include "document/Utf8.h"
#include "document/ValueCodec.h"

namespace find {

namespace {

// Key paths compare name by name, top first, through the case table; a key
// comes before its descendants.
class PathOrder {
public:
    int Compare(const KeyNode* a, const KeyNode* b) {
        if (a == b) return 0;
        Chain(a, chainA_);
        Chain(b, chainB_);
        const unsigned char* table = UpperTable();
        size_t depth = std::min(chainA_.size(), chainB_.size());
        for (size_t i = 1; i <= depth; ++i) {
            const char* x = chainA_[chainA_.size() - i]->name;
            const char* y = chainB_[chainB_.size() - i]->name;
            if (x == y) continue;
            if (!x || !y) return x ? 1 : -1;
            for (;; ++x, ++y) {
                unsigned cx = table[static_cast<unsigned char>(*x)], cy = table[static_cast<unsigned char>(*y)];
                if (cx != cy) return cx < cy ? -1 : 1;
                if (!cx) break;
            }
        }
        return chainA_.size() < chainB_.size() ? -1 : chainA_.size() > chainB_.size() ? 1 : 0;
    }

private:
    static void Chain(const KeyNode* key, std::vector<const KeyNode*>& chain) {
        chain.clear();
        for (; key; key = key->parent) chain.push_back(key);
    }
    std::vector<const KeyNode*> chainA_, chainB_;
};

}  // namespace

const ValueEntry* HitTexts::Value(const FindHit& hit) {
    if (!hit.key || !hit.InValue()) return nullptr;
    // A changed value block is a new text: its values are collected again.
    const char* block = hit.key->MainBlock().text;
    if (hit.key != key_ || block != block_) {
        values_.clear();
        hit.key->CollectValues(values_);
        key_ = hit.key;
        block_ = block;
    }
    return hit.value < values_.size() ? values_[hit.value].get() : nullptr;
}

void HitTexts::Forget() {
    values_.clear();
    key_ = nullptr;
    block_ = nullptr;
}

std::string HitTexts::Text(const FindHit& hit, HitColumn column, size_t maxData) {
    if (!hit.key) return {};
    if (column == HitColumn::Key) return hit.key->Path();
    const ValueEntry* value = Value(hit);
    if (!value) return {};
    switch (column) {
    case HitColumn::Name:
        return ShownValueName(value->GetName());
    case HitColumn::Type:
        return value->GetTypeName();
    default: {
        std::string data = value->GetDisplayText();
        if (data.size() > maxData) {
            data.resize(CharacterPrefix(data, maxData));
            data += "...";
        }
        return data;
    }
    }
}

void HitList::Take(const FindHit* hits, size_t count) {
    std::lock_guard<std::mutex> hold(lock_);
    hits_.insert(hits_.end(), hits, hits + count);
}

size_t HitList::Count() const {
    std::lock_guard<std::mutex> hold(lock_);
    return hits_.size();
}

FindHit HitList::At(size_t index) const {
    std::lock_guard<std::mutex> hold(lock_);
    return index < hits_.size() ? hits_[index] : FindHit{};
}

void HitList::Clear() {
    std::lock_guard<std::mutex> hold(lock_);
    std::deque<FindHit>().swap(hits_);
}

void HitList::Sort(HitColumn column, bool ascending) {
    std::lock_guard<std::mutex> hold(lock_);
    auto order = [ascending](int compared) { return ascending ? compared < 0 : compared > 0; };
    if (column == HitColumn::Key) {
        PathOrder paths;
        std::stable_sort(hits_.begin(), hits_.end(), [&](const FindHit& a, const FindHit& b) {
            return order(paths.Compare(a.key, b.key));
        });
        return;
    }
    // The other columns are made once per hit and sorted with their hits;
    // equal texts keep the hits' order.
    HitTexts texts;
    std::vector<std::pair<std::string, FindHit>> rows;
    rows.reserve(hits_.size());
    for (const FindHit& hit : hits_) rows.emplace_back(texts.Text(hit, column), hit);
    std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
        return order(CompareNoCase(a.first.c_str(), b.first.c_str()));
    });
    size_t i = 0;
    for (const auto& row : rows) hits_[i++] = row.second;
}

bool HitList::Write(ByteSink& out) const {
    std::lock_guard<std::mutex> hold(lock_);
    HitTexts texts;
    std::string line;
    for (const FindHit& hit : hits_) {
        line = texts.Text(hit, HitColumn::Key);
        if (hit.InValue()) {
            for (HitColumn column : {HitColumn::Name, HitColumn::Type, HitColumn::Data}) {
                line += '\t';
                line += texts.Text(hit, column);
            }
        }
        line += "\r\n";
        if (!out.Write(line.data(), line.size())) return false;
    }
    return true;
}

}  // namespace find

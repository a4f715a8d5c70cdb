// The merge played over the live keys before it is run. The registry editor
// takes a merged file line by line: a key line creates the key and every
// missing key above it, "[-KEY]" deletes the key with its whole branch, a
// value line sets the value, "name"=- deletes it. The keys the merge reaches
// are read once, when first met, and carry the state the steps so far leave;
// comparing that with the live state gives the preview and the backup.
#include "regedit/MergePreview.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "document/ByteSink.h"
#include "document/DocumentSinks.h"
#include "document/Platform.h"
#include "document/RegDocument.h"
#include "document/RegParser.h"
#include "document/RegState.h"
#include "document/ValueCodec.h"
#include "document/ValueEntry.h"

namespace regedit {

namespace {

constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4, kRegMultiSz = 7, kRegQword = 11;

// Keys sort by their folded path with the backslash below every character,
// so that a key's whole branch follows it ("A", "A\\B", "A B").
constexpr char16_t kPathStep = u'\x01';

std::string WideBytes(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::u16string BytesWide(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    return text;
}

// The characters of REG_SZ data that a quoted string line holds as it is: a
// whole number of UTF-16 units ending in the one terminating zero, with no
// line break inside. Else the data is written as hex(1) bytes.
bool StringLineText(const std::string& bytes, std::u16string& text) {
    if (bytes.size() < 2 || bytes.size() % 2 != 0) return false;
    text = BytesWide(bytes);
    if (text.back() != u'\0') return false;
    text.pop_back();
    for (char16_t c : text)
        if (c == u'\0' || c == u'\r' || c == u'\n') return false;
    return true;
}

bool HoldsLineBreak(std::u16string_view name) {
    return name.find_first_of(u"\r\n", 0, 2) != std::u16string_view::npos;
}

std::u16string Escaped(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size() + 2);
    for (char16_t c : text) {
        if (c == u'\\' || c == u'"') out += u'\\';
        out += c;
    }
    return out;
}

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// A value's line as the backup writes it, CR LF included.
std::u16string ValueLine(const LiveValue& value) {
    std::u16string line = value.name.empty() ? u"@=" : u"\"" + Escaped(value.name) + u"\"=";
    std::u16string text;
    if (value.type == kRegSz && StringLineText(value.bytes, text)) return line + u"\"" + Escaped(text) + u"\"\r\n";
    if (value.type == kRegDword && value.bytes.size() == 4) {
        uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(value.bytes[static_cast<size_t>(i)]);
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", n);
        return line + Ascii(digits) + u"\r\n";
    }
    char token[24] = "hex";
    if (value.type != kRegBinary) std::snprintf(token, sizeof token, "hex(%x)", value.type);
    return line + Ascii(token) + u":" + Ascii(FormatHexBytes(value.bytes.data(), value.bytes.size())) + u"\r\n";
}

bool SameData(const LiveValue& a, const LiveValue& b) { return a.type == b.type && a.bytes == b.bytes; }

}  // namespace

std::u16string LiveRegistry::Fold(std::u16string_view name) const {
    std::u16string out(name);
    for (char16_t& c : out)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return out;
}

std::string LiveTypeName(uint32_t type) {
    if (const char* name = RegistryTypeName(type)) return name;
    char text[24];
    std::snprintf(text, sizeof text, "REG_0x%x", type);
    return text;
}

std::string LiveDisplayText(uint32_t type, const std::string& bytes) {
    std::u16string text;
    if (type == kRegSz && StringLineText(bytes, text)) return StringValue("", EscapeString(WideToProgramString(text))).GetDisplayText();
    std::string hex = FormatHexBytes(bytes.data(), bytes.size(), 0, 0);
    if (type == kRegDword && bytes.size() == 4) {
        char digits[12];
        std::snprintf(digits, sizeof digits, "%02x%02x%02x%02x", static_cast<unsigned char>(bytes[3]),
                      static_cast<unsigned char>(bytes[2]), static_cast<unsigned char>(bytes[1]),
                      static_cast<unsigned char>(bytes[0]));
        return DwordValue("", digits).GetDisplayText();
    }
    if (type == kRegQword) return QwordValue("", "hex(b)", hex).GetDisplayText();
    if (type == kRegExpandSz) return ExpandStringValue("", "hex(2)", hex, kRegedit5).GetDisplayText();
    if (type == kRegMultiSz) return MultiStringValue("", "hex(7)", hex, kRegedit5).GetDisplayText();
    char token[24] = "hex";
    if (type != kRegBinary) std::snprintf(token, sizeof token, "hex(%x)", type);
    return BinaryValue("", token, hex).GetDisplayText();
}

MergePreview::MergePreview(LiveRegistry& live, const std::atomic<int32_t>* stop, ProgressSink* progress)
    : live_(live), stop_(stop), progress_(progress) {}

std::u16string MergePreview::Folded(const std::u16string& path) const {
    std::u16string folded = live_.Fold(path);
    for (char16_t& c : folded)
        if (c == u'\\') c = kPathStep;
    return folded;
}

std::u16string MergePreview::PathOf(const SimKey& key) {
    size_t length = 0;
    for (const SimKey* k = &key; k; k = k->parent) length += k->name.size() + 1;
    std::u16string path(length - 1, u'\\');
    for (const SimKey* k = &key; k; k = k->parent) {
        length -= k->name.size() + 1;
        path.replace(length, k->name.size(), k->name);
    }
    return path;
}

// The key at path and every key above it get their entries, parents first.
MergePreview::SimKey& MergePreview::Reach(const std::u16string& path) {
    // The path folded once; its prefixes are the prefixes of that. Most keys
    // are met after their parent: the search goes up from the key itself.
    std::u16string folded = Folded(path);
    size_t end = path.size();
    auto at = keys_.find(folded);
    std::vector<size_t> missing;
    while (at == keys_.end()) {
        missing.push_back(end);
        size_t slash = path.rfind(u'\\', end - 1);
        if (slash == std::u16string::npos || slash == 0) break;
        end = slash;
        at = keys_.find(folded.substr(0, end));
    }
    SimKey* parent = at == keys_.end() ? nullptr : &at->second;
    for (size_t i = missing.size(); i-- > 0;) {
        size_t stop = missing[i];
        SimKey& key = keys_.try_emplace(folded.substr(0, stop)).first->second;
        size_t begin = parent ? path.rfind(u'\\', stop - 1) + 1 : 0;
        key.name = path.substr(begin, stop - begin);
        key.parent = parent;
        parent = &key;
    }
    return *parent;
}

// A key below a key that does not exist is missing without asking the
// registry: a file that creates a large branch costs one read at its top.
void MergePreview::ReadLive(SimKey& key) {
    if (key.read) return;
    key.read = true;
    bool inherits = false;
    if (SimKey* parent = key.parent) {
        ReadLive(*parent);
        key.mayWrite = parent->mayWrite;
        if (parent->problem == ReadProblem::None && !parent->existed) return;
        inherits = parent->problem == ReadProblem::None;
    }
    // Whether the user may write a key is asked at the top of each branch
    // the merge reaches; the keys below take their parent's answer, as they
    // take its permissions in all but rare registries. Asking at every key
    // made the preview of a large branch slower than its merge.
    LiveKey found;
    found.mayWrite = key.mayWrite;
    LiveRead read = live_.ReadKey(PathOf(key), !inherits, found, key.problem, key.systemError);
    if (read == LiveRead::Missing) return;
    // A key that cannot be read is taken to exist with values unknown.
    key.existed = key.exists = true;
    if (read == LiveRead::Failed) return;
    key.mayWrite = found.mayWrite;
    for (LiveValue& value : found.values) {
        if (HoldsLineBreak(value.name)) {
            key.problem = ReadProblem::NameInFile;
            ++counts_.unreadable;
            continue;
        }
        key.after.push_back({value, live_.Fold(value.name), false});
        key.before.push_back(std::move(value));
    }
}

void MergePreview::CreateKey(const std::u16string& path) {
    SimKey& key = Reach(path);
    ReadLive(key);
    for (SimKey* k = &key; k && !k->exists; k = k->parent) k->exists = true;
}

// The registry editor deletes no root key; a deletion reaches every live key
// of the branch, which the backup must put back.
void MergePreview::DeleteKey(const std::u16string& path) {
    if (path.find(u'\\') == std::u16string::npos) return;
    std::vector<SimKey*> pending{&Reach(path)};
    while (!pending.empty()) {
        SimKey* key = pending.back();
        pending.pop_back();
        ReadLive(*key);
        std::vector<std::u16string> subkeys;
        if (key->existed && key->problem == ReadProblem::None &&
            live_.ReadSubkeys(PathOf(*key), subkeys, key->problem, key->systemError) == LiveRead::Failed)
            ++counts_.unreadable;
        for (const std::u16string& name : subkeys) {
            if (HoldsLineBreak(name)) {
                key->problem = ReadProblem::NameInFile;
                ++counts_.unreadable;
                continue;
            }
            pending.push_back(&Reach(PathOf(*key) + u"\\" + name));
        }
    }
    std::u16string folded = Folded(path);
    for (auto at = keys_.find(folded); at != keys_.end(); ++at) {
        if (at->first != folded && at->first.compare(0, folded.size() + 1, folded + kPathStep) != 0) break;
        at->second.exists = false;
        at->second.after.clear();
    }
}

size_t MergePreview::FindAfter(const SimKey& key, const std::u16string& folded) const {
    size_t i = 0;
    while (i < key.after.size() && key.after[i].folded != folded) ++i;
    return i;
}

void MergePreview::SetValue(const std::u16string& path, LiveValue value) {
    SimKey& key = Reach(path);
    std::u16string folded = live_.Fold(value.name);
    size_t i = FindAfter(key, folded);
    if (i == key.after.size()) {
        key.after.push_back({std::move(value), std::move(folded), true});
        return;
    }
    // The registry keeps the spelling of a name it holds.
    SimValue& now = key.after[i];
    now.value.type = value.type;
    now.value.bytes = std::move(value.bytes);
    now.set = true;
}

void MergePreview::DeleteValue(const std::u16string& path, const std::u16string& name) {
    SimKey& key = Reach(path);
    size_t i = FindAfter(key, live_.Fold(name));
    if (i < key.after.size()) key.after.erase(key.after.begin() + static_cast<std::ptrdiff_t>(i));
}

// One key line with its value lines. A block's list holds each name once,
// with what its last line does: a deletion line deletes it.
void MergePreview::PlayKey(const KeyNode* key) {
    if (!key->HasKeyLine()) return;
    std::u16string path = ProgramToWideString(key->Path());
    if (!path.empty() && path[0] == u'-') {
        DeleteKey(path.substr(1));
        return;
    }
    CreateKey(path);
    for (size_t i = 0, n = key->BlockCount(); i < n; ++i) {
        ValueBlock block = key->Block(i);
        ValueList values;
        ParseValueBlock(block.text, values, block.dialect);
        for (const auto& value : values) {
            std::u16string name = ProgramToWideString(ShownValueName(value->GetName()));
            if (value->GetType() == ValueType::Deletion) {
                DeleteValue(path, name);
                continue;
            }
            LiveValue set;
            if (!RegistryDataOfLine(*value, set.type, set.bytes)) continue;
            set.name = std::move(name);
            SetValue(path, std::move(set));
        }
    }
}

bool MergePreview::Run(const std::vector<const KeyNode*>& tops) {
    size_t total = 0, walked = 0;
    for (const KeyNode* top : tops) ForEachKeyOfBranch(top, [&](const KeyNode*) { ++total; });
    int shown = -1;
    for (const KeyNode* top : tops) {
        bool going = ForEachKeyOfBranch(top, [&](const KeyNode* key) {
            if (stop_ && stop_->load(std::memory_order_relaxed) != 0) return false;
            PlayKey(key);
            int percent = static_cast<int>(++walked * 100 / (total ? total : 1));
            if (progress_ && percent != shown) progress_->SetProgress(shown = percent);
            return true;
        });
        if (!going) return false;
    }
    Compare();
    return true;
}

void MergePreview::Compare() {
    diffs_.clear();
    for (auto& [folded, key] : keys_) {
        if (!key.existed && !key.exists) continue;
        KeyDiff diff;
        diff.path = PathOf(key);
        diff.mayWrite = key.mayWrite;
        diff.problem = key.problem;
        diff.systemError = key.systemError;
        diff.change = !key.existed ? KeyChange::Created : !key.exists ? KeyChange::Removed : KeyChange::Kept;
        diff.head = diff.change != KeyChange::Kept && !(key.parent && key.parent->existed != key.parent->exists);
        std::vector<bool> kept(key.after.size(), false);
        std::unordered_map<std::u16string, size_t> after;
        for (size_t i = 0; i < key.after.size(); ++i) after.emplace(key.after[i].folded, i);
        for (const LiveValue& before : key.before) {
            auto found = after.find(live_.Fold(before.name));
            size_t i = found == after.end() ? key.after.size() : found->second;
            if (i == key.after.size()) {
                diff.values.push_back({ValueChange::Removed, before, {}});
                continue;
            }
            kept[i] = true;
            if (!key.after[i].set) continue;  // untouched by the merge
            bool same = SameData(before, key.after[i].value);
            diff.values.push_back({same ? ValueChange::Equal : ValueChange::Changed, before, key.after[i].value});
        }
        for (size_t i = 0; i < key.after.size(); ++i)
            if (!kept[i]) diff.values.push_back({ValueChange::Added, {}, key.after[i].value});
        if (diff.change == KeyChange::Kept && diff.values.empty() && diff.problem == ReadProblem::None) continue;
        // By name, as the registry editor lists them.
        if (diff.values.size() > 1) {
            std::vector<std::pair<std::u16string, size_t>> order;
            for (size_t i = 0; i < diff.values.size(); ++i) order.emplace_back(live_.Fold(diff.values[i].Name()), i);
            std::sort(order.begin(), order.end());
            std::vector<ValueDiff> sorted;
            sorted.reserve(order.size());
            for (const auto& entry : order) sorted.push_back(std::move(diff.values[entry.second]));
            diff.values = std::move(sorted);
        }
        if (diff.problem == ReadProblem::Denied || diff.problem == ReadProblem::Failed ||
            diff.problem == ReadProblem::NoRoot)
            ++counts_.unreadable;
        diffs_.push_back(std::move(diff));
    }
    // What goes with each removed head: the removed keys that follow it.
    for (size_t i = 0; i < diffs_.size(); ++i) {
        KeyDiff& diff = diffs_[i];
        bool changes = diff.change != KeyChange::Kept;
        for (const ValueDiff& value : diff.values) {
            switch (value.change) {
            case ValueChange::Added: ++counts_.valuesAdded; changes = true; break;
            case ValueChange::Changed: ++counts_.valuesChanged; changes = true; break;
            case ValueChange::Removed: ++counts_.valuesRemoved; changes = true; break;
            case ValueChange::Equal: ++counts_.valuesEqual; break;
            }
        }
        if (diff.change == KeyChange::Created) ++counts_.keysCreated;
        if (changes && !diff.mayWrite) ++counts_.notWritable;
        if (diff.change != KeyChange::Removed) continue;
        ++counts_.keysRemoved;
        if (!diff.head) continue;
        diff.removedValues = diff.values.size();
        std::u16string below = Folded(diff.path) + kPathStep;
        for (size_t j = i + 1; j < diffs_.size() && Folded(diffs_[j].path).compare(0, below.size(), below) == 0; ++j) {
            ++diff.removedSubkeys;
            diff.removedValues += diffs_[j].values.size();
        }
    }
}

bool MergePreview::ChangesNothing() const {
    return counts_.keysCreated + counts_.keysRemoved + counts_.valuesAdded + counts_.valuesChanged +
               counts_.valuesRemoved == 0;
}

// Created keys go first, each branch by its head; then every key that was
// there gets back what the merge changed or took, values added are deleted.
bool MergePreview::WriteBackup(ByteSink& out, const std::string& comment, size_t* keyLines,
                               size_t* valueLines) const {
    size_t keys = 0, values = 0;
    std::u16string text = u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n";
    if (!comment.empty()) text += u"; " + ProgramToWideString(comment) + u"\r\n\r\n";
    for (const KeyDiff& diff : diffs_) {
        if (diff.change != KeyChange::Created || !diff.head) continue;
        text += u"[-" + diff.path + u"]\r\n\r\n";
        ++keys;
    }
    for (const KeyDiff& diff : diffs_) {
        if (diff.change == KeyChange::Created || HoldsLineBreak(diff.path)) continue;
        std::u16string lines;
        for (const ValueDiff& value : diff.values) {
            if (value.change == ValueChange::Equal) continue;
            if (value.change == ValueChange::Added) {
                lines += (value.after.name.empty() ? u"@" : u"\"" + Escaped(value.after.name) + u"\"") + u"=-\r\n";
            } else {
                lines += ValueLine(value.before);
            }
            ++values;
        }
        if (lines.empty() && diff.change != KeyChange::Removed) continue;
        text += u"[" + diff.path + u"]\r\n" + lines + u"\r\n";
        ++keys;
    }
    if (keyLines) *keyLines = keys;
    if (valueLines) *valueLines = values;
    std::string bytes = WideBytes(text);
    return out.Write(bytes.data(), bytes.size());
}

}  // namespace regedit

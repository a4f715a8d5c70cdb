// Checks arbitrary bytes as a .reg file and parses them, collects every key's values, writes
// the document in both dialects and encodings and parses the output again:
// the second parse must hold the same keys and values as the first.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "document/ByteSink.h"
#include "document/LineCheck.h"
#include "document/RegDocument.h"
#include "document/RegFile.h"
#include "document/RegWriter.h"

namespace {

bool Load(RegDocument& doc, const char* bytes, size_t size) {
    RegText text;
    ReadError error;
    if (!DecodeRegBytes(bytes, size, text, error)) return false;
    ParseScope scope(doc.abort);
    // File text: the character data of "REGEDIT4" is legacy text.
    return static_cast<bool>(doc.ParseText(std::move(text.text), nullptr, text.length, true, false, true));
}

// A key's values: name, kind and, unless left out, the data of character kinds.
std::string ValuesOf(const KeyNode* k, bool charData = true) {
    ValueList values;
    k->CollectValues(values);
    std::string s;
    for (auto& v : values) {
        bool chars = v->GetType() == ValueType::ExpandString || v->GetType() == ValueType::MultiString;
        s += '\x01' + v->GetName() + '\x02' + v->GetTypeName() + (charData || !chars ? '\x02' + v->GetDisplayText() : "");
    }
    return s;
}

std::vector<std::string> Snapshot(const RegDocument& doc, bool charData) {
    std::vector<std::string> lines;
    ForEachKey(doc.roots, [&](const KeyNode* k) { lines.push_back(k->Path() + ValuesOf(k, charData)); });
    return lines;
}

}  // namespace

// The check of the same bytes: its verdicts come in line order, each within
// the text.
void CheckLines(const char* bytes, size_t size) {
    size_t last = 1;
    LineCheck check([&](LineVerdict&& verdict) {
        if (verdict.line < last || verdict.line > size + 1) std::abort();
        last = verdict.line;
    });
    ParseScope scope(check.StopFlag());
    ReadError error;
    check.CheckBytes(bytes, size, error);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckLines(reinterpret_cast<const char*>(data), size);
    RegDocument doc;
    if (!Load(doc, reinterpret_cast<const char*>(data), size)) return 0;
    std::vector<std::string> before = Snapshot(doc, true);
    std::vector<std::string> beforeNoChars = Snapshot(doc, false);
    for (RegDialect dialect : {kRegedit4, kRegedit5}) {
        for (bool unicode : {false, true}) {
            // What the legacy page lacks is lost in its text (a save warns).
            if (!unicode && FindLostCharacters(doc, dialect).Any()) continue;
            MemorySink out;
            if (!WriteDocument(doc, out, unicode, dialect)) std::abort();
            RegDocument again;
            if (!Load(again, out.Data(), out.Size())) std::abort();
            // Characters of the other dialect may change where the data is
            // malformed; every key, name, kind and the other data must not.
            if (dialect == doc.dialect ? Snapshot(again, true) != before : Snapshot(again, false) != beforeNoChars)
                std::abort();
        }
    }
    // An edit of every key writes its values back as program text: reading
    // that text again gives the same values.
    ForEachKey(doc.roots, [](KeyNode* k) {
        std::string before = ValuesOf(k);
        ValueList values;
        k->CollectValues(values);
        if (!k->RebuildValueBlock(values) || ValuesOf(k) != before) std::abort();
    });
    return 0;
}

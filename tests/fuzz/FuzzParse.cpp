// Parses arbitrary bytes as a .reg file, collects every key's values, writes
// the document in both dialects and encodings and parses the output again:
// the second parse must hold the same keys and values as the first.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "document/ByteSink.h"
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
    return doc.ParseText(std::move(text.text), nullptr, text.length, true, false, true);
}

std::vector<std::string> Snapshot(const RegDocument& doc, bool charData) {
    std::vector<std::string> lines;
    ForEachKey(doc.roots, [&](const KeyNode* k) {
        std::string line = k->Path();
        ValueList values;
        k->CollectValues(values);
        for (auto& v : values) {
            line += '\x01';
            line += v->GetName();
            line += '\x02';
            line += v->GetTypeName();
            bool chars = v->GetType() == ValueType::ExpandString || v->GetType() == ValueType::MultiString;
            if (charData || !chars) {
                line += '\x02';
                line += v->GetDisplayText();
            }
        }
        lines.push_back(line);
    });
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RegDocument doc;
    if (!Load(doc, reinterpret_cast<const char*>(data), size)) return 0;
    std::vector<std::string> before = Snapshot(doc, true);
    std::vector<std::string> beforeNoChars = Snapshot(doc, false);
    for (int dialect : {4, 5}) {
        for (bool unicode : {false, true}) {
            // What the legacy page lacks is lost in its text (a save warns).
            if (!unicode && FindLostCharacters(doc, static_cast<RegDialect>(dialect)).Any()) continue;
            MemorySink out;
            if (!WriteDocument(doc, out, unicode, static_cast<RegDialect>(dialect))) std::abort();
            RegDocument again;
            if (!Load(again, out.Data(), out.Size())) std::abort();
            // Characters of the other dialect may change where the data is
            // malformed; every key, name, kind and the other data must not.
            bool same = dialect == doc.dialect ? Snapshot(again, true) == before
                                               : Snapshot(again, false) == beforeNoChars;
            if (!same) std::abort();
        }
    }
    // An edit of every key writes its values back as program text: reading
    // that text again gives the same values.
    ForEachKey(doc.roots, [](KeyNode* k) {
        ValueList values;
        k->CollectValues(values);
        if (!k->RebuildValueBlock(values)) std::abort();
        ValueList again;
        k->CollectValues(again);
        if (again.size() != values.size()) std::abort();
        for (size_t i = 0; i < values.size(); ++i)
            if (again[i]->GetName() != values[i]->GetName() || again[i]->GetType() != values[i]->GetType() ||
                again[i]->GetDisplayText() != values[i]->GetDisplayText())
                std::abort();
    });
    return 0;
}

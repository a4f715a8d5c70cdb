#pragma once

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "document/ByteSink.h"
#include "document/DocumentSinks.h"
#include "document/RegDocument.h"
#include "document/RegFile.h"
#include "document/RegWriter.h"

namespace testutil {

// A file's bytes (none when it cannot be read), and a file made of bytes.
inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::unique_ptr<char[]> Text(const std::string& s) {
    std::unique_ptr<char[]> text = AllocText(s.size());
    std::copy(s.begin(), s.end(), text.get());
    return text;
}

// Parses text (a header is added unless it starts with one) into document.
inline bool Parse(RegDocument& doc, const std::string& body, bool checkDuplicates = true, KeyTreeSink* view = nullptr,
                  bool withHeader = true) {
    std::string s = withHeader ? "REGEDIT4\r\n\r\n" + body : body;
    ParseScope scope(doc.abort);
    return doc.ParseText(Text(s), view, s.size(), checkDuplicates, false);
}

// Parses what Write gave back (its header kept, the closing zero bytes cut).
inline bool Reparse(RegDocument& doc, std::string written) {
    written.resize(written.size() - 2);
    return Parse(doc, written, true, nullptr, false);
}

inline KeyNode* Find(RegDocument& doc, const std::string& path) {
    size_t start = 0;
    KeyNode* key = nullptr;
    for (;;) {
        size_t end = path.find('\\', start);
        std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!key) {
            for (KeyNode* r : doc.roots)
                if (part == r->name) key = r;
        } else {
            key = key->FindChild(part.c_str());
        }
        if (!key || end == std::string::npos) return key;
        start = end + 1;
    }
}

inline std::string Write(RegDocument& doc, bool unicode = false, RegDialect dialect = kRegedit4) {
    MemorySink out;
    WriteDocument(doc, out, unicode, dialect);
    return std::string(out.Data() ? out.Data() : "", out.Size());
}

inline std::string Values(const KeyNode* key) {
    ValueList values;
    key->CollectValues(values);
    std::string s;
    for (auto& v : values) s += (v->IsDefault() ? "@" : v->GetName()) + "|" + v->GetTypeName() + "|" + v->GetDisplayText() + ";";
    return s;
}

// Visits every key depth first, parents before children.
template <typename F>
void ForEachKey(const RegDocument& doc, F&& f) {
    ::ForEachKey(doc.roots, [&f](KeyNode* k) { f(k); });
}

}  // namespace testutil

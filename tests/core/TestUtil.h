#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
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

// The bytes of UTF-16 text, low byte first, without a mark.
inline std::string Utf16(const std::u16string& wide) {
    return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
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
    return static_cast<bool>(doc.ParseText(Text(s), view, s.size(), checkDuplicates, false));
}

// Parses what Write gave back, its header kept.
inline bool Reparse(RegDocument& doc, const std::string& written) {
    return Parse(doc, written, true, nullptr, false);
}

// Loads the bytes of a file as the program opens one: decoded, then parsed
// with the character data of "REGEDIT4" taken as legacy text.
inline bool Load(RegDocument& doc, std::string_view bytes, ReadError* error = nullptr) {
    RegText text;
    ReadError ignored;
    if (!DecodeRegBytes(bytes.data(), bytes.size(), text, error ? *error : ignored)) return false;
    doc.unicode = text.unicode;
    ParseScope scope(doc.abort);
    return static_cast<bool>(doc.ParseText(std::move(text.text), nullptr, text.length, true, false, true));
}

// The key at a path of backslash-separated names, or null.
inline KeyNode* Find(RegDocument& doc, const std::string& path) {
    const char* p = path.c_str();
    KeyNode* key = nullptr;
    for (KeyNode* root : doc.roots)
        if (!key && SameComponent(root->name, p)) key = root;
    while (key && (p = std::strchr(p, '\\'))) key = key->FindChild(++p);
    return key;
}

inline std::string Bytes(const MemorySink& out) { return std::string(out.Data() ? out.Data() : "", out.Size()); }

inline std::string Write(RegDocument& doc, bool unicode = false, RegDialect dialect = kRegedit4) {
    MemorySink out;
    WriteDocument(doc, out, unicode, dialect);
    return Bytes(out);
}

inline ValueList Collect(const KeyNode* key) {
    ValueList values;
    key->CollectValues(values);
    return values;
}

// Rewrites the key's values as one program block, as an edit does.
inline bool Rebuild(KeyNode* key) { return key->RebuildValueBlock(Collect(key)); }

// "name|kind|display;" for each value, "@" naming the default value.
inline std::string Values(const ValueList& values) {
    std::string s;
    for (auto& v : values)
        s += (v->IsDefault() ? "@" : v->GetName()) + "|" + v->GetTypeName() + "|" + v->GetDisplayText() + ";";
    return s;
}
inline std::string Values(const KeyNode* key) { return Values(Collect(key)); }

// Every key's path in document order, and with its values.
inline std::vector<std::string> Paths(const RegDocument& doc) {
    std::vector<std::string> paths;
    ForEachKey(doc.roots, [&](KeyNode* k) { paths.push_back(k->Path()); });
    return paths;
}
inline std::vector<std::string> Snapshot(const RegDocument& doc) {
    std::vector<std::string> lines;
    ForEachKey(doc.roots, [&](KeyNode* k) { lines.push_back(k->Path() + " => " + Values(k)); });
    return lines;
}

// A folder of its own for each test's files, removed after the test.
class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("quillon-core-" + std::to_string(std::rand()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string Path(const char* name) { return (dir / name).string(); }
    std::filesystem::path dir;
};

}  // namespace testutil

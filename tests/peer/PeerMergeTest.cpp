// The system registry editor judges a save: every corpus file Quillon opens,
// and short files of the layouts the editor reads its own way, are merged as
// they are and again after a plain open and save, each under a scratch key of
// its own, with the real "regedit /s"; both branches are exported with
// "regedit /e" and must hold the same keys and values.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "document/LineCheck.h"
#include "bench/RegGenerator.h"
#include "document/NameFold.h"
#include "document/Platform.h"
#include "document/RegCompare.h"
#include "document/RegDocument.h"
#include "document/RegFile.h"
#include "document/RegParser.h"
#include "document/RegWriter.h"
#include "document/ValueCodec.h"
#include "document/ValueEntry.h"
#include "tests/Corpus.h"
#include "tests/core/TestUtil.h"

using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

const char kScratchKey[] = "Software\\QuillonPeer";
const char kScratchPath[] = "HKEY_CURRENT_USER\\Software\\QuillonPeer";

// Windows' own conversion, which makes U+FFFD of bytes that are no character.
std::u16string Widen(const std::string& text, UINT codePage) {
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string wide(n, u'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), reinterpret_cast<wchar_t*>(&wide[0]), n);
    return wide;
}

std::string ScratchFile(const char* name) {
    std::string dir = std::string(QUILLON_BINARY_DIR) + "/scratch";
    if (dir[0] == '/') dir = "Z:" + dir;
    for (char& c : dir)
        if (c == '/') c = '\\';
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "\\" + name;
}

std::u16string AsWide(const std::string& b) { return {reinterpret_cast<const char16_t*>(b.data()), b.size() / 2}; }
std::string AsBytes(const std::u16string& w) { return {reinterpret_cast<const char*>(w.data()), w.size() * 2}; }
bool IsUtf16(const std::string& bytes) { return bytes.compare(0, 2, "\xFF\xFE") == 0; }

// Puts every key line of a text under prefix: "[" or "[-" at a line start
// (after blanks) is followed by the prefix.
template <class Char>
std::basic_string<Char> UnderKey(const std::basic_string<Char>& text, const std::string& prefix) {
    std::basic_string<Char> out;
    out.reserve(text.size() + text.size() / 8);
    bool lineStart = true;
    for (size_t i = 0; i < text.size(); ++i) {
        Char c = text[i];
        out += c;
        if (c == '\r' || c == '\n') {
            lineStart = true;
            continue;
        }
        if (lineStart && c == '[') {
            if (i + 1 < text.size() && text[i + 1] == '-') out += text[++i];
            for (char p : prefix) out += static_cast<Char>(p);
        }
        if (c != ' ' && c != '\t') lineStart = false;
    }
    return out;
}

// The form in which the registry editor is to merge a file. A UTF-8 file
// (which no registry editor merges) is judged as the UTF-16 text it means.
// Wine's editor widens the hex(2) and hex(7) bytes of every single-byte file
// whatever its header says, where the Windows editor follows the header: a
// single-byte "5.00" file is judged in UTF-16, where both agree.
std::string JudgedForm(const std::string& bytes) {
    if (IsUtf16(bytes)) return bytes;
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return "\xFF\xFE" + AsBytes(Widen(bytes.substr(3), CP_UTF8));
    if (TestHeader(bytes.c_str()) == kRegedit5) return "\xFF\xFE" + AsBytes(Widen(bytes, CP_ACP));
    return bytes;
}

std::string MergedUnder(const std::string& bytes, const std::string& prefix) {
    if (IsUtf16(bytes)) return AsBytes(UnderKey(AsWide(bytes), prefix));
    return UnderKey(bytes, prefix);
}

bool RunRegedit(const std::string& arguments) {
    std::string command = "regedit.exe " + arguments;
    // Its complaints about the files go nowhere: the export is the verdict.
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process = {};
    // Wine now and then fails to start a process under load: once more, then say why.
    bool started = false;
    for (int attempt = 0; attempt < 2 && !started; ++attempt) {
        if (attempt) Sleep(500);
        started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                 &process) != 0;
    }
    DWORD startError = started ? 0 : GetLastError();
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!started) {
        ADD_FAILURE() << "regedit.exe did not start: error " << startError;
        return false;
    }
    bool done = WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0;
    if (!done) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return done;
}

// key path below the branch -> its value lines (continuations joined), sorted.
using Branch = std::map<std::string, std::set<std::string>>;

// Splits an export of the scratch key into the branches below its subkeys.
std::map<std::string, Branch> ReadExport(const std::string& path) {
    std::string bytes = ReadBytes(path);
    std::string text = WideToProgramString(AsWide(IsUtf16(bytes) ? bytes.substr(2) : bytes));
    std::map<std::string, Branch> branches;
    std::set<std::string>* values = nullptr;
    std::string line, pending;
    std::istringstream in(text);
    const std::string root = std::string("[") + kScratchPath + "\\";
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!pending.empty()) {
            size_t start = line.find_first_not_of(' ');
            line = pending + (start == std::string::npos ? "" : line.substr(start));
            pending.clear();
        }
        if (!line.empty() && line.back() == '\\' && line[0] != '[') {
            pending = line.substr(0, line.size() - 1);
            continue;
        }
        if (line.compare(0, root.size(), root) == 0) {
            std::string rest = line.substr(root.size(), line.size() - root.size() - 1);
            size_t slash = rest.find('\\');
            std::string side = rest.substr(0, slash);
            std::string key = slash == std::string::npos ? "" : rest.substr(slash + 1);
            values = &branches[side][key];
        } else if (!line.empty() && line[0] == '[') {
            values = nullptr;
        } else if (values && !line.empty()) {
            values->insert(line);
        }
    }
    return branches;
}

// The first key whose values differ between the two branches, or empty.
std::string Difference(const Branch& original, const Branch& saved) {
    auto [o, s] = std::mismatch(original.begin(), original.end(), saved.begin(), saved.end());
    if (o == original.end() && s == saved.end()) return "";
    return o == original.end() ? "key added by the save: " + s->first : "key changed or missing after the save: " + o->first;
}

bool OpenAndSave(const std::string& file, const std::string& target, bool unicode = true,
                 RegDialect dialect = kRegedit5) {
    RegText text;
    ReadError error;
    if (!ReadRegFile(file.c_str(), text, error)) return false;
    RegDocument document;
    document.abort.store(0);
    if (!document.ParseText(std::move(text.text), nullptr, text.length, true, false, true)) return false;
    document.abort.store(1);
    return SaveTo(document, target.c_str(), unicode, dialect);
}

// Merges the original bytes under O and the saved ones under S, and reads
// both branches back.
std::map<std::string, Branch> MergeBoth(const std::string& originalBytes, const std::string& savedBytes) {
    std::string original = ScratchFile("peer-original.reg");
    std::string saved = ScratchFile("peer-saved.reg");
    std::string exported = ScratchFile("peer-export.reg");
    WriteBytes(original, MergedUnder(JudgedForm(originalBytes), std::string(kScratchPath) + "\\O\\"));
    WriteBytes(saved, MergedUnder(savedBytes, std::string(kScratchPath) + "\\S\\"));
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
    DeleteFileA(exported.c_str());
    bool run = RunRegedit("/s \"" + original + "\"") && RunRegedit("/s \"" + saved + "\"") &&
               RunRegedit("/e \"" + exported + "\" \"" + kScratchPath + "\"");
    EXPECT_TRUE(run);
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
    return run ? ReadExport(exported) : std::map<std::string, Branch>();
}

std::string Utf16File(const std::string& text) { return "\xFF\xFE" + AsBytes(Widen(text, CP_UTF8)); }

// Files the registry editor reads line by line in its own way (each found
// by merging it): strings that end at their line, blanks before key and
// value lines, comments at the top, hex data laid out unusually. Saved in
// both dialects, each must merge to what the original merges to.
TEST(PeerMerge, OddLayoutsMergeAsTheOriginalAfterASaveInEitherDialect) {
    const std::string v4 = "REGEDIT4\r\n\r\n";
    struct Case { int line; const char* label; std::string bytes; } cases[] = {
        {__LINE__, "unterminated string alone", v4 + "[A]\r\n\"a\"=\"open\r\n"},
        {__LINE__, "unterminated string before a value", v4 + "[A]\r\n\"a\"=\"open\r\n\"b\"=\"ok\"\r\n"},
        {__LINE__, "unterminated string at the end", v4 + "[A]\r\n\"b\"=\"ok\"\r\n\"a\"=\"open"},
        {__LINE__, "unterminated string before a key", v4 + "[A]\r\n\"a\"=\"open\r\n[B]\r\n\"c\"=\"1\"\r\n"},
        {__LINE__, "backslash at the end of an unterminated string",
         v4 + "[A]\r\n\"v\"=\"1\"\r\n\"a\"=\"x\\\r\n\"b\"=\"ok\"\r\n\r\n[B]\r\n\"c\"=\"1\"\r\n"},
        {__LINE__, "escaped quote at the end of a line", v4 + "[A]\r\n\"a\"=\"x\\\"\r\nmore\"\r\n\"b\"=\"ok\"\r\n"},
        {__LINE__, "UTF-16 file cut off inside a value",
         Utf16File("Windows Registry Editor Version 5.00\r\n\r\n[A]\r\n\"b\"=\"ok\"\r\n\"a\"=\"cut off he")},
        {__LINE__, "UTF-16 file cut off inside a unit",
         Utf16File("Windows Registry Editor Version 5.00\r\n\r\n[A]\r\n\"b\"=\"ok\"\r\n\"a\"=\"cut") + "h"},
        {__LINE__, "key lines and values indented with tabs",
         v4 + "\t[A]\r\n\t\"v\"=\"1\"\r\n\r\n \t[B]\t\r\n \t\"c\"=hex(2):41,00,00,00\r\n"},
        {__LINE__, "bracket lines that are no key lines",
         v4 + "[A]\r\n\"v\"=\"1\"\r\n  [\r\n\"w\"=\"2\"\r\n  ]\r\n[B] x]y\r\n\"c\"=\"1\"\r\n[C\r\nD]\r\n\"d\"=\"1\"\r\n"},
        {__LINE__, "comments at the top", v4 + "; what this file does\r\n#\tand how to undo it\r\n\r\n[A]\r\n\"v\"=\"1\"\r\n"},
        {__LINE__, "blanks before a continuation",
         v4 + "[A]\r\n\"v\"=hex(2):41,42,\t\\\r\n  43,00\r\n\"w\"=hex(2):41,42 \\\r\n 00,00\r\n"},
        {__LINE__, "comments after a continuation",
         v4 + "[A]\r\n\"v\"=hex(2):41,\\ ; c\r\n  42,00\r\n\"w\"=hex(2):41,\\ # c\r\n 42,00\r\n\"x\"=\"after\"\r\n"},
        {__LINE__, "comment, blank and empty lines inside a continuation",
         v4 + "[A]\r\n\"v\"=hex(7):41,00,\\\r\n; c\r\n\r\n \t \r\n  42,00,00,00\r\n\"w\"=hex(2):41,\\\r\n  # c\r\n 00\r\n"},
        {__LINE__, "backslash right after a byte",
         v4 + "[A]\r\n\"v\"=hex(2):41\\\r\n  ,42,00\r\n\"w\"=hex(2):4\\\r\n1,00\r\n\"x\"=hex(2):41,4\\\r\n2,00\r\n"},
        {__LINE__, "continuation into a key line",
         v4 + "[A]\r\n\"v\"=hex(2):41,\\\r\n\r\n[B]\r\n\"c\"=\"1\"\r\n\r\n[C]\r\n\"d\"=hex(2):41,\\\r\n zz,\\\r\n[D]\r\n"},
        {__LINE__, "continuation at the end of the file", v4 + "[A]\r\n\"w\"=\"ok\"\r\n\"v\"=hex(2):41,00,\\"},
        {__LINE__, "continuation and a comment at the end", v4 + "[A]\r\n\"v\"=hex(2):41,00,\\ ; c\r\n\r\n"},
        {__LINE__, "stray hex line after the last one",
         v4 + "[A]\r\n\"v\"=hex(2):41,42\r\n 43,00\r\n\"w\"=\"ok\"\r\n"},
        {__LINE__, "bytes of one or three digits", v4 + "[A]\r\n\"v\"=hex(2):4,041,00\r\n\"w\"=hex(2):41 ,00\r\n"},
    };
    std::string file = ScratchFile("peer-layout.reg");
    std::string saved = ScratchFile("peer-layout-saved.reg");
    for (const Case& c : cases) {
        for (RegDialect dialect : {kRegedit4, kRegedit5}) {
            SCOPED_TRACE(testing::Message() << "line " << c.line << ": " << c.label << ", saved as "
                                            << (dialect == kRegedit4 ? "REGEDIT4" : "5.00 in UTF-16"));
            WriteBytes(file, c.bytes);
            ASSERT_TRUE(OpenAndSave(file, saved, dialect == kRegedit5, dialect));
            std::map<std::string, Branch> branches = MergeBoth(c.bytes, ReadBytes(saved));
            EXPECT_FALSE(branches["O"].empty());  // every file makes a key
            EXPECT_EQ(Difference(branches["O"], branches["S"]), "");
        }
    }
}

// Every kind of value the registry holds, set through the registry API and
// exported by the registry editor: Quillon names each type as the system
// does and shows its data, and a save in either dialect merges back to the
// same type and bytes.
TEST(PeerMerge, EveryValueKindIsNamedShownAndSavedToTheSameBytes) {
    auto le = [](uint64_t n, size_t size) {
        std::string b;
        for (size_t i = 0; i < size; ++i) b += static_cast<char>(i < 8 ? (n >> (8 * i)) & 0xFF : 0);
        return b;
    };
    auto wide = [](const char* text, size_t units) { return std::string(text, units * 2); };
    struct Case { int line; const char* name; DWORD type; std::string bytes; const char* typeName; const char* shown; } cases[] = {
        {__LINE__, "none", REG_NONE, "", "REG_NONE", ""},
        {__LINE__, "sz", REG_SZ, wide("a\0b\0\0\0", 3), "REG_SZ", "ab"},
        {__LINE__, "expand", REG_EXPAND_SZ, wide("%\0A\0%\0\0\0", 4), "REG_EXPAND_SZ", "%A%"},
        {__LINE__, "binary", REG_BINARY, "\x01\xff", "REG_BINARY", "01 ff"},
        {__LINE__, "dword 0", REG_DWORD, le(0, 4), "REG_DWORD", "0x00000000 (0)"},
        {__LINE__, "dword max", REG_DWORD, le(0xFFFFFFFFu, 4), "REG_DWORD", "0xffffffff (4294967295)"},
        {__LINE__, "big endian", REG_DWORD_BIG_ENDIAN, std::string("\0\0\1\0", 4), "REG_DWORD_BIG_ENDIAN",
         "0x00000100 (256)"},
        {__LINE__, "link", REG_LINK, wide("x\0", 1), "REG_LINK", "78 00"},
        {__LINE__, "multi", REG_MULTI_SZ, wide("a\0\0\0b\0\0\0\0\0", 5), "REG_MULTI_SZ", "a b"},
        {__LINE__, "resource list", REG_RESOURCE_LIST, "\x01", "REG_RESOURCE_LIST", "01"},
        {__LINE__, "descriptor", REG_FULL_RESOURCE_DESCRIPTOR, "\x02", "REG_FULL_RESOURCE_DESCRIPTOR", "02"},
        {__LINE__, "requirements", REG_RESOURCE_REQUIREMENTS_LIST, "\x03", "REG_RESOURCE_REQUIREMENTS_LIST", "03"},
        {__LINE__, "qword 0", REG_QWORD, le(0, 8), "REG_QWORD", "0x0 (0)"},
        {__LINE__, "qword 2^32", REG_QWORD, le(uint64_t(1) << 32, 8), "REG_QWORD", "0x100000000 (4294967296)"},
        {__LINE__, "qword max", REG_QWORD, le(~uint64_t(0), 8), "REG_QWORD", "0xffffffffffffffff (18446744073709551615)"},
        {__LINE__, "qword of 7 bytes", REG_QWORD, le(1, 7), "REG_QWORD", "01 00 00 00 00 00 00"},
        {__LINE__, "qword of 9 bytes", REG_QWORD, le(1, 9), "REG_QWORD", "01 00 00 00 00 00 00 00 00"},
        {__LINE__, "unnamed type", 0x1F, "\x05", "REG_0x1f", "05"},
    };
    const std::string kinds = std::string(kScratchKey) + "\\Kinds";
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kinds.c_str(), &key), ERROR_SUCCESS);
    // The wide form stores strings as given; the narrow one would convert them.
    for (const Case& c : cases) {
        std::wstring name(c.name, c.name + std::strlen(c.name));
        RegSetValueExW(key, name.c_str(), 0, c.type, reinterpret_cast<const BYTE*>(c.bytes.data()),
                       static_cast<DWORD>(c.bytes.size()));
    }
    RegCloseKey(key);
    std::string exported = ScratchFile("peer-kinds.reg"), saved = ScratchFile("peer-kinds-saved.reg");
    ASSERT_TRUE(RunRegedit("/e \"" + exported + "\" \"HKEY_CURRENT_USER\\" + kinds + "\""));

    RegText text;
    ReadError error;
    ASSERT_TRUE(ReadRegFile(exported.c_str(), text, error));
    RegDocument document;
    {
        ParseScope scope(document.abort);
        ASSERT_TRUE(document.ParseText(std::move(text.text), nullptr, text.length, true, false, true));
    }
    KeyNode* k = testutil::Find(document, "HKEY_CURRENT_USER\\" + kinds);
    ASSERT_NE(k, nullptr);
    ValueList values;
    k->CollectValues(values);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line << ": " << c.name);
        const ValueEntry* value = nullptr;
        for (auto& v : values) value = v->GetName() == c.name ? v.get() : value;
        ASSERT_NE(value, nullptr);
        EXPECT_STREQ(value->GetTypeName(), c.typeName);
        EXPECT_EQ(value->GetDisplayText(), c.shown);
    }
    for (RegDialect dialect : {kRegedit4, kRegedit5}) {
        SCOPED_TRACE(dialect == kRegedit4 ? "saved as REGEDIT4" : "saved as 5.00");
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
        ASSERT_TRUE(SaveTo(document, saved.c_str(), dialect == kRegedit5, dialect));
        ASSERT_TRUE(RunRegedit("/s \"" + saved + "\""));
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "line " << c.line << ": " << c.name);
            // The wide form hands out strings as stored, not converted (and,
            // under Wine, every type: RegGetValue refuses big-endian DWORDs).
            std::wstring name(c.name, c.name + std::strlen(c.name));
            DWORD type = 0, size = 64;
            BYTE data[64];
            HKEY live = nullptr;
            ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kinds.c_str(), 0, KEY_READ, &live), ERROR_SUCCESS);
            LONG read = RegQueryValueExW(live, name.c_str(), nullptr, &type, data, &size);
            RegCloseKey(live);
            ASSERT_EQ(read, ERROR_SUCCESS);
            EXPECT_EQ(type, c.type);
            EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), c.bytes);
        }
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
}

// Data Quillon writes is laid out as the registry editor lays out its
// export, whatever the name's length, so that a diff of a saved file shows
// only what changed: new data from bytes, and character data converted
// between the dialects by a save in the other one and back.
TEST(PeerMerge, NewDataIsLaidOutAsTheRegistryEditorWritesIt) {
    const std::string kinds = std::string(kScratchKey) + "\\Layout";
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kinds.c_str(), &key), ERROR_SUCCESS);
    std::string path = "%SystemRoot%\\system32\\a\\rather\\long\\path\\to\\a\\library\\file.dll";
    std::string bytes;
    for (int i = 0; i < 60; ++i) bytes += static_cast<char>(i * 7);
    for (std::string name : {std::string(), std::string("a"), std::string(10, 'b'), std::string(40, 'c'),
                             std::string(70, 'd'), std::string(90, 'e')}) {
        std::string expand = name + path, multi = path + std::string(1, '\0') + name + std::string(2, '\0');
        RegSetValueExA(key, name.c_str(), 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand.c_str()),
                       static_cast<DWORD>(expand.size() + 1));
        for (auto [suffix, type, data] : {std::tuple{"bin", REG_BINARY, bytes}, std::tuple{"multi", REG_MULTI_SZ, multi},
                                          std::tuple{"qword", REG_QWORD, bytes.substr(0, 8)}}) {
            std::string named = name + suffix;
            RegSetValueExA(key, named.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                           static_cast<DWORD>(data.size()));
        }
    }
    RegCloseKey(key);
    std::string exported = ScratchFile("peer-layout-export.reg"), narrow = ScratchFile("peer-layout-4.reg"),
                wide = ScratchFile("peer-layout-5.reg");
    ASSERT_TRUE(RunRegedit("/e \"" + exported + "\" \"HKEY_CURRENT_USER\\" + kinds + "\""));
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);

    ASSERT_TRUE(OpenAndSave(exported, narrow, false, kRegedit4));
    ASSERT_TRUE(OpenAndSave(narrow, wide, true, kRegedit5));
    EXPECT_EQ(ReadBytes(wide), ReadBytes(exported));

    RegText text;
    ReadError error;
    ASSERT_TRUE(ReadRegFile(exported.c_str(), text, error));
    RegDocument document;
    {
        ParseScope scope(document.abort);
        ASSERT_TRUE(document.ParseText(std::move(text.text), nullptr, text.length, true, false, true));
    }
    KeyNode* k = testutil::Find(document, "HKEY_CURRENT_USER\\" + kinds);
    ASSERT_NE(k, nullptr);
    ValueList values;
    k->CollectValues(values);
    EXPECT_EQ(values.size(), 24u);
    for (auto& value : values) {
        SCOPED_TRACE(value->GetName());
        auto* binary = dynamic_cast<BinaryValue*>(value.get());
        ASSERT_NE(binary, nullptr);
        std::string exportedData = binary->GetHexData();
        std::string data = DecodeHexBytes(exportedData);
        binary->SetBytes(data.data(), data.size());
        EXPECT_EQ(binary->GetHexData(), exportedData);
    }
}

// The check's verdicts of one file, by code and severity.
std::vector<LineVerdict> CheckOf(const std::string& bytes) {
    std::vector<LineVerdict> verdicts;
    LineCheck check([&](LineVerdict&& v) { verdicts.push_back(std::move(v)); });
    ParseScope scope(check.StopFlag());
    ReadError error;
    EXPECT_TRUE(check.CheckBytes(bytes.data(), bytes.size(), error));
    return verdicts;
}

// What the check calls skipped, the registry editor skips: each line is
// merged in a file of its own, and the value it names (or the key) is not
// in the registry after, where the lines around it are.
TEST(PeerMerge, WhatTheCheckCallsSkippedTheRegistryEditorSkips) {
    const std::string v4 = "REGEDIT4\r\n\r\n", key = "[" + std::string(kScratchPath) + "\\C]\r\n";
    const std::string before = "[" + std::string(kScratchPath) + "\\Before]\r\n\"ok\"=\"1\"\r\n\r\n";
    auto values = [&](const std::string& line) { return v4 + before + key + "\"ok\"=\"1\"\r\n" + line + "\r\n\"z\"=\"1\"\r\n"; };
    auto keyLine = [&](const std::string& root) {
        return v4 + before + "[" + root + "\\Software\\QuillonPeer\\C]\r\n\"a\"=\"1\"\r\n";
    };
    // name: the value that must be missing (or have size bytes); null: key C must be missing.
    struct Case { int line; std::string bytes; CheckCode code; const char* name; DWORD size; } cases[] = {
        {__LINE__, values("\"a\"=\"open"), CheckCode::UnterminatedString, "a", 0},
        {__LINE__, values("\"a\"=\"open\\"), CheckCode::StringEndsInBackslash, "a", 0},
        {__LINE__, values("\"a\"=\"one\r\ntwo\""), CheckCode::StringRunsOn, "a", 0},
        {__LINE__, values("\"a\"=\"x\" y"), CheckCode::TextAfterString, "a", 0},
        {__LINE__, values("\"a\"=\"x\"y\""), CheckCode::UnescapedQuote, "a", 0},
        {__LINE__, values("\"a\"=hex:01,zz"), CheckCode::BadHex, "a", 0},
        {__LINE__, values("\"a\"=dword:"), CheckCode::DwordEmpty, "a", 0},
        {__LINE__, values("\"a\"=dword:123456789"), CheckCode::DwordTooLong, "a", 0},
        {__LINE__, values("\"a\"=dword:12g"), CheckCode::DwordNotHex, "a", 0},
        {__LINE__, values("\"a\"=DWORD:1"), CheckCode::TypeInCapitals, "a", 0},
        {__LINE__, values("\"a\"=HEX:01"), CheckCode::TypeInCapitals, "a", 0},
        {__LINE__, values("\"a\"=hex:01,02,\r\n  03,04"), CheckCode::StrayHexLine, "a", 2},
        {__LINE__, values("\"a\";x=\"1\""), CheckCode::TextBeforeEquals, "a", 0},
        {__LINE__, values("\"a\"==\"1\""), CheckCode::TwoEquals, "a", 0},
        {__LINE__, values("\"a\"=str:\"1\""), CheckCode::UnknownData, "a", 0},
        {__LINE__, values("\"a\"=- x"), CheckCode::UnknownData, "a", 0},
        {__LINE__, values("\"c=1"), CheckCode::NameNotClosed, "c=1", 0},
        {__LINE__, values("\"b\""), CheckCode::NoEquals, "b", 0},
        {__LINE__, v4 + "\"a\"=\"1\"\r\n" + before + key + "\"ok\"=\"1\"\r\n", CheckCode::ValueBeforeKey, "a", 0},
        {__LINE__, keyLine("HKCU"), CheckCode::AbbreviatedRoot, nullptr, 0},
        {__LINE__, keyLine("HKEY_CURRENT_USER "), CheckCode::UnknownRoot, nullptr, 0},
        {__LINE__, v4 + before + "[-HKEY_CURRENT_CONFIG]\r\n\r\n" + key, CheckCode::RootDeletion, nullptr, 0},
        {__LINE__, "regedit4\r\n\r\n" + key, CheckCode::BadHeader, nullptr, 0},
        {__LINE__, "REGEDIT4 \r\n\r\n" + key, CheckCode::BadHeader, nullptr, 0},
        {__LINE__, "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n" + key, CheckCode::Utf8Mark, nullptr, 0},
    };
    const std::string file = ScratchFile("peer-skipped.reg");
    const std::string c = std::string(kScratchKey) + "\\C";
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "line " << k.line);
        bool given = false;
        for (const LineVerdict& v : CheckOf(k.bytes)) given = given || (v.code == k.code && v.severity == Severity::Skipped);
        EXPECT_TRUE(given);
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
        WriteBytes(file, k.bytes);
        ASSERT_TRUE(RunRegedit("/s \"" + file + "\""));
        HKEY live = nullptr;
        bool keyMade = RegOpenKeyExA(HKEY_CURRENT_USER, c.c_str(), 0, KEY_READ, &live) == ERROR_SUCCESS;
        if (!k.name) {
            EXPECT_FALSE(keyMade);
        } else if (keyMade) {
            DWORD size = 0;
            LONG found = RegQueryValueExA(live, k.name, nullptr, nullptr, nullptr, &size);
            if (k.size == 0) {
                EXPECT_NE(found, ERROR_SUCCESS);
            } else {
                EXPECT_EQ(size, k.size);
            }
            EXPECT_EQ(RegQueryValueExA(live, "ok", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        } else {
            ADD_FAILURE() << "the registry editor merged nothing";
        }
        if (live) RegCloseKey(live);
        // The merge ran: the key before the line is there.
        std::string first = std::string(kScratchKey) + "\\Before";
        if (k.code != CheckCode::BadHeader && k.code != CheckCode::Utf8Mark) {
            EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, first.c_str(), 0, KEY_READ, &live), ERROR_SUCCESS);
            RegCloseKey(live);
        }
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
}

// Nothing the registry editor writes, nor a save of it in either dialect,
// is called skipped or read differently.
TEST(PeerMerge, NoVerdictOnTheRegistryEditorsExportOrItsSave) {
    std::string exported = ScratchFile("peer-check-export.reg"), saved = ScratchFile("peer-check-saved.reg");
    for (const char* branch : {"HKEY_LOCAL_MACHINE\\Software", "HKEY_CURRENT_USER"}) {
        SCOPED_TRACE(branch);
        DeleteFileA(exported.c_str());
        ASSERT_TRUE(RunRegedit("/e \"" + exported + "\" \"" + branch + "\""));
        std::vector<std::string> files = {ReadBytes(exported)};
        // In UTF-16 both: a single-byte save may lose characters the code
        // page lacks, which a save warns of and the check is not about.
        for (RegDialect dialect : {kRegedit4, kRegedit5}) {
            ASSERT_TRUE(OpenAndSave(exported, saved, true, dialect));
            files.push_back(ReadBytes(saved));
        }
        for (const std::string& bytes : files) {
            ASSERT_GT(bytes.size(), 1000u);
            std::string found;
            for (const LineVerdict& v : CheckOf(bytes))
                if (v.severity != Severity::Note && found.size() < 2000)
                    found += std::to_string(v.line) + ": " + VerdictReason(v, CheckReasonText(v.code)) + " [" + v.key + "]\n";
            EXPECT_EQ(found, "");
        }
    }
}

TEST(PeerMerge, TheRegistryEditorMergesEverySavedFileAsTheOriginal) {
    QUILLON_REQUIRE_CORPUS();
    std::string saved = ScratchFile("peer-saved-corpus.reg");
    int accepted = 0, identical = 0, refused = 0;
    std::vector<std::string> unmerged;  // the editor merges nothing of the original
    for (const std::string& file : corpus::Files()) {
        SCOPED_TRACE(file);
        if (!OpenAndSave(file, saved)) {
            ++refused;
            std::printf("refused: %s\n", file.c_str());
            continue;
        }
        ++accepted;
        std::map<std::string, Branch> branches = MergeBoth(ReadBytes(file), ReadBytes(saved));
        if (!branches.count("O") && branches.count("S")) {
            // The editor refuses the original (a header it does not take,
            // such as one with trailing spaces) where Quillon repairs it.
            unmerged.push_back(file);
            continue;
        }
        std::string difference = Difference(branches["O"], branches["S"]);
        if (difference.empty()) ++identical;
        EXPECT_EQ(difference, "");
    }
    std::printf("accepted %d, merged the same %d, refused %d\n", accepted, identical, refused);
    std::printf("listed apart, the registry editor merges nothing of the original: %zu\n", unmerged.size());
    for (const std::string& u : unmerged) std::printf("  %s\n", u.c_str());
    EXPECT_GT(accepted, 0);
}

// A branch as the registry compares it: key paths and value names folded
// (a merge keeps the spelling of a name the registry already holds). Below
// the scratch key a root key is a key like any other, which no difference
// removes: one left empty counts as the root key that is always there.
Branch Folded(const Branch& branch) {
    Branch folded;
    for (const auto& [path, values] : branch) {
        if (values.empty() && path.find('\\') == std::string::npos) continue;
        std::set<std::string>& out = folded[FoldName(path)];
        for (const std::string& line : values) {
            const char* close = line[0] == '"' ? FindClosingQuote(line.c_str()) : nullptr;
            size_t nameEnd = close ? static_cast<size_t>(close - line.c_str()) : 0;
            out.insert(FoldName(line.substr(0, nameEnd)) + line.substr(nameEnd));
        }
    }
    return folded;
}

bool Open(RegDocument& document, const std::string& file) {
    LoadJob job;
    job.path = file;
    ParseScope scope(document.abort);
    if (!document.Load(job)) return false;
    document.dialect = job.dialect;
    document.unicode = job.unicode;
    return true;
}

// The first file under D, then the difference under D, and the second file
// alone under B: the registry editor must leave the same branch twice.
std::string MergedDifference(const std::string& first, const std::string& second) {
    RegDocument a, b, result;
    if (!Open(a, first) || !Open(b, second)) return "unreadable";
    CompareCounts counts;
    if (CompareDocuments(a, b, result, counts, first, second) != CompareEnd::Complete) return "not compared";
    std::string difference = ScratchFile("peer-difference.reg");
    std::string exported = ScratchFile("peer-export.reg");
    if (!SaveTo(result, difference.c_str(), result.unicode, result.dialect)) return "not written";
    std::string staged[3] = {ScratchFile("peer-first.reg"), ScratchFile("peer-then.reg"), ScratchFile("peer-second.reg")};
    WriteBytes(staged[0], MergedUnder(JudgedForm(ReadBytes(first)), std::string(kScratchPath) + "\\D\\"));
    WriteBytes(staged[1], MergedUnder(JudgedForm(ReadBytes(difference)), std::string(kScratchPath) + "\\D\\"));
    WriteBytes(staged[2], MergedUnder(JudgedForm(ReadBytes(second)), std::string(kScratchPath) + "\\B\\"));
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
    DeleteFileA(exported.c_str());
    bool run = RunRegedit("/s \"" + staged[0] + "\"") && RunRegedit("/s \"" + staged[1] + "\"") &&
               RunRegedit("/s \"" + staged[2] + "\"") && RunRegedit("/e \"" + exported + "\" \"" + kScratchPath + "\"");
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
    if (!run) return "the registry editor did not run";
    std::map<std::string, Branch> branches = ReadExport(exported);
    return Difference(Folded(branches["B"]), Folded(branches["D"]));
}

// A generated export and the same export after an installation: keys gone,
// keys renamed in another letter case, values changed, saved as "REGEDIT4".
void GeneratePair(const std::string& first, const std::string& second) {
    GeneratorOptions options;
    options.seed = 11;
    options.targetKeys = 400;
    options.nonAscii = false;
    FileSink out;
    ASSERT_TRUE(out.Open(first.c_str()));
    ASSERT_TRUE(GenerateRegFile(out, options));
    ASSERT_TRUE(out.Close());
    RegDocument document;
    ASSERT_TRUE(Open(document, first));
    std::vector<KeyNode*> keys;
    ForEachKey(document.roots, [&](KeyNode* key) { keys.push_back(key); });
    for (size_t i = 1; i < keys.size(); i += 37) document.DeleteKey(keys[i]);
    keys.clear();
    ForEachKey(document.roots, [&](KeyNode* key) { keys.push_back(key); });
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i % 9 == 4) {
            std::string upper = keys[i]->name;
            UpperCaseInPlace(upper);
            keys[i]->SetName(upper.c_str());
        }
        ValueList values;
        keys[i]->CollectValues(values);
        if (i % 5 == 2 && !values.empty()) {
            values.erase(values.begin());
            values.push_back(std::make_unique<StringValue>("Installed", "yes"));
            ASSERT_TRUE(keys[i]->RebuildValueBlock(values));
        }
    }
    ASSERT_TRUE(SaveTo(document, second.c_str(), false, kRegedit4));
}

// Merging the first file and then the difference leaves what the second file
// alone leaves: pairs of corpus files, both ways, and a generated export
// before and after a change.
// Key names that differ only in the case of letters beyond ASCII name one
// key in the registry, and one key in the document.
TEST(PeerMerge, KeyNamesInOtherCaseBeyondAsciiAreOneKey) {
    const std::string text = std::string("Windows Registry Editor Version 5.00\r\n\r\n[") + kScratchPath +
                             "\\Fold\\\xc3\x84\xd0\x96]\r\n\"a\"=\"1\"\r\n\r\n[" + kScratchPath +
                             "\\Fold\\\xc3\xa4\xd0\xb6]\r\n\"b\"=\"2\"\r\n\r\n";  // ÄЖ, äж
    std::string file = ScratchFile("peer-fold.reg");
    WriteBytes(file, Utf16File(text));
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
    ASSERT_TRUE(RunRegedit("/s \"" + file + "\""));
    HKEY fold = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kScratchKey) + "\\Fold").c_str(), 0, KEY_READ, &fold),
              ERROR_SUCCESS);
    DWORD subkeys = 0, values = 0;
    HKEY sub = nullptr;
    EXPECT_EQ(RegQueryInfoKeyA(fold, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 1u);
    if (RegOpenKeyExW(fold, L"\u00e4\u0436", 0, KEY_READ, &sub) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(sub, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                         nullptr);
        RegCloseKey(sub);
    }
    EXPECT_EQ(values, 2u);
    RegCloseKey(fold);
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);

    RegDocument document;
    ASSERT_TRUE(testutil::Load(document, Utf16File(text)));
    KeyNode* key = testutil::Find(document, std::string(kScratchPath) + "\\Fold");
    ASSERT_NE(key, nullptr);
    ASSERT_NE(key->firstChild, nullptr);
    EXPECT_EQ(key->firstChild->nextSibling, nullptr);
}

TEST(PeerMerge, TheDifferenceMergedAfterTheFirstFileLeavesTheSecond) {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::string before = ScratchFile("peer-generated-before.reg"), after = ScratchFile("peer-generated-after.reg");
    GeneratePair(before, after);
    pairs.emplace_back(before, after);
    pairs.emplace_back(after, before);
    // The comparison reads a file as Quillon reads it: files with a line the
    // registry editor skips or reads otherwise (say a string with an
    // unescaped '"', which Quillon ends at that quote) are left out.
    std::vector<std::string> files;
    if (corpus::Present()) {
        for (const std::string& file : corpus::Files()) {
            RegDocument opened;
            if (!Open(opened, file)) continue;
            bool alike = true;
            for (const LineVerdict& v : CheckOf(ReadBytes(file))) alike = alike && v.severity == Severity::Note;
            if (alike) files.push_back(file);
        }
    } else {
        std::printf("corpus not found: generated pairs only\n");
    }
    for (size_t i = 0; i + 1 < files.size() && pairs.size() < 16; i += 3) {
        pairs.emplace_back(files[i], files[i + 1]);
        pairs.emplace_back(files[i + 1], files[i]);
    }
    std::printf("pairs compared: %zu\n", pairs.size());
    for (const auto& [first, second] : pairs) {
        SCOPED_TRACE(first + " -> " + second);
        EXPECT_EQ(MergedDifference(first, second), "");
    }
}

}  // namespace

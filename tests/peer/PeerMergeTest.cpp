// The system registry editor judges a save: every corpus file Quillon opens
// is merged as it is and again after a plain open and save (dialect 5,
// UTF-16), each under a scratch key of its own, with the real "regedit /s";
// both branches are exported with "regedit /e" and must hold the same keys
// and values.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "document/Platform.h"
#include "document/RegDocument.h"
#include "document/RegFile.h"
#include "document/RegParser.h"
#include "document/RegWriter.h"
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
// (after spaces) is followed by the prefix.
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
        if (c != ' ') lineStart = false;
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
    bool started =
        CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process) != 0;
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!started) return false;
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

bool OpenAndSave(const std::string& file, const std::string& target) {
    RegText text;
    ReadError error;
    if (!ReadRegFile(file.c_str(), text, error)) return false;
    RegDocument document;
    document.abort.store(0);
    if (!document.ParseText(std::move(text.text), nullptr, text.length, true, false, true)) return false;
    document.abort.store(1);
    return SaveTo(document, target.c_str(), true, kRegedit5);
}

TEST(PeerMerge, TheRegistryEditorMergesEverySavedFileAsTheOriginal) {
    QUILLON_REQUIRE_CORPUS();
    std::string original = ScratchFile("peer-original.reg");
    std::string saved = ScratchFile("peer-saved.reg");
    std::string exported = ScratchFile("peer-export.reg");
    const std::string originalPrefix = std::string(kScratchPath) + "\\O\\";
    const std::string savedPrefix = std::string(kScratchPath) + "\\S\\";
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
        WriteBytes(original, MergedUnder(JudgedForm(ReadBytes(file)), originalPrefix));
        WriteBytes(saved, MergedUnder(ReadBytes(saved), savedPrefix));
        RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
        ASSERT_TRUE(RunRegedit("/s \"" + original + "\""));
        ASSERT_TRUE(RunRegedit("/s \"" + saved + "\""));
        DeleteFileA(exported.c_str());
        ASSERT_TRUE(RunRegedit("/e \"" + exported + "\" \"" + kScratchPath + "\""));
        std::map<std::string, Branch> branches = ReadExport(exported);
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
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
    std::printf("accepted %d, merged the same %d, refused %d\n", accepted, identical, refused);
    std::printf("listed apart, the registry editor merges nothing of the original: %zu\n", unmerged.size());
    for (const std::string& u : unmerged) std::printf("  %s\n", u.c_str());
    EXPECT_GT(accepted, 0);
}

}  // namespace

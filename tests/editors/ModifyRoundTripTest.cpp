// Every value kind opened the way Modify opens it, from a file of each
// dialect: edited on the real dialog, stored into the key, saved, read back.
#include "DialogScript.h"
#include "TestValues.h"
#include "document/RegDocument.h"
#include "document/RegFile.h"
#include "document/RegWriter.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>

using namespace test;

namespace {

std::string TempPath(const char* name) {
    char folder[MAX_PATH] = "";
    GetTempPathA(sizeof folder, folder);
    return std::string(folder) + name;
}

void WriteFile(const std::string& path, const std::string& text, bool utf16) {
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(out) << path;
    if (utf16) {
        std::fputc(0xFF, out);
        std::fputc(0xFE, out);
        for (char c : text) {
            std::fputc(static_cast<unsigned char>(c), out);
            std::fputc(0, out);
        }
    } else {
        std::fwrite(text.data(), 1, text.size(), out);
    }
    std::fclose(out);
}

KeyNode* FindKey(RegDocument& document, const char* root, const char* path) {
    for (KeyNode* key : document.roots) {
        if (lstrcmpiA(key->name, root) != 0) continue;
        KeyNode* node = key;
        std::string rest = path;
        while (node && !rest.empty()) {
            size_t slash = rest.find('\\');
            node = node->FindChild(rest.substr(0, slash).c_str());
            rest = slash == std::string::npos ? "" : rest.substr(slash + 1);
        }
        return node;
    }
    return nullptr;
}

ValueEntry* FindValue(ValueList& values, const char* name) {
    for (auto& value : values)
        if (value->GetName() == name) return value.get();
    return nullptr;
}

HWND LabelEditor() {
    return reinterpret_cast<HWND>(SendMessageA(EditorControl(IDC_STRING_LIST), LVM_GETEDITCONTROL, 0, 0));
}

struct FileCase {
    bool utf16;
    RegDialect dialect;
    const char* text;
    // The saved file's value lines after the edits below.
    const char* saved;
};

}  // namespace

TEST(ModifyRoundTrip, EveryKindEditedFromAFileOfEachDialectIsSavedInThatDialect) {
    const FileCase files[] = {
        {false, kRegedit4,
         "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillon]\r\n"
         "\"Str\"=\"old\"\r\n\"Exp\"=hex(2):25,41,25,00\r\n\"Multi\"=hex(7):61,00,62,00,00\r\n"
         "\"Num\"=dword:0000001f\r\n\"Bin\"=hex:01,02,03\r\n\r\n",
         "\"Str\"=\"a\\\"b\"\r\n\"Exp\"=hex(2):25,42,25,00\r\n\"Multi\"=hex(7):61,00,62,00,63,00,00\r\n"
         "\"Num\"=dword:000000ff\r\n\"Bin\"=hex:01,02,03,04\r\n"},
        {true, kRegedit5,
         "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillon]\r\n"
         "\"Str\"=\"old\"\r\n\"Exp\"=hex(2):25,00,41,00,25,00,00,00\r\n"
         "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
         "\"Num\"=dword:0000001f\r\n\"Bin\"=hex:01,02,03\r\n\r\n",
         "\"Str\"=\"a\\\"b\"\r\n\"Exp\"=hex(2):25,00,42,00,25,00,00,00\r\n"
         "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,63,00,00,00,00,00\r\n"
         "\"Num\"=dword:000000ff\r\n\"Bin\"=hex:01,02,03,04\r\n"},
    };
    struct Edit {
        const char* name;
        std::vector<Step> steps;
    };
    const Edit edits[] = {
        {"Str", {SetSelection(IDC_VALUE_DATA, 0, static_cast<DWORD>(-1)), Type(IDC_VALUE_DATA, "a\"b")}},
        {"Exp", {SetSelection(IDC_VALUE_DATA, 1, 2), Type(IDC_VALUE_DATA, "B")}},
        {"Multi", {Press(IDC_STRING_ADD), WaitFor([] { return LabelEditor() != nullptr; }), Do([] {
                       SetWindowTextA(LabelEditor(), "c");
                       SendMessageA(LabelEditor(), WM_KEYDOWN, VK_RETURN, 1);
                   }),
                   WaitFor([] { return LabelEditor() == nullptr; })}},
        {"Num", {SetSelection(IDC_VALUE_DATA, 0, static_cast<DWORD>(-1)), Type(IDC_VALUE_DATA, "ff")}},
        {"Bin", {SetSelection(IDC_VALUE_DATA, 12, 12), Type(IDC_VALUE_DATA, "04")}},
    };
    for (const FileCase& file : files) {
        SCOPED_TRACE(file.dialect);
        std::string source = TempPath(file.utf16 ? "quillon-editors-5.reg" : "quillon-editors-4.reg");
        std::string target = TempPath(file.utf16 ? "quillon-editors-5-saved.reg" : "quillon-editors-4-saved.reg");
        WriteFile(source, file.text, file.utf16);

        RegDocument document;
        LoadJob job;
        job.path = source;
        ParseScope scope(document.abort);
        ASSERT_TRUE(document.Load(job)) << ReadErrorText(job.error);
        ASSERT_EQ(job.dialect, file.dialect);
        KeyNode* key = FindKey(document, "HKEY_CURRENT_USER", "Software\\Quillon");
        ASSERT_TRUE(key);

        for (const Edit& edit : edits) {
            ValueList values;
            ASSERT_TRUE(key->CollectValues(values));
            ValueEntry* value = FindValue(values, edit.name);
            ASSERT_TRUE(value) << edit.name;
            std::vector<Step> steps = edit.steps;
            steps.push_back(Press(IDOK));
            ScriptResult run = RunEditor(*value, steps);
            EXPECT_TRUE(run.completed) << edit.name << ": " << run.failure;
            EXPECT_TRUE(run.edited) << edit.name;
            // What Modify does with a change: the key's text rebuilt from the set.
            if (run.edited) {
                ASSERT_TRUE(key->RebuildValueBlock(values));
            }
        }

        ASSERT_TRUE(SaveTo(document, target.c_str(), job.unicode, job.dialect));
        RegText saved;
        ReadError error = ReadError::None;
        ASSERT_TRUE(ReadRegFile(target.c_str(), saved, error)) << ReadErrorText(error);
        EXPECT_EQ(saved.dialect, file.dialect);
        EXPECT_EQ(saved.unicode, file.utf16);
        std::string text(saved.text.get());
        EXPECT_NE(text.find(std::string("[HKEY_CURRENT_USER\\Software\\Quillon]\r\n") + file.saved), std::string::npos)
            << text;
        std::remove(source.c_str());
        std::remove(target.c_str());
    }
}

// The installer package as an administrator deploys it: msiexec /qn, per
// user, over a package of a lower version, then uninstalled with and without
// the settings. What each step leaves is read back through the registry API
// and the file system; the registered verb's command line is started on a
// .reg file.
//
// Where Wine's msiexec differs from Windows':
// - ALLUSERS=2 installs per machine, as Wine's user is an administrator
//   (MSIINSTALLPERUSER is not looked at): the package leaves ALLUSERS unset
//   for a per-user install instead.
// - The uninstall entry of a per-user install is written under
//   HKEY_LOCAL_MACHINE, where Windows writes it under HKEY_CURRENT_USER: the
//   entries are looked for under both.
// - There is no shell to show a context menu: the verb is read from the
//   registry and its command line started as the shell would start it.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "resources/Version.h"
#include "tests/ui/Harness.h"

namespace {

const std::string kClasses = "Software\\Classes\\";
const std::string kVerbKey = kClasses + "SystemFileAssociations\\.reg\\shell\\Quillon.Edit";
const std::string kProgramKey = "Software\\" QUILLON_MAKER_NAME "\\Quillon";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Runs msiexec with the arguments and waits for it; its exit code.
DWORD Msiexec(const std::string& args) {
    std::string line = "msiexec.exe " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return ~0u;
    DWORD code = ~0u;
    if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

std::optional<std::string> RegText(HKEY root, const std::string& key, const char* name = nullptr) {
    char text[1024];
    DWORD size = sizeof text;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) return {};
    return std::string(text);
}

bool KeyExists(HKEY root, const std::string& key) {
    HKEY hkey;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &hkey) != ERROR_SUCCESS) return false;
    RegCloseKey(hkey);
    return true;
}

// The version of every uninstall entry named Quillon, the user's and the
// machine's.
std::vector<std::string> UninstallEntries() {
    std::vector<std::string> versions;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        HKEY list;
        if (RegOpenKeyExA(root, kUninstallKey, 0, KEY_READ, &list) != ERROR_SUCCESS) continue;
        char name[256];
        for (DWORD i = 0, size = sizeof name; RegEnumKeyExA(list, i, name, &size, nullptr, nullptr, nullptr, nullptr) ==
                                               ERROR_SUCCESS;
             ++i, size = sizeof name) {
            std::string entry = std::string(kUninstallKey) + "\\" + name;
            if (RegText(root, entry, "DisplayName") == "Quillon")
                versions.push_back(RegText(root, entry, "DisplayVersion").value_or("?"));
        }
        RegCloseKey(list);
    }
    return versions;
}

std::string Folder(int csidl) {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A string of the file's version resource (U.S. English, Windows ANSI).
std::string VersionString(const std::string& file, const char* name) {
    std::vector<char> info(GetFileVersionInfoSizeA(file.c_str(), nullptr));
    if (info.empty() || !GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(info.size()), info.data())) return "";
    char* text = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\040904e4\\") + name;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) || !text) return "";
    return text;
}

std::string ShortcutTarget(const std::string& lnk) {
    std::string target;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        std::wstring wide(lnk.begin(), lnk.end());
        char path[MAX_PATH] = "";
        if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) && SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)))
            target = path;
        file->Release();
    }
    link->Release();
    return target;
}

class PackageTest : public testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        // Without wixl the build names no lower package and makes neither.
        if (std::string(QUILLON_LOWER_MSI).empty() || !Exists(msi_) || !Exists(lowerMsi_))
            GTEST_SKIP() << "no installer package in the build (wixl missing? scripts/setup installs it): " << msi_;
        // Whatever an earlier run left, the settings apart.
        Msiexec("/x \"" + msi_ + "\" /qn");
        Msiexec("/x \"" + lowerMsi_ + "\" /qn");
        RegSetKeyValueA(HKEY_CURRENT_USER, (kProgramKey + "\\2.0").c_str(), "PackageTest", REG_SZ, "kept", 5);
    }
    void TearDown() override { CoUninitialize(); }

    const std::string msi_ = harness::WindowsPath(QUILLON_MSI);
    const std::string lowerMsi_ = harness::WindowsPath(QUILLON_LOWER_MSI);
    const std::string folder_ = Folder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Quillon";
    const std::string exe_ = folder_ + "\\quillon.exe";
    const std::string shortcut_ = Folder(CSIDL_PROGRAMS) + "\\Quillon.lnk";
};

TEST_F(PackageTest, InstallsPerUserOverALowerVersionAndUninstallsAllButTheSettings) {
    ASSERT_EQ(Msiexec("/i \"" + lowerMsi_ + "\" /qn"), 0u);
    EXPECT_EQ(UninstallEntries(), std::vector<std::string>{"1.0.0"});
    ASSERT_EQ(Msiexec("/i \"" + msi_ + "\" /qn"), 0u);
    EXPECT_EQ(UninstallEntries(), std::vector<std::string>{QUILLON_VERSION_TEXT});

    // The program with its version resource, the help file and the shortcut,
    // in the user's own folders.
    EXPECT_TRUE(Exists(folder_ + "\\quillon.chm"));
    EXPECT_EQ(VersionString(exe_, "FileVersion"), QUILLON_VERSION_FULL_TEXT);
    EXPECT_EQ(VersionString(exe_, "ProductVersion"), QUILLON_VERSION_TEXT);
    EXPECT_EQ(VersionString(exe_, "CompanyName"), QUILLON_MAKER_NAME);
    EXPECT_EQ(VersionString(exe_, "ProductName"), QUILLON_PRODUCT_NAME);
    EXPECT_EQ(_stricmp(ShortcutTarget(shortcut_).c_str(), exe_.c_str()), 0) << ShortcutTarget(shortcut_);

    // "Edit with Quillon" and "Open with" in the user's classes; the file
    // type itself, with Merge as its default, is left to the system.
    const std::string command = "\"" + exe_ + "\" \"%1\"";
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kVerbKey), "Edit with Quillon");
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kVerbKey + "\\command"), command);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kVerbKey));
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kClasses + ".reg\\OpenWithProgids", "Quillon.RegFile"), "");
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kClasses + "Quillon.RegFile\\shell\\open\\command"), command);
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kClasses + ".reg"), std::nullopt);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kClasses + "regfile"));

    // The verb's command line opens the file (a blank in its name).
    std::string file = harness::ScratchPath("Edit me.reg");
    ASSERT_TRUE(CopyFileA(harness::SourcePath("samples/sample.reg").c_str(), file.c_str(), FALSE));
    std::string line = command;
    line.replace(line.find("%1"), 2, file);
    {
        harness::App app;
        ASSERT_TRUE(app.StartCommandLine(line));
        EXPECT_TRUE(harness::WaitUntil([&] { return harness::WindowText(app.Frame()).find("Edit me.reg") == 0; }))
            << harness::WindowText(app.Frame());
        EXPECT_TRUE(app.Close());
    }

    ASSERT_EQ(Msiexec("/x \"" + msi_ + "\" /qn"), 0u);
    EXPECT_EQ(UninstallEntries(), std::vector<std::string>{});
    EXPECT_FALSE(Exists(folder_));
    EXPECT_FALSE(Exists(shortcut_));
    for (std::string key : {kVerbKey, kClasses + "Quillon.RegFile", kClasses + "Applications\\quillon.exe",
                            kProgramKey + "\\Installer"})
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key)) << key;
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kClasses + ".reg\\OpenWithProgids", "Quillon.RegFile"), std::nullopt);
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kProgramKey + "\\2.0", "PackageTest"), "kept");
}

TEST_F(PackageTest, RemovesTheSettingsWhenAsked) {
    ASSERT_EQ(Msiexec("/i \"" + msi_ + "\" /qn"), 0u);
    ASSERT_EQ(Msiexec("/x \"" + msi_ + "\" /qn REMOVESETTINGS=1"), 0u);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProgramKey));
    EXPECT_FALSE(Exists(exe_));
    EXPECT_EQ(UninstallEntries(), std::vector<std::string>{});
}

}  // namespace

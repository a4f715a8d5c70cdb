#include "regedit/MergeBackups.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>

#include "document/ByteSink.h"
#include "document/Platform.h"
#include "document/RegFile.h"
#include "regedit/MergePreview.h"

namespace regedit {

namespace {

// The program's settings key (the shell's store reads and writes the others).
constexpr char kSettingsKey[] = "Software\\Orvane\\Quillon\\2.0";
// "2026-12-08 16.30.05 " before the document's name: names sort by time.
constexpr size_t kStampLength = 20;
constexpr char kPartial[] = ".partial";

// Characters a file name cannot hold become '_'.
std::string FileNamePart(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos || static_cast<unsigned char>(c) < 32)
            c = '_';
    if (out.size() > 4 && CompareNoCase(out.c_str() + out.size() - 4, ".reg") == 0) out.resize(out.size() - 4);
    return out.empty() ? "_" : out;
}

// The key and value lines of a backup's text.
void CountLines(const char* text, size_t& keys, size_t& values) {
    for (const char* p = text; *p;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (*p == '[') ++keys;
        if (*p == '"' || *p == '@') ++values;
        while (*p && *p != '\n') ++p;
        if (*p) ++p;
    }
}

}  // namespace

std::string BackupFolder() {
    char base[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, base)))
        return {};
    std::string folder = std::string(base) + "\\Quillon";
    CreateDirectoryA(folder.c_str(), nullptr);
    folder += "\\Backups";
    CreateDirectoryA(folder.c_str(), nullptr);
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    return folder;
}

bool WriteBackup(const MergePreview& preview, const std::string& document, std::string& path, DWORD& error) {
    error = 0;
    std::string folder = BackupFolder();
    if (folder.empty()) {
        error = ERROR_PATH_NOT_FOUND;
        return false;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u.%02u.%02u ", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    std::string name = folder + "\\" + stamp + FileNamePart(document);
    path = name + ".reg";
    for (int n = 2; GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
        path = name + " (" + std::to_string(n) + ").reg";
    std::string partial = path + kPartial;
    FileSink sink;
    bool written = sink.Open(partial.c_str()) &&
                   preview.WriteBackup(sink, "Quillon: the registry before the merge of \"" + document + "\"");
    bool closed = sink.IsOpen() ? sink.Close() : false;
    if (written && closed && MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    error = sink.SystemError() ? sink.SystemError() : GetLastError();
    if (!error) error = ERROR_WRITE_FAULT;
    DeleteFileA(partial.c_str());
    return false;
}

std::vector<BackupInfo> ListBackups() {
    std::vector<BackupInfo> backups;
    std::string folder = BackupFolder();
    if (folder.empty()) return backups;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.reg").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return backups;
    do {
        std::string file = found.cFileName;
        if (file.size() <= kStampLength + 4 || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        BackupInfo info;
        info.path = folder + "\\" + file;
        info.when = file.substr(0, kStampLength - 1);
        std::replace(info.when.begin() + 10, info.when.end(), '.', ':');
        info.document = file.substr(kStampLength, file.size() - kStampLength - 4);
        info.written = static_cast<uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32 | found.ftLastWriteTime.dwLowDateTime;
        RegText text;
        ReadError error;
        if (ReadRegFile(info.path.c_str(), text, error)) CountLines(text.text.get(), info.keys, info.values);
        backups.push_back(std::move(info));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    // By the time each was written: two of the same second differ there,
    // where their names do not sort by time.
    std::sort(backups.begin(), backups.end(), [](const BackupInfo& a, const BackupInfo& b) {
        return a.written != b.written ? a.written > b.written : a.path > b.path;
    });
    return backups;
}

DWORD BackupsKept() {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, kBackupsKeptSetting, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return kBackupsKeptDefault;
    return value;
}

void PruneBackups() {
    std::vector<BackupInfo> backups = ListBackups();
    for (size_t i = BackupsKept(); i < backups.size(); ++i) DeleteFileA(backups[i].path.c_str());
}

}  // namespace regedit

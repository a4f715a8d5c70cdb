#pragma once
// The backups of merges: one .reg file per merge in a folder of the user's
// local application data, named by date, time and document, which merged
// puts back what that merge changed.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace regedit {

class MergePreview;

// The setting that says how many backups are kept (DWORD), and its default.
inline constexpr const char kBackupsKeptSetting[] = "BackupsKept";
inline constexpr DWORD kBackupsKeptDefault = 50;

struct BackupInfo {
    std::string path;
    std::string when;      // "2026-12-08 16:30:05"
    std::string document;  // the merged document's title
    size_t keys = 0;       // key lines
    size_t values = 0;     // value lines, deletions included
    uint64_t written = 0;  // the file's last-write time
};

// %LOCALAPPDATA%\Quillon\Backups, made when missing; empty when there is
// none to be had.
std::string BackupFolder();
// Writes the preview's backup under a new name and gives its path. The file
// is written under a temporary name and renamed when complete, so that no
// half-written backup is ever listed. False with the system's code.
bool WriteBackup(const MergePreview& preview, const std::string& document, std::string& path, DWORD& error);
// The backups, newest first.
std::vector<BackupInfo> ListBackups();
// Deletes the oldest backups beyond the number the settings keep.
void PruneBackups();
DWORD BackupsKept();

}  // namespace regedit

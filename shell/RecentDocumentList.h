#pragma once
// The File menu's recent files: full paths, newest first in the menu, kept
// in the settings under "Recent Document List". Commands 57616 to 57631
// stand for the entries, 57616 the newest.

#include <windows.h>

#include <string>
#include <vector>

class RecentDocumentList {
public:
    static constexpr int kFirstCommand = 57616;
    static constexpr int kLastCommand = 57631;
    static constexpr int kMinimum = 2;
    static constexpr int kMaximum = 16;

    // Remembers the submenu and takes the placeholder text of an empty list
    // from its item 57616.
    void AttachMenu(HMENU submenu);
    // Replaces the list by the stored one; leaves it as it is when the
    // subkey or its "DocumentCount" cannot be read.
    void ReadList(const char* settingsKey);
    // Stores the list, creating the keys, and deletes surplus entries.
    bool WriteList(const char* settingsKey) const;

    void AddEntry(const char* path);
    void RemoveEntry(int command);
    void MoveToTop(int command);
    // The entry the command stands for; false when there is none.
    bool GetEntry(int command, std::string& path) const;
    void UpdateMenu();

    // Clamped to the range 2 to 16.
    void SetMaximum(int maximum);
    int Maximum() const { return maximum_; }
    size_t Count() const { return entries_.size(); }

private:
    // Index into entries_ (oldest first) of a command, or -1.
    int IndexOf(int command) const;

    std::vector<std::string> entries_;  // oldest first, newest last
    int maximum_ = 4;
    HMENU menu_ = nullptr;  // not owned: part of the frame's menu
    std::string placeholder_ = "(empty)";
};

#include "shell/RecentDocumentList.h"

#include <algorithm>
#include <cstdio>

#include "framework/Handles.h"

namespace {

constexpr char kSubkey[] = "Recent Document List";
constexpr char kCountValue[] = "DocumentCount";
// Paths travel in the program's path buffers.
constexpr size_t kPathMax = MAX_PATH;

std::string EntryValueName(int i) { return "Document" + std::to_string(i); }

std::string SubkeyPath(const char* settingsKey) { return std::string(settingsKey) + "\\" + kSubkey; }

}  // namespace

void RecentDocumentList::SetMaximum(int maximum) { maximum_ = std::clamp(maximum, kMinimum, kMaximum); }

void RecentDocumentList::AttachMenu(HMENU submenu) {
    menu_ = submenu;
    char text[kPathMax] = "";
    if (submenu && GetMenuStringA(submenu, kFirstCommand, text, sizeof text, MF_BYCOMMAND) > 0)
        placeholder_ = text;
}

int RecentDocumentList::IndexOf(int command) const {
    int n = command - kFirstCommand;  // 0 is the newest
    if (n < 0 || n >= static_cast<int>(entries_.size())) return -1;
    return static_cast<int>(entries_.size()) - 1 - n;
}

bool RecentDocumentList::GetEntry(int command, std::string& path) const {
    int index = IndexOf(command);
    if (index < 0) return false;
    path = entries_[static_cast<size_t>(index)];
    return true;
}

void RecentDocumentList::AddEntry(const char* path) {
    if (!path || !*path || strlen(path) >= kPathMax) return;
    auto same = [&](const std::string& entry) { return lstrcmpiA(entry.c_str(), path) == 0; };
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), same), entries_.end());
    while (entries_.size() >= static_cast<size_t>(maximum_)) entries_.erase(entries_.begin());
    entries_.push_back(path);
    UpdateMenu();
}

void RecentDocumentList::RemoveEntry(int command) {
    int index = IndexOf(command);
    if (index < 0) return;
    entries_.erase(entries_.begin() + index);
    UpdateMenu();
}

void RecentDocumentList::MoveToTop(int command) {
    int index = IndexOf(command);
    if (index < 0) return;
    std::string path = entries_[static_cast<size_t>(index)];
    entries_.erase(entries_.begin() + index);
    entries_.push_back(path);
    UpdateMenu();
}

// The list's items stand where item 57616 stands; items before and after
// it in the submenu stay.
void RecentDocumentList::UpdateMenu() {
    if (!menu_) return;
    int position = -1;
    int count = GetMenuItemCount(menu_);
    for (int i = 0; i < count; ++i) {
        if (GetMenuItemID(menu_, i) == static_cast<UINT>(kFirstCommand)) {
            position = i;
            break;
        }
    }
    if (position < 0) return;
    // The whole range, not only up to the maximum: a maximum read from the
    // settings may be smaller than the list the menu showed before.
    for (int id = kFirstCommand; id <= kLastCommand; ++id) DeleteMenu(menu_, static_cast<UINT>(id), MF_BYCOMMAND);

    if (entries_.empty()) {
        InsertMenuA(menu_, static_cast<UINT>(position), MF_BYPOSITION | MF_STRING | MF_GRAYED, kFirstCommand,
                    placeholder_.c_str());
        return;
    }
    int n = 1;
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it, ++n) {
        char text[kPathMax + 16];
        snprintf(text, sizeof text, "&%i %s", n, it->c_str());
        InsertMenuA(menu_, static_cast<UINT>(position + n - 1), MF_BYPOSITION | MF_STRING,
                    static_cast<UINT_PTR>(kFirstCommand + n - 1), text);
    }
}

void RecentDocumentList::ReadList(const char* settingsKey) {
    fw::UniqueKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SubkeyPath(settingsKey).c_str(), 0, KEY_READ | KEY_WRITE, key.Put()) !=
        ERROR_SUCCESS)
        return;
    DWORD type = 0, count = 0, size = sizeof count;
    if (RegQueryValueExA(key.Get(), kCountValue, nullptr, &type, reinterpret_cast<BYTE*>(&count), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof count)
        return;
    SetMaximum(static_cast<int>(std::min<DWORD>(count, kMaximum)));
    entries_.clear();
    // Oldest first, so that the newest ends on top.
    for (int i = maximum_; i >= 1; --i) {
        char path[kPathMax + 1] = "";
        DWORD length = kPathMax;
        if (RegQueryValueExA(key.Get(), EntryValueName(i).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(path),
                             &length) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            continue;
        path[std::min<DWORD>(length, kPathMax)] = '\0';
        AddEntry(path);
    }
    UpdateMenu();
}

bool RecentDocumentList::WriteList(const char* settingsKey) const {
    fw::UniqueKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SubkeyPath(settingsKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    DWORD count = static_cast<DWORD>(maximum_);
    bool ok = RegSetValueExA(key.Get(), kCountValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                             sizeof count) == ERROR_SUCCESS;
    int entries = static_cast<int>(entries_.size());
    for (int i = entries; i >= 1; --i) {
        const std::string& path = entries_[static_cast<size_t>(entries - i)];
        ok = RegSetValueExA(key.Get(), EntryValueName(i).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(path.c_str()),
                            static_cast<DWORD>(path.size() + 1)) == ERROR_SUCCESS && ok;
    }
    // Values beyond the list would come back as entries at the next start,
    // up to the largest list there can be.
    for (int i = entries + 1; i <= kMaximum; ++i) RegDeleteValueA(key.Get(), EntryValueName(i).c_str());
    return ok;
}

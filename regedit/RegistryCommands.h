#pragma once
// Merge into and import from the live registry. The program never writes the
// registry itself: a merge writes .reg text into a temporary file and runs
// the system editor silently on it; an import has the system editor export
// a key into a temporary file and parses that into the document. Only
// importing selected values reads the live registry, value by value.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/CommandTable.h"
#include "resources/resource.h"

class KeyNode;
class KeyTreeView;
class ValueListView;
class ViewHost;

namespace regedit {

class RegistryCommands : public fw::CommandTarget {
public:
    static constexpr int kCommands[] = {ID_REGISTRY_MERGE_FILE, ID_REGISTRY_IMPORT_FILE, ID_REGISTRY_MERGE,
                                         ID_REGISTRY_IMPORT, ID_REGISTRY_RESTORE};

    RegistryCommands(ViewHost& host, KeyTreeView& tree, ValueListView& list);
    RegistryCommands(const RegistryCommands&) = delete;
    RegistryCommands& operator=(const RegistryCommands&) = delete;

    // 257 and 266 act on the document; 268 and 270 on the key when the key
    // tree runs the command (its focus or its context menu), else on the
    // selected values.
    void OnCommand(int id) override;
    void UpdateState(int id, fw::CommandStates& states) override;

    // Each returns whether the registry or the document took the data; a
    // command the user declined, or that had nothing to act on, is false.
    // A merge shows what it would change first and writes a backup before
    // it runs.
    bool MergeDocument();
    bool MergeBranch();
    bool MergeValues();
    bool ImportKey();
    bool ImportDocument();
    bool ImportValues();
    // Merges a backup chosen from the list, through the same preview.
    bool RestoreBackup();
    // The shared core of the key imports: the live branch at the path into
    // the document, shown in the tree.
    bool ImportKeyText(const std::string& keyPath);

private:
    bool Ask(const std::string& text, UINT icon);
    void Tell(const std::string& text);
    void TellFailure(UINT id);
    std::string Title() const;
    // Writes the bytes into a new temporary file and merges it; the file is
    // gone afterwards in every case.
    bool MergeBytes(const char* data, size_t size);
    // Works out what merging the branches below the keys would change, on
    // the worker runner, and shows it; on Merge writes the backup, then
    // `merge` merges, and the success message names the backup (its file is
    // named after `document`). A merge that would change nothing says so and
    // runs nothing.
    bool MergeSeen(const std::string& name, const std::string& document, const std::vector<const KeyNode*>& tops,
                   const std::function<bool()>& merge);

    ViewHost& host_;       // not owned
    KeyTreeView& tree_;    // not owned
    ValueListView& list_;  // not owned
};

}  // namespace regedit

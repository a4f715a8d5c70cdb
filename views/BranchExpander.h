#pragma once
// Expand All of the key tree ('*' on the numeric pad): every key below one
// key gets its item and is expanded. A small branch is opened at once; above
// kExpandAllLimit keys the user is asked first, and a Yes opens the branch
// behind a progress dialog with Abort.

#include <windows.h>
#include <commctrl.h>

#include <cstddef>

class KeyNode;
class KeyTreeView;

// The most keys below a key that Expand All opens without asking. Wine's
// tree-view grows slower with every item it holds (see KeyTreeView::Rebuild);
// a branch of 6,300 keys opened in 0.2 s, one of 39,000 took 19 s.
constexpr size_t kExpandAllLimit = 5000;

// The keys below `top`, not `top` itself, counting no further than `limit` + 1.
size_t CountBranchKeys(const KeyNode* top, size_t limit);

// Expands the item's key and every key below it; `owner` owns the question
// and the progress dialog.
void ExpandBranch(KeyTreeView& tree, HTREEITEM item, HWND owner);

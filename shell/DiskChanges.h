#pragma once
// The document's file changed on disk by another program since the document
// read or wrote it: the questions that keep such a change from being lost
// unseen, when the frame is activated and before a save writes over it.

#include <windows.h>

#include "document/RegDocument.h"

// Whether the file at the document's path has another stamp than the one the
// document read or wrote, and the user has not already kept the document
// over this change. False for an untitled document and for a file that is
// gone (a save simply writes it again).
bool IsChangedOnDisk(const RegDocument& document);

// The reload question for a changed file; true on Yes. No keeps the document
// and marks the change as declined.
bool AskReloadChanged(RegDocument& document, HWND owner);

// Before a save writes `path`, the document's own file: when a file is there
// with another stamp than the document's, asks whether to overwrite it.
// True when the save may go on; No marks the change as declined.
bool ConfirmOverwriteChanged(RegDocument& document, HWND owner, const char* path);

// After a save to the document's path: the file as written is the one the
// document knows, so the program's own save never counts as a change.
void NoteSaved(RegDocument& document);

#pragma once
// Loading a .reg file into the document on a worker thread behind the
// progress dialog, and the open and import flows built on it.

#include <windows.h>

#include "document/RegDocument.h"
#include "document/RegFile.h"

class KeyTreeView;

// Runs the document's Load of the job on a worker thread and the progress
// dialog on this one. Returns Load's result; false without a dialog when the
// thread cannot be started. The job tells what the read found, or why it
// failed.
bool RunLoadWorker(HWND window, RegDocument& document, LoadJob& job);

// Open: loads the file in place of the document and rebuilds the tree. On
// failure shows the read-error box and leaves a document that was not read
// unchanged. `title` is the file name part shown in the caption. The caller
// updates the caption and the recent list when this returns true.
bool OpenRegFile(HWND window, RegDocument& document, KeyTreeView& tree, const char* path,
                 const char* title);

// Import: merges the file into the document, adding keys to the tree as
// they are parsed. A file that cannot be read, or whose parse stops early,
// is reported; the keys merged before the stop stay.
bool ImportRegFile(HWND window, RegDocument& document, KeyTreeView& tree, const char* path);

// The read-error box: the path, and why the file could not be read.
void ShowReadError(HWND window, const LoadJob& job);

// The warning shown when a UTF-16 file held characters that the ANSI code
// page cannot represent (they are replaced by '?' and a save writes that).
void WarnLossyConversion(HWND window, const char* path);

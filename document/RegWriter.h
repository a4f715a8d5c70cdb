// Writes documents and branches as .reg text, single-byte or UTF-16LE.
#pragma once

#include "document/RegDialect.h"

class ByteSink;
class KeyNode;
class RegDocument;

bool WriteHeader(ByteSink& out, bool unicode, RegDialect dialect);
// The key and its descendants, depth first. progress: counts keys written and
// reports to its owner; may be null.
bool WriteKeyTree(const KeyNode* key, ByteSink& out, bool unicode, RegDialect dialect, RegDocument* progress);
bool WriteEnd(ByteSink& out);
// Writes to a temporary file beside path and replaces path only when the
// whole file was written and flushed; on failure path is left as it was.
bool SaveTo(RegDocument& document, const char* path, bool unicode, RegDialect dialect);
bool WriteBranchFile(RegDocument& document, const KeyNode* key, const char* path, bool unicode, RegDialect dialect);
// The whole document into memory (clipboard, tests).
bool WriteDocument(RegDocument& document, ByteSink& out, bool unicode, RegDialect dialect);

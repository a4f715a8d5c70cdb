// The texts keys and values travel in between windows and processes: .reg
// text that the clipboard and drag and drop carry, and the rewrite of a
// pasted branch to its new place. Portable: no platform calls.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/RegDialect.h"

class KeyNode;
class MemorySink;
class ValueEntry;

namespace transfer {

// Key branch payload: the header of the dialect (single-byte, no byte-order
// mark), the key and its descendants as the writer writes them, two zero bytes.
bool WriteKeyBranchPayload(const KeyNode& key, RegDialect dialect, MemorySink& out);
// The stream's first size for a branch payload: the key's text size twice,
// twice again for dialect 5.
size_t KeyBranchCapacity(const KeyNode& key, RegDialect dialect);

// Values payload: always the REGEDIT4 header, the key line of keyPath, each
// value's lines, two zero bytes.
bool WriteValuesPayload(const std::string& keyPath, const std::vector<const ValueEntry*>& values, MemorySink& out);

// A text block that arrived from elsewhere: its bytes up to the first zero
// byte, never past size (the block need not hold a zero byte at all).
std::string_view BoundedText(const void* data, size_t size);

// The last component of a key path (all of it without a backslash).
std::string_view LastComponent(std::string_view path);

// A copy of text in a parse buffer (zero padding behind it, as the parser
// needs); null when out of memory.
std::unique_ptr<char[]> ParseBufferOf(std::string_view text);

// Moves a branch: every key line whose path is sourcePath or lies below it
// (compared without regard to case) gets newPath in its place. Only key
// lines are rewritten, found as the parser finds them: the path inside value
// data, or further inside a key line, stays as it is. The result is a parse
// buffer; null when out of memory or when sourcePath is empty.
std::unique_ptr<char[]> RewriteBranch(std::string_view text, std::string_view sourcePath, std::string_view newPath,
                                      size_t* length = nullptr);

}  // namespace transfer

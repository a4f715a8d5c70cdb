#pragma once
// The clipboard formats and window messages every running copy registers
// under the same names, and the global memory blocks the payloads travel in.
// A block that comes from another process may hold anything: every read is
// bounded by the block's size.

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string_view>

namespace transfer {

UINT ValuesFormat();
UINT KeyPathFormat();
UINT KeyBranchFormat();
// The export dialog's question whether a branch exists.
UINT BranchCheckMessage();

// A text from a global memory block: its bytes up to the first zero byte or
// the block's end, copied into a parse buffer.
struct BlockText {
    std::unique_ptr<char[]> text;  // zero padding behind the text
    size_t length = 0;
    explicit operator bool() const { return text != nullptr; }
    std::string_view View() const { return {text.get(), length}; }
};
BlockText ReadBlockText(HGLOBAL block);

// A new movable, zero-filled block holding size bytes of data and one more
// zero byte; null when out of memory.
HGLOBAL NewBlock(const void* data, size_t size);
// The UTF-16 form of single-byte text of the ANSI code page in a new block
// with its terminating zero; null when it cannot be had.
HGLOBAL NewWideBlock(std::string_view text);

// One format's data to place on the clipboard.
struct ClipboardItem {
    UINT format;
    const void* data;
    size_t size;
};
// Empties the clipboard and places the items, each in a block of its own,
// and CF_UNICODETEXT of `text` when it is not empty. False when the
// clipboard could not be opened.
bool PlaceOnClipboard(HWND owner, const ClipboardItem* items, size_t count, std::string_view text);

// The clipboard's data of a format, read bounded; empty when absent.
BlockText ReadClipboard(UINT format);

}  // namespace transfer

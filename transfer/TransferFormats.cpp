#include "transfer/TransferFormats.h"

#include <cstring>
#include <vector>

#include "framework/Handles.h"
#include "transfer/TransferPayload.h"

namespace transfer {

// The names are fixed so that every running copy gets the same numbers.
UINT ValuesFormat() {
    static const UINT format = RegisterClipboardFormatA("{204BBF72-8F30-4e86-958F-5D1E2B84FE2B}");
    return format;
}

UINT KeyPathFormat() {
    static const UINT format = RegisterClipboardFormatA("{E8C384DB-234D-467d-B3E7-C32949719377}");
    return format;
}

UINT KeyBranchFormat() {
    static const UINT format = RegisterClipboardFormatA("{B64A2246-1E98-4e03-AAA0-6C668536E391}");
    return format;
}

UINT BranchCheckMessage() {
    static const UINT message = RegisterWindowMessageA("{5D565B50-DCC2-4784-AC75-62D2106F2E52}");
    return message;
}

namespace {

// The clipboard, open for the life of the object when Opened(). Another
// program may hold it open for a moment (a clipboard viewer; under Wine the
// manager that hands it to the X selection, right after every change): a
// few tries over a tenth of a second are made before giving up.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) {
        for (int attempt = 0; attempt < 10 && !open_; ++attempt) {
            if (attempt) Sleep(10);
            open_ = OpenClipboard(owner) != FALSE;
        }
    }
    ~OpenedClipboard() {
        if (open_) CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    bool Opened() const { return open_; }

private:
    bool open_ = false;
};

// Holds a block locked for the life of the object.
class LockedBlock {
public:
    explicit LockedBlock(HGLOBAL block) : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
    ~LockedBlock() {
        if (data_) GlobalUnlock(block_);
    }
    LockedBlock(const LockedBlock&) = delete;
    LockedBlock& operator=(const LockedBlock&) = delete;
    void* Data() const { return data_; }

private:
    HGLOBAL block_;
    void* data_;
};

}  // namespace

BlockText ReadBlockText(HGLOBAL block) {
    BlockText result;
    LockedBlock locked(block);
    if (!locked.Data()) return result;
    // The size the block was made with, or more: never less than what may be read.
    std::string_view text = BoundedText(locked.Data(), GlobalSize(block));
    result.text = ParseBufferOf(text);
    if (result.text) result.length = text.size();
    return result;
}

HGLOBAL NewBlock(const void* data, size_t size) {
    if (size == SIZE_MAX) return nullptr;
    fw::UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, size + 1));
    LockedBlock locked(block.Get());
    if (!locked.Data()) return nullptr;
    if (size) std::memcpy(locked.Data(), data, size);
    return block.Release();
}

HGLOBAL NewWideBlock(std::string_view text) {
    if (text.size() > INT_MAX) return nullptr;
    int length = static_cast<int>(text.size());
    int units = length ? MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0) : 0;
    if (length && units <= 0) return nullptr;
    fw::UniqueGlobal block(
        GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, (static_cast<size_t>(units) + 1) * sizeof(WCHAR)));
    LockedBlock locked(block.Get());
    if (!locked.Data()) return nullptr;
    if (units && MultiByteToWideChar(CP_ACP, 0, text.data(), length, static_cast<WCHAR*>(locked.Data()), units) != units)
        return nullptr;
    return block.Release();
}

bool PlaceOnClipboard(HWND owner, const ClipboardItem* items, size_t count, std::string_view text) {
    OpenedClipboard clipboard(owner);
    if (!clipboard.Opened()) return false;
    EmptyClipboard();
    auto place = [](UINT format, HGLOBAL block) {
        // The clipboard owns a block once it took it.
        if (block && !SetClipboardData(format, block)) GlobalFree(block);
    };
    for (size_t i = 0; i < count; ++i) place(items[i].format, NewBlock(items[i].data, items[i].size));
    // Other programs get the characters right whatever code page they run in.
    if (!text.empty()) place(CF_UNICODETEXT, NewWideBlock(text));
    return true;
}

BlockText ReadClipboard(UINT format) {
    if (!format || !IsClipboardFormatAvailable(format)) return {};
    OpenedClipboard clipboard(nullptr);
    if (!clipboard.Opened()) return {};
    return ReadBlockText(static_cast<HGLOBAL>(GetClipboardData(format)));
}

}  // namespace transfer

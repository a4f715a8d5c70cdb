// Reading the second half of a large single-byte file on a thread of its own.
#include "document/TailRead.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <system_error>

#include "document/Platform.h"
#include "document/Utf8.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// The size of each read: as the loader's pieces.
constexpr size_t kPieceBytes = size_t(1) << 18;

// The file's position moved to offset (beyond 2 GiB too).
bool SeekTo(FILE* file, size_t offset) {
#if defined(_WIN32)
    return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

}  // namespace

void PrepareForWrite(char* p, size_t n) {
#if defined(__linux__)
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif
    static const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    uintptr_t begin = (reinterpret_cast<uintptr_t>(p) + page - 1) & ~(page - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(p) + n) & ~(page - 1);
    // A kernel without the advice refuses it: the pages then come one
    // fault at a time, as without the call.
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)p;
    (void)n;
#endif
}

bool TailRead::Start(const char* filePath, size_t fromByte, size_t fileSize, char* text, size_t textRoom,
                     bool convertText) {
    Stop();
    path = filePath;
    from = fromByte;
    size = fileSize;
    out = text;
    room = textRoom;
    convert = convertText;
    done = false;
    length = 0;
    try {
        thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool TailRead::Finish(size_t& textLength) {
    if (!Running()) return false;
    thread.join();
    textLength = length;
    return done;
}

void TailRead::Stop() {
    if (Running()) thread.join();
}

// The same work as the loader's for its pieces: after a piece with bytes
// beyond ASCII the next is read into a small buffer and converted from there
// in one pass; after one without, it is read straight into the text and
// converted where it lies if it must be. The half's own handle on the file
// reads it; all it writes lies in [out, out + room).
void TailRead::Run() {
    FILE* file = OpenFileForRead(path.c_str());
    if (!file) return;
    std::unique_ptr<char[]> buffer(convert ? new (std::nothrow) char[kPieceBytes] : nullptr);
    bool ok = SeekTo(file, from) && (buffer || !convert);
    bool high = false;
    size_t used = 0;
    for (size_t at = from; ok && at < size;) {
        size_t n = std::min(kPieceBytes, size - at);
        at += n;
        if (high) {
            // Room for three bytes a byte spares a pass for the length; a
            // conversion may write three bytes past its text.
            ok = std::fread(buffer.get(), 1, n, file) == n &&
                 (room - used >= 3 * n + 3 || SingleByteLegacyToUtf8Length(buffer.get(), n) + 3 <= room - used);
            if (!ok) break;
            PrepareForWrite(out + used, n);
            size_t made = SingleByteLegacyToUtf8(buffer.get(), n, out + used);
            high = made != n;
            used += made;
            continue;
        }
        char* piece = out + used;
        ok = n <= room - used;
        if (!ok) break;
        PrepareForWrite(piece, n);
        ok = std::fread(piece, 1, n, file) == n;
        if (!ok || !convert || !HasHighByte(piece, n)) {
            used += ok ? n : 0;
            continue;
        }
        size_t made = SingleByteLegacyToUtf8Length(piece, n);
        ok = made <= room - used;
        if (!ok) break;
        SingleByteLegacyToUtf8InPlace(piece, n, made);
        used += made;
        high = true;
    }
    std::fclose(file);
    length = used;
    done = ok;
}

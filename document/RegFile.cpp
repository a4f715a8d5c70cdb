// Reading .reg files into the single-byte text buffer the parser works on.
#include "document/RegFile.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "document/FailPoint.h"
#include "document/Platform.h"
#include "document/RegDocument.h"
#include "document/RegParser.h"
#include "document/TailRead.h"
#include "document/TextScan.h"
#include "document/Utf8.h"

namespace {

// Closes the file on every path out.
struct FileCloser {
    FILE* file;
    ~FileCloser() {
        if (file) std::fclose(file);
    }
};

// A buffer for size bytes of text followed by the scanners' padding of NUL
// bytes; null with the reason when out of memory.
std::unique_ptr<char[]> NewPadded(size_t size, ReadError& error) {
    std::unique_ptr<char[]> text(AllocationFails() ? nullptr : new (std::nothrow) char[size + kScanPadding]);
    if (!text) {
        error = ReadError::OutOfMemory;
        return nullptr;
    }
    std::memset(text.get() + size, 0, kScanPadding);
    return text;
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit < 0xDC00; }

// The parser's program text, built from UTF-16 in pieces. It starts with one
// byte per character; text that needs more (UTF-8, double-byte pages) makes
// it grow to what it needs.
class NarrowText {
public:
    // Room for units characters and the terminators.
    bool Start(size_t units) { return Resize(units + 5); }

    // Converts the next piece; false with the reason on failure. later: the
    // units still to come after this piece, for a better guess on growth.
    bool Append(const char16_t* wide, size_t units, size_t later, bool* lossy, ReadError& error) {
        if (ProgramTextIsUtf8()) return AppendUtf8(wide, units, later, error);
        size_t n = WideToProgram(wide, units, text.get() + used, capacity - used, lossy);
        if (n == kConvertFailed) {
            size_t need = WideToProgramLength(wide, units);
            if (need == kConvertFailed) {
                error = ReadError::Conversion;
                return false;
            }
            // The rest is taken to grow as this piece did: a file of few
            // characters beyond ASCII costs a few bytes more than its
            // length, not twice.
            size_t estimate = used + need + (units ? later / units * need + later % units * need / units : later);
            // At least a thirty-second more each time: a text whose pieces
            // grow unevenly is copied a bounded number of times.
            size_t grown = std::max(estimate + estimate / 256, capacity + capacity / 32);
            if (!Resize(std::max(used + need + 5, grown + 5))) {
                error = ReadError::OutOfMemory;
                return false;
            }
            n = WideToProgram(wide, units, text.get() + used, capacity - used, lossy);
            if (n == kConvertFailed) {
                error = ReadError::Conversion;
                return false;
            }
        }
        used += n;
        return true;
    }

    // UTF-8 in runs that surely fit (three bytes a unit at most), growing
    // by what the text so far says the rest will need: no work is done twice.
    bool AppendUtf8(const char16_t* wide, size_t units, size_t later, ReadError& error) {
        while (units > 0) {
            size_t take = std::min(units, (capacity - used) / 3);
            if (take < units && take > 0 && IsHighSurrogate(wide[take - 1])) --take;
            if (take == 0) {
                size_t rest = units + later;
                size_t estimate = used + (converted ? rest / converted * used + rest % converted * used / converted
                                                    : rest + rest / 16);
                size_t grown = std::max(estimate + estimate / 256, capacity + capacity / 32);
                if (!Resize(std::max(grown, used + 8) + 5)) {
                    error = ReadError::OutOfMemory;
                    return false;
                }
                continue;
            }
            used += WideToUtf8(wide, take, text.get() + used, capacity - used);
            converted += take;
            wide += take;
            units -= take;
        }
        // After the first piece, while a copy is cheap: room for the rest
        // at this piece's rate.
        if (!regrown && later > 0 && converted > 0) {
            regrown = true;
            size_t projected = used + later / converted * used + later % converted * used / converted;
            if (projected > capacity && !Resize(projected + projected / 256 + 5)) {
                error = ReadError::OutOfMemory;
                return false;
            }
        }
        return true;
    }

    // The text with NUL bytes after it up to the end of the padding.
    std::unique_ptr<char[]> Finish() {
        std::memset(text.get() + used, 0, capacity + kScanPadding - used);
        return std::move(text);
    }

private:
    bool Resize(size_t newCapacity) {
        std::unique_ptr<char[]> bigger(new (std::nothrow) char[newCapacity + kScanPadding]);
        if (!bigger) return false;
        if (used) std::memcpy(bigger.get(), text.get(), used);
        text = std::move(bigger);
        capacity = newCapacity;
        return true;
    }

    std::unique_ptr<char[]> text;
    size_t capacity = 0;
    size_t used = 0;
    size_t converted = 0;  // units converted so far
    bool regrown = false;  // sized for the rest after the first piece
};

// UTF-16LE text after the byte-order mark, converted to program text in one
// piece.
bool ConvertWide(const char16_t* wide, size_t units, RegText& out, ReadError& error) {
    NarrowText text;
    if (!text.Start(units)) {
        error = ReadError::OutOfMemory;
        return false;
    }
    if (!text.Append(wide, units, 0, &out.lossy, error)) return false;
    out.text = text.Finish();
    return true;
}

// A file written with LF or CR alone (checked out of git, made by a Unix
// tool) gets CR LF line ends throughout, so that what is edited and saved is
// what every registry editor merges. A file whose header line ends in CR LF
// is kept as it is: a lone LF in it is string data.
bool UseCrLf(RegText& out, ReadError& error) {
    const char* text = out.text.get();
    const char* first = std::strpbrk(text, "\r\n");
    if (!first || (first[0] == '\r' && first[1] == '\n')) return true;
    size_t length = std::strlen(text);
    size_t lone = 0;
    for (const char* p = text; (p = std::strpbrk(p, "\r\n")) != nullptr;) {
        if (p[0] == '\r' && p[1] == '\n') {
            p += 2;
        } else {
            ++lone;
            ++p;
        }
    }
    std::unique_ptr<char[]> converted = NewPadded(length + lone, error);
    if (!converted) return false;
    char* o = converted.get();
    for (const char* p = text; *p; ++p) {
        if (*p == '\r' || *p == '\n') {
            *o++ = '\r';
            *o++ = '\n';
            if (p[0] == '\r' && p[1] == '\n') ++p;
        } else {
            *o++ = *p;
        }
    }
    out.text = std::move(converted);
    out.length += lone;
    out.crlfMade = true;
    return true;
}

bool Finish(RegText& out, ReadError& error) {
    out.dialect = TestHeader(out.text.get());
    if (out.dialect == kNoDialect) {
        out.text.reset();
        error = ReadError::Header;
        return false;
    }
    if (!UseCrLf(out, error)) {
        out.text.reset();
        return false;
    }
    error = ReadError::None;
    return true;
}

// UTF-8 to UTF-16; a byte that starts no valid sequence becomes U+FFFD, as
// the system's own conversion does, and sets broken.
std::unique_ptr<char16_t[]> DecodeUtf8File(const unsigned char* s, size_t n, size_t& units, bool& broken) {
    std::unique_ptr<char16_t[]> wide(new (std::nothrow) char16_t[n + 1]);
    if (!wide) return nullptr;
    size_t u = 0;
    for (size_t i = 0; i < n;) {
        unsigned c = s[i];
        size_t extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 4;
        uint32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        bool valid = extra < 4;
        for (size_t k = 1; valid && k <= extra; ++k) {
            if (i + k >= n || (s[i + k] & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        static const uint32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
        if (valid && (cp < kLeast[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) valid = false;
        if (!valid) {
            broken = true;
            wide[u++] = 0xFFFD;
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            wide[u++] = static_cast<char16_t>(0xD800 + (cp >> 10));
            wide[u++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            wide[u++] = static_cast<char16_t>(cp);
        }
        i += extra + 1;
    }
    units = u;
    return wide;
}

// UTF-16LE text after its byte-order mark; size is the file's in bytes.
bool DecodeWide(const char16_t* wide, size_t units, size_t size, RegText& out, ReadError& error) {
    out.unicode = true;
    out.length = size / 2;
    if (!ConvertWide(wide, units, out, error)) return false;
    return Finish(out, error);
}

// Single-byte text of the legacy code page converted to program text, in
// pieces that end at a line break (no double-byte character is split there).
bool ConvertLegacy(const char* bytes, size_t size, RegText& out, ReadError& error) {
    if (ProgramTextIsUtf8() && LegacyIsSingleByte()) {
        // One pass for the length, one for the text: no regrowth, no more
        // memory than the text takes.
        size_t length = SingleByteLegacyToUtf8Length(bytes, size);
        std::unique_ptr<char[]> text = NewPadded(length, error);
        if (!text) return false;
        SingleByteLegacyToUtf8(bytes, size, text.get());
        out.text = std::move(text);
        return true;
    }
    constexpr size_t kPiece = size_t(1) << 18;
    NarrowText text;
    std::unique_ptr<char16_t[]> wide(new (std::nothrow) char16_t[kPiece]);
    if (!wide || !text.Start(size)) {
        error = ReadError::OutOfMemory;
        return false;
    }
    for (size_t begin = 0; begin < size;) {
        size_t end = std::min(size, begin + kPiece);
        if (end < size) {
            size_t at = end;
            while (at > begin + 1 && bytes[at - 1] != '\n') --at;
            if (at > begin + 1) end = at;
        }
        size_t units = LegacyToWide(bytes + begin, end - begin, wide.get(), kPiece);
        if (units == kConvertFailed) {
            error = ReadError::Conversion;
            return false;
        }
        if (!text.Append(wide.get(), units, size - end, nullptr, error)) return false;
        begin = end;
    }
    out.text = text.Finish();
    return true;
}

// Turns a file's bytes (followed by kScanPadding NUL bytes) into the parser's
// program text: UTF-16 with its mark and UTF-8 with its mark are converted,
// anything else is legacy text, taken as it is where that is program text.
bool DecodeBytes(std::unique_ptr<char[]> bytes, size_t size, RegText& out, ReadError& error,
                 bool keepLegacy = false) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.get());
    if (b[0] == 0xFF && b[1] == 0xFE) {
        size_t units = (size - 2) / 2;
        std::unique_ptr<char16_t[]> wide(new (std::nothrow) char16_t[units + 1]);
        if (!wide) {
            error = ReadError::OutOfMemory;
            return false;
        }
        std::memcpy(wide.get(), bytes.get() + 2, units * 2);
        bytes.reset();
        return DecodeWide(wide.get(), units, size, out, error);
    }
    if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        // Registry editors do not merge UTF-8 files; such a file is opened
        // as if it were UTF-16, and saving makes it one.
        size_t units = 0;
        bool broken = false;
        std::unique_ptr<char16_t[]> wide = DecodeUtf8File(b + 3, size - 3, units, broken);
        if (!wide) {
            error = ReadError::OutOfMemory;
            return false;
        }
        bytes.reset();
        out.utf8 = true;
        bool ok = DecodeWide(wide.get(), units, 2 * units, out, error);
        out.lossy = out.lossy || broken;
        return ok;
    }
    out.length = size;
    // Only single-byte legacy text can be kept: a double-byte page's second
    // bytes may be a backslash or a quote.
    keepLegacy = keepLegacy && LegacyIsSingleByte();
    if (LegacyIsProgramText() || keepLegacy || !HasHighByte(bytes.get(), size)) {
        out.legacy = keepLegacy && !LegacyIsProgramText();
        out.text = std::move(bytes);
        return Finish(out, error);
    }
    return ConvertLegacy(bytes.get(), size, out, error) && Finish(out, error);
}

// Reads a file front to back in pieces through one small buffer that stays
// in the cache: each piece is copied or converted into the text buffer while
// it is hot, and a UTF-16 file needs no second buffer of its own size.
class PieceReader {
public:
    static constexpr size_t kPieceBytes = size_t(1) << 18;

    PieceReader(FILE* f, size_t fileSize) : file(f), size(fileSize) {}

    // Reads the first piece (the byte-order mark is in it).
    bool Start(ReadError& error) {
        piece.reset(new (std::nothrow) char16_t[kPieceBytes / 2]);
        if (!piece) {
            error = ReadError::OutOfMemory;
            return false;
        }
        return Next(0, error);
    }

    const char* Bytes() const { return reinterpret_cast<const char*>(piece.get()); }
    size_t Held() const { return held; }
    size_t Size() const { return size; }
    bool AtEnd() const { return done == size; }
    const char16_t* Units() const { return piece.get(); }

    // Keeps the last keep bytes of the piece at its front and reads on after
    // them.
    bool Next(size_t keep, ReadError& error) {
        if (keep) std::memmove(piece.get(), Bytes() + held - keep, keep);
        size_t want = std::min(kPieceBytes - keep, size - done);
        if (std::fread(reinterpret_cast<char*>(piece.get()) + keep, 1, want, file) != want) {
            error = ReadError::Read;
            return false;
        }
        done += want;
        held = keep + want;
        return true;
    }

    // Reads the next want bytes of the file straight into to.
    bool ReadInto(char* to, size_t want, ReadError& error) {
        if (std::fread(to, 1, want, file) != want) {
            error = ReadError::Read;
            return false;
        }
        done += want;
        return true;
    }
    size_t Done() const { return done; }

    // Copies the whole file to to (the first piece already read included).
    bool CopyAll(char* to, ReadError& error) {
        size_t at = 0;
        for (;;) {
            std::memcpy(to + at, Bytes(), held);
            at += held;
            if (AtEnd()) return true;
            if (!Next(0, error)) return false;
        }
    }

private:
    FILE* file;
    size_t size;
    std::unique_ptr<char16_t[]> piece;
    size_t held = 0;  // bytes in the piece
    size_t done = 0;  // bytes of the file read so far
};

// The rest of a UTF-16LE file whose first piece the reader holds, converted
// piece by piece. A high surrogate ending a piece waits for its low half.
bool ReadWide(PieceReader& reader, RegText& out, ReadError& error) {
    size_t units = (reader.Size() - 2) / 2;
    NarrowText text;
    if (!text.Start(units)) {
        error = ReadError::OutOfMemory;
        return false;
    }
    size_t first = 1;  // the byte-order mark
    for (size_t left = units;;) {
        size_t take = std::min(reader.Held() / 2 - first, left);
        const char16_t* wide = reader.Units() + first;
        if (take < left && take > 0 && IsHighSurrogate(wide[take - 1])) --take;
        if (!text.Append(wide, take, left - take, &out.lossy, error)) return false;
        left -= take;
        if (left == 0) break;
        if (!reader.Next(reader.Held() - 2 * (first + take), error)) return false;
        first = 0;
    }
    out.text = text.Finish();
    out.unicode = true;
    out.length = reader.Size() / 2;
    return Finish(out, error);
}

// A single-byte file whose legacy text becomes UTF-8 program text (convert),
// or is program text as it is. The file is read piece by piece straight into
// the text buffer, and a piece with bytes beyond ASCII is converted in place
// while it is in the cache: each byte is copied once, as a plain read copies
// it, and no second buffer of the file's size is made.
class LegacyReader {
public:
    LegacyReader(PieceReader& pieces, bool convertText) : reader(pieces), convert(convertText) {}

    // path: the file's, for the second half's own handle on it (null: one
    // thread reads all).
    bool Read(const char* path, RegText& out, ReadError& error) {
        size_t size = reader.Size();
        size_t n = reader.Held();
        if (!Resize(convert ? Room(size, n) : size, 0, error)) return false;
        high = convert && HasHighByte(reader.Bytes(), n);
        if (high) {
            if (!Convert(n, error)) return false;
        } else {
            std::memcpy(text.get(), reader.Bytes(), n);
            used = n;
        }
        limit = size;
        size_t half = size / 2 / PieceReader::kPieceBytes * PieceReader::kPieceBytes;
        // The first half's text ends before the middle of the room the
        // first piece asked for: the second half's goes from there. A
        // conversion may write three bytes past its text: sixteen lie
        // between the two.
        size_t gap = convert ? 16 : 0;
        size_t start = half + (capacity - size) / 2;
        if (path && size >= kTwoThreadsFrom && half > reader.Done() && start >= used + gap &&
            tail.Start(path, half, size, text.get() + start, capacity - start, convert)) {
            limit = half;
            end = start - gap;
            tailStart = start;
        }
        if (!ReadPieces(error)) return false;
        size_t length = 0;
        if (tail.Running()) {
            end = capacity;
            if (tail.Finish(length)) {
                std::memmove(text.get() + used, text.get() + tailStart, length);
                used += length;
            } else {
                // The second half is read here after all.
                limit = size;
                if (!ReadPieces(error)) return false;
            }
        }
        std::memset(text.get() + used, 0, kScanPadding);
        out.text = std::move(text);
        out.length = size;
        return true;
    }

private:
    // Files from this size on are read by two threads, each a half.
    static constexpr size_t kTwoThreadsFrom = 4 * PieceReader::kPieceBytes;

    // The pieces up to limit. Text beyond ASCII comes in stretches: after a
    // piece that had some, the next is read into the small buffer, still in
    // the cache, and converted from there into the text in one pass; after
    // one that had none, it is read straight into the text and only looked
    // at.
    bool ReadPieces(ReadError& error) {
        while (reader.Done() < limit) {
            size_t n = std::min(PieceReader::kPieceBytes, limit - reader.Done());
            if (high) {
                if (!reader.Next(0, error)) return false;
                size_t before = used;
                if (!Convert(n, error)) return false;
                high = used - before != n;
                continue;
            }
            if (!MakeRoom(n, used, error)) return false;
            PrepareForWrite(text.get() + used, n);
            if (!reader.ReadInto(text.get() + used, n, error)) return false;
            size_t before = used;
            if (!Take(n, error)) return false;
            high = used - before != n;
        }
        return true;
    }

    // Room for need bytes after the text, the first keep bytes of the text
    // kept. A first half that outgrows its place takes the whole room: the
    // second half's thread is stopped, and that half read here after all.
    bool MakeRoom(size_t need, size_t keep, ReadError& error) {
        if (need <= end - used) return true;
        if (tail.Running()) {
            tail.Stop();
            end = capacity;
            limit = reader.Size();
            if (need <= end - used) return true;
        }
        return Grow(used + need, keep, error);
    }

    // Text beyond ASCII takes more bytes as UTF-8: room for the file's text
    // at twice the rate of the first piece (n bytes) and a little more. The
    // room a text does not take is never written, and costs address space
    // only; a text that needs more grows.
    size_t Room(size_t size, size_t n) const {
        size_t first = SingleByteLegacyToUtf8Length(reader.Bytes(), n);
        double rate = n ? static_cast<double>(first - n) / static_cast<double>(n) : 0;
        double room = static_cast<double>(size) * (1 + 2 * rate) + static_cast<double>(size / 256 + 65536);
        return room < static_cast<double>(SIZE_MAX / 4) ? static_cast<size_t>(room) : size;
    }

    // The n bytes just read at the end of the text, converted where needed.
    bool Take(size_t n, ReadError& error) {
        char* piece = text.get() + used;
        // ASCII is the same in every single-byte page: a piece of it is
        // taken as it is, with no pass for its length.
        if (!convert || !HasHighByte(piece, n)) {
            used += n;
            return true;
        }
        size_t length = SingleByteLegacyToUtf8Length(piece, n);
        // The piece read is kept for its conversion.
        if (!MakeRoom(length, used + n, error)) return false;
        piece = text.get() + used;
        SingleByteLegacyToUtf8InPlace(piece, n, length);
        used += length;
        return true;
    }

    // The n bytes of the piece the reader holds, converted to the end of
    // the text. Room for the most they can take spares a pass for their
    // length.
    bool Convert(size_t n, ReadError& error) {
        if (end - used < 3 * n && !MakeRoom(SingleByteLegacyToUtf8Length(reader.Bytes(), n), used, error))
            return false;
        PrepareForWrite(text.get() + used, n);
        used += SingleByteLegacyToUtf8(reader.Bytes(), n, text.get() + used);
        return true;
    }

    // Room for at least minimum bytes, and for the rest of the file at the
    // rate the text so far grew: a file of many characters beyond ASCII is
    // copied a few times, not once a piece.
    bool Grow(size_t minimum, size_t keep, ReadError& error) {
        double done = static_cast<double>(reader.Done());
        double rest = static_cast<double>(reader.Size()) - done;
        double rate = done > 0 ? static_cast<double>(minimum) / done : 2.0;
        double wanted = static_cast<double>(minimum) + rest * rate * 1.03 + 256;
        size_t grown = std::max(minimum, capacity + capacity / 8);
        if (wanted > static_cast<double>(grown) && wanted < static_cast<double>(SIZE_MAX / 4))
            grown = static_cast<size_t>(wanted);
        return Resize(grown, keep, error);
    }

    // A new buffer of newCapacity bytes holding the first keep bytes of the old.
    bool Resize(size_t newCapacity, size_t keep, ReadError& error) {
        std::unique_ptr<char[]> bigger(AllocationFails() ? nullptr
                                                         : new (std::nothrow) char[newCapacity + kScanPadding]);
        if (!bigger) {
            error = ReadError::OutOfMemory;
            return false;
        }
        if (keep) std::memcpy(bigger.get(), text.get(), keep);
        text = std::move(bigger);
        capacity = newCapacity;
        end = capacity;
        return true;
    }

    PieceReader& reader;
    bool convert;
    std::unique_ptr<char[]> text;
    size_t capacity = 0;
    size_t used = 0;       // bytes of finished text
    size_t end = 0;        // where the room of this thread's text ends
    size_t limit = 0;      // the file's bytes this thread reads
    bool high = false;     // the last piece held bytes beyond ASCII
    // The second half's thread and where its text starts. Declared after
    // the text: its thread is stopped before the text it writes into is
    // freed.
    TailRead tail;
    size_t tailStart = 0;
};

}  // namespace

bool ReadRegFile(const char* path, RegText& out, ReadError& error, bool keepLegacy) {
    out = RegText();
    FileCloser file{OpenFileForRead(path)};
    if (!file.file) {
        out.systemError = LastSystemError();
        error = ReadError::Open;
        return false;
    }
    // Taken with the file open and shared for reading only: no other
    // program writes it between this and the read.
    out.stamp = GetFileStamp(path);
    uint64_t size = 0;
    if (!GetFileSize64(file.file, size)) {
        out.systemError = LastSystemError();
        error = ReadError::Read;
        return false;
    }
    if (size < 8) {
        error = ReadError::TooShort;
        return false;
    }
    if (size > SIZE_MAX / 2 - 64) {
        error = ReadError::OutOfMemory;
        return false;
    }
    PieceReader reader(file.file, static_cast<size_t>(size));
    if (!reader.Start(error)) {
        if (error == ReadError::Read) out.systemError = LastSystemError();
        return false;
    }
    const auto* b = reinterpret_cast<const unsigned char*>(reader.Bytes());
    if (b[0] == 0xFF && b[1] == 0xFE) return ReadWide(reader, out, error);
    bool utf8 = reader.Held() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF;
    if (!utf8 && !keepLegacy && (LegacyIsProgramText() || (ProgramTextIsUtf8() && LegacyIsSingleByte()))) {
        LegacyReader legacy(reader, !LegacyIsProgramText());
        if (!legacy.Read(path, out, error)) {
            if (error == ReadError::Read) out.systemError = LastSystemError();
            return false;
        }
        return Finish(out, error);
    }
    // Single-byte text is read whole, then converted where it must be; UTF-8
    // is rare enough to be converted from memory too.
    std::unique_ptr<char[]> bytes = NewPadded(reader.Size(), error);
    if (!bytes || !reader.CopyAll(bytes.get(), error)) return false;
    return DecodeBytes(std::move(bytes), reader.Size(), out, error, keepLegacy);
}

bool DecodeRegBytes(const char* bytes, size_t size, RegText& out, ReadError& error) {
    out = RegText();
    if (size < 8) {
        error = ReadError::TooShort;
        return false;
    }
    std::unique_ptr<char[]> text = NewPadded(size, error);
    if (!text) return false;
    std::memcpy(text.get(), bytes, size);
    return DecodeBytes(std::move(text), size, out, error);
}

const char* ReadErrorText(ReadError error) {
    switch (error) {
    case ReadError::None:
        return "no error";
    case ReadError::Open:
        return "the file cannot be opened";
    case ReadError::TooShort:
        return "the file is shorter than 8 bytes";
    case ReadError::Read:
        return "the file cannot be read";
    case ReadError::OutOfMemory:
        return "not enough memory for the file";
    case ReadError::Conversion:
        return "the UTF-16 text cannot be converted";
    case ReadError::Header:
        return "the file has no registry editor header";
    case ReadError::Aborted:
        return "the load was aborted";
    }
    return "unknown error";
}

bool RegDocument::Load(LoadJob& job) {
    RegText text;
    job.error = ReadError::None;
    job.systemError = 0;
    job.keys = 0;
    job.cleared = false;
    bool read = ReadRegFile(job.path.c_str(), text, job.error);
    job.systemError = text.systemError;
    if (!read) return false;
    if (abort.load() != 0) {
        job.error = ReadError::Aborted;
        return false;
    }
    if (job.clearFirst) {
        Clear();
        job.cleared = true;
    }
    job.dialect = text.dialect;
    job.unicode = text.unicode;
    job.lossy = text.lossy;
    job.utf8 = text.utf8;
    job.stamp = text.stamp;
    // The character data of a "REGEDIT4" file is legacy text, whatever the
    // file's own encoding.
    ParseResult parsed = ParseText(std::move(text.text), job.view, text.length, job.checkDuplicates, false, true);
    job.parseEnd = parsed.end;
    job.keys = parsed.keys;
    if (parsed) return true;
    job.error = parsed.end == ParseEnd::Stopped ? ReadError::Aborted
                : parsed.end == ParseEnd::OutOfMemory ? ReadError::OutOfMemory
                : ReadError::Header;
    // Part of a file is not the file: an open that stops leaves nothing of
    // it, so that no save can write the part over the whole.
    if (job.clearFirst) Clear();
    return false;
}

// Reading .reg files into the single-byte text buffer the parser works on.
#include <cstring>
#include <new>

#include "document/Platform.h"
#include "document/RegDocument.h"
#include "document/RegParser.h"

namespace {

// Closes the file on every path out.
struct FileCloser {
    FILE* file;
    ~FileCloser() {
        if (file) std::fclose(file);
    }
};

// UTF-16LE text after the byte-order mark, converted to ANSI. The buffer
// holds one byte per character; a code page that needs more (double-byte,
// UTF-8) gets a buffer of the size it needs.
bool ConvertWide(const char16_t* wide, size_t units, RegText& out, ReadError& error) {
    // 16 bytes after the capacity: the scanners read past the terminator
    // within that padding.
    size_t capacity = units + 5;
    std::unique_ptr<char[]> text(new (std::nothrow) char[capacity + 16]);
    if (!text) {
        error = ReadError::OutOfMemory;
        return false;
    }
    size_t n = WideToAnsi(wide, units, text.get(), capacity, &out.lossy);
    if (n == kConvertFailed) {
        size_t need = WideToAnsiLength(wide, units);
        if (need == kConvertFailed) {
            error = ReadError::Conversion;
            return false;
        }
        capacity = need + 5;
        text.reset(new (std::nothrow) char[capacity + 16]);
        if (!text) {
            error = ReadError::OutOfMemory;
            return false;
        }
        n = WideToAnsi(wide, units, text.get(), capacity, &out.lossy);
        if (n == kConvertFailed) {
            error = ReadError::Conversion;
            return false;
        }
    }
    std::memset(text.get() + n, 0, capacity + 16 - n);
    out.text = std::move(text);
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
    std::unique_ptr<char[]> converted(new (std::nothrow) char[length + lone + 16]);
    if (!converted) {
        error = ReadError::OutOfMemory;
        return false;
    }
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
    std::memset(o, 0, 16);
    out.text = std::move(converted);
    out.length += lone;
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
// the system's own conversion does.
std::unique_ptr<char16_t[]> Utf8ToWide(const unsigned char* s, size_t n, size_t& units) {
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

// Turns a file's bytes (followed by at least 16 NUL bytes) into the parser's
// single-byte text: UTF-16 with its mark and UTF-8 with its mark are
// converted, anything else is taken as it is.
bool DecodeBytes(std::unique_ptr<char[]> bytes, size_t size, RegText& out, ReadError& error) {
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
        std::unique_ptr<char16_t[]> wide = Utf8ToWide(b + 3, size - 3, units);
        if (!wide) {
            error = ReadError::OutOfMemory;
            return false;
        }
        bytes.reset();
        out.utf8 = true;
        return DecodeWide(wide.get(), units, 2 * units, out, error);
    }
    out.text = std::move(bytes);
    out.length = size;
    return Finish(out, error);
}

}  // namespace

bool ReadRegFile(const char* path, RegText& out, ReadError& error) {
    out = RegText();
    FileCloser file{OpenFileForRead(path)};
    if (!file.file) {
        error = ReadError::Open;
        return false;
    }
    uint64_t size = 0;
    if (!GetFileSize64(file.file, size)) {
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
    unsigned char mark[2];
    if (std::fread(mark, 1, 2, file.file) != 2) {
        error = ReadError::Read;
        return false;
    }
    size_t bytes = static_cast<size_t>(size);
    if (mark[0] == 0xFF && mark[1] == 0xFE) {
        // Read straight into the wide buffer: no copy of a large file.
        size_t units = (bytes - 2) / 2;
        std::unique_ptr<char16_t[]> wide(new (std::nothrow) char16_t[units + 1]);
        if (!wide) {
            error = ReadError::OutOfMemory;
            return false;
        }
        if (std::fread(wide.get(), 2, units, file.file) != units) {
            error = ReadError::Read;
            return false;
        }
        return DecodeWide(wide.get(), units, bytes, out, error);
    }
    // 16 spare bytes: the parser's vector scans may look past the terminator
    // within an aligned block, and the terminator must be there in any case.
    std::unique_ptr<char[]> text(new (std::nothrow) char[bytes + 16]);
    if (!text) {
        error = ReadError::OutOfMemory;
        return false;
    }
    text[0] = static_cast<char>(mark[0]);
    text[1] = static_cast<char>(mark[1]);
    if (std::fread(text.get() + 2, 1, bytes - 2, file.file) != bytes - 2) {
        error = ReadError::Read;
        return false;
    }
    std::memset(text.get() + bytes, 0, 16);
    return DecodeBytes(std::move(text), bytes, out, error);
}

bool DecodeRegBytes(const char* bytes, size_t size, RegText& out, ReadError& error) {
    out = RegText();
    if (size < 8) {
        error = ReadError::TooShort;
        return false;
    }
    std::unique_ptr<char[]> text(new (std::nothrow) char[size + 16]);
    if (!text) {
        error = ReadError::OutOfMemory;
        return false;
    }
    std::memcpy(text.get(), bytes, size);
    std::memset(text.get() + size, 0, 16);
    return DecodeBytes(std::move(text), size, out, error);
}

bool RegDocument::Load(LoadJob& job) {
    RegText text;
    job.error = ReadError::None;
    if (!ReadRegFile(job.path.c_str(), text, job.error)) return false;
    if (abort.load() != 0) {
        job.error = ReadError::Aborted;
        return false;
    }
    if (job.clearFirst) Clear();
    job.dialect = text.dialect;
    job.unicode = text.unicode;
    job.lossy = text.lossy;
    job.utf8 = text.utf8;
    ParseText(std::move(text.text), job.view, text.length, job.checkDuplicates, false);
    return true;
}

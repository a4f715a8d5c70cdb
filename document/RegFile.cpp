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

bool Finish(RegText& out, ReadError& error) {
    out.dialect = TestHeader(out.text.get());
    if (out.dialect == kNoDialect) {
        out.text.reset();
        error = ReadError::Header;
        return false;
    }
    error = ReadError::None;
    return true;
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
        out.unicode = true;
        out.length = bytes / 2;
        if (!ConvertWide(wide.get(), units, out, error)) return false;
        return Finish(out, error);
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
    out.text = std::move(text);
    out.length = bytes;
    return Finish(out, error);
}

bool DecodeRegBytes(const char* bytes, size_t size, RegText& out, ReadError& error) {
    out = RegText();
    if (size < 8) {
        error = ReadError::TooShort;
        return false;
    }
    if (static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        size_t units = (size - 2) / 2;
        std::unique_ptr<char16_t[]> wide(new (std::nothrow) char16_t[units + 1]);
        if (!wide) {
            error = ReadError::OutOfMemory;
            return false;
        }
        std::memcpy(wide.get(), bytes + 2, units * 2);
        out.unicode = true;
        out.length = size / 2;
        if (!ConvertWide(wide.get(), units, out, error)) return false;
        return Finish(out, error);
    }
    std::unique_ptr<char[]> text(new (std::nothrow) char[size + 16]);
    if (!text) {
        error = ReadError::OutOfMemory;
        return false;
    }
    std::memcpy(text.get(), bytes, size);
    std::memset(text.get() + size, 0, 16);
    out.text = std::move(text);
    out.length = size;
    return Finish(out, error);
}

bool RegDocument::Load(ReadError* error) {
    abort.store(0);
    RegText text;
    ReadError reason = ReadError::None;
    bool ok = ReadRegFile(loadRequest.path.c_str(), text, reason);
    if (ok && abort.load() != 0) {
        ok = false;
        reason = ReadError::Aborted;
    }
    if (!ok) {
        if (error) *error = reason;
        return false;
    }
    if (loadRequest.clearFirst) Clear();
    loadResult.dialect = text.dialect;
    loadResult.unicode = text.unicode;
    loadResult.lossy = text.lossy;
    ParseText(std::move(text.text), loadRequest.view, text.length, loadRequest.checkDuplicates, false);
    abort.store(0);
    if (error) *error = ReadError::None;
    return true;
}

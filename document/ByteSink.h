// Byte sinks for the writer: a buffered file sink and a growable memory
// sink. Every Write reports failure; a sink that failed once stays failed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool Write(const void* data, size_t size) = 0;
    bool Write(const char* text);  // NUL-terminated, terminator not written
    bool Failed() const { return failed; }

protected:
    bool failed = false;
};

// Growable block of memory. Allocation failure makes writes fail; it never throws.
class MemorySink : public ByteSink {
public:
    explicit MemorySink(size_t initialCapacity = 0);
    ~MemorySink() override;
    MemorySink(const MemorySink&) = delete;
    MemorySink& operator=(const MemorySink&) = delete;

    bool Write(const void* data, size_t size) override;
    using ByteSink::Write;
    bool Reserve(size_t capacity);
    void Clear() { size = 0; failed = false; }

    const char* Data() const { return data; }
    char* Data() { return data; }
    size_t Size() const { return size; }
    // Hands the block over (allocated with new char[]); the sink is empty after.
    char* Release();

private:
    char* data = nullptr;
    size_t size = 0;
    size_t capacity = 0;
};

// A file opened for writing (created or truncated). Writes are buffered;
// Close flushes to disk and reports whether everything reached the file.
class FileSink : public ByteSink {
public:
    FileSink() = default;
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    bool Open(const char* path);
    bool Write(const void* data, size_t size) override;
    using ByteSink::Write;
    bool Close();
    bool IsOpen() const { return file != nullptr; }
    // The system's code for the file operation that failed (0 when none did
    // or it left none), taken where it failed: closing the file after a
    // failed write would overwrite it.
    uint32_t SystemError() const { return systemError; }

private:
    void Fail();
    FILE* file = nullptr;
    uint32_t systemError = 0;
};

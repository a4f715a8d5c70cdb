// Byte sinks for the writer: a buffered file sink and a growable memory
// sink. Every Write reports failure; a sink that failed once stays failed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool Write(const void* data, size_t size) = 0;
    bool Write(const char* text);  // NUL-terminated, terminator not written
    bool Failed() const { return failed; }
    // Room for up to size bytes right after what was written, for a writer
    // that converts text straight into the sink: it fills the room, then
    // commits the bytes it used. Null when the sink has no such room (then
    // Write is the way).
    virtual char* Space(size_t size) {
        (void)size;
        return nullptr;
    }
    virtual void Commit(size_t used) { (void)used; }

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
    char* Space(size_t size) override;
    void Commit(size_t used) override { size += used; }
    bool Reserve(size_t capacity);
    void Clear() { size = 0; failed = false; }

    const char* Data() const { return data; }
    char* Data() { return data; }
    size_t Size() const { return size; }
    // Hands the block over (allocated with new char[]); the sink is empty after.
    char* Release();

private:
    // Room for count more bytes; false (and failed) when memory is short.
    bool Grow(size_t count);
    char* data = nullptr;
    size_t size = 0;
    size_t capacity = 0;
};

// A file opened for writing (created or truncated). Writes are gathered in
// a buffer of its own, which Space lends; a full buffer is written out on a
// thread of its own while the next one fills, so that making the text and
// copying it to the system take place side by side. Close flushes to disk
// and reports whether everything reached the file.
class FileSink : public ByteSink {
public:
    FileSink();
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    bool Open(const char* path);
    bool Write(const void* data, size_t size) override;
    using ByteSink::Write;
    char* Space(size_t size) override;
    void Commit(size_t used) override { buffered += used; }
    bool Close();
    bool IsOpen() const { return file != nullptr; }
    // The system's code for the file operation that failed (0 when none did
    // or it left none), taken where it failed: closing the file after a
    // failed write would overwrite it.
    uint32_t SystemError() const { return systemError; }

private:
    static constexpr size_t kBufferSize = size_t(1) << 22;
    struct WriteAhead;
    void Fail();
    // Hands the full buffer to the write-ahead thread and goes on in the
    // other one.
    bool HandOver();
    // Writes out what the buffer holds, after every buffer handed over.
    bool Flush();
    // Waits until the write-ahead thread has written what it was handed.
    bool WaitWritten();
    // Stops the write-ahead thread, once it has written what it holds.
    void StopWriteAhead();
    FILE* file = nullptr;
    uint32_t systemError = 0;
    std::unique_ptr<char[]> buffer;
    std::unique_ptr<char[]> spare;  // the buffer being written, or free
    std::unique_ptr<WriteAhead> ahead;
    size_t buffered = 0;
    uint64_t written = 0;  // bytes in the file
};

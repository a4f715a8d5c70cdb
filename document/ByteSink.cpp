#include "document/ByteSink.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include "document/FailPoint.h"
#include "document/Platform.h"

bool ByteSink::Write(const char* text) { return Write(text, std::strlen(text)); }

MemorySink::MemorySink(size_t initialCapacity) {
    if (initialCapacity) Reserve(initialCapacity);
}

MemorySink::~MemorySink() { delete[] data; }

bool MemorySink::Reserve(size_t wanted) {
    if (wanted <= capacity) return true;
    if (AllocationFails()) return false;
    char* grown = new (std::nothrow) char[wanted];
    if (!grown) return false;
    if (size) std::memcpy(grown, data, size);
    delete[] data;
    data = grown;
    capacity = wanted;
    return true;
}

bool MemorySink::Grow(size_t count) {
    if (failed) return false;
    if (count > capacity - size) {
        size_t wanted = capacity < 256 ? 256 : capacity;
        while (wanted - size < count) {
            if (wanted > SIZE_MAX / 2) {
                wanted = size + count;
                break;
            }
            wanted *= 2;
        }
        if (size + count < size || !Reserve(wanted)) {
            failed = true;
            return false;
        }
    }
    return true;
}

bool MemorySink::Write(const void* bytes, size_t count) {
    if (!Grow(count)) return false;
    if (count) std::memcpy(data + size, bytes, count);
    size += count;
    return true;
}

char* MemorySink::Space(size_t count) { return Grow(count) ? data + size : nullptr; }

char* MemorySink::Release() {
    char* block = data;
    data = nullptr;
    size = capacity = 0;
    return block;
}

namespace {

// Writes bytes at the end of the file and has the system start moving them
// to the disk at once, so that the flush at the end waits only for the last
// of them. written counts the bytes in the file.
bool WriteOut(FILE* file, const char* data, size_t size, uint64_t& written) {
    if (std::fwrite(data, 1, size, file) != size) return false;
    StartFlushToDisk(file, written, size);
    written += size;
    return true;
}

}  // namespace

// The thread that writes a full buffer while the next one fills. The
// system's error code is taken on this thread, where the write failed.
struct FileSink::WriteAhead {
    WriteAhead(FILE* target, uint64_t& fileSize) : file(target), written(fileSize), thread([this] { Run(); }) {}

    void Run() {
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            changed.wait(hold, [this] { return pending || stop; });
            if (!pending) return;
            const char* data = pending;
            size_t size = pendingSize;
            bool skip = failed;
            hold.unlock();
            bool ok = skip || WriteOut(file, data, size, written);
            uint32_t error = ok ? 0 : LastSystemError();
            hold.lock();
            if (!ok) {
                failed = true;
                systemError = error;
            }
            pending = nullptr;
            changed.notify_all();
        }
    }
    void Hand(const char* data, size_t size) {
        std::lock_guard<std::mutex> hold(lock);
        pending = data;
        pendingSize = size;
        changed.notify_all();
    }
    // False, with the system's code, when a write failed.
    bool Wait(uint32_t& error) {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [this] { return !pending; });
        if (failed) error = systemError;
        return !failed;
    }
    void Stop() {
        {
            std::lock_guard<std::mutex> hold(lock);
            stop = true;
            changed.notify_all();
        }
        thread.join();
    }

    FILE* file;
    uint64_t& written;  // the sink's, touched here only while a write is pending
    std::mutex lock;
    std::condition_variable changed;
    const char* pending = nullptr;
    size_t pendingSize = 0;
    bool stop = false;
    bool failed = false;
    uint32_t systemError = 0;
    std::thread thread;  // last: starts once the rest is made
};

FileSink::FileSink() = default;

FileSink::~FileSink() {
    if (file) {
        Flush();
        StopWriteAhead();
        std::fclose(file);
    }
}

void FileSink::Fail() {
    if (!failed) systemError = LastSystemError();
    failed = true;
}

bool FileSink::Open(const char* path) {
    if (file) {
        Flush();
        StopWriteAhead();
        std::fclose(file);
    }
    failed = false;
    systemError = 0;
    buffered = 0;
    written = 0;
    if (!buffer) buffer.reset(new (std::nothrow) char[kBufferSize]);
    file = buffer ? std::fopen(path, "wb") : nullptr;
    if (!file) {
        Fail();
        return false;
    }
    // The sink's own buffer gathers the small pieces; large writes go
    // straight through.
    std::setvbuf(file, nullptr, _IONBF, 0);
    return true;
}

bool FileSink::WaitWritten() {
    if (!ahead || failed) return !failed;
    uint32_t error = 0;
    if (!ahead->Wait(error)) {
        failed = true;
        systemError = error;
    }
    return !failed;
}

void FileSink::StopWriteAhead() {
    if (!ahead) return;
    WaitWritten();
    ahead->Stop();
    ahead.reset();
}

bool FileSink::HandOver() {
    if (!WaitWritten()) return false;
    // Without a second buffer or a thread (memory is short) the sink writes
    // on this thread.
    if (!spare) spare.reset(new (std::nothrow) char[kBufferSize]);
    if (spare && !ahead) {
        try {
            ahead = std::make_unique<WriteAhead>(file, written);
        } catch (...) {
            ahead.reset();
        }
    }
    if (!spare || !ahead) return Flush();
    std::swap(buffer, spare);
    ahead->Hand(spare.get(), buffered);
    buffered = 0;
    return true;
}

bool FileSink::Flush() {
    if (!WaitWritten()) return false;
    if (buffered && !WriteOut(file, buffer.get(), buffered, written)) Fail();
    buffered = 0;
    return !failed;
}

bool FileSink::Write(const void* bytes, size_t count) {
    if (failed || !file) return false;
    if (count >= kBufferSize) {
        if (!Flush()) return false;
        // In pieces, each on its way to the disk before the next is written.
        const char* data = static_cast<const char*>(bytes);
        for (size_t done = 0; done < count && !failed; done += kBufferSize)
            if (!WriteOut(file, data + done, std::min(kBufferSize, count - done), written)) Fail();
        return !failed;
    }
    if (count > kBufferSize - buffered && !HandOver()) return false;
    if (count) std::memcpy(buffer.get() + buffered, bytes, count);
    buffered += count;
    return true;
}

char* FileSink::Space(size_t count) {
    if (failed || !file || count > kBufferSize) return nullptr;
    if (count > kBufferSize - buffered && !HandOver()) return nullptr;
    return buffer.get() + buffered;
}

bool FileSink::Close() {
    if (!file) return false;
    bool ok = Flush() && FlushFileToDisk(file);
    if (!ok) Fail();
    StopWriteAhead();
    if (std::fclose(file) != 0) {
        ok = false;
        Fail();
    }
    file = nullptr;
    return ok;
}

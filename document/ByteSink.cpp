#include "document/ByteSink.h"

#include <cstring>
#include <new>

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

FileSink::~FileSink() {
    if (file) {
        Flush();
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
        std::fclose(file);
    }
    failed = false;
    systemError = 0;
    buffered = 0;
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

bool FileSink::Flush() {
    if (buffered && !failed && std::fwrite(buffer.get(), 1, buffered, file) != buffered) Fail();
    buffered = 0;
    return !failed;
}

bool FileSink::Write(const void* bytes, size_t count) {
    if (failed || !file) return false;
    if (count > kBufferSize - buffered && !Flush()) return false;
    if (count >= kBufferSize) {
        if (std::fwrite(bytes, 1, count, file) != count) Fail();
        return !failed;
    }
    if (count) std::memcpy(buffer.get() + buffered, bytes, count);
    buffered += count;
    return true;
}

char* FileSink::Space(size_t count) {
    if (failed || !file || count > kBufferSize) return nullptr;
    if (count > kBufferSize - buffered && !Flush()) return nullptr;
    return buffer.get() + buffered;
}

bool FileSink::Close() {
    if (!file) return false;
    bool ok = Flush() && FlushFileToDisk(file);
    if (!ok) Fail();
    if (std::fclose(file) != 0) {
        ok = false;
        Fail();
    }
    file = nullptr;
    return ok;
}

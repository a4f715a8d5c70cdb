// The second half of a large single-byte file, read on a thread of its own
// while the loader reads the first half: reading a file into fresh memory is
// mostly the system's work of giving the memory its pages, and two threads
// get through it in about half the time. The half is read (its legacy text
// converted to program text) into a part of the text buffer that the first
// half does not reach, and moved up to the first half's end after both.
#pragma once

#include <cstddef>
#include <string>
#include <thread>

// Makes the pages of [p, p + n) present and writable ahead of a copy into
// them: one call for many pages instead of one fault a page, each taken in
// the middle of the copy. Only a hint; nothing is written.
void PrepareForWrite(char* p, size_t n);

class TailRead {
public:
    TailRead() = default;
    TailRead(const TailRead&) = delete;
    TailRead& operator=(const TailRead&) = delete;
    ~TailRead() { Stop(); }

    // Starts reading the file at path from byte from up to byte size into
    // [out, out + room), as program text (convert: from single-byte legacy
    // text). False when no thread could be started.
    bool Start(const char* path, size_t from, size_t size, char* out, size_t room, bool convert);
    bool Running() const { return thread.joinable(); }
    // Waits for the thread. True with the text's length when all of the
    // half was read and fitted; false when the half must be read again.
    bool Finish(size_t& length);
    // Waits for the thread and drops what it read.
    void Stop();

private:
    void Run();

    std::thread thread;
    std::string path;
    size_t from = 0;
    size_t size = 0;
    char* out = nullptr;
    size_t room = 0;
    bool convert = false;
    // Set by the thread, read after it is joined.
    bool done = false;
    size_t length = 0;
};

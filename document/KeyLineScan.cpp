#include "document/KeyLineScan.h"

#include <cstring>
#include <new>

#include "document/FailPoint.h"
#include "document/RegParser.h"
#include "document/TextScan.h"
#include "document/ValueCodec.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

// Blocks whose recoded character data does not fit where they were, cut
// from chunks that the document keeps among its buffers: one allocation for
// many blocks, and no header or spare room for each.
class BlockArena {
public:
    explicit BlockArena(std::vector<std::unique_ptr<char[]>>& documentBuffers) : buffers(documentBuffers) {}

    // Room for size bytes; null when out of memory. The document's buffers
    // keep room for the parsed text's own buffer (ParseText reserved it).
    char* Allocate(size_t size) {
        if (size <= left) {
            char* p = next;
            next += size;
            left -= size;
            return p;
        }
        bool own = size > kChunk / 4;  // a large block gets a chunk of its own
        size_t chunk = own ? size : kChunk;
        std::unique_ptr<char[]> block(AllocationFails() ? nullptr : new (std::nothrow) char[chunk]);
        if (!block) return nullptr;
        buffers.reserve(buffers.size() + 2);
        char* p = block.get();
        buffers.push_back(std::move(block));
        if (!own) {
            next = p + size;
            left = chunk - size;
        }
        return p;
    }

private:
    static constexpr size_t kChunk = size_t(1) << 16;
    std::vector<std::unique_ptr<char[]>>& buffers;
    char* next = nullptr;
    size_t left = 0;
};

namespace {

#if defined(__SSE2__)
// One line of hex data from p: its end (its first CR or LF, or end), whether
// it holds a high hex digit followed by another hex digit (the last two
// digits of a byte of 0x80 or above), and whether it holds a backslash. One
// pass of sixteen bytes at a time; the loads may read up to sixteen bytes
// past end, which the padding of a parse buffer allows.
struct HexLine {
    const char* end;
    bool highPair;
    bool backslash;
};

HexLine ScanHexLine(const char* p, const char* end) {
    HexLine line{p, false, false};
    if (p >= end) return line;
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), slash = _mm_set1_epi8('\\');
    for (;; p += 16) {
        size_t left = static_cast<size_t>(end - p);
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        unsigned breaks = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf))));
        unsigned pairs = textscan::HighDigitPairs(v, w);
        unsigned slashes = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, slash)));
        if (!(breaks | pairs) && left > 16) {
            // The whole block is on the line, and holds no pair.
            line.backslash = line.backslash || slashes;
            continue;
        }
        // k: the bytes of the block on the line and inside the data.
        unsigned k = breaks ? static_cast<unsigned>(__builtin_ctz(breaks)) : 16;
        if (left < k) k = static_cast<unsigned>(left);
        // A pair needs its second digit on the line too.
        unsigned pairBits = k == 16 && left > 16 ? 0xFFFFu : k ? (1u << (k - 1)) - 1 : 0;
        if (pairs & pairBits) {
            line.highPair = true;
            return line;
        }
        unsigned lineBits = k == 16 ? 0xFFFFu : (1u << k) - 1;
        if (slashes & lineBits) line.backslash = true;
        if (k < 16 || left <= 16) {
            line.end = p + k;
            return line;
        }
    }
}

// Whether hex data from p may give a byte of 0x80 or above, looking on at
// the lines after while a line holds a backslash or is blank or a comment
// (which a continuation skips): the same answer as MayRecodeHexData gives
// for one value, in one pass over each line.
bool HexDataMayBeHigh(const char* p, const char* end) {
    for (bool first = true;; first = false) {
        HexLine line = ScanHexLine(p, end);
        if (line.highPair) return true;
        const char* text = SkipLineIndent(p);
        bool skipped = !first && (text >= line.end || *text == ';');
        if (!skipped && !line.backslash) return false;
        p = line.end;
        while (p < end && IsLineEnd(*p)) ++p;
        if (p >= end) return false;
    }
}
#endif

// Whether the block [paren, paren + length) may hold hex(2) or hex(7) data
// with bytes beyond ASCII: the answer of MayRecodeHexData, found faster.
bool BlockMayRecode(const char* paren, size_t length) {
#if defined(__SSE2__)
    const char* end = paren + length;
    for (const char* p = paren; p + 4 <= end; ++p) {
        p = static_cast<const char*>(std::memchr(p, '(', static_cast<size_t>(end - p)));
        if (!p || p + 4 > end) break;
        if ((p[1] == '2' || p[1] == '7') && p[2] == ')' && p[3] == ':' && HexDataMayBeHigh(p + 4, end)) return true;
    }
    return false;
#else
    return MayRecodeHexData(paren, length);
#endif
}

// The block from values to next (the next key line's "[", or null for the
// end of the text; no NUL lies between values and a next key line) with its
// legacy character data as program text. paren: the block's first "(", null
// when it has none. Only
// blocks with hex(2) or hex(7) data beyond ASCII change. The recoded text
// goes where the block was when it fits there (inPlace), its rewritten data
// on one line each, the shortest text; it may start at free, the end of its
// key line's "]" (the rest of that line and its line break are read no
// more). Else it goes into the arena, its data broken into lines as the
// registry editor writes them. Returns the block's text (values itself when
// nothing changed), null when memory is short.
char* RecodeLegacyBlock(char* values, char* next, const char* paren, char* free, bool inPlace, MemorySink& recoded,
                        BlockArena& arena) {
    // Most blocks hold no "hex(" at all.
    if (!paren) return values;
    // The block ends at the next key line, or at the end of the text.
    size_t fromParen = next ? static_cast<size_t>(next - paren) : std::strlen(paren);
    size_t length = static_cast<size_t>(paren - values) + fromParen;
    // Most of the others hold no "hex(2)" or "hex(7)" data beyond ASCII
    // (which no text before the first "(" can be).
    if (!BlockMayRecode(paren, fromParen)) return values;
    // The block's place runs to the next key line, whose "[" becomes a NUL
    // anyway; the last block's to the end of the text.
    size_t room = static_cast<size_t>((next ? next : values + length) - free);
    size_t converted = 0;
    if (inPlace) {
        recoded.Clear();
        if (!RecodeHexData(values, length, recoded, CharForm::Legacy, CharForm::Program, nullptr, &converted, false))
            return nullptr;
        if (converted == 0) return values;
        if (recoded.Size() <= room) {
            std::memcpy(free, recoded.Data(), recoded.Size());
            free[recoded.Size()] = '\0';
            return free;
        }
    }
    recoded.Clear();
    if (!RecodeHexData(values, length, recoded, CharForm::Legacy, CharForm::Program, nullptr, &converted))
        return nullptr;
    if (converted == 0) return values;
    char* copy = arena.Allocate(recoded.Size() + 1);
    if (!copy) return nullptr;
    std::memcpy(copy, recoded.Data(), recoded.Size());
    copy[recoded.Size()] = '\0';
    return copy;
}

}  // namespace

KeyLineScan::KeyLineScan(char* text, bool recodeText, bool inPlaceAllowed,
                         std::vector<std::unique_ptr<char[]>>& buffers, const std::atomic<int32_t>& abortFlag)
    : recode(recodeText), inPlace(inPlaceAllowed), abort(abortFlag), arena(std::make_unique<BlockArena>(buffers)) {
    keyLine = const_cast<char*>(FindNextKeyLine(text, text, nextClose, nullptr));
}

KeyLineScan::~KeyLineScan() = default;

KeyLineStep KeyLineScan::Next(KeyLineFound& found) {
    if (!keyLine) return KeyLineStep::End;
    if (abort.load(std::memory_order_relaxed) != 0) return KeyLineStep::Stopped;
    found = KeyLineFound();
    found.keyLine = keyLine;
    *keyLine = '\0';
    // Found with the key line: the "]" of the line.
    char* close = const_cast<char*>(nextClose);
    *close = '\0';
    found.close = close;
    char* values = close + 1;
    while (*values && !IsLineEnd(*values)) ++values;
    while (IsLineIndent(*values) || IsLineEnd(*values)) ++values;
    found.values = values;
    // The byte after "]" is left alone: it is the line break that makes the
    // next "[" a key line when the key has no values.
    const char* paren = nullptr;
    char* next = const_cast<char*>(FindNextKeyLine(close, values, nextClose, recode ? &paren : nullptr));
    found.next = next;
    keyLine = next;
    if (next != values && *values) {
        char* block = values;
        if (recode) {
            try {
                block = RecodeLegacyBlock(values, next, paren, close + 1, inPlace, recoded, *arena);
            } catch (const std::bad_alloc&) {
                block = nullptr;
            }
        }
        if (!block) {
            // The key stays without its values: its text is legacy text,
            // which read as program text would change. The walk ends here.
            found.outOfMemory = true;
            keyLine = nullptr;
        }
        found.block = block;
    }
    return KeyLineStep::Found;
}

KeyLineSource::KeyLineSource(KeyLineScan& lines, bool ahead) : scan(lines) {
    if (!ahead) return;
    batches.reset(new (std::nothrow) Batch[kBatches]);
    if (!batches) return;
    try {
        thread = std::thread([this] { Run(); });
    } catch (...) {
        batches.reset();  // taken on this thread after all
    }
}

KeyLineSource::~KeyLineSource() {
    if (!thread.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(lock);
        stop = true;
        changed.notify_all();
    }
    thread.join();
}

void KeyLineSource::Run() {
    for (;;) {
        {
            std::unique_lock<std::mutex> hold(lock);
            changed.wait(hold, [this] { return stop || filled - taken < kBatches; });
            if (stop) return;
        }
        // The batch is this thread's until it is handed over.
        Batch& batch = batches[filled % kBatches];
        batch.count = 0;
        batch.last = KeyLineStep::Found;
        while (batch.count < kBatch && (batch.last = scan.Next(batch.lines[batch.count])) == KeyLineStep::Found)
            ++batch.count;
        std::lock_guard<std::mutex> hold(lock);
        ++filled;
        changed.notify_all();
        if (batch.last != KeyLineStep::Found) return;
    }
}

KeyLineStep KeyLineSource::Next(KeyLineFound& found) {
    if (!thread.joinable()) return scan.Next(found);
    for (;;) {
        // A batch handed over is read without the lock until it is done.
        if (current) {
            if (position < current->count) {
                found = current->lines[position++];
                return KeyLineStep::Found;
            }
            if (current->last != KeyLineStep::Found) return current->last;
            std::lock_guard<std::mutex> hold(lock);
            ++taken;  // the finder may fill it again
            current = nullptr;
            position = 0;
            changed.notify_all();
        }
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [this] { return filled > taken; });
        current = &batches[taken % kBatches];
    }
}

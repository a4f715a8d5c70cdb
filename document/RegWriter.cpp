#include "document/RegWriter.h"

#include <cstring>
#include <string>
#include <vector>

#include "document/ByteSink.h"
#include "document/DocumentSinks.h"
#include "document/Platform.h"
#include "document/RegDocument.h"
#include "document/RegParser.h"
#include "document/TextScan.h"
#include "document/Utf8.h"
#include "document/ValueCodec.h"

namespace {

constexpr char kHeader4[] = "REGEDIT4\r\n\r\n";
constexpr char kHeader5[] = "Windows Registry Editor Version 5.00\r\n\r\n";

// Writes program text to the sink as it is, or converted to UTF-16LE or to
// the legacy code page. Conversions go through scratch buffers reused from
// piece to piece; ASCII text, nearly all of a file, goes out as it is.
class TextOut {
public:
    TextOut(ByteSink& sink, TextForm textForm, LostCharacters* lostChars)
        : out(sink), form(textForm == TextForm::Legacy && LegacyIsProgramText() ? TextForm::Program : textForm),
          lost(lostChars) {}

    bool Write(const char* text, size_t size) {
        if (form == TextForm::Program) return out.Write(text, size);
        bool bySingleBytes = form == TextForm::Legacy && ProgramTextIsUtf8() && LegacyIsSingleByte();
        if (bySingleBytes) {
            // Never longer than the UTF-8 text: one byte a character. Straight
            // into the sink where it lends room, in the one pass that copies
            // the ASCII.
            if (char* space = out.Space(size)) {
                out.Commit(Utf8ToSingleByteLegacy(text, size, space, lost));
                return true;
            }
        }
        if (form == TextForm::Legacy && !HasHighByte(text, size)) return out.Write(text, size);
        if (bySingleBytes) {
            if (narrow.size() < size) narrow.resize(size);
            size_t n = Utf8ToSingleByteLegacy(text, size, narrow.data(), lost);
            return out.Write(narrow.data(), n);
        }
        // Large texts in pieces that end at a line break, so that no
        // character is split.
        while (size > 0) {
            size_t piece = size;
            if (piece > kPiece) {
                piece = kPiece;
                while (piece > 1 && text[piece - 1] != '\n') --piece;
                if (piece <= 1) piece = CharacterPrefix(std::string_view(text, size), kPiece);
            }
            if (form == TextForm::Utf16) {
                // Never more units than bytes of program text.
                char* space = out.Space(piece * sizeof(char16_t));
                if (space && reinterpret_cast<uintptr_t>(space) % alignof(char16_t) == 0) {
                    size_t n = ProgramToWide(text, piece, reinterpret_cast<char16_t*>(space), piece);
                    if (n == kConvertFailed) return false;
                    out.Commit(n * sizeof(char16_t));
                    text += piece;
                    size -= piece;
                    continue;
                }
            }
            if (scratch.size() < piece) scratch.resize(piece);
            size_t n = ProgramToWide(text, piece, scratch.data(), scratch.size());
            if (n == kConvertFailed) return false;
            if (form == TextForm::Utf16) {
                if (!out.Write(scratch.data(), n * sizeof(char16_t))) return false;
            } else {
                size_t need = WideToLegacyLength(scratch.data(), n);
                if (need == kConvertFailed) return false;
                if (narrow.size() < need) narrow.resize(need);
                size_t m = WideToLegacy(scratch.data(), n, narrow.data(), narrow.size(), lost);
                if (m == kConvertFailed || !out.Write(narrow.data(), m)) return false;
            }
            text += piece;
            size -= piece;
        }
        return !out.Failed();
    }
    bool Write(const char* text) { return Write(text, std::strlen(text)); }
    bool Write(const std::string& text) { return Write(text.data(), text.size()); }

    // The form dialect-4 character data takes in this text.
    CharForm Dialect4Chars() const { return form == TextForm::Program ? CharForm::Program : CharForm::Legacy; }
    LostCharacters* Lost() const { return lost; }
    // An empty sink for a converted block, reused from block to block.
    MemorySink& Scratch() {
        converted.Clear();
        return converted;
    }

private:
    static constexpr size_t kPiece = 1 << 20;
    ByteSink& out;
    TextForm form;
    LostCharacters* lost;
    std::vector<char16_t> scratch;
    std::vector<char> narrow;
    MemorySink converted;
};

// A sink that keeps nothing: the dry run of a save.
class NullSink : public ByteSink {
public:
    bool Write(const void*, size_t) override { return true; }
};

// Whether a block has a "hex(2)" or "hex(7)" anywhere (from its first "("
// on): most have none and need no dialect conversion at all.
bool HoldsCharData(const char* text, size_t length, const char* from) {
    const char* end = text + length;
    for (const char* p = from;;) {
        p = textscan::FindAny2(p, '(', '(');
        if (*p == '\0' || p >= end) return false;
        if (p - text >= 3 && end - p >= 3 && (p[1] == '2' || p[1] == '7') && p[2] == ')' && (p[-1] | 0x20) == 'x' &&
            (p[-2] | 0x20) == 'e' && (p[-3] | 0x20) == 'h')
            return true;
        ++p;
    }
}

// The length of a text and its first "(" (null when it has none), in one
// scan: blocks without one need no look for character data.
size_t LengthAndFirstParen(const char* text, const char*& paren) {
    const char* p = textscan::FindAny2(text, '(', '(');
    paren = *p ? p : nullptr;
    return static_cast<size_t>(p - text) + (*p ? std::strlen(p) : 0);
}

bool WriteBlock(TextOut& text, const ValueBlock& block, RegDialect dialect) {
    // Inside the program dialect-4 data is program text; the text written
    // wants legacy text there, or UTF-16 for dialect 5.
    CharForm from = block.dialect == kRegedit5 ? CharForm::Wide : CharForm::Program;
    CharForm to = dialect == kRegedit5 ? CharForm::Wide : text.Dialect4Chars();
    const char* paren = nullptr;
    size_t length = from == to ? std::strlen(block.text) : LengthAndFirstParen(block.text, paren);
    // Hex data that still continues at the end of the block (the file ended
    // there) would take in the next key line: the text stops before its
    // backslash, which changes none of its bytes (blank and comment lines
    // after it go with it).
    const char* danglingAt = FindDanglingContinuation(block.text, length);
    bool dangling = danglingAt != nullptr;
    size_t writeLength = length;
    if (dangling) {
        writeLength = static_cast<size_t>(danglingAt - block.text);
        while (writeLength && IsLineIndent(block.text[writeLength - 1])) --writeLength;
    }
    bool ok;
    bool singleBytes = from != CharForm::Wide && to != CharForm::Wide;
    // Between the two single-byte forms only data beyond ASCII changes; no
    // character data starts before the first "(".
    size_t fromParen = paren ? static_cast<size_t>(paren - block.text) : writeLength;
    if (from == to || fromParen >= writeLength ||
        (singleBytes ? !MayRecodeHexData(paren, writeLength - fromParen)
                     : !HoldsCharData(block.text, writeLength, paren))) {
        ok = text.Write(block.text, writeLength);
    } else {
        MemorySink& converted = text.Scratch();
        if (to == CharForm::Wide)
            ok = WidenHexData(block.text, writeLength, converted, from);
        else if (from == CharForm::Wide)
            ok = NarrowHexData(block.text, writeLength, converted, to, text.Lost());
        else
            ok = RecodeHexData(block.text, writeLength, converted, from, to, text.Lost());
        ok = ok && text.Write(converted.Data(), converted.Size());
    }
    // A block that ends without a line break (the last one of a file) would
    // glue the next key line or block onto its last value line.
    size_t last = writeLength;
    while (last && block.text[last - 1] == ' ') --last;
    if (dangling || (last && block.text[last - 1] != '\n' && block.text[last - 1] != '\r'))
        ok = ok && text.Write("\r\n", 2);
    return ok;
}

void CountProgress(WriteProgress* progress) {
    if (!progress) return;
    ++progress->keysWritten;
    if (progress->keysToWrite == 0) return;
    int percent = static_cast<int>(progress->keysWritten * 100 / progress->keysToWrite);
    if (percent > progress->lastPercent + 5) {
        if (progress->sink) progress->sink->SetProgress(percent);
        progress->lastPercent = percent;
    }
}

// The file is written beside its target and moved over it only once it is
// complete and on disk, so a failed save never costs the old file.
std::string TemporaryPathFor(const char* path) { return std::string(path) + ".quillon-tmp"; }

}  // namespace

namespace {

// Whether text holds anything but blanks and line breaks.
bool HoldsText(const std::string& text) {
    for (char c : text)
        if (!IsLineIndent(c) && c != '\r' && c != '\n') return true;
    return false;
}

// The header line and what follows it up to the first key line: the
// preamble when it holds text (comments), else the one blank line the
// program writes there.
bool WriteHeader(ByteSink& out, TextForm form, RegDialect dialect, const std::string& preamble,
                 LostCharacters* lost) {
    const char* header = dialect == kRegedit4 ? kHeader4 : kHeader5;
    if (form == TextForm::Utf16) {
        static const unsigned char kMark[2] = {0xFF, 0xFE};
        if (!out.Write(kMark, 2)) return false;
    }
    TextOut text(out, form, lost);
    if (!HoldsText(preamble)) return text.Write(header);
    // The header line alone: its blank line is the preamble's to give.
    bool ok = text.Write(header, std::strlen(header) - 2) && text.Write(preamble);
    char last = preamble.back();
    return ok && (last == '\n' || last == '\r' || text.Write("\r\n", 2));
}

}  // namespace

bool WriteHeader(ByteSink& out, TextForm form, RegDialect dialect) {
    return WriteHeader(out, form, dialect, std::string(), nullptr);
}

bool WriteHeader(ByteSink& out, bool unicode, RegDialect dialect) {
    return WriteHeader(out, unicode ? TextForm::Utf16 : TextForm::Program, dialect);
}

bool WriteKeyTree(const KeyNode* key, ByteSink& out, bool unicode, RegDialect dialect, WriteProgress* progress) {
    return WriteKeyTree(key, out, unicode ? TextForm::Utf16 : TextForm::Program, dialect, progress);
}

bool WriteKeyTree(const KeyNode* key, ByteSink& out, TextForm form, RegDialect dialect, WriteProgress* progress,
                  LostCharacters* lost) {
    TextOut text(out, form, lost);
    // Depth first without recursion; the path of the current key is kept in
    // one string that grows and shrinks with the walk.
    std::string path = key->parent ? key->parent->Path() + '\\' : std::string();
    std::vector<size_t> lengths;
    std::string line;
    const KeyNode* k = key;
    bool ok = true;
    for (;;) {
        lengths.push_back(path.size());
        if (k != key) path += '\\';
        path += k->name;
        if (k->HasKeyLine()) {
            line.clear();
            line += '[';
            line += path;
            line += "]\r\n";
            ok = text.Write(line) && ok;
            if (k->HasValueText()) {
                // Blocks go out in file order, so that a merge of the saved
                // file sets what a merge of the loaded one set.
                for (size_t i = 0, blocks = k->BlockCount(); i < blocks; ++i)
                    ok = WriteBlock(text, k->Block(i), dialect) && ok;
            } else {
                ok = text.Write("\r\n", 2) && ok;
            }
            CountProgress(progress);
            if (!ok) return false;
        }
        if (k->firstChild) {
            k = k->firstChild;
            continue;
        }
        // Leave finished keys, then go on with the next sibling.
        for (;;) {
            path.resize(lengths.back());
            lengths.pop_back();
            if (k == key) return ok;
            if (k->nextSibling) break;
            k = k->parent;
        }
        k = k->nextSibling;
    }
}

// No registry editor writes zero bytes after a file's text or needs them
// (and they make tools take a "REGEDIT4" file for binary): files end with
// their text. Texts handed over in memory (clipboard text) end with a NUL.
bool WriteEnd(ByteSink& out) {
    static const char kZeros[2] = {0, 0};
    return out.Write(kZeros, 2);
}

bool WriteDocument(RegDocument& document, ByteSink& out, TextForm form, RegDialect dialect, LostCharacters* lost) {
    WriteProgress progress;
    progress.sink = document.owner;
    progress.keysToWrite = document.CountKeysToWrite();
    if (!WriteHeader(out, form, dialect, document.preamble, lost)) return false;
    for (const KeyNode* root : document.roots)
        if (!WriteKeyTree(root, out, form, dialect, &progress, lost)) return false;
    return true;
}

bool WriteDocument(RegDocument& document, ByteSink& out, bool unicode, RegDialect dialect) {
    return WriteDocument(document, out, unicode ? TextForm::Utf16 : TextForm::Legacy, dialect);
}

LostCharacters FindLostCharacters(RegDocument& document, RegDialect dialect, bool unicode) {
    LostCharacters lost;
    if (unicode && dialect == kRegedit5) return lost;
    TextForm form = unicode ? TextForm::Utf16 : TextForm::Legacy;
    NullSink sink;
    WriteProgress progress;
    progress.sink = document.owner;
    progress.keysToWrite = document.CountKeysToWrite();
    if (!WriteHeader(sink, form, dialect, document.preamble, &lost)) return lost;
    for (const KeyNode* root : document.roots)
        if (!WriteKeyTree(root, sink, form, dialect, &progress, &lost)) break;
    return lost;
}

namespace {

// Writes to a temporary file beside path with write(FileSink&) and replaces
// path only when that succeeded and the file closed; else the temporary goes.
// systemError (may be null) gets the code of the file operation that failed,
// 0 when the failure was not the file's (a conversion, memory).
template <class Write>
bool ReplaceWithWritten(const char* path, Write&& write, uint32_t* systemError) {
    uint32_t error = 0;
    std::string temporary = TemporaryPathFor(path);
    FileSink file;
    bool ok = file.Open(temporary.c_str());
    if (ok) {
        ok = write(file);
        ok = file.Close() && ok;
        error = file.SystemError();
        if (ok && !ReplaceFileWith(temporary.c_str(), path)) {
            ok = false;
            error = LastSystemError();
        }
        if (!ok) RemoveFile(temporary.c_str());
    } else {
        error = file.SystemError();
    }
    if (systemError) *systemError = ok ? 0 : error;
    return ok;
}

}  // namespace

bool SaveTo(RegDocument& document, const char* path, bool unicode, RegDialect dialect, uint32_t* systemError) {
    TextForm form = unicode ? TextForm::Utf16 : TextForm::Legacy;
    return ReplaceWithWritten(
        path, [&](FileSink& file) { return WriteDocument(document, file, form, dialect); }, systemError);
}

bool WriteBranchFile(RegDocument&, const KeyNode* key, const char* path, bool unicode, RegDialect dialect,
                     uint32_t* systemError) {
    if (systemError) *systemError = 0;
    MemorySink memory;
    TextForm form = unicode ? TextForm::Utf16 : TextForm::Legacy;
    if (!WriteHeader(memory, form, dialect)) return false;
    if (!WriteKeyTree(key, memory, form, dialect, nullptr)) return false;
    return ReplaceWithWritten(
        path, [&](FileSink& file) { return file.Write(memory.Data(), memory.Size()); }, systemError);
}

// The check of a file: every line the registry editor would skip or read
// otherwise than it looks, with its reason, from the parser's own reading
// (the parser tells a LineObserver of each line).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "document/DocumentSinks.h"
#include "document/RegDialect.h"
#include "document/RegDocument.h"
#include "document/RegFile.h"

// How the registry editor takes a line: it skips it (or stops reading the
// value), reads it differently than it looks, or reads it as meant (style).
enum class Severity : uint8_t { Skipped, Differs, Note };
inline constexpr size_t kSeverityCount = 3;

// Why a line was given a verdict; the reasons' texts are numbered alike.
enum class CheckCode : uint8_t {
    // Skipped.
    BadHeader,
    Utf8Mark,
    ValueBeforeKey,
    UnknownRoot,
    AbbreviatedRoot,
    RootDeletion,
    UnterminatedString,
    StringEndsInBackslash,
    StringRunsOn,
    TextAfterString,
    UnescapedQuote,
    BadHex,
    DwordEmpty,
    DwordTooLong,
    DwordNotHex,
    TypeInCapitals,
    StrayHexLine,
    NameNotClosed,
    NoEquals,
    TextBeforeEquals,
    TwoEquals,
    UnknownData,
    BracketLine,
    NotAValue,
    // Differs.
    TextAfterKey,
    ValueRepeated,
    Utf16InRegedit4,
    SingleByteIn5,
    // Note.
    KeyRepeated,
    SpacesAroundEquals,
    OddHexDigits,
    QwordInRegedit4,
    LfLineEnds,
};
inline constexpr size_t kCheckCodeCount = static_cast<size_t>(CheckCode::LfLineEnds) + 1;

Severity SeverityOf(CheckCode code);
// "skipped", "differs", "note".
const char* SeverityName(Severity severity);
// The reason in English; "%s" stands for the verdict's detail.
const char* CheckReasonText(CheckCode code);

struct LineVerdict {
    size_t line = 0;  // of the file as loaded, from 1; a continued value's first line
    CheckCode code = CheckCode::NotAValue;
    Severity severity = Severity::Skipped;
    std::string key;     // the key path as written; empty before the first key line
    std::string value;   // the value's name as written between its quotes
    bool isValue = false;  // the line sets or names a value (value may be empty: "@")
    std::string detail;  // what the reason's "%s" stands for
};
// The reason with its "%s" filled in from the detail.
std::string VerdictReason(const LineVerdict& verdict, const char* reasonText);

// Checks a file's lines. Verdicts are handed to the sink in line order as
// they are found; nothing of them is kept here, so that a file of millions
// of bad lines costs no more memory than opening it.
class LineCheck {
public:
    using VerdictSink = std::function<void(LineVerdict&&)>;
    explicit LineCheck(VerdictSink sink) : sink_(std::move(sink)) {}

    // The stop flag: 0 while a check may run (the caller sets it, as for a
    // load), non-zero to stop it at the next key line.
    std::atomic<int32_t>& StopFlag() { return document_.abort; }
    void SetProgress(ProgressSink* progress) { document_.owner = progress; }

    // False when the file cannot be read (error says why). A text with no
    // header the program reads is a read error too.
    bool CheckFile(const char* path, ReadError& error);
    bool CheckBytes(const char* bytes, size_t size, ReadError& error);

    size_t Count(Severity severity) const { return counts_[static_cast<size_t>(severity)]; }
    // Something the registry editor skips or reads differently.
    bool Failed() const { return Count(Severity::Skipped) + Count(Severity::Differs) > 0; }
    bool Stopped() const { return stopped_; }

private:
    bool CheckText(RegText& text);
    void OnKeyLine(const char* open, const char* close, KeyNode* key, const char* values, const char* next);
    void OnValueLine(const char* line, const char* end, const ValueEntry* value, bool replaced);
    void CheckHeader(const RegText& text);
    void CheckPreamble();
    void CheckRoot(const char* path, const char* close, size_t line);
    void CheckKeptLine(const char* line, const char* end);
    void CheckValue(const char* line, const char* end, const ValueEntry& value, bool replaced);
    void CheckHexValue(const char* line, const char* data, const char* end, const ValueEntry& value);
    void CheckPendingBlock();
    size_t LineAt(const char* p);
    std::string PendingKey() const;
    void Report(size_t line, CheckCode code, std::string detail = {}, const char* valueLine = nullptr);

    VerdictSink sink_;
    RegDocument document_;
    size_t counts_[kSeverityCount] = {};
    bool stopped_ = false;
    RegDialect dialect_ = kNoDialect;
    const char* text_ = nullptr;  // the text being checked
    bool legacy_ = false;         // it is legacy text, not program text
    const char* lineCursor_ = nullptr;
    size_t lineAtCursor_ = 1;
    // The key line whose values are checked when the next key line has
    // ended them: its path (split into components by then) and value text.
    const char* pathBegin_ = nullptr;
    const char* pathEnd_ = nullptr;
    const char* pendingValues_ = nullptr;
    bool preambleChecked_ = false;
    ValueList blockValues_;
    LineObserver observer_{
        [this](const char* open, const char* close, KeyNode* key, const char* values, const char* next) {
            OnKeyLine(open, close, key, values, next);
        },
        [this](const char* line, const char* end, const ValueEntry* value, bool replaced) {
            OnValueLine(line, end, value, replaced);
        }};
};

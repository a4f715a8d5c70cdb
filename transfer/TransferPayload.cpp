#include "transfer/TransferPayload.h"

#include <cstring>

#include "document/ByteSink.h"
#include "document/Platform.h"
#include "document/RegDocument.h"
#include "document/RegParser.h"
#include "document/RegWriter.h"
#include "document/TextScan.h"

namespace transfer {

size_t KeyBranchCapacity(const KeyNode& key, RegDialect dialect) {
    size_t size = key.TextSize() * 2;
    return dialect == kRegedit5 ? size * 2 : size;
}

bool WriteKeyBranchPayload(const KeyNode& key, RegDialect dialect, MemorySink& out) {
    return WriteHeader(out, false, dialect) && WriteKeyTree(&key, out, false, dialect, nullptr) && WriteEnd(out);
}

bool WriteValuesPayload(const std::string& keyPath, const std::vector<const ValueEntry*>& values, MemorySink& out) {
    bool ok = WriteHeader(out, false, kRegedit4);
    ok = ok && out.Write("[") && out.Write(keyPath.data(), keyPath.size()) && out.Write("]\r\n");
    for (const ValueEntry* value : values) ok = ok && value->Write(out);
    return ok && WriteEnd(out);
}

std::string_view BoundedText(const void* data, size_t size) {
    if (!data) return {};
    const char* text = static_cast<const char*>(data);
    const void* zero = std::memchr(text, 0, size);
    return std::string_view(text, zero ? static_cast<size_t>(static_cast<const char*>(zero) - text) : size);
}

std::string_view LastComponent(std::string_view path) {
    size_t slash = path.rfind('\\');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

namespace {

// Hands the sink's bytes over as a parse buffer: the padding the scanners
// read past the text is written behind it.
std::unique_ptr<char[]> ReleaseAsParseBuffer(MemorySink& sink, size_t* length) {
    static const char kPadding[kScanPadding] = {};
    size_t size = sink.Size();
    if (!sink.Write(kPadding, sizeof kPadding)) return nullptr;
    if (length) *length = size;
    return std::unique_ptr<char[]>(sink.Release());
}

// Whether the key line's path (from path to its closing "]") is source or
// a path below it.
bool StartsWithPath(const char* path, const char* close, std::string_view source) {
    if (static_cast<size_t>(close - path) < source.size()) return false;
    for (size_t i = 0; i < source.size(); ++i)
        if (UpperByte(static_cast<unsigned char>(path[i])) != UpperByte(static_cast<unsigned char>(source[i])))
            return false;
    const char* after = path + source.size();
    return after == close || *after == '\\';
}

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

std::unique_ptr<char[]> ParseBufferOf(std::string_view text) {
    MemorySink sink(text.size() + kScanPadding);
    if (!sink.Write(text.data(), text.size())) return nullptr;
    return ReleaseAsParseBuffer(sink, nullptr);
}

// The key lines are found with the parser's own scan, so that a line of a
// string value that happens to start with "[" and the path is left alone: a
// plain text search would rewrite the data of such a value.
std::unique_ptr<char[]> RewriteBranch(std::string_view text, std::string_view sourcePath, std::string_view newPath,
                                      size_t* length) {
    if (sourcePath.empty()) return nullptr;
    std::unique_ptr<char[]> input = ParseBufferOf(text);
    if (!input) return nullptr;
    const char* begin = input.get();
    const char* end = begin + text.size();
    MemorySink out(text.size() * 2 + kScanPadding);
    const char* copied = begin;
    const char* line = FindNextKeyLine(begin);
    while (line && line < end) {
        const char* path = line + 1;
        const char* close = FindKeyLineEnd(path);
        if (!close || close >= end) break;
        if (StartsWithPath(path, close, sourcePath)) {
            out.Write(copied, static_cast<size_t>(path - copied));
            out.Write(newPath.data(), newPath.size());
            copied = path + sourcePath.size();
        }
        const char* values = close + 1;
        while (*values == ' ' || IsLineEnd(*values)) ++values;
        line = FindNextKeyLine(close, values);
    }
    out.Write(copied, static_cast<size_t>(end - copied));
    if (out.Failed()) return nullptr;
    return ReleaseAsParseBuffer(out, length);
}

}  // namespace transfer

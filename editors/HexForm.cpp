#include "editors/HexForm.h"

#include "document/ValueCodec.h"

#include <cstdio>

namespace editors {

namespace {

void AppendHexByte(std::string& out, unsigned char byte) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02lx", static_cast<unsigned long>(byte));
    out += digits;
}

}  // namespace

bool IsHexDigit(char c) { return HexDigitValue(c) >= 0; }

std::vector<std::string> DecodeCharStrings(const std::string& hexData, RegDialect dialect) {
    // The core's decoding keeps every byte, the ones after the last comma
    // too, and converts UTF-16 through the code page.
    std::string chars = DecodeHexChars(hexData, dialect);
    std::vector<std::string> strings;
    size_t start = 0;
    for (size_t i = 0; i < chars.size(); ++i) {
        if (chars[i] != '\0') continue;
        strings.push_back(chars.substr(start, i - start));
        start = i + 1;
    }
    if (start < chars.size()) strings.push_back(chars.substr(start));
    return strings;
}

std::string BuildExpandHexData(const std::string& text) {
    if (text.empty()) return "00";
    std::string out;
    out.reserve(text.size() * 3 + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (i > 0) {
            out += ',';
            if (i % 44 == 0) out += kContinuation;
        }
        AppendHexByte(out, static_cast<unsigned char>(text[i]));
    }
    out += ",00";
    return out;
}

std::string BuildMultiStringHexData(const std::vector<std::string>& items) {
    std::string out;
    size_t characters = 0;
    for (const std::string& item : items) {
        if (item.empty()) continue;
        for (char c : item) {
            if (!out.empty()) out += ',';
            if (characters != 0 && characters % 22 == 0) out += kContinuation;
            AppendHexByte(out, static_cast<unsigned char>(c));
            ++characters;
        }
        out += ",00";
    }
    if (!out.empty()) out += ",00";
    return out;
}

std::string BuildBinaryHexData(const std::string& areaText) {
    // Lower-case digits, as the registry editor writes them: a diff of a
    // saved file shows only what changed.
    std::string digits;
    digits.reserve(areaText.size() / 2);
    for (char c : areaText)
        if (c != ' ') digits += (c >= 'A' && c <= 'F') ? static_cast<char>(c - 'A' + 'a') : c;
    std::string out;
    out.reserve(digits.size() * 3 / 2 + digits.size() / 44 * 5 + 4);
    for (size_t k = 0; k < digits.size(); ++k) {
        if (k % 2 == 0 && k > 0) {
            out += ',';
            if (k % 44 == 0) out += kContinuation;
        }
        out += digits[k];
    }
    return out;
}

std::string BuildCellForm(const std::string& text) {
    std::string cells;
    cells.reserve(text.size() * 2 + 4);
    bool high = true;
    for (char c : text) {
        if (!IsHexDigit(c)) continue;
        if (high) {
            cells += ' ';
            cells += c;
        } else {
            cells += c;
            cells += ' ';
        }
        high = !high;
    }
    if (!high) cells += "0 ";
    return cells;
}

}  // namespace editors

#include "editors/HexForm.h"

#include "document/ValueCodec.h"

namespace editors {

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

std::string ExpandStringBytes(const std::string& text) {
    std::string bytes = text;
    bytes += '\0';
    return bytes;
}

std::string MultiStringBytes(const std::vector<std::string>& items) {
    std::string bytes;
    for (const std::string& item : items) {
        if (item.empty()) continue;
        bytes += item;
        bytes += '\0';
    }
    if (!bytes.empty()) bytes += '\0';
    return bytes;
}

std::string BinaryAreaBytes(const std::string& areaText) {
    std::string bytes;
    bytes.reserve(areaText.size() / 3);
    int high = -1;
    for (char c : areaText) {
        int digit = HexDigitValue(c);
        if (digit < 0) continue;
        if (high < 0) {
            high = digit;
            continue;
        }
        bytes += static_cast<char>(high << 4 | digit);
        high = -1;
    }
    if (high >= 0) bytes += static_cast<char>(high << 4);
    return bytes;
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

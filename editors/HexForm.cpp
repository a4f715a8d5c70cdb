#include "editors/HexForm.h"

#include <windows.h>

#include <cstdio>

namespace editors {

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendHexByte(std::string& out, unsigned char byte) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02lx", static_cast<unsigned long>(byte));
    out += digits;
}

std::string WideToAnsi(const std::wstring& wide) {
    if (wide.empty()) return {};
    int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                   nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

}  // namespace

bool IsHexDigit(char c) { return HexDigitValue(c) >= 0; }

std::string DecodeHexBytes(const std::string& hexData) {
    std::string bytes;
    bytes.reserve(hexData.size() / 3 + 1);
    int slot[2] = {0, 0};
    int used = 0;
    auto flush = [&] {
        if (used == 0) return;  // ",," holds no byte
        int value = used == 1 ? slot[0] : slot[0] * 16 + slot[1];
        bytes.push_back(static_cast<char>(value));
        used = 0;
    };
    for (char c : hexData) {
        if (c == ',') {
            flush();
            continue;
        }
        int v = HexDigitValue(c);
        if (v < 0) continue;
        if (used == 2) used = 0;
        slot[used++] = v;
    }
    flush();
    return bytes;
}

std::vector<std::string> DecodeCharStrings(const std::string& hexData, int dialect) {
    std::string bytes = DecodeHexBytes(hexData);
    std::vector<std::string> strings;
    if (dialect == 5) {
        // UTF-16LE: a character below 256 is not enough; take the whole unit
        // and let the code page decide, rather than keep its low byte alone.
        std::wstring current;
        bool open = false;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            wchar_t unit = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8));
            if (unit == 0) {
                strings.push_back(WideToAnsi(current));
                current.clear();
                open = false;
            } else {
                current.push_back(unit);
                open = true;
            }
        }
        if (open) strings.push_back(WideToAnsi(current));
        return strings;
    }
    std::string current;
    bool open = false;
    for (char b : bytes) {
        if (b == '\0') {
            strings.push_back(current);
            current.clear();
            open = false;
        } else {
            current.push_back(b);
            open = true;
        }
    }
    if (open) strings.push_back(current);
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
    std::string digits;
    digits.reserve(areaText.size() / 2);
    for (char c : areaText)
        if (c != ' ') digits += c;
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

std::string EscapeStringData(const std::string& text) {
    std::string data;
    data.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\\') data += '\\';
        else if (c == '"') data += '\\';
        data += c;
    }
    return data;
}

std::string UnescapeNameForDisplay(const std::string& storedName) {
    std::string shown;
    shown.reserve(storedName.size());
    for (size_t i = 0; i < storedName.size(); ++i) {
        shown += storedName[i];
        if (storedName[i] == '\\' && i + 1 < storedName.size() && storedName[i + 1] == '\\') ++i;
    }
    return shown;
}

}  // namespace editors

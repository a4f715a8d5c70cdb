#include "document/ValueEntry.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "document/ByteSink.h"
#include "document/Platform.h"
#include "document/ValueCodec.h"

namespace {

std::atomic<ValueEditor*> gEditor{nullptr};
std::atomic<RegistryValueReader*> gReader{nullptr};

// Whether the text, read through the single-byte upper case, contains the
// (upper-case) key; reads the text in place, as a search reads every value.
bool ContainsUpper(const std::string& text, const char* key) {
    size_t keyLength = std::strlen(key);
    if (keyLength == 0) return true;
    if (keyLength > text.size()) return false;
    const unsigned char* table = UpperTable();
    auto first = static_cast<unsigned char>(key[0]);
    const char* data = text.c_str();  // the text up to its first NUL, as a C string
    for (size_t i = 0; data[i]; ++i) {
        if (table[static_cast<unsigned char>(data[i])] != first) continue;
        size_t j = 1;
        // The text's NUL maps to 0, which no key character is.
        while (j < keyLength && table[static_cast<unsigned char>(data[i + j])] == static_cast<unsigned char>(key[j])) ++j;
        if (j == keyLength) return true;
    }
    return false;
}

// String and DWORD data: the stored text upper-cased, equal to or containing the key.
bool MatchStoredText(const std::string& data, const char* upperKey, unsigned flags) {
    if (!(flags & kFindWholeString)) return ContainsUpper(data, upperKey);
    std::string upper = data;
    UpperCaseInPlace(upper);
    return CompareText(upper.c_str(), upperKey) == 0;
}

// Expandable and multi-strings: the decoded characters.
bool MatchDisplayText(const std::string& display, const char* upperKey, unsigned flags) {
    if (flags & kFindWholeString) return CompareNoCase(display.c_str(), upperKey) == 0;
    return ContainsUpper(display, upperKey);
}

// A continuation left dangling at the end of the data (the file ended after
// it) would swallow the next value's line once the value is written back.
std::string_view WithoutDanglingContinuation(std::string_view data) {
    size_t n = data.size();
    while (n && (data[n - 1] == ' ' || data[n - 1] == '\r' || data[n - 1] == '\n' || data[n - 1] == '\\')) --n;
    return data.substr(0, n);
}

bool WriteHexLine(ByteSink& out, const std::string& token, std::string_view data) {
    out.Write(token.data(), token.size());
    out.Write(":", 1);
    out.Write(data.data(), data.size());
    return out.Write("\r\n", 2);
}

}  // namespace

void SetValueEditor(ValueEditor* editor) { gEditor.store(editor); }

bool HasValueEditor() { return gEditor.load() != nullptr; }

void SetRegistryValueReader(RegistryValueReader* reader) { gReader.store(reader); }

bool ValueEntry::Edit(void* ownerWindow) {
    changed = false;
    ValueEditor* editor = gEditor.load();
    if (!editor) return false;
    return editor->EditValue(*this, ownerWindow) && changed;
}

bool ValueEntry::ReadFromRegistry(void* hkey) {
    RegistryValueReader* reader = gReader.load();
    return reader && reader->ReadValue(*this, hkey);
}

bool ValueEntry::WriteNamePart(ByteSink& out) const {
    if (name.empty()) return out.Write("@=", 2);
    out.Write("\"", 1);
    out.Write(name.data(), name.size());
    return out.Write("\"=", 2);
}

StringValue::StringValue(std::string valueName, std::string fileFormData)
    : ValueEntry(std::move(valueName)), data(std::move(fileFormData)) {}

std::string StringValue::GetDisplayText() const { return UnescapeString(data); }

bool StringValue::Write(ByteSink& out) const {
    WriteNamePart(out);
    out.Write("\"", 1);
    out.Write(data.data(), data.size());
    return out.Write("\"\r\n", 3);
}

bool StringValue::Matches(const char* upperKey, unsigned findFlags) const {
    return MatchStoredText(data, upperKey, findFlags);
}

std::unique_ptr<ValueEntry> StringValue::Clone() const {
    auto copy = std::make_unique<StringValue>(name, data);
    copy->changed = changed;
    return copy;
}

DwordValue::DwordValue(std::string valueName, std::string text)
    : ValueEntry(std::move(valueName)), data(std::move(text)) {}

std::string DwordValue::GetDisplayText() const { return DwordDisplayText(data); }

bool DwordValue::Write(ByteSink& out) const {
    WriteNamePart(out);
    out.Write("dword:", 6);
    out.Write(data.data(), data.size());
    return out.Write("\r\n", 2);
}

bool DwordValue::Matches(const char* upperKey, unsigned findFlags) const {
    return MatchStoredText(data, upperKey, findFlags);
}

std::unique_ptr<ValueEntry> DwordValue::Clone() const {
    auto copy = std::make_unique<DwordValue>(name, data);
    copy->changed = changed;
    return copy;
}

bool DwordValue::GetNumber(uint32_t& number) const { return ParseDwordText(data, number); }

void DwordValue::SetNumber(uint32_t number) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", number);
    data = text;
}

namespace {

// The name of a type token, as BinaryValue::GetTypeName gives it.
std::string TypeNameOfToken(std::string_view token) {
    uint32_t number = 0;
    if (TypeNumberOfToken(token, number)) {
        if (const char* name = RegistryTypeName(number)) return name;
    }
    // The digits as written, so that a number too large for any type is
    // shown as it stands, never cut.
    size_t open = token.find('('), close = token.rfind(')');
    std::string digits = open != std::string_view::npos && close != std::string_view::npos && close > open
                             ? std::string(token.substr(open + 1, close - open - 1))
                             : std::string(token);
    size_t first = digits.find_first_not_of('0');
    digits = first == std::string::npos ? "0" : digits.substr(first);
    for (char& c : digits)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return "REG_0x" + digits;
}

// Four bytes of hex data as a number, low byte first or high byte first.
bool FourByteNumber(const std::string& hexData, bool bigEndian, uint64_t& number) {
    std::string bytes = DecodeHexBytes(hexData);
    if (bytes.size() != 4) return false;
    number = 0;
    for (size_t i = 0; i < 4; ++i)
        number = (number << 8) | static_cast<unsigned char>(bytes[bigEndian ? i : 3 - i]);
    return true;
}

}  // namespace

bool TypeNumberOfToken(std::string_view token, uint32_t& number) {
    if (token.size() < 3) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(token[0]) != 'h' || lower(token[1]) != 'e' || lower(token[2]) != 'x') return false;
    if (token.size() == 3) {
        number = 3;
        return true;
    }
    if (token[3] != '(' || token.back() != ')' || token.size() < 6) return false;
    uint64_t value = 0;
    for (size_t i = 4; i + 1 < token.size(); ++i) {
        int digit = HexDigitValue(token[i]);
        if (digit < 0) return false;
        value = value * 16 + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFull) return false;
    }
    number = static_cast<uint32_t>(value);
    return true;
}

const char* RegistryTypeName(uint32_t number) {
    static const char* const kNames[] = {
        "REG_NONE", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY", "REG_DWORD", "REG_DWORD_BIG_ENDIAN", "REG_LINK",
        "REG_MULTI_SZ", "REG_RESOURCE_LIST", "REG_FULL_RESOURCE_DESCRIPTOR", "REG_RESOURCE_REQUIREMENTS_LIST",
        "REG_QWORD",
    };
    return number < std::size(kNames) ? kNames[number] : nullptr;
}

bool NumberOf(const ValueEntry& value, uint64_t& number) {
    switch (value.GetType()) {
    case ValueType::Dword: {
        uint32_t n = 0;
        if (!static_cast<const DwordValue&>(value).GetNumber(n)) return false;
        number = n;
        return true;
    }
    case ValueType::Qword:
        return static_cast<const QwordValue&>(value).GetNumber(number);
    case ValueType::Binary: {
        const auto& binary = static_cast<const BinaryValue&>(value);
        uint32_t type = 0;
        if (!TypeNumberOfToken(binary.GetTypeToken(), type) || (type != 4 && type != 5)) return false;
        return FourByteNumber(binary.GetHexData(), type == 5, number);
    }
    case ValueType::String:
    case ValueType::ExpandString:
    case ValueType::MultiString:
    case ValueType::Deletion:
        break;
    }
    return false;
}

int CompareValueTypes(const ValueEntry& a, const ValueEntry& b) {
    auto typeOf = [](const ValueEntry& v) -> uint64_t {
        switch (v.GetType()) {
        case ValueType::String: return 1;
        case ValueType::ExpandString: return 2;
        case ValueType::MultiString: return 7;
        case ValueType::Dword: return 4;
        case ValueType::Qword: return 11;
        case ValueType::Deletion: return uint64_t(1) << 33;  // after every type
        case ValueType::Binary: break;
        }
        uint32_t n = 0;
        // Types past 32 bits sort after every other.
        return TypeNumberOfToken(static_cast<const BinaryValue&>(v).GetTypeToken(), n) ? n : uint64_t(1) << 32;
    };
    uint64_t x = typeOf(a), y = typeOf(b);
    if (x != y) return x < y ? -1 : 1;
    return CompareNoCase(a.GetTypeName(), b.GetTypeName());
}

int CompareValueData(const ValueEntry& a, const ValueEntry& b) {
    uint64_t x = 0, y = 0;
    bool numberA = NumberOf(a, x), numberB = NumberOf(b, y);
    if (numberA && numberB) return x == y ? 0 : (x < y ? -1 : 1);
    if (numberA != numberB) return numberA ? -1 : 1;
    return CompareNoCase(a.GetDisplayText().c_str(), b.GetDisplayText().c_str());
}

BinaryValue::BinaryValue(std::string valueName, std::string token, std::string data)
    : ValueEntry(std::move(valueName)),
      typeToken(std::move(token)),
      hexData(std::move(data)),
      typeName(TypeNameOfToken(typeToken)) {}

void BinaryValue::SetTypeToken(std::string token) {
    typeToken = std::move(token);
    typeName = TypeNameOfToken(typeToken);
}

std::string BinaryValue::GetDisplayText() const {
    // hex(4) and hex(5) data of four bytes is a number, shown as a DWORD is.
    uint64_t number = 0;
    if (NumberOf(*this, number)) {
        char text[16];
        std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(number));
        return DwordDisplayText(text);
    }
    std::string out;
    out.reserve(hexData.size());
    for (char c : hexData) {
        if (c == ',')
            out += ' ';
        else if (c != '\r' && c != '\n' && c != '\\' && c != ' ')
            out += c;
    }
    return out;
}

void BinaryValue::SetBytes(const void* bytes, size_t size) {
    // "name"=token: or @=token:, the name as stored (escaped).
    size_t column = (name.empty() ? 1 : TextColumns(name) + 2) + 1 + typeToken.size() + 1;
    hexData = FormatHexBytes(bytes, size, HexBytesOnFirstLine(column), kHexBytesPerLine);
}

bool BinaryValue::Write(ByteSink& out) const {
    WriteNamePart(out);
    return WriteHexLine(out, typeToken, WithoutDanglingContinuation(hexData));
}

bool BinaryValue::Matches(const char*, unsigned) const { return false; }

std::unique_ptr<ValueEntry> BinaryValue::Clone() const {
    auto copy = std::make_unique<BinaryValue>(name, typeToken, hexData);
    copy->changed = changed;
    return copy;
}

DeletionValue::DeletionValue(std::string valueName, std::string lineTail)
    : ValueEntry(std::move(valueName)), tail(std::move(lineTail)) {}

bool DeletionValue::Write(ByteSink& out) const {
    WriteNamePart(out);
    out.Write("-", 1);
    out.Write(tail.data(), tail.size());
    return out.Write("\r\n", 2);
}

std::unique_ptr<ValueEntry> DeletionValue::Clone() const {
    auto copy = std::make_unique<DeletionValue>(name, tail);
    copy->changed = changed;
    return copy;
}

QwordValue::QwordValue(std::string valueName, std::string token, std::string data)
    : BinaryValue(std::move(valueName), std::move(token), std::move(data)) {}

QwordValue::QwordValue(std::string valueName, uint64_t number)
    : BinaryValue(std::move(valueName), "hex(b)", std::string()) {
    SetNumber(number);
}

bool QwordValue::GetNumber(uint64_t& number) const {
    std::string bytes = DecodeHexBytes(hexData);
    if (bytes.size() != 8) return false;
    number = 0;
    for (size_t i = 8; i-- > 0;) number = (number << 8) | static_cast<unsigned char>(bytes[i]);
    return true;
}

void QwordValue::SetNumber(uint64_t number) {
    unsigned char bytes[8];
    for (unsigned char& b : bytes) {
        b = static_cast<unsigned char>(number & 0xFF);
        number >>= 8;
    }
    SetBytes(bytes, sizeof bytes);
}

std::string QwordValue::GetDisplayText() const {
    uint64_t number = 0;
    if (!GetNumber(number)) return BinaryValue::GetDisplayText();
    char text[48];
    std::snprintf(text, sizeof text, "0x%llx (%llu)", static_cast<unsigned long long>(number),
                  static_cast<unsigned long long>(number));
    return text;
}

bool QwordValue::Matches(const char* upperKey, unsigned findFlags) const {
    uint64_t number = 0;
    if (!GetNumber(number)) return false;
    char digits[24], decimal[24];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(number));
    std::snprintf(decimal, sizeof decimal, "%llu", static_cast<unsigned long long>(number));
    return MatchStoredText(digits, upperKey, findFlags) || MatchStoredText(decimal, upperKey, findFlags);
}

std::unique_ptr<ValueEntry> QwordValue::Clone() const {
    auto copy = std::make_unique<QwordValue>(name, typeToken, hexData);
    copy->changed = changed;
    return copy;
}

bool IsQwordData(std::string_view typeToken, std::string_view hexData) {
    if (typeToken.size() != 6) return false;
    std::string token(typeToken);
    if (CompareNoCase(token.c_str(), "hex(b)") != 0) return false;
    return DecodeHexBytes(hexData).size() == 8;
}

CharDataValue::CharDataValue(std::string valueName, std::string token, std::string data, RegDialect d)
    : BinaryValue(std::move(valueName), std::move(token), std::move(data)), dialect(d) {}

bool CharDataValue::Write(ByteSink& out) const { return WriteCharData(out, dialect); }

bool CharDataValue::Matches(const char* upperKey, unsigned findFlags) const {
    return MatchDisplayText(GetDisplayText(), upperKey, findFlags);
}

ExpandStringValue::ExpandStringValue(std::string valueName, std::string token, std::string data, RegDialect d)
    : CharDataValue(std::move(valueName), std::move(token), std::move(data), d) {}

std::string ExpandStringValue::GetDisplayText() const {
    std::string chars = DecodeHexChars(hexData, dialect);
    chars.resize(std::strlen(chars.c_str()));  // up to the first NUL, in place
    return chars;
}

// Values write themselves as dialect-4 text: one byte per character.
bool BinaryValue::WriteCharData(ByteSink& out, RegDialect dialect) const {
    if (dialect == kRegedit4) return BinaryValue::Write(out);
    WriteNamePart(out);
    out.Write(typeToken.data(), typeToken.size());
    out.Write(":", 1);
    NarrowValueData(hexData, out);
    return out.Write("\r\n", 2);
}

std::unique_ptr<ValueEntry> ExpandStringValue::Clone() const {
    auto copy = std::make_unique<ExpandStringValue>(name, typeToken, hexData, dialect);
    copy->changed = changed;
    return copy;
}

MultiStringValue::MultiStringValue(std::string valueName, std::string token, std::string data, RegDialect d)
    : CharDataValue(std::move(valueName), std::move(token), std::move(data), d) {}

std::string MultiStringValue::GetDisplayText() const {
    std::string chars = DecodeHexChars(hexData, dialect);
    chars.append(2, '\0');
    for (size_t i = 0; i + 1 < chars.size(); ++i)
        if (chars[i] == '\0' && chars[i + 1] != '\0') chars[i] = ' ';
    chars.resize(std::strlen(chars.c_str()));
    return chars;
}

std::unique_ptr<ValueEntry> MultiStringValue::Clone() const {
    auto copy = std::make_unique<MultiStringValue>(name, typeToken, hexData, dialect);
    copy->changed = changed;
    return copy;
}

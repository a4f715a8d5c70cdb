// The values of a key, parsed from its value text on demand.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/RegDialect.h"

class ByteSink;

enum class ValueType { String, Dword, Binary, ExpandString, MultiString, Qword, Deletion };

// Find flags (the find dialog's check boxes).
inline constexpr unsigned kFindKeys = 1u << 0;
inline constexpr unsigned kFindValueNames = 1u << 1;
inline constexpr unsigned kFindData = 1u << 2;
inline constexpr unsigned kFindWholeString = 1u << 3;

class ValueEntry;

// Implemented by the GUI (editors/): opens the editor of the value's kind.
// Returns true when the editor was closed with OK.
class ValueEditor {
public:
    virtual ~ValueEditor() = default;
    virtual bool EditValue(ValueEntry& value, void* ownerWindow) = 0;
};
void SetValueEditor(ValueEditor* editor);  // not owned; null unregisters
bool HasValueEditor();

// Implemented by the registry side (regedit/): replaces the value's data with
// the live value of the same name in an open key (an HKEY). Returns true when
// the data changed.
class RegistryValueReader {
public:
    virtual ~RegistryValueReader() = default;
    virtual bool ReadValue(ValueEntry& value, void* hkey) = 0;
};
void SetRegistryValueReader(RegistryValueReader* reader);  // not owned

class ValueEntry {
public:
    virtual ~ValueEntry() = default;
    ValueEntry(const ValueEntry&) = delete;
    ValueEntry& operator=(const ValueEntry&) = delete;

    // Virtual operations in their fixed order.
    virtual bool IsString() const { return false; }
    virtual const char* GetTypeName() const = 0;
    virtual std::string GetDisplayText() const = 0;
    // Appends the value's line(s) in single-byte file form, CR LF included.
    virtual bool Write(ByteSink& out) const = 0;
    // upperKey: the search text, already upper-cased.
    virtual bool Matches(const char* upperKey, unsigned findFlags) const = 0;
    // Clears changed and opens the registered editor; returns changed when
    // the editor was closed with OK, false when none is registered.
    virtual bool Edit(void* ownerWindow);
    // Through the registered RegistryValueReader; false when none.
    virtual bool ReadFromRegistry(void* hkey);

    virtual ValueType GetType() const = 0;
    virtual std::unique_ptr<ValueEntry> Clone() const = 0;

    // The name in file form (escapes kept); empty for the default value.
    const std::string& GetName() const { return name; }
    void SetName(std::string fileFormName) { name = std::move(fileFormName); }
    bool IsDefault() const { return name.empty(); }
    bool IsChanged() const { return changed; }
    void SetChanged(bool value) { changed = value; }

protected:
    explicit ValueEntry(std::string name) : name(std::move(name)) {}
    bool WriteNamePart(ByteSink& out) const;

    std::string name;
    bool changed = false;
};

using ValueList = std::vector<std::unique_ptr<ValueEntry>>;

// REG_SZ: data is the text between the quotes, escapes kept.
class StringValue : public ValueEntry {
public:
    StringValue(std::string name, std::string data);
    bool IsString() const override { return true; }
    const char* GetTypeName() const override { return "REG_SZ"; }
    std::string GetDisplayText() const override;
    bool Write(ByteSink& out) const override;
    bool Matches(const char* upperKey, unsigned findFlags) const override;
    ValueType GetType() const override { return ValueType::String; }
    std::unique_ptr<ValueEntry> Clone() const override;

    const std::string& GetData() const { return data; }
    void SetData(std::string fileFormData) { data = std::move(fileFormData); }

private:
    std::string data;
};

// REG_DWORD: data is the text after "dword:" (normally 8 hex digits).
class DwordValue : public ValueEntry {
public:
    DwordValue(std::string name, std::string data);
    const char* GetTypeName() const override { return "REG_DWORD"; }
    std::string GetDisplayText() const override;
    bool Write(ByteSink& out) const override;
    bool Matches(const char* upperKey, unsigned findFlags) const override;
    ValueType GetType() const override { return ValueType::Dword; }
    std::unique_ptr<ValueEntry> Clone() const override;

    const std::string& GetData() const { return data; }
    void SetData(std::string text) { data = std::move(text); }
    // The data as a number; false when it does not start with a hex digit.
    bool GetNumber(uint32_t& number) const;
    // Stores the number as 8 lower-case hex digits.
    void SetNumber(uint32_t number);

private:
    std::string data;
};

// A deletion line, "name"=- : the file removes the value. It holds no data
// and has no editor; the list shows it so that a user sees what a file
// removes, and deleting it removes the line.
class DeletionValue : public ValueEntry {
public:
    // tail: what follows the "-" on its line (blanks, a comment), kept.
    explicit DeletionValue(std::string name, std::string tail = std::string());
    const char* GetTypeName() const override { return ""; }
    std::string GetDisplayText() const override { return std::string(); }
    bool Write(ByteSink& out) const override;
    bool Matches(const char*, unsigned) const override { return false; }
    bool Edit(void*) override { return false; }
    bool ReadFromRegistry(void*) override { return false; }
    ValueType GetType() const override { return ValueType::Deletion; }
    std::unique_ptr<ValueEntry> Clone() const override;

private:
    std::string tail;
};

// REG_BINARY and every hex(n) form but hex(2) and hex(7).
class BinaryValue : public ValueEntry {
public:
    BinaryValue(std::string name, std::string typeToken, std::string hexData);
    // The registry's name of the type the token gives: "hex" is REG_BINARY,
    // "hex(0)" REG_NONE, "hex(4)" REG_DWORD and so on; a type the system
    // does not name is "REG_0x" and its number as written ("REG_0x1f").
    const char* GetTypeName() const override { return typeName.c_str(); }
    std::string GetDisplayText() const override;
    bool Write(ByteSink& out) const override;
    bool Matches(const char* upperKey, unsigned findFlags) const override;
    ValueType GetType() const override { return ValueType::Binary; }
    std::unique_ptr<ValueEntry> Clone() const override;

    // The text before the colon, as written ("hex", "hex(1)", "hex(2)").
    const std::string& GetTypeToken() const { return typeToken; }
    void SetTypeToken(std::string token);
    // The text after the colon in file form, continuations included.
    const std::string& GetHexData() const { return hexData; }
    void SetHexData(std::string data) { hexData = std::move(data); }
    // Sets the data to these bytes, its lines broken where the registry
    // editor breaks them after this value's name and type.
    void SetBytes(const void* bytes, size_t size);

protected:
    // The value line with character data of the given dialect written as
    // dialect-4 text (one byte per character).
    bool WriteCharData(ByteSink& out, RegDialect dialect) const;

    std::string typeToken;
    std::string hexData;
    std::string typeName;  // of typeToken
};

// REG_QWORD: hex(b) data of exactly eight bytes, a 64-bit number stored low
// byte first. hex(b) data of any other length is no number: it stays a
// binary value of type 11, kept as written.
class QwordValue : public BinaryValue {
public:
    QwordValue(std::string name, std::string typeToken, std::string hexData);
    // A new value of the number.
    QwordValue(std::string name, uint64_t number);
    const char* GetTypeName() const override { return "REG_QWORD"; }
    // As the system registry editor shows it: "0x1f4 (500)".
    std::string GetDisplayText() const override;
    // By the 16 hex digits of the number, as a DWORD by its 8, and by the
    // decimal number shown.
    bool Matches(const char* upperKey, unsigned findFlags) const override;
    ValueType GetType() const override { return ValueType::Qword; }
    std::unique_ptr<ValueEntry> Clone() const override;

    // False when the data is not eight bytes.
    bool GetNumber(uint64_t& number) const;
    // Eight bytes, low byte first, as "hex(b):" data.
    void SetNumber(uint64_t number);
};
// Whether hex data of this type token is a QWORD: "hex(b)" in any letter
// case, exactly eight bytes.
bool IsQwordData(std::string_view typeToken, std::string_view hexData);

// The registry type number of hex data's type token: 3 for "hex", n for
// "hex(n)" (hexadecimal, any letter case). False when the number does not
// fit in 32 bits or the token has another form.
bool TypeNumberOfToken(std::string_view typeToken, uint32_t& number);
// The registry's name of a type number ("REG_NONE" ... "REG_QWORD"), or
// null for a number the system does not name.
const char* RegistryTypeName(uint32_t number);

// The number a value holds, where it holds one: a DWORD, a QWORD, hex(4)
// and hex(5) data of four bytes (little- and big-endian).
bool NumberOf(const ValueEntry& value, uint64_t& number);
// Orders of the value list's Type and Data columns: types by their number,
// data numbers as numbers (before any other data), the rest by the text
// shown, without regard to case.
int CompareValueTypes(const ValueEntry& a, const ValueEntry& b);
int CompareValueData(const ValueEntry& a, const ValueEntry& b);

// Hex data holding characters: one byte each in dialect 4, UTF-16LE in 5.
// Written as dialect-4 text, found by the text it shows.
class CharDataValue : public BinaryValue {
public:
    bool Write(ByteSink& out) const override;
    bool Matches(const char* upperKey, unsigned findFlags) const override;

    RegDialect GetDialect() const { return dialect; }
    void SetDialect(RegDialect value) { dialect = value; }

protected:
    CharDataValue(std::string name, std::string typeToken, std::string hexData, RegDialect dialect);

    RegDialect dialect;
};

// REG_EXPAND_SZ: hex(2) characters.
class ExpandStringValue : public CharDataValue {
public:
    ExpandStringValue(std::string name, std::string typeToken, std::string hexData, RegDialect dialect);
    const char* GetTypeName() const override { return "REG_EXPAND_SZ"; }
    std::string GetDisplayText() const override;
    ValueType GetType() const override { return ValueType::ExpandString; }
    std::unique_ptr<ValueEntry> Clone() const override;
};

// REG_MULTI_SZ: hex(7) zero-terminated strings closed by one more zero.
class MultiStringValue : public CharDataValue {
public:
    MultiStringValue(std::string name, std::string typeToken, std::string hexData, RegDialect dialect);
    const char* GetTypeName() const override { return "REG_MULTI_SZ"; }
    std::string GetDisplayText() const override;
    ValueType GetType() const override { return ValueType::MultiString; }
    std::unique_ptr<ValueEntry> Clone() const override;
};

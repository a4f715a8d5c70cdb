// Reading a value of the document again from the live registry, by kind:
// each kind takes only the live types it can hold and leaves the value as it
// was otherwise.
#include "regedit/LiveValues.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "document/Platform.h"
#include "document/ValueCodec.h"
#include "document/ValueEntry.h"

namespace regedit {

namespace {

// Registry data larger than this is not taken into a document.
constexpr DWORD kMaxLiveData = 64u << 20;

// The live value's type and bytes, read through the A functions (strings in
// the ANSI code page) or the W functions (UTF-16). The value may change
// between the size query and the read: a few tries.
bool QueryLive(HKEY key, const ValueEntry& value, bool wide, DWORD& type, std::string& bytes) {
    std::string name = ShownValueName(value.GetName());
    std::u16string wideName = ProgramToWideString(name);
    auto query = [&](BYTE* data, DWORD* size) {
        if (wide)
            return RegQueryValueExW(key, value.IsDefault() ? nullptr : reinterpret_cast<const wchar_t*>(wideName.c_str()),
                                    nullptr, &type, data, size);
        return RegQueryValueExA(key, value.IsDefault() ? nullptr : name.c_str(), nullptr, &type, data, size);
    };
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        if (query(nullptr, &size) != ERROR_SUCCESS || size > kMaxLiveData) return false;
        // One byte more than reported, so that a string is always terminated.
        bytes.assign(size + 2, '\0');
        DWORD got = size;
        LONG rc = query(reinterpret_cast<BYTE*>(bytes.data()), &got);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return false;
        bytes.resize(got);
        return true;
    }
    return false;
}

bool ReadString(StringValue& value, HKEY key) {
    DWORD type = 0;
    std::string bytes;
    if (!QueryLive(key, value, false, type, bytes) || type != REG_SZ) return false;
    // The data is kept in file form: a live backslash or quote is escaped,
    // or writing the value back would change what it holds.
    value.SetData(EscapeString(std::string(bytes.c_str())));
    return true;
}

bool ReadDword(DwordValue& value, HKEY key) {
    DWORD type = 0;
    std::string bytes;
    if (!QueryLive(key, value, false, type, bytes) || type != REG_DWORD || bytes.size() < 4) return false;
    uint32_t number = static_cast<unsigned char>(bytes[0]) | static_cast<unsigned char>(bytes[1]) << 8 |
                      static_cast<unsigned char>(bytes[2]) << 16 | static_cast<uint32_t>(static_cast<unsigned char>(bytes[3])) << 24;
    value.SetNumber(number);
    return true;
}

bool ReadBytes(BinaryValue& value, HKEY key) {
    auto* chars = dynamic_cast<CharDataValue*>(&value);
    // Character data of a dialect-5 value stays UTF-16, so that no character
    // outside the ANSI code page is lost; other values get the ANSI form.
    bool wide = chars && chars->GetDialect() == kRegedit5;
    DWORD type = 0;
    std::string bytes;
    if (!QueryLive(key, value, wide, type, bytes) || type == REG_SZ || type == REG_DWORD) return false;
    bool converted = type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    if (chars && converted) chars->SetDialect(wide ? kRegedit5 : kRegedit4);
    value.SetBytes(bytes.data(), bytes.size());
    value.SetChanged(true);
    return true;
}

class LiveValueReader : public RegistryValueReader {
public:
    bool ReadValue(ValueEntry& value, void* hkey) override {
        HKEY key = static_cast<HKEY>(hkey);
        if (!key) return false;
        switch (value.GetType()) {
        case ValueType::String:
            return ReadString(static_cast<StringValue&>(value), key);
        case ValueType::Dword:
            return ReadDword(static_cast<DwordValue&>(value), key);
        case ValueType::Binary:
        case ValueType::Qword:
        case ValueType::ExpandString:
        case ValueType::MultiString:
            return ReadBytes(static_cast<BinaryValue&>(value), key);
        case ValueType::Deletion:  // removes the value: nothing to read
            break;
        }
        return false;
    }
};

}  // namespace

void UseLiveRegistry() {
    static LiveValueReader reader;
    SetRegistryValueReader(&reader);
}

}  // namespace regedit

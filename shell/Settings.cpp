#include "shell/Settings.h"

#include "framework/Handles.h"

namespace shell {

const char kSettingsKey[] = "Software\\Orvane\\Quillon\\2.0";

namespace {

fw::UniqueKey OpenForWriting(REGSAM access, bool create) {
    fw::UniqueKey key;
    if (create) {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            access, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
            key.Reset();
    } else if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, access, key.Put()) != ERROR_SUCCESS) {
        key.Reset();
    }
    return key;
}

}  // namespace

DWORD ReadDword(const char* name, DWORD fallback) {
    fw::UniqueKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return fallback;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return fallback;
    return value;
}

bool ReadBinary(const char* name, std::vector<BYTE>& data) {
    fw::UniqueKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_BINARY)
        return false;
    std::vector<BYTE> bytes(size);
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS ||
        type != REG_BINARY)
        return false;
    bytes.resize(size);
    data.swap(bytes);
    return true;
}

namespace {
bool WriteValue(const char* name, DWORD type, const void* data, DWORD size, REGSAM access,
                bool create) {
    fw::UniqueKey key = OpenForWriting(access, create);
    return key && RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size) ==
                      ERROR_SUCCESS;
}
}  // namespace

bool WriteDword(const char* name, DWORD value, REGSAM access, bool create) {
    return WriteValue(name, REG_DWORD, &value, sizeof value, access, create);
}

bool WriteBinary(const char* name, const void* data, DWORD size, REGSAM access, bool create) {
    return WriteValue(name, REG_BINARY, data, size, access, create);
}

DWORD ReadFlg1() { return ReadDword("flg1", 0); }
bool WriteFlg1(DWORD value) { return WriteDword("flg1", value, KEY_READ | KEY_WRITE, false); }

DWORD ReadFindFlags() { return ReadDword("FindFlags", 1); }
bool WriteFindFlags(DWORD value) { return WriteDword("FindFlags", value, KEY_WRITE, false); }

DWORD ReadNumberBase() { return ReadDword("NumberBase", 16); }
bool WriteNumberBase(DWORD value) { return WriteDword("NumberBase", value, KEY_READ | KEY_WRITE, true); }

DWORD ReadAddressBar() { return ReadDword("AddressBar", 1); }
bool WriteAddressBar(DWORD value) { return WriteDword("AddressBar", value, KEY_READ | KEY_WRITE, true); }

DWORD ReadTips() { return ReadDword("Tips", 1); }
bool WriteTips(DWORD value) { return WriteDword("Tips", value, KEY_READ | KEY_WRITE, true); }

bool ReadListHeader(size_t columns, std::vector<uint16_t>& widths) {
    std::vector<BYTE> data;
    if (!ReadBinary("listhdr", data) || data.size() != columns * 2) return false;
    std::vector<uint16_t> read(columns);
    for (size_t i = 0; i < columns; ++i)
        read[i] = static_cast<uint16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    widths.swap(read);
    return true;
}

bool WriteListHeader(const std::vector<uint16_t>& widths) {
    std::vector<BYTE> data;
    for (uint16_t w : widths) {
        data.push_back(static_cast<BYTE>(w & 0xFF));
        data.push_back(static_cast<BYTE>(w >> 8));
    }
    return WriteBinary("listhdr", data.data(), static_cast<DWORD>(data.size()), KEY_WRITE, false);
}

DWORD ReadUndoHistoryMiB() { return ReadDword("UndoHistoryMiB", 256); }

}  // namespace shell

#pragma once
// The settings store: a handful of values under one key of the current user.
// No cache: every reader or writer opens the key, reads or writes one value
// and closes it again. Readers treat a missing key or value, and a value of
// the wrong type or size, as missing; no failure is ever reported.

#include <windows.h>

#include <cstdint>
#include <vector>

namespace shell {

extern const char kSettingsKey[];  // under HKEY_CURRENT_USER

// bit 0 set: loading does not check for duplicate keys. Default 0.
DWORD ReadFlg1();
// Only into an existing key: nothing is stored before the key exists.
bool WriteFlg1(DWORD value);

// The find dialog's options. Default 1.
DWORD ReadFindFlags();
bool WriteFindFlags(DWORD value);  // existing key only

// The value list's column widths, 2 bytes each. False (and `widths`
// untouched) when missing or not exactly `columns` widths.
bool ReadListHeader(size_t columns, std::vector<uint16_t>& widths);
bool WriteListHeader(const std::vector<uint16_t>& widths);  // existing key only

// The base the number editors open in: 10 decimal, else hexadecimal. Default 16.
DWORD ReadNumberBase();
bool WriteNumberBase(DWORD value);  // creates the key

// Show the address bar. Default 1.
DWORD ReadAddressBar();
bool WriteAddressBar(DWORD value);  // creates the key

// Show the tip of the day at start-up. Default 1.
DWORD ReadTips();
bool WriteTips(DWORD value);  // creates the key

// The memory the undo history of a document may keep, in MiB. Default 256.
DWORD ReadUndoHistoryMiB();

// The building blocks, for the settings of other rooms.
DWORD ReadDword(const char* name, DWORD fallback);
bool ReadBinary(const char* name, std::vector<BYTE>& data);
// `create`: make the key when it is missing; else an absent key stores nothing.
bool WriteDword(const char* name, DWORD value, REGSAM access, bool create);
bool WriteBinary(const char* name, const void* data, DWORD size, REGSAM access, bool create);

}  // namespace shell

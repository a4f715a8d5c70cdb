#pragma once

#include <cstdint>

// File dialect: 4 = "REGEDIT4", 5 = "Windows Registry Editor Version 5.00";
// 0 only as the result of a failed header test.
enum RegDialect : uint8_t {
    kNoDialect = 0,
    kRegedit4 = 4,
    kRegedit5 = 5,
};

// What the bytes of hex(2) and hex(7) data stand for: characters of program
// text (dialect-4 data inside the program), of the legacy code page
// (dialect-4 data in a file), or UTF-16LE (dialect 5, inside and out).
enum class CharForm : uint8_t {
    Program,
    Legacy,
    Wide,
};

#pragma once

#include <cstdint>

// File dialect: 4 = "REGEDIT4", 5 = "Windows Registry Editor Version 5.00";
// 0 only as the result of a failed header test.
enum RegDialect : uint8_t {
    kNoDialect = 0,
    kRegedit4 = 4,
    kRegedit5 = 5,
};

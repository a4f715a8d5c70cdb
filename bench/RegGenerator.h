// Deterministic generator of large, realistic .reg files for benchmarks and
// round-trip tests.
#pragma once

#include <cstddef>
#include <cstdint>

#include "document/RegDialect.h"

class ByteSink;

struct GeneratorOptions {
    uint64_t seed = 1;
    size_t targetBytes = 1 << 20;  // of single-byte text; stops after the key that passes it
    RegDialect dialect = kRegedit5;
    bool unicode = true;  // UTF-16LE with byte-order mark
    bool nonAscii = true;  // some names and strings outside ASCII (Windows-1252)
    size_t targetKeys = 0;  // when set, stops after this many keys instead
    // When set, one key (kWideKeyPath) with this many children, each with a
    // value, comes halfway through the file, as the classes of a real export.
    size_t wideKeyChildren = 0;
    // When set, the shape of a whole-registry export: the hives one after the
    // other, each with this many children, every one of them a large, wide
    // and deep branch. Otherwise the walk comes back to the hives often and
    // they get very many children.
    size_t hiveChildren = 0;
};

inline constexpr const char* kWideKeyPath = "HKEY_CLASSES_ROOT\\Wide Classes";

struct GeneratorStats {
    size_t keys = 0;
    size_t values = 0;
    size_t textBytes = 0;  // single-byte text generated
};

// Writes the file's bytes to out. False when a write failed.
bool GenerateRegFile(ByteSink& out, const GeneratorOptions& options, GeneratorStats* stats = nullptr);

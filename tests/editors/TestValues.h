#pragma once
// Values made the way the document makes them: parsed from value lines.

#include "document/ByteSink.h"
#include "document/RegParser.h"
#include "document/ValueEntry.h"

#include <memory>
#include <string>

namespace test {

// The value of one value line (CR LF added).
inline std::unique_ptr<ValueEntry> ParseValue(const std::string& line, RegDialect dialect = kRegedit4) {
    ValueList values;
    std::string block = line + "\r\n";
    ParseValueBlock(block.c_str(), values, dialect);
    if (values.size() != 1) return nullptr;
    return std::move(values.front());
}

inline std::string Written(const ValueEntry& value) {
    MemorySink sink;
    if (!value.Write(sink)) return "<write failed>";
    return std::string(sink.Data(), sink.Size());
}

template <class Kind>
Kind& As(std::unique_ptr<ValueEntry>& value) {
    return static_cast<Kind&>(*value);
}

}  // namespace test

// The file name taken from the program's command line.
#include <gtest/gtest.h>

#include "shell/CommandLine.h"

namespace {

TEST(CommandLinePath, QuotedIsCutAtTheClosingQuoteUnquotedIsTakenWhole) {
    struct Case { const char* line; const char* path; };
    const Case cases[] = {
        {"", ""},
        {"   ", ""},
        {"\r\n", ""},
        {"a.reg", "a.reg"},
        {"C:\\My Files\\a b.reg", "C:\\My Files\\a b.reg"},
        {"C:\\a b.reg  ", "C:\\a b.reg"},
        {"\"C:\\x y.reg\"", "C:\\x y.reg"},
        {"\"C:\\x y.reg\" /s more words", "C:\\x y.reg"},
        {"\"C:\\x y.reg", "C:\\x y.reg"},
        {"\"\"", ""},
        {"\"\" b.reg", ""},
        {"a \"b\".reg", "a \"b\".reg"},
    };
    for (const Case& c : cases) EXPECT_EQ(shell::CommandLinePath(c.line), c.path) << "[" << c.line << "]";
    EXPECT_EQ(shell::CommandLinePath(nullptr), "");
}

}  // namespace

// quillon-cli as a CI system runs it: its output and exit codes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/core/TestUtil.h"

#ifndef _WIN32
#include <sys/wait.h>

namespace {

struct CliRun {
    std::string out;  // stdout and stderr
    int exit = -1;
};

CliRun RunCli(const std::string& arguments) {
    CliRun run;
    std::string command = std::string(QUILLON_CLI) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
    int status = pclose(pipe);
    run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Scratch(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("quillon-cli-" + name)).string();
}

}  // namespace

// One line of each severity: each printed as FILE:LINE: severity: reason
// [key], the summary, exit 1; --quiet prints the summary only; a clean
// file exits 0 and a missing one 2, named on stderr.
TEST(Cli, CheckPrintsEachLineAndExitsAsCiExpects) {
    std::string file = Scratch("check.reg"), clean = Scratch("clean.reg");
    testutil::WriteBytes(file, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A] ; c\r\n\"a\" = \"1\"\r\n\"d\"=dword:\r\n");
    testutil::WriteBytes(clean, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"1\"\r\n");
    CliRun run = RunCli("check " + file);
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.out, file + ":3: differs: text after the key line's ']' is ignored: ; c [HKEY_CURRENT_USER\\A]\n" +
                           file + ":4: note: spaces around '=' [HKEY_CURRENT_USER\\A]\n" + file +
                           ":5: skipped: dword: with no digits [HKEY_CURRENT_USER\\A]\n"
                           "1 file checked: 1 skipped, 1 differ, 1 note\n");
    run = RunCli("check --quiet " + file + " " + clean);
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.out, "2 files checked: 1 skipped, 1 differ, 1 note\n");
    EXPECT_EQ(RunCli("check " + clean).exit, 0);
    run = RunCli("check " + clean + " " + Scratch("missing.reg"));
    EXPECT_EQ(run.exit, 2);
    EXPECT_NE(run.out.find("quillon-cli: cannot read \"" + Scratch("missing.reg") + "\""), std::string::npos);
    EXPECT_NE(RunCli("--help").out.find("Exit codes"), std::string::npos);
    EXPECT_NE(RunCli("help check").out.find("--quiet"), std::string::npos);
}

// Characters a single-byte file cannot hold: listed, nothing written, exit
// 1, unless --lossy lets them become '?'.
TEST(Cli, ConvertRefusesToLoseCharactersUnlessLossy) {
    std::string in = Scratch("hebrew.reg"), out = Scratch("hebrew4.reg");
    testutil::WriteBytes(in, "\xFF\xFE" + testutil::Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                                          u"[HKEY_CURRENT_USER\\A]\r\n\"\u05D0\u05D1\"=\"1\"\r\n"));
    std::remove(out.c_str());
    CliRun run = RunCli("convert " + in + " " + out + " --dialect 4");
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.out.find("U+05D0"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("U+05D1"), std::string::npos);
    EXPECT_TRUE(testutil::ReadBytes(out).empty());
    EXPECT_EQ(RunCli("convert " + in + " " + out + " --dialect 4 --lossy").exit, 0);
    EXPECT_NE(testutil::ReadBytes(out).find("\"?\?\"=\"1\""), std::string::npos);
}
// diff exits 0 for files that do the same, 1 with the difference for files
// that do not, 2 for a file it cannot read.
TEST(Cli, DiffExitsAsDiffDoes) {
    std::string a = Scratch("diff-a.reg"), b = Scratch("diff-b.reg"), c = Scratch("diff-c.reg");
    testutil::WriteBytes(a, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"1\"\r\n");
    testutil::WriteBytes(b, "\xFF\xFE" + testutil::Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                                          u"[hkey_current_user\\a]\r\n\"A\"=\"1\"\r\n"));
    testutil::WriteBytes(c, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"2\"\r\n");
    CliRun run = RunCli("diff " + a + " " + b);
    EXPECT_EQ(run.exit, 0);
    EXPECT_EQ(run.out, "");
    run = RunCli("diff " + a + " " + c);
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.out.find("[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"2\"\r\n"), std::string::npos) << run.out;
    EXPECT_EQ(RunCli("diff " + a + " " + Scratch("missing.reg")).exit, 2);
}

// git shows a change of a UTF-16 file, which it takes for binary, as the
// lines of the values that changed, through the textconv the README gives.
TEST(Cli, GitDiffReadsUtf16FilesThroughDumpText) {
    if (std::system("git --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "git is not installed";
    std::filesystem::path repo = Scratch("git-repo");
    std::filesystem::remove_all(repo);
    std::filesystem::create_directories(repo);
    std::string header = "\xFF\xFE" + testutil::Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n");
    testutil::WriteBytes((repo / "state.reg").string(), header + testutil::Utf16(u"\"a\"=\"1\"\r\n\"b\"=\"\u00e9\"\r\n"));
    testutil::WriteBytes((repo / ".gitattributes").string(), "*.reg diff=reg\n");
    std::string git = "git -C " + repo.string() + " ";
    std::string setup = git + "init -q && " + git + "config user.email t@example.com && " + git +
                        "config user.name t && " + git + "config diff.reg.textconv '" + QUILLON_CLI +
                        " dump --text' && " + git + "add -A && " + git + "commit -qm before";
    ASSERT_EQ(std::system(setup.c_str()), 0);
    testutil::WriteBytes((repo / "state.reg").string(), header + testutil::Utf16(u"\"b\"=\"\u00e9\"\r\n\"a\"=\"2\"\r\n"));
    FILE* pipe = popen((git + "diff").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
    EXPECT_NE(out.find("\n-[HKEY_CURRENT_USER\\A] \"a\" = REG_SZ: \"1\"\n+[HKEY_CURRENT_USER\\A] \"a\" = REG_SZ: \"2\"\n"),
              std::string::npos) << out;
    EXPECT_EQ(out.find("Binary files"), std::string::npos);
    EXPECT_NE(out.find("\n [HKEY_CURRENT_USER\\A] \"b\" = REG_SZ: \"\xc3\xa9\"\n"), std::string::npos) << out;
}
#endif

#include "shell/CommandLine.h"

#include <cstring>

namespace shell {

std::string CommandLinePath(const char* commandLine) {
    if (!commandLine) return {};
    std::string line(commandLine);
    // Launchers append blanks or a line break; a line of nothing else names
    // no file (it would otherwise open the current directory).
    size_t end = line.find_last_not_of(" \t\r\n");
    if (end == std::string::npos) return {};
    line.resize(end + 1);
    if (line[0] != '"') return line;
    size_t close = line.find('"', 1);
    return line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
}

bool TakeUntitledSwitch(const char*& commandLine) {
    constexpr char kSwitch[] = "/untitled";
    constexpr size_t kLength = sizeof kSwitch - 1;
    if (!commandLine || std::strncmp(commandLine, kSwitch, kLength) != 0 ||
        (commandLine[kLength] != ' ' && commandLine[kLength] != '\t'))
        return false;
    commandLine += kLength;
    while (*commandLine == ' ' || *commandLine == '\t') ++commandLine;
    return true;
}

}  // namespace shell

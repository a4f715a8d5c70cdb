#pragma once
// The file named on the program's command line.

#include <string>

namespace shell {

// The path part of the command line: a leading double quote is dropped and
// the text cut at the next one (anything after it is ignored); an unquoted
// command line is taken whole, blanks included. Empty when the command line
// names no file.
std::string CommandLinePath(const char* commandLine);

// "/untitled" before the path: the file is one the program wrote for itself
// (a comparison's result), opened as a new, unsaved document and then
// deleted. Moves commandLine past the switch and its blanks.
bool TakeUntitledSwitch(const char*& commandLine);

}  // namespace shell

// The command line of ReplaceTokenInFile: "file" "token" "replacement", and its exit codes.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace replacetoken {

// Exit codes of the program.
constexpr int kExitDone = 0;         // replaced, or nothing to replace
constexpr int kExitFileFailed = 1;   // the file could not be read, converted or written; unchanged
constexpr int kExitWrongCommand = 2; // not three arguments, or an empty token

// Splits a command line the way the updater writes it: arguments separated by blanks or tabs;
// one that begins with a double quote runs to the next double quote, backslashes and all (so
// a folder ending in a backslash stays one argument). The first argument is the program.
std::vector<std::wstring> SplitCommandLine(std::wstring_view line);

// Runs the program with the arguments after its name; problems are told on err. The exit code.
int Run(const std::vector<std::wstring>& args, std::ostream& err);

}  // namespace replacetoken

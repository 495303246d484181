// What the launcher is handed for one program: the file to start and its command line.
#pragma once

#include <string>

namespace sys {

struct ProgramStart {
    // The file started; empty leaves it to Windows to find the command line's first word.
    std::wstring program;
    std::wstring commandLine;
};

// Whether value can stand between double quotes in a command line: a quote inside it would
// end them early.
bool CanQuote(const std::wstring& value);
// The value between double quotes.
std::wstring Quoted(const std::wstring& value);
// The value, between double quotes when it holds a blank.
std::wstring QuotedWhenBlank(const std::wstring& value);

// The start of program followed by one blank and parameters (no blank for empty parameters):
// - a program in double quotes, as the first word: the file inside them, when it is a full
//   path (from a drive's or a share's root, or from the root);
// - a bare name of a Windows tool (regsvr32, cscript, msiexec, with or without ".exe"): that
//   tool in systemFolder, never one of the current or the program's folder;
// - otherwise the program is a path: a full path is the file started, and is quoted in the
//   command line when it holds a blank.
// A program file without an extension gets ".exe", as Windows would add. False (nothing may
// start) for an empty program, a quote inside a path, a quoted first word whose quotes do not
// close before a blank, or a Windows tool while systemFolder is unknown.
bool MakeProgramStart(const std::wstring& program, const std::wstring& parameters,
                      const std::wstring& systemFolder, ProgramStart& start);

// The start of a whole command line whose first word names the program: as above for a quoted
// first word or a Windows tool; any other first word is left to Windows, as written.
bool MakeCommandStart(const std::wstring& commandLine, const std::wstring& systemFolder,
                      ProgramStart& start);

}  // namespace sys

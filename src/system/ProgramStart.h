// What the launcher is handed for one program: the file to start and its command line.
#pragma once

#include <string>

namespace sys {

class IFiles;

struct ProgramStart {
    // The file started; empty leaves it to Windows to find the command line's first word.
    std::wstring program;
    std::wstring commandLine;
};

// Whether value can stand between double quotes in a command line: a quote inside it would
// end them early.
bool CanQuote(const std::wstring& value);
// The value between double quotes as a program reads it back with the C runtime's rule:
// backslashes right before the closing quote are doubled, so that "C:\folder\" does not end in
// an escaped quote.
std::wstring Quoted(const std::wstring& value);
// The value between double quotes exactly as it is, for our own tools that take an argument up
// to the next quote.
std::wstring QuotedVerbatim(const std::wstring& value);
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

// The start of a whole command line of a package, its words kept as written; the program is
// always named, so that Windows never searches for it:
// - a first word in double quotes is the program;
// - a name without a folder (cmd.exe, cscript, net ...), quoted or not, is the system folder's
//   program, never one of the current or the program's folder;
// - an unquoted path is the longest part of the line that ends at a blank (or at the line's
//   end) and names an existing file as written, so "C:\Program Files\T\setup.exe /q" never
//   starts "C:\Program.exe".
// A quoted or bare program without an extension gets ".exe", as Windows would add. False
// (nothing may start)
// for an empty line, a quoted first word whose quotes do not close before a blank, a path that
// names no existing file, or a bare name while systemFolder is unknown.
bool MakeCommandStart(const std::wstring& commandLine, const std::wstring& systemFolder,
                      IFiles& files, ProgramStart& start);

}  // namespace sys

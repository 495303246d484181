// A stand-in for the command-line tools the web pages updater starts (CrtVDir.exe, appcmd.exe,
// cscript.exe, selfssl.exe): copied under the tool's name, it appends its name and whole command
// line to the log named by TAV_TOOL_LOG and exits with 0, or with 1 when the log could not be
// written. Copied as an installer it exits with the number in TAV_TOOL_EXIT_CODE when that is set.
//
// Where to put the copies so that they run instead of the tools: CrtVDir.exe and selfssl.exe in
// the client folder's Support\, appcmd.exe in <system folder>\inetsrv\. A bare "cscript.exe" is
// looked up by CreateProcess in the folder of the program that starts it first (not the folder
// the wizard seems to run from in a test), then the current folder, then the system folder.
#include <cstdlib>

#include "iis/ToolLog.h"

int wmain() {
    if (!toollog::AppendCall()) return 1;
    const wchar_t* code = _wgetenv(L"TAV_TOOL_EXIT_CODE");
    return code ? _wtoi(code) : 0;
}

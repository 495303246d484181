// Read-only edit boxes whose lines the program draws right to left itself.
#pragma once

#include <windows.h>

namespace app {

// Turns on (or off) drawing the lines of a read-only multi-line edit box right to left: each line
// the box has laid out (its wrapping, scrolling and scroll bar stay the box's own) is drawn with
// right-to-left reading and right alignment. The box's own drawing places the parts of a line in
// the wrong order under Wine when a left-to-right run of several pieces (a folder, a version)
// stands inside a right-to-left line. The caret and a selection are not shown while it is on.
void DrawLinesRightToLeft(HWND edit, bool on);

}  // namespace app

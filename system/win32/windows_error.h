#pragma once
// Windows' own words for an error, and the program's error made of them.
#include <windows.h>

#include "system/text.h"

namespace kst::sys::win32 {

// FormatMessageW's text for the error, without the line break it ends with.
Text windowsMessage(DWORD error);
// A creation that Windows refused: raises the program's error, saying what
// could not be made and why (GetLastError), which the event loop shows.
[[noreturn]] void raiseLastError(const Text& what);

}  // namespace kst::sys::win32

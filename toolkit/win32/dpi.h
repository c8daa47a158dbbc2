#pragma once
// Pixels per inch per monitor. Windows 10 (version 1607 and later) tells
// each window the pixels per inch of its monitor; the functions that say so
// are loaded at run time, and on older Windows every monitor has the
// system's pixels per inch, as these fall back to.
#include <windows.h>

namespace kst::tk::win32 {

// The system's pixels per inch: the primary monitor's, where windows open.
int systemDpi();
// The pixels per inch of the monitor the window is on.
int dpiOfWindow(HWND window);
// GetSystemMetrics for a monitor of these pixels per inch.
int systemMetricForDpi(int index, int dpi);
// The window's outer rectangle around this client rectangle, its frame as
// Windows draws it at these pixels per inch.
RECT outerRectForDpi(RECT client, DWORD style, DWORD exStyle, int dpi);

}  // namespace kst::tk::win32

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
// The pixels per inch of the notification area's icons: the task bar's
// monitor's, from Windows 8.1 on; the system's before.
int notificationAreaDpi();
// Asks Windows to scale the window's title bar and frame with its monitor,
// as a per-monitor window of version 1 (Windows 8.1 and Windows 10 up to
// version 1607) otherwise does not; from version 1703 on Windows does so
// by itself. Called in WM_NCCREATE, the only time it can be.
void enableNonClientDpiScaling(HWND window);
// GetSystemMetrics for a monitor of these pixels per inch.
int systemMetricForDpi(int index, int dpi);
// The window's outer rectangle around this client rectangle, its frame as
// Windows draws it at these pixels per inch.
RECT outerRectForDpi(RECT client, DWORD style, DWORD exStyle, int dpi);

}  // namespace kst::tk::win32

#include "toolkit/win32/dpi.h"

#include "system/win32/handles.h"
#include "system/win32/system_library.h"

namespace kst::tk::win32 {
namespace {

// Its newer functions are looked up where Windows has them.
const sys::win32::SystemLibrary& user32() {
  static const sys::win32::SystemLibrary library(L"user32.dll");
  return library;
}

// Since Windows 8.1, the pixels per inch of the shell's own parts.
const sys::win32::SystemLibrary& shcore() {
  static const sys::win32::SystemLibrary library(L"shcore.dll");
  return library;
}

using GetDpiForWindowFunction = UINT WINAPI(HWND);
// SHELL_UI_COMPONENT, which the Windows 7 headers the program is built with lack.
using GetDpiForShellUIComponentFunction = UINT WINAPI(int);
constexpr int kShellNotificationArea = 1;  // SHELL_UI_COMPONENT_NOTIFICATIONAREA
using EnableNonClientDpiScalingFunction = BOOL WINAPI(HWND);
using GetSystemMetricsForDpiFunction = int WINAPI(int, UINT);
using AdjustWindowRectExForDpiFunction = BOOL WINAPI(RECT*, DWORD, BOOL, DWORD, UINT);

// Wine's shcore exports GetDpiForShellUIComponent as a stub that ends the
// process when it is called; Wine has one scale for the whole screen.
bool underWine() {
  static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

}  // namespace

int systemDpi() {
  sys::win32::ScreenDC screen;
  return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

int dpiOfWindow(HWND window) {
  static auto* forWindow = user32().function<GetDpiForWindowFunction>("GetDpiForWindow");
  UINT dpi = forWindow != nullptr ? forWindow(window) : 0;
  return dpi != 0 ? static_cast<int>(dpi) : systemDpi();
}

int notificationAreaDpi() {
  static auto* forShell =
      underWine() ? nullptr : shcore().function<GetDpiForShellUIComponentFunction>("GetDpiForShellUIComponent");
  UINT dpi = forShell != nullptr ? forShell(kShellNotificationArea) : 0;
  return dpi != 0 ? static_cast<int>(dpi) : systemDpi();
}

void enableNonClientDpiScaling(HWND window) {
  static auto* enable = user32().function<EnableNonClientDpiScalingFunction>("EnableNonClientDpiScaling");
  // Windows refuses it where the window is not per-monitor aware of version
  // 1; nothing changes then.
  if (enable != nullptr) enable(window);
}

int systemMetricForDpi(int index, int dpi) {
  static auto* forDpi = user32().function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
  return forDpi != nullptr ? forDpi(index, static_cast<UINT>(dpi)) : GetSystemMetrics(index);
}

RECT outerRectForDpi(RECT client, DWORD style, DWORD exStyle, int dpi) {
  static auto* forDpi = user32().function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
  if (forDpi == nullptr || !forDpi(&client, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    AdjustWindowRectEx(&client, style, FALSE, exStyle);
  }
  return client;
}

}  // namespace kst::tk::win32

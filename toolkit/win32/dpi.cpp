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

using GetDpiForWindowFunction = UINT WINAPI(HWND);
using GetSystemMetricsForDpiFunction = int WINAPI(int, UINT);
using AdjustWindowRectExForDpiFunction = BOOL WINAPI(RECT*, DWORD, BOOL, DWORD, UINT);

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

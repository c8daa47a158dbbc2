#include "toolkit/win32/dpi.h"

#include "system/win32/handles.h"

namespace kst::tk::win32 {
namespace {

// user32 is always loaded: its newer functions are looked up there.
template <typename Function>
Function* user32Function(const char* name) {
  static const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

using GetDpiForWindowFunction = UINT WINAPI(HWND);
using GetSystemMetricsForDpiFunction = int WINAPI(int, UINT);
using AdjustWindowRectExForDpiFunction = BOOL WINAPI(RECT*, DWORD, BOOL, DWORD, UINT);

int systemDpi() {
  sys::win32::ScreenDC screen;
  return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

}  // namespace

int dpiOfWindow(HWND window) {
  static auto* forWindow = user32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  UINT dpi = forWindow != nullptr ? forWindow(window) : 0;
  return dpi != 0 ? static_cast<int>(dpi) : systemDpi();
}

int systemMetricForDpi(int index, int dpi) {
  static auto* forDpi = user32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
  return forDpi != nullptr ? forDpi(index, static_cast<UINT>(dpi)) : GetSystemMetrics(index);
}

RECT outerRectForDpi(RECT client, DWORD style, DWORD exStyle, int dpi) {
  static auto* forDpi = user32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
  if (forDpi == nullptr || !forDpi(&client, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    AdjustWindowRectEx(&client, style, FALSE, exStyle);
  }
  return client;
}

}  // namespace kst::tk::win32

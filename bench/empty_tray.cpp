// The honest floor for a program with a notification-area icon: an empty
// window and one icon, removed again when the window goes. Built a second
// time with version 6 of the common controls, which Kestrane's manifest
// asks for, to show what that costs by itself.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "yardstick.h"

namespace {

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    NOTIFYICONDATAW data = yardstick::trayIconOf(window);
    Shell_NotifyIconW(NIM_DELETE, &data);
    PostQuitMessage(0);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
#ifdef KST_COMMON_CONTROLS_6
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
#endif
  HWND window = yardstick::createEmptyWindow(instance, L"EmptyTrayWindow", windowProc);
  NOTIFYICONDATAW data = yardstick::trayIconOf(window);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = yardstick::kTrayCallback;
  data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  lstrcpynW(data.szTip, L"Empty", 64);
  Shell_NotifyIconW(NIM_ADD, &data);
  ShowWindow(window, show);
  return yardstick::runMessageLoop();
}

// The yardsticks for what a resident battery program costs while nobody
// uses it: an empty window that samples the power status once a second.
// Built a second time with a notification-area icon whose picture, and the
// window's icon, change every 1.5 s, as a charging animation's do: two
// pictures made once and handed over in turn, each change to the shell and
// the window alone. And built a third time with a text field that has the
// focus, whose caret blinks while the window is active, as the caret of the
// field a window opens with does.
#include <windows.h>

#include <shellapi.h>

#include "yardstick.h"

namespace {

constexpr UINT_PTR kSampleTimer = 1;
constexpr UINT kSampleInterval = 1000;

#ifdef KST_ANIMATED_ICONS
constexpr UINT_PTR kAnimationTimer = 2;
constexpr UINT kAnimationInterval = 1500;

HICON pictures[2];
int shown = 0;

void showPicture(HWND window, DWORD command) {
  NOTIFYICONDATAW data = yardstick::trayIconOf(window);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = yardstick::kTrayCallback;
  data.hIcon = pictures[shown];
  lstrcpynW(data.szTip, L"Sampling", 64);
  Shell_NotifyIconW(command, &data);
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(pictures[shown]));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(pictures[shown]));
}
#endif

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kSampleTimer) {
    SYSTEM_POWER_STATUS status;
    GetSystemPowerStatus(&status);
  }
#ifdef KST_ANIMATED_ICONS
  if (message == WM_TIMER && wParam == kAnimationTimer) {
    shown = 1 - shown;
    showPicture(window, NIM_MODIFY);
  }
  if (message == WM_DESTROY) {
    NOTIFYICONDATAW data = yardstick::trayIconOf(window);
    Shell_NotifyIconW(NIM_DELETE, &data);
  }
#endif
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  HWND window = yardstick::createEmptyWindow(instance, L"SamplingWindow", windowProc);
  SetTimer(window, kSampleTimer, kSampleInterval, nullptr);
#ifdef KST_ANIMATED_ICONS
  pictures[0] = LoadIconW(nullptr, IDI_APPLICATION);
  pictures[1] = LoadIconW(nullptr, IDI_INFORMATION);
  showPicture(window, NIM_ADD);
  SetTimer(window, kAnimationTimer, kAnimationInterval, nullptr);
#endif
#ifdef KST_FOCUSED_FIELD
  HWND field = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"80", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 60, 21,
                               window, nullptr, instance, nullptr);
#endif
  ShowWindow(window, show);
#ifdef KST_FOCUSED_FIELD
  SetFocus(field);
#endif
  return yardstick::runMessageLoop();
}

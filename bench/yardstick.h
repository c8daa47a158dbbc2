// What the yardstick programs share: the plainest top-level window and
// message loop a Win32 program can have. Header-only, so that each
// yardstick stays a single source file with no library linked in.
#pragma once

#include <windows.h>

#include <shellapi.h>

namespace yardstick {

inline HWND createEmptyWindow(HINSTANCE instance, const wchar_t* className, WNDPROC windowProc) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = className;
  RegisterClassW(&windowClass);
  return CreateWindowExW(0, className, L"Empty", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 400, 200, nullptr,
                         nullptr, instance, nullptr);
}

// The notification-area icon of a yardstick, as the oldest shells take it.
constexpr UINT kTrayCallback = WM_APP + 1;

inline NOTIFYICONDATAW trayIconOf(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = window;
  data.uID = 1;
  return data;
}

inline int runMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace yardstick

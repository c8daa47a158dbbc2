// The yardstick for start-up and memory: a Win32 program that only shows an
// empty window and runs its message loop.
#include <windows.h>

#include "yardstick.h"

namespace {

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  HWND window = yardstick::createEmptyWindow(instance, L"EmptyWindow", windowProc);
  ShowWindow(window, show);
  return yardstick::runMessageLoop();
}

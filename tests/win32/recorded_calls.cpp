#include "tests/win32/recorded_calls.h"

#include <shellapi.h>

#include <cstring>

#include "tests/win32/import_hooks.h"

namespace kst::test {
namespace {

using GetDpiForWindowFunction = UINT WINAPI(HWND);
using GetDpiForShellUIComponentFunction = UINT WINAPI(int);
using EnableNonClientDpiScalingFunction = BOOL WINAPI(HWND);

struct Originals {
  decltype(&::Shell_NotifyIconW) notifyIcon;
  decltype(&::TrackPopupMenu) trackPopupMenu;
  decltype(&::GetProcAddress) getProcAddress;
  GetDpiForWindowFunction* dpiForWindow;
  GetDpiForShellUIComponentFunction* dpiForShellComponent;
  EnableNonClientDpiScalingFunction* enableNonClientScaling;
} original;

std::vector<std::string> notHooked;

BOOL WINAPI recordNotifyIcon(DWORD message, PNOTIFYICONDATAW data) {
  const BOOL taken = message == NIM_SETVERSION && RecordedCalls::shellTakesVersion4
                         ? *RecordedCalls::shellTakesVersion4
                         : original.notifyIcon(message, data);
  if (RecordedCalls::recording) {
    RecordedCalls::notifyIcon.push_back({message, data->uFlags, data->uVersion, taken != FALSE});
  }
  return taken;
}

BOOL WINAPI answerPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND window, const RECT* rect) {
  if (RecordedCalls::menuChoice) return static_cast<BOOL>(*RecordedCalls::menuChoice);
  return original.trackPopupMenu(menu, flags, x, y, reserved, window, rect);
}

UINT WINAPI dpiForWindow(HWND window) {
  if (RecordedCalls::windowDpi) return *RecordedCalls::windowDpi;
  return original.dpiForWindow != nullptr ? original.dpiForWindow(window) : 0;
}

// Wine's own is a stub that ends the process; the program does not call
// it there, but calls the one recorded here, which answers nothing.
bool underWine() { return original.getProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

UINT WINAPI dpiForShellComponent(int component) {
  if (RecordedCalls::notificationAreaDpi) return *RecordedCalls::notificationAreaDpi;
  if (underWine() || original.dpiForShellComponent == nullptr) return 0;
  return original.dpiForShellComponent(component);
}

BOOL WINAPI enableNonClientScaling(HWND window) {
  if (RecordedCalls::recording) RecordedCalls::nonClientScaling.push_back(window);
  return original.enableNonClientScaling != nullptr ? original.enableNonClientScaling(window) : TRUE;
}

// The functions newer than Windows 7 are looked up by name: the program
// gets the recording ones in their place.
template <typename Function>
FARPROC standIn(HMODULE module, LPCSTR name, Function*& real, Function* replacement) {
  real = reinterpret_cast<Function*>(reinterpret_cast<void*>(original.getProcAddress(module, name)));
  return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(replacement));
}

FARPROC WINAPI getProcAddress(HMODULE module, LPCSTR name) {
  // A name, not an ordinal, lies above the first 64 KiB.
  if (reinterpret_cast<ULONG_PTR>(name) > 0xFFFF) {
    // The program steps around a stub of Wine's that the recording one
    // replaces: it runs as on Windows.
    if (std::strcmp(name, "wine_get_version") == 0) return nullptr;
    if (std::strcmp(name, "GetDpiForWindow") == 0) return standIn(module, name, original.dpiForWindow, dpiForWindow);
    if (std::strcmp(name, "GetDpiForShellUIComponent") == 0) {
      return standIn(module, name, original.dpiForShellComponent, dpiForShellComponent);
    }
    if (std::strcmp(name, "EnableNonClientDpiScaling") == 0) {
      return standIn(module, name, original.enableNonClientScaling, enableNonClientScaling);
    }
  }
  return original.getProcAddress(module, name);
}

}  // namespace

void RecordedCalls::start() {
  static bool started = false;
  if (started) return;
  started = true;
  const Hook hooks[] = {
      {"Shell_NotifyIconW", reinterpret_cast<void*>(&recordNotifyIcon), reinterpret_cast<void**>(&original.notifyIcon)},
      {"TrackPopupMenu", reinterpret_cast<void*>(&answerPopupMenu), reinterpret_cast<void**>(&original.trackPopupMenu)},
      {"GetProcAddress", reinterpret_cast<void*>(&getProcAddress), reinterpret_cast<void**>(&original.getProcAddress)},
  };
  notHooked = hookImports(hooks, std::size(hooks));
}

std::vector<std::string> RecordedCalls::unhooked() { return notHooked; }

void RecordedCalls::startRecording() {
  notifyIcon.clear();
  nonClientScaling.clear();
  recording = true;
}

void RecordedCalls::stop() {
  recording = false;
  windowDpi.reset();
  notificationAreaDpi.reset();
  menuChoice.reset();
  shellTakesVersion4.reset();
}

namespace {

[[maybe_unused]] const bool hookedFromTheStart = (RecordedCalls::start(), true);

}  // namespace

}  // namespace kst::test

#include "toolkit/win32/theme.h"

#include <uxtheme.h>
#include <vssym32.h>

#include "system/win32/system_library.h"

namespace kst::tk::win32 {
namespace {

const sys::win32::SystemLibrary& uxtheme() {
  static const sys::win32::SystemLibrary library(L"uxtheme.dll");
  return library;
}

}  // namespace

void switchThemeOff(HWND window) {
  // A class list that names no theme class switches the style off on
  // Windows and under Wine alike (Wine ignores an empty one).
  if (auto* setWindowTheme = uxtheme().function<decltype(::SetWindowTheme)>("SetWindowTheme")) {
    setWindowTheme(window, L" ", L" ");
  }
}

bool drawThemedButton(HWND button, HDC dc, int state, const RECT& bounds) {
  auto* open = uxtheme().function<decltype(::OpenThemeData)>("OpenThemeData");
  auto* draw = uxtheme().function<decltype(::DrawThemeBackground)>("DrawThemeBackground");
  auto* close = uxtheme().function<decltype(::CloseThemeData)>("CloseThemeData");
  if (open == nullptr || draw == nullptr || close == nullptr) return false;
  HTHEME theme = open(button, L"BUTTON");
  if (theme == nullptr) return false;
  draw(theme, dc, BP_PUSHBUTTON, state, &bounds, nullptr);
  close(theme);
  return true;
}

}  // namespace kst::tk::win32

#pragma once
// The few visual-style calls the controls need, from uxtheme.dll in System32.
#include <windows.h>

namespace kst::tk::win32 {

// Switches the visual style off for one control, so that it keeps the
// colours it is given.
void switchThemeOff(HWND window);
// Draws a push button's background in the given PBS_* state as the visual
// style does; false where no style applies to the button.
bool drawThemedButton(HWND button, HDC dc, int state, const RECT& bounds);

}  // namespace kst::tk::win32

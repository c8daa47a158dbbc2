#pragma once
// What screen readers say for a control without text of its own (an edit,
// a check box drawn without its caption, a progress bar): Windows' own
// accessible object for the control, with the control's name laid over it.
#include <windows.h>

#include "system/text.h"

namespace kst::tk::win32 {

// The answer to WM_GETOBJECT for the control's client object, or 0 to leave
// the message to Windows. COM must run on the thread.
LRESULT namedAccessibleObject(HWND control, WPARAM wParam, const Text& name);

}  // namespace kst::tk::win32

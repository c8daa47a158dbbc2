#pragma once
// What screen readers say for a control without text of its own (an edit,
// a check box drawn without its caption, a progress bar): its name, laid on
// Windows' own accessible object as Microsoft documents it for exactly this
// (direct annotation: IAccPropServices::SetHwndPropStr with PROPID_ACC_NAME
// for the window's OBJID_CLIENT), which Active Accessibility and the UI
// Automation proxy both read.
#include <windows.h>

#include <oleacc.h>

#include "system/text.h"
#include "system/win32/system_library.h"

namespace kst::tk::win32 {

// Windows' annotation service, made when a screen reader first asks. COM
// must run on the thread for as long as it lives.
class AccessibleNames {
 public:
  AccessibleNames();
  ~AccessibleNames();
  AccessibleNames(const AccessibleNames&) = delete;
  AccessibleNames& operator=(const AccessibleNames&) = delete;

  // Whether Windows took the name for the control.
  bool annotate(HWND control, const Text& name);
  // Takes the name back, as the control's window goes.
  void clear(HWND control);

 private:
  sys::win32::SystemLibrary ole32_{L"ole32.dll"};
  IAccPropServices* service_ = nullptr;
};

}  // namespace kst::tk::win32

#pragma once
// Each control of a window gets its stable identifier from the table.
#include "resources/control_ids.h"
#include "toolkit/form.h"

namespace kst {

inline void identifyControls(tk::Form& window) {
  for (tk::Control* control : window.controls()) control->id = ids::controlId(window.className(), control->name());
}

}  // namespace kst

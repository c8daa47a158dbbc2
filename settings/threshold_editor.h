#pragma once
// The threshold editor's messages. The rule of the 4-point gap and its
// message belong to the store, which the command line shares.
#include "settings/model/threshold_store.h"
#include "system/text.h"

namespace kst {

using store::kGapMessage;
inline const Text kKeysMissingMessage =
    u"   Needed registry keys not present.\r\n   You need a ThinkPad Laptop and \r\n"
    u"   have to install some software.\r\n   Please read the appropriate help section.   ";
inline const Text kUnsavedQuestion =
    u"Some settings were changed, but not saved yet.\r\nSave the current settings now?";

// When Yes to the restart question starts no elevated copy.
inline const Text kRestartDeclinedMessage = u"     Kestrane was not restarted: the elevation prompt was declined.     ";
inline Text restartFailedMessage(const Text& windowsReason) {
  return u"     Kestrane could not restart with administrator privileges: " + windowsReason + u"     ";
}

}  // namespace kst

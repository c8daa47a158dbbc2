#pragma once
// The threshold editor's messages. The rule of the 4-point gap and its
// message belong to the store, which the command line shares.
#include <vector>

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

// Where Windows refused key sets and no restart can give the rights.
inline Text administratorMustSaveMessage(const Text& why, const std::vector<Text>& keySets) {
  Text text = u"     Only an administrator can save these settings (" + why + u"):";
  for (const Text& keySet : keySets) text += u"\r\n     " + keySet;
  return text + u"     ";
}
inline Text administratorMustRemoveMessage(const Text& why, const Text& keySet) {
  return u"     Only an administrator can remove these settings (" + why + u"):\r\n     " + keySet + u"     ";
}

}  // namespace kst

#pragma once
#include "system/text.h"

namespace kst {

inline const Text kGapMessage =
    u"The low threshold percentage must be at least 4% lower than the high threshold percentage.";
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

// What followed the program name on a Windows command line, split off by
// the rules Windows uses for the program name itself.
Text argumentsAfterProgramName(const Text& commandLine);

}  // namespace kst

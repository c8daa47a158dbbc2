#pragma once
#include <array>

#include "system/text.h"

namespace kst {

enum PowerState : int { NoBattery = 0, Charging = 1, ACPowered = 2, Discharging = 3 };

inline const std::array<Text, 4> stateText = {u"no battery present", u"AC connected, charging",
                                              u"AC powered, not charging", u"discharging"};
inline const std::array<Text, 4> stateShortText = {u"no battery present", u"charging", u"AC powered", u"discharging"};

// Samples the system power status once; never fails.
PowerState getPowerStatus(int& percent, int& secondsLeft);
// "1:30 h", or empty when there is no time to show.
Text formatTimeLeft(int seconds);

}  // namespace kst

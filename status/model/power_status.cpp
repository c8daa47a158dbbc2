#include "status/model/power_status.h"

#include "system/services.h"

namespace kst {

PowerState getPowerStatus(int& percent, int& secondsLeft) {
  constexpr uint8_t kChargingFlag = 8, kNoSystemBattery = 128, kUnknown = 255;
  percent = 0;
  secondsLeft = 0;
  sys::PowerStatusRecord status;
  if (!sys::power().getSystemPowerStatus(status)) return NoBattery;

  PowerState state = NoBattery;
  if (status.acLineStatus == 0) {
    state = Discharging;
  } else if (status.acLineStatus == 1) {
    state = (status.batteryFlag & kChargingFlag) != 0 ? Charging : ACPowered;
  }
  if (status.batteryFlag == kUnknown || (status.batteryFlag & kNoSystemBattery) != 0) state = NoBattery;

  percent = status.batteryLifePercent == kUnknown ? -1 : status.batteryLifePercent;
  if (status.batteryLifeTime != 0xFFFFFFFFu && status.batteryLifeTime < 0x80000000u) {
    secondsLeft = static_cast<int>(status.batteryLifeTime);
  }
  return state;
}

Text formatTimeLeft(int seconds) {
  if (seconds <= 0) return {};
  int hours = seconds / 3600;
  int minutes = (seconds - hours * 3600) / 60;
  Text twoDigits = decimal(minutes);
  if (twoDigits.size() < 2) twoDigits = u"0" + twoDigits;
  return decimal(hours) + u":" + twoDigits + u" h";
}

}  // namespace kst

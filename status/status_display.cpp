// The live battery status in the caption, the status area, the battery
// button, the Save button's colour and the notification-area icon.
#include "app/kst_main.h"
#include "status/power_status.h"

namespace kst {
namespace {

constexpr int highChargeLimit = 66;
constexpr int lowChargeLimit = 15;

Text thresholdLine(const SavedThresholds& saved) {
  return store::describe({saved.highPercent, saved.lowPercent, saved.highActive != 0, saved.lowActive != 0});
}

Text trayHint(PowerState state, int percent, const Text& timeText, bool withThresholds,
              const SavedThresholds& saved) {
  Text hint = productName + u"\r\n";
  switch (state) {
    case NoBattery:
      return hint + u"no battery present";
    case Charging:
    case ACPowered:
      hint += decimal(percent) + u"%   (" + stateText[state] + u")";
      break;
    case Discharging:
      if (!timeText.empty()) hint += timeText + u" left   ";
      hint += u"(discharging, " + decimal(percent) + u"%)";
      break;
  }
  if (withThresholds) hint += u"\r\n" + thresholdLine(saved);
  return hint;
}

Text windowCaption(PowerState state, int percent, const Text& timeText, const Text& chargeText) {
  switch (state) {
    case Charging:
    case ACPowered:
      return stateShortText[state] + u",  " + chargeText + u"    ";
    case Discharging:
      if (!timeText.empty()) return timeText + u" left,  " + decimal(percent) + u"%   ";
      return decimal(percent) + u"% left, " + u"discharging";
    case NoBattery:
      break;
  }
  return productName + u"   ";
}

int chargeLevelIndex(int percent) {
  if (percent > highChargeLimit) return 0;
  if (percent > lowChargeLimit) return 1;
  return 2;
}

}  // namespace

void Tkst_mainform::updateBatteryStatus() {
  int percent = 0, secondsLeft = 0;
  PowerState state = getPowerStatus(percent, secondsLeft);

  bool battery = state != NoBattery;
  gStateOfCharge.setVisible(battery);
  lbStateOfCharge.setVisible(battery);
  lbBatteryStatus.setVisible(battery);
  lbNoBattery.setVisible(!battery);

  Text timeText = formatTimeLeft(secondsLeft);
  btSaveSettings.setFontColor(valueChanged ? changedColor : tk::kWindowText);
  gStateOfCharge.setForeColor(percent > lowChargeLimit ? gaugeGreen : gaugeRed);
  gStateOfCharge.setProgress(percent);
  lbStateOfCharge.setText(decimal(percent) + u"%");
  btBatteryID.setText(currentBarcode.empty() ? Text(u"Thresholds for all &batteries")
                                             : u"Battery &Barcode: " + currentBarcode);

  Text status = stateText[state];
  if (state == Discharging && !timeText.empty()) status += u",  " + timeText + u" left";
  lbBatteryStatus.setText(status);

  bool withThresholds = battery && MachineIsCompatible(false);
  TrayIcon.setHint(trayHint(state, percent, timeText, withThresholds, savedThresholds()));

  switch (state) {
    case NoBattery: TrayIcon.setImageList(&imNoBattery); break;
    case Charging:
      TrayIcon.setImageList(percent > highChargeLimit  ? &imChargeHigh
                            : percent > lowChargeLimit ? &imChargeMid
                                                       : &imChargeLow);
      break;
    case ACPowered: TrayIcon.setImageList(&imNoCharge); break;
    case Discharging: TrayIcon.setImageList(&imDischarge); break;
  }
  if (state == ACPowered || state == Discharging) TrayIcon.setImageIndex(chargeLevelIndex(percent));
  TrayIcon.setAnimate(state == Charging);

  setCaption(windowCaption(state, percent, timeText, lbStateOfCharge.text()));

  if (state != Charging) {
    const tk::Bitmap* shown = TrayIcon.currentImage();
    setIcon(shown != nullptr ? *shown : tk::Bitmap());
  }
}

void Tkst_mainform::BatteryStatusTimerTick() {
  if (isDevEnvironment()) BatteryStatusTimer.setEnabled(false);
  updateBatteryStatus();
  BatteryStatusTimer.setEnabled(true);
}

}  // namespace kst

// The live battery status in the caption, the status area, the battery
// button, the Save button's colour and the notification-area icon.
#include "app/kst_main.h"
#include "settings/model/registry_access.h"
#include "status/model/power_status.h"
#include "system/error.h"

namespace kst {
namespace {

constexpr int highChargeLimit = 66;
constexpr int lowChargeLimit = 15;

Text thresholdLine(const SavedThresholds& saved) {
  return store::describe({saved.highPercent, saved.lowPercent, saved.highActive != 0, saved.lowActive != 0});
}

Text trayHint(PowerState state, int percent, const Text& timeText, bool withThresholds, const SavedThresholds& saved) {
  Text hint = productName + u"\r\n";
  switch (state) {
    case NoBattery: return hint + u"no battery present";
    case Charging:
    case ACPowered: hint += decimal(percent) + u"%   (" + stateText[state] + u")"; break;
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
    case ACPowered: return stateShortText[state] + u",  " + chargeText + u"    ";
    case Discharging:
      if (!timeText.empty()) return timeText + u" left,  " + decimal(percent) + u"%   ";
      return decimal(percent) + u"% left, " + u"discharging";
    case NoBattery: break;
  }
  return productName + u"   ";
}

// Where Windows 10 and 11 keep light or dark mode; Windows 7 and 8.1, and
// early Windows 10, have no such values, and their task bars are dark.
const Text kPersonalizeKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

resources::Backdrop backdropOf(const Text& lightThemeValue) {
  bool found = false;
  int32_t light = 0;
  try {
    light = readRegInteger(u"HKCU", kPersonalizeKey, lightThemeValue, found);
  } catch (const Error&) {
    // A value Windows would not write there: the backdrop stays dark.
  }
  return found && light == 1 ? resources::Backdrop::Light : resources::Backdrop::Dark;
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
    const tk::Bitmap* shown = titleBarPicture(TrayIcon.imageList(), TrayIcon.imageIndex());
    setIcon(shown != nullptr ? *shown : tk::Bitmap());
  }
}

void Tkst_mainform::makeTrayPictures() {
  const int iconSize = app().smallIconSize(pixelsPerInch());
  resources::StatePictures tray = resources::statePictures(iconSize, backdropOf(u"SystemUsesLightTheme"));
  imNoBattery = std::move(tray.noBattery);
  imChargeLow = std::move(tray.chargeLow);
  imChargeMid = std::move(tray.chargeMid);
  imChargeHigh = std::move(tray.chargeHigh);
  imNoCharge = std::move(tray.noCharge);
  imDischarge = std::move(tray.discharge);
  titleBarPictures_ = resources::statePictures(iconSize, backdropOf(u"AppsUseLightTheme"));
}

void Tkst_mainform::redrawStatePictures() {
  makeTrayPictures();
  TrayIcon.redraw();
  // A window that shows the program's main icon for this animation step keeps it.
  if (icon().empty()) return;
  const tk::Bitmap* shown = titleBarPicture(TrayIcon.imageList(), TrayIcon.imageIndex());
  setIcon(shown != nullptr ? *shown : tk::Bitmap());
}

const tk::Bitmap* Tkst_mainform::titleBarPicture(const tk::ImageList* trayList, int index) const {
  const std::pair<const tk::ImageList*, const tk::ImageList*> counterparts[] = {
      {&imNoBattery, &titleBarPictures_.noBattery}, {&imChargeLow, &titleBarPictures_.chargeLow},
      {&imChargeMid, &titleBarPictures_.chargeMid}, {&imChargeHigh, &titleBarPictures_.chargeHigh},
      {&imNoCharge, &titleBarPictures_.noCharge},   {&imDischarge, &titleBarPictures_.discharge}};
  for (const auto& [tray, title] : counterparts) {
    if (tray == trayList && index >= 0 && index < title->count()) return &title->image(index);
  }
  return nullptr;
}

void Tkst_mainform::BatteryStatusTimerTick() {
  if (isDevEnvironment()) BatteryStatusTimer.setEnabled(false);
  updateBatteryStatus();
  BatteryStatusTimer.setEnabled(true);
}

}  // namespace kst

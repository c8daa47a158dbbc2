// The live battery status in the caption, the status area, the battery
// button, the Save button's colour and the notification-area icon.
#include "app/kst_main.h"
#include "settings/model/registry_access.h"
#include "status/model/power_status.h"
#include "status/model/threshold_effect.h"
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

resources::Backdrop backdropOf(const Text& lightThemeValue, bool highContrast) {
  if (highContrast) return resources::Backdrop::HighContrast;
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
  Text hint = trayHint(state, percent, timeText, withThresholds, savedThresholds());
  followEffects(state, percent);
  // Whether the thresholds are in effect follows the threshold line, in
  // what room the notification area leaves: the lines before stay whole.
  const Text newLine = u"\r\n";
  if (withThresholds && !effects_.empty() && hint.size() + newLine.size() < tk::TrayIcon::kMaxHintLength) {
    hint += newLine + effectLineWithin(effects_, tk::TrayIcon::kMaxHintLength - hint.size() - newLine.size());
  }
  TrayIcon.setHint(hint);
  const Text effect = effects_.empty() ? Text() : effectLine(effects_);
  for (tk::Control* statusArea :
       std::initializer_list<tk::Control*>{&lbBatteryStatus, &lbStateOfCharge, &gStateOfCharge}) {
    statusArea->setHint(effect, true);
  }

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

  if (state != Charging) showStatePicture(TrayIcon.imageList(), TrayIcon.imageIndex());
}

// The notification area belongs to the task bar: its pictures are drawn at
// the task bar's scale and on its backdrop, the title bar's at the
// window's and on the windows' backdrop.
// What the power manager has done with the thresholds changes only with
// the battery's state and charge, or with what the store holds: it is told
// anew then, and not at the first showing, which it would slow down.
void Tkst_mainform::followEffects(PowerState state, int percent) {
  const std::pair<int, int> sample{state, percent};
  if (inFormShow || (!effectsStale_ && sample == effectsSample_)) return;
  effectsStale_ = false;
  effectsSample_ = sample;
  try {
    effects_ = currentEffects();
  } catch (const Error& error) {
    effects_ = {
        BatteryEffect{Text(), std::nullopt, Effect{EffectState::Unknown, u"unknown: " + error.text(), u"unknown"}}};
  }
}

void Tkst_mainform::makeTrayPictures() {
  // The task bar's mode and the title bars' lie in one key.
  const KeysOpenedOnce personalizeKey;
  const bool highContrast = app().highContrast();
  resources::StatePictures tray = resources::statePictures(app().smallIconSize(app().notificationAreaPixelsPerInch()),
                                                           backdropOf(u"SystemUsesLightTheme", highContrast));
  imNoBattery = std::move(tray.noBattery);
  imChargeLow = std::move(tray.chargeLow);
  imChargeMid = std::move(tray.chargeMid);
  imChargeHigh = std::move(tray.chargeHigh);
  imNoCharge = std::move(tray.noCharge);
  imDischarge = std::move(tray.discharge);
  titleBarPictures_ =
      resources::statePictures(app().smallIconSize(pixelsPerInch()), backdropOf(u"AppsUseLightTheme", highContrast));
}

void Tkst_mainform::redrawStatePictures() {
  makeTrayPictures();
  TrayIcon.redraw();
  // A window that shows the program's main icon for this animation step keeps it.
  if (icon().empty()) return;
  showStatePicture(TrayIcon.imageList(), TrayIcon.imageIndex());
}

// The task bar's button and Alt+Tab stand on the task bar: the large icon
// is the notification area's picture, the small one the title bar's. Where
// the list has no such picture the window shows the program's main icon.
void Tkst_mainform::showStatePicture(const tk::ImageList* trayList, int index) {
  const tk::Bitmap* titleBar = titleBarPicture(trayList, index);
  if (titleBar == nullptr) {
    setIcon(tk::Bitmap());
    return;
  }
  setIcon(*titleBar, trayList->image(index));
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

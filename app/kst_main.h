#pragma once
// The main window: its controls, and the handlers and operations of every
// part of the program that acts on them.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/state/module_state.h"
#include "resources/battery_pictures.h"
#include "status/model/power_status.h"
#include "status/model/threshold_effect.h"
#include "settings/model/hand_over.h"
#include "settings/model/threshold_store.h"
#include "toolkit/application.h"
#include "toolkit/components.h"
#include "toolkit/form.h"

namespace kst {

// The gauge's grey; a high-contrast theme gives it the button face of
// progress bars.
inline constexpr tk::Color gaugeBackground = tk::Color::rgb(111, 111, 111).inHighContrast(tk::kButtonFace);
// The gauge's green, and its red for a low charge: a high-contrast theme
// draws a progress bar in its highlight colour, and a low charge stays apart
// in the theme's link colour.
inline constexpr tk::Color gaugeGreen = tk::Color::rgb(20, 170, 0).inHighContrast(tk::kHighlight);
inline constexpr tk::Color gaugeRed = tk::Color::rgb(240, 0, 0).inHighContrast(tk::kHotLight);

// The thresholds as last loaded from or written to the store; the editor
// controls keep them in their tags.
struct SavedThresholds {
  int lowActive, highActive, lowPercent, highPercent;
};

class Tkst_mainform : public tk::Form {
 public:
  explicit Tkst_mainform(tk::Application& app);
  ~Tkst_mainform() override;

  // The controls in the order their windows are made, which is the order
  // screen readers go by: each label just before the control it names.
  tk::Button btBatteryID{*this, "btBatteryID"};
  tk::CheckBox cbHighLevel{*this, "cbHighLevel"};
  tk::Label lbHighLevel{*this, "lbHighLevel"};
  tk::SpinEdit seHighLevel{*this, "seHighLevel"};
  tk::Label lbHighLevelPercent{*this, "lbHighLevelPercent"};
  tk::CheckBox cbLowLevel{*this, "cbLowLevel"};
  tk::Label lbLowLevel{*this, "lbLowLevel"};
  tk::SpinEdit seLowLevel{*this, "seLowLevel"};
  tk::Label lbLowLevelPercent{*this, "lbLowLevelPercent"};
  tk::Label lbBatteryStatus{*this, "lbBatteryStatus"};
  tk::Label lbStateOfCharge{*this, "lbStateOfCharge"};
  tk::Gauge gStateOfCharge{*this, "gStateOfCharge"};
  tk::Label lbNoBattery{*this, "lbNoBattery"};
  tk::Button btGetValues{*this, "btGetValues"};
  tk::Button btSaveSettings{*this, "btSaveSettings"};
  tk::Button btOptions{*this, "btOptions"};
  tk::Button btHelp{*this, "btHelp"};
  tk::Button btExit{*this, "btExit"};
  tk::Bevel bvSettings{*this, "bvSettings"};
  tk::Bevel bvSplit{*this, "bvSplit"};
  tk::Bevel bvButtons{*this, "bvButtons"};
  tk::TrayIcon TrayIcon{*this};
  tk::Timer BatteryStatusTimer{app(), kStatusInterval};
  // The notification-area pictures of each state, drawn for the task bar.
  tk::ImageList imNoBattery, imChargeLow, imChargeMid, imChargeHigh, imNoCharge, imDischarge;
  tk::PopupMenu TrayMenu{app()};

  bool MachineIsCompatible(bool showMsg);
  bool isValidBatteryID(const Text& s) const;
  void manageNewBatteryID(const Text& newBatteryID);
  void setDefaultThresholds();
  // What the window shows and asks for one key set the store wrote or read.
  bool setValues(const store::KeySetWrite& write);
  bool getValues(const store::KeySetRead& read);
  void setValueChanged();
  void resetValueChanged();
  void updateBatteryStatus();
  // The store changed: whether the thresholds are in effect is told anew
  // at the next status update.
  void storeChanged() { effectsStale_ = true; }
  void btExitClick();
  void FormKeyPress(char16_t& key);
  void FormCreate();
  void btGetValuesClick();
  void btSaveSettingsClick();
  // Save Settings for that selection, which is the current one.
  void saveSettings(const Text& barcode);
  void btHelpClick();
  void FormShow();
  bool askForSaving(bool showBtCancel);
  void FormCloseQuery(bool& canClose);
  void cbHighLevelEnter();
  void cbLowLevelEnter();
  void BatteryStatusTimerTick();
  void showApp();
  void TrayIconAnimate();
  void btBatteryIDClick();
  void TrayIconMouseDown(tk::MouseButton button, int x, int y);
  void tmShowClick();
  void tmInfoClick();
  void btOptionsClick();
  void seHighLevelExit();
  void seLowLevelExit();
  void seLowLevelChange();
  void seHighLevelChange();

  SavedThresholds savedThresholds() const;
  // The thresholds as the editor shows them now.
  store::Thresholds editedThresholds() const;
  void readFirstInstID();
  // The notice after a save, naming the key sets that were not saved.
  void showSaveNotice(const std::vector<Text>& notSaved = {});
  // Starts an elevated copy that finishes the work handed over, for the
  // user whose keys this instance reaches. Where none starts, says why and
  // returns false.
  bool restartElevated(HandOver handOver);
  // An elevated copy of the program has started and this instance only
  // ends: it writes, asks and loads nothing more.
  bool handedOverToElevatedCopy() const { return handedOverToElevatedCopy_; }
  // The elevated copy, once shown, finishes what its starter was refused.
  void finishHandOver(const HandOver& handOver);
  // Removes one battery's own thresholds; where Windows refuses, says so
  // and offers the elevated restart. True when the battery is removed.
  bool removeBatterySettings(const Text& barcode);
  // Why no restart can give this instance the rights Windows refused, or
  // nothing where one can.
  std::optional<Text> whyNoRestartHelps() const;

 private:
  // Where a threshold's row stands, what it holds and what it is called.
  struct ThresholdRow {
    tk::CheckBox& box;
    tk::Label& label;
    tk::SpinEdit& edit;
    tk::Label& percent;
    Text caption;
    int labelWidth;
    // The tops of the four, as designed.
    struct {
      int box, label, edit, percent;
    } tops;
    store::Range range;
    int initial, editTabOrder, boxTabOrder;
    // What screen readers call the spin edit and the switch.
    Text name, switchName;
  };
  void createLayout();
  void layOutThreshold(const ThresholdRow& row);
  void layOutStatusArea();
  void layOutButtons();
  // Draws the state pictures at the small-icon size, for the notification
  // area at the task bar's scale and for the title bar at the window's,
  // each on its backdrop.
  void makeTrayPictures();
  // The pictures drawn anew: after a move to another monitor or a change
  // of Windows' light or dark mode.
  void redrawStatePictures();
  // The title bar's counterpart of a notification-area picture, or nothing.
  const tk::Bitmap* titleBarPicture(const tk::ImageList* trayList, int index) const;
  // The window's icons show that picture of the notification area's list.
  void showStatePicture(const tk::ImageList* trayList, int index);
  void bindEvents();
  void buildTrayMenu();
  void markChanged(tk::Control& changedText);
  void toggleThreshold(tk::CheckBox& box, tk::Label& label, tk::SpinEdit& edit);
  // Brings a number typed past the spin edits' ranges back into them, as
  // leaving the spin edit would, before anything is written.
  void clampTypedThresholds();
  void centreInWorkArea();

  void followEffects(PowerState state, int percent);

  // The status asks once a second whether the power manager is there.
  store::PowerManagerWatch powerManager_;

  // Whether the thresholds are in effect for each battery, as last told,
  // and the battery's state and charge then.
  std::vector<BatteryEffect> effects_;
  bool effectsStale_ = true;
  std::pair<int, int> effectsSample_{-1, -1};
  // The state pictures as the title bar shows them: Windows may draw title
  // bars light and the task bar dark.
  resources::StatePictures titleBarPictures_;
  bool handedOverToElevatedCopy_ = false;
  // Yes to a restart question of this save started no copy: no further
  // question, and the values stay marked as unsaved.
  bool restartFailedInThisSave_ = false;
  // This instance was started to finish work handed over to it.
  bool startedByHandOver_ = false;
  // The key sets of this save that Windows refused where no restart can
  // give the rights: an administrator must save them.
  std::vector<Text> refusedWithoutRestart_;
};

bool isDevEnvironment();

}  // namespace kst

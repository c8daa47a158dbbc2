// The threshold editor: change marks, toggles, the gap correction, loading,
// saving, the unsaved-changes question and the elevated restart.
#include "settings/threshold_editor.h"

#include "app/kst_main.h"
#include "battery/barcodes.h"
#include "help/help.h"
#include "system/services.h"

namespace kst {

using store::KeySet;

void Tkst_mainform::markChanged(tk::Control& changedText) {
  valueChanged = true;
  changedText.setFontColor(changedColor);
  btSaveSettings.setFontColor(changedColor);
}

void Tkst_mainform::seHighLevelChange() { markChanged(seHighLevel); }
void Tkst_mainform::seLowLevelChange() { markChanged(seLowLevel); }

void Tkst_mainform::toggleThreshold(tk::CheckBox& box, tk::Label& label, tk::SpinEdit& edit) {
  box.setChecked(!box.checked());
  markChanged(label);
  edit.setFocus();
}

void Tkst_mainform::cbHighLevelEnter() { toggleThreshold(cbHighLevel, lbHighLevel, seHighLevel); }
void Tkst_mainform::cbLowLevelEnter() { toggleThreshold(cbLowLevel, lbLowLevel, seLowLevel); }

void Tkst_mainform::seHighLevelExit() {
  if (!autoCorrectEnabled) return;
  int high = seHighLevel.value();
  int low = seLowLevel.value();
  if (high >= low + store::kMinimumGap) return;
  if (low > seLowLevel.minValue) {
    seLowLevel.setValue(high - store::kMinimumGap);
  } else {
    seHighLevel.setValue(low + store::kMinimumGap);
  }
}

void Tkst_mainform::seLowLevelExit() {
  if (!autoCorrectEnabled) return;
  int high = seHighLevel.value();
  if (seLowLevel.value() > high - store::kMinimumGap) seLowLevel.setValue(high - store::kMinimumGap);
}

void Tkst_mainform::setValueChanged() {
  valueChanged = true;
  updateBatteryStatus();
}

void Tkst_mainform::resetValueChanged() {
  valueChanged = false;
  for (tk::Control* control : {static_cast<tk::Control*>(&lbLowLevel), static_cast<tk::Control*>(&lbHighLevel),
                               static_cast<tk::Control*>(&seLowLevel), static_cast<tk::Control*>(&seHighLevel)}) {
    control->setFontColor(tk::kWindowText);
  }
  cbLowLevel.tag = cbLowLevel.checked() ? 1 : 0;
  cbHighLevel.tag = cbHighLevel.checked() ? 1 : 0;
  seLowLevel.tag = seLowLevel.value();
  seHighLevel.tag = seHighLevel.value();
}

void Tkst_mainform::btGetValuesClick() {
  setDefaultThresholds();
  if (MachineIsCompatible(!isDevEnvironment())) {
    autoCorrectEnabled = false;
    // Each key set read goes into the controls at once, as a user's edit would.
    const store::SelectionLoad load = store::loadSelection(
        currentBarcode, editedThresholds(), [this](const KeySet&, const store::KeySetRead& read) { getValues(read); });
    if (!load.source) {
      app().messageDialog(kKeysMissingMessage, tk::DialogButtons::Ok);
      btHelpClick();
    } else if (store::ownedBy(*load.source, currentBarcode)) {
      // The selection's own thresholds are what is stored; the general ones
      // shown for one battery are not yet its own.
      resetValueChanged();
    }
  }
  autoCorrectEnabled = true;
  storeChanged();
  updateBatteryStatus();
}

void Tkst_mainform::clampTypedThresholds() {
  seHighLevel.setValue(seHighLevel.value());
  seLowLevel.setValue(seLowLevel.value());
}

void Tkst_mainform::btSaveSettingsClick() { saveSettings(currentBarcode); }

void Tkst_mainform::saveSettings(const Text& barcode) {
  clampTypedThresholds();
  if (seHighLevel.value() - seLowLevel.value() < store::kMinimumGap) {
    app().messageDialog(kGapMessage, tk::DialogButtons::Ok);
    return;
  }
  if (!MachineIsCompatible(true)) return;
  readFirstInstID();
  restartFailedInThisSave_ = false;
  refusedWithoutRestart_.clear();
  int keySetsWritten = 0;
  std::vector<Text> notSaved;
  store::saveSelection(barcode, knownBarcodes, editedThresholds(), firstInstID, [&](const store::KeySetWrite& write) {
    if (setValues(write)) {
      ++keySetsWritten;
    } else {
      notSaved.push_back(store::keySetName(write.keySet));
    }
    // The elevated copy finishes the save: this instance writes and
    // asks nothing more, or every refused key set would start one
    // more copy behind one more elevation prompt.
    return !handedOverToElevatedCopy();
  });
  storeChanged();
  if (handedOverToElevatedCopy()) return;
  if (!refusedWithoutRestart_.empty()) {
    app().messageDialog(administratorMustSaveMessage(*whyNoRestartHelps(), refusedWithoutRestart_),
                        tk::DialogButtons::Ok);
  }
  // When not one key set was written completely, or the restart the user
  // asked for did not happen, there is no notice and the values stay marked
  // as unsaved. A key set that failed part-way may still hold the first of
  // its new values.
  if (keySetsWritten == 0 || restartFailedInThisSave_) return;
  showSaveNotice(notSaved);
  resetValueChanged();
}

void Tkst_mainform::showSaveNotice(const std::vector<Text>& notSaved) {
  Text firstLine = f_help().lbNote1.text();
  if (firstLine.empty() || firstLine.back() != u' ') firstLine += u' ';
  if (isDevEnvironment()) return;
  Text notice = u"Please note:  " + firstLine + f_help().lbNote2.text();
  if (!notSaved.empty()) notice += u"\r\n\r\nNot saved:";
  for (const Text& keySet : notSaved) notice += u"\r\n   " + keySet;
  app().messageDialog(notice, tk::DialogButtons::Ok);
}

bool Tkst_mainform::askForSaving(bool showBtCancel) {
  if (!valueChanged || !MachineIsCompatible(false) || inFormShow) return true;
  tk::ModalResult answer =
      app().messageDialog(kUnsavedQuestion, showBtCancel ? tk::DialogButtons::YesNoCancel : tk::DialogButtons::YesNo);
  if (answer == tk::ModalResult::Cancel) return false;
  if (answer != tk::ModalResult::Yes) return true;
  if (!MachineIsCompatible(true)) return false;
  btSaveSettingsClick();
  return true;
}

bool Tkst_mainform::restartElevated(HandOver handOver) {
  // The work is for the user whose hive HKCU is now, wherever the copy runs.
  handOver.userSid = currentUserHive().empty() ? sys::account().userSid() : currentUserHive();
  Text arguments = handOverArgument(handOver);
  if (!programArguments.empty()) arguments += u" " + programArguments;
  auto& shell = sys::shell();
  const sys::ElevatedStart start = shell.startElevated(nativeHandle, shell.executablePath(), arguments);
  switch (start.result) {
    case sys::ElevatedStart::Result::Started:
      handedOverToElevatedCopy_ = true;
      app().terminate();
      return true;
    case sys::ElevatedStart::Result::Declined:
      app().messageDialog(kRestartDeclinedMessage, tk::DialogButtons::Ok);
      return false;
    case sys::ElevatedStart::Result::Failed: break;
  }
  app().messageDialog(restartFailedMessage(start.reason), tk::DialogButtons::Ok);
  return false;
}

std::optional<Text> Tkst_mainform::whyNoRestartHelps() const {
  auto& account = sys::account();
  return whyNoRestartCanGiveRights(account.tokenKind(), account.elevationPolicy(), startedByHandOver_);
}

void Tkst_mainform::finishHandOver(const HandOver& handOver) {
  startedByHandOver_ = true;
  if (handOver.work == HandOver::Work::Remove) {
    if (removeBatterySettings(handOver.barcode)) {
      app().messageDialog(u"Specific settings removed from registry.\r\nBattery barcode:  " + handOver.barcode,
                          tk::DialogButtons::Ok);
    }
    return;
  }
  // The handed-over battery and values are shown as if typed, then saved.
  currentBarcode = handOver.barcode;
  collectBarcodes();
  autoCorrectEnabled = false;
  cbHighLevel.setChecked(handOver.thresholds.highActive);
  cbLowLevel.setChecked(handOver.thresholds.lowActive);
  seHighLevel.setValue(handOver.thresholds.highPercent);
  seLowLevel.setValue(handOver.thresholds.lowPercent);
  autoCorrectEnabled = true;
  valueChanged = true;
  btSaveSettingsClick();
  updateBatteryStatus();
}

}  // namespace kst

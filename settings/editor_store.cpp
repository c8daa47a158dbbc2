// The threshold editor's side of the store: what the window does with each
// key set the store reads or writes (its controls, its messages, the
// restart question), and the store's checks with the windows the user sees.
#include "app/kst_main.h"
#include "settings/model/threshold_store.h"
#include "settings/threshold_editor.h"
#include "system/services.h"

namespace kst {

using namespace store;

namespace {

// What failed for a key set that no restart can help with: already
// elevated, a value that reads back differently, or another error.
Text writeFailureMessage(const KeySetWrite& write) {
  const WriteOutcome& outcome = write.outcome;
  const Text where = u"     Couldn't save settings to " + keySetName(write.keySet) + u":\r\n     ";
  switch (outcome.result) {
    case WriteOutcome::Result::Refused:
      return where + u"Windows refused to write " + outcome.failedValue +
             u", although Kestrane runs with administrator privileges.     ";
    case WriteOutcome::Result::Mismatch:
      return where + outcome.failedValue + u" reads back differently after writing.     ";
    case WriteOutcome::Result::Error:
    case WriteOutcome::Result::Written: break;
  }
  return kWriteErrorMessage + u"\r\n     " + keySetName(write.keySet) + u": " + outcome.reason + u"     ";
}

}  // namespace

bool Tkst_mainform::getValues(const KeySetRead& read) {
  if (!read.exists) return false;
  if (auto active = read.lowActive()) {
    cbLowLevel.setChecked(*active);
    cbLowLevel.tag = *active ? 1 : 0;
  }
  if (auto active = read.highActive()) {
    cbHighLevel.setChecked(*active);
    cbHighLevel.tag = *active ? 1 : 0;
  }
  if (auto percent = read.highPercent()) seHighLevel.setValue(*percent);
  if (auto percent = read.lowPercent()) seLowLevel.setValue(*percent);
  if (read.error) {
    app().messageDialog(kReadErrorMessage, tk::DialogButtons::Ok);
    return false;
  }
  return read.complete();
}

Thresholds Tkst_mainform::editedThresholds() const {
  return {seHighLevel.value(), seLowLevel.value(), cbHighLevel.checked(), cbLowLevel.checked()};
}

bool Tkst_mainform::setValues(const KeySetWrite& write) {
  const WriteOutcome& outcome = write.outcome;
  // The saved switches follow the check boxes once their values were
  // tried, whatever came of them; an error before that leaves them.
  const bool error = outcome.result == WriteOutcome::Result::Error;
  if (!error || outcome.failedAt >= 1) cbLowLevel.tag = cbLowLevel.checked() ? 1 : 0;
  if (!error || outcome.failedAt >= 2) cbHighLevel.tag = cbHighLevel.checked() ? 1 : 0;
  if (outcome.result == WriteOutcome::Result::Written) return true;
  if (outcome.result != WriteOutcome::Result::Refused || sys::account().elevated()) {
    app().messageDialog(writeFailureMessage(write), tk::DialogButtons::Ok);
  } else if (whyNoRestartHelps()) {
    refusedWithoutRestart_.push_back(keySetName(write.keySet));
  } else if (!restartFailedInThisSave_ &&
             app().messageDialog(kRestartQuestion, tk::DialogButtons::YesNo) == tk::ModalResult::Yes) {
    restartFailedInThisSave_ = !restartElevated({HandOver::Work::Save, Text(), currentBarcode, editedThresholds()});
  }
  return false;
}

bool Tkst_mainform::MachineIsCompatible(bool showMsg) {
  if (powerManager_.present()) return true;
  if (showMsg) {
    try {
      btHelpClick();
    } catch (...) {
      // The help window is a courtesy here; failing to show it changes nothing.
    }
  }
  return false;
}

bool isDevEnvironment() { return sys::desktop().topLevelWindowOfClassExists(u"TAppBuilder"); }

void Tkst_mainform::setDefaultThresholds() {
  autoCorrectEnabled = false;
  seHighLevel.setValue(defaultHighLevel);
  seLowLevel.setValue(defaultLowLevel);
  autoCorrectEnabled = true;
}

void Tkst_mainform::readFirstInstID() { firstInstID = store::readFirstInstID(); }

}  // namespace kst

// What the battery button does: gather, choose, take a new battery into the
// store on request, and load the new selection's thresholds.
#include "app/kst_main.h"
#include "battery/barcodes.h"
#include "battery/choose.h"
#include "battery/selection.h"
#include "settings/threshold_editor.h"
#include "system/services.h"

namespace kst {

tk::ModalResult selectBattery() {
  const Text oldSelection = currentBarcode;
  const bool hadUnsavedChanges = valueChanged;
  collectBarcodes();
  if (knownBarcodes.size() == 1) currentBarcode = knownBarcodes.front();
  tk::ModalResult result = chooseBattery().showModal();
  if (result != tk::ModalResult::Ok) return result;
  if (isNewBarcode(currentBarcode)) kst_mainform->manageNewBatteryID(currentBarcode);
  if (currentBarcode != oldSelection && hadUnsavedChanges && !kst_mainform->handedOverToElevatedCopy()) {
    kst_mainform->askForSaving(false);
  }
  return tk::ModalResult::Ok;
}

void Tkst_mainform::btBatteryIDClick() {
  if (selectBattery() == tk::ModalResult::Ok && !handedOverToElevatedCopy()) btGetValuesClick();
}

void Tkst_mainform::manageNewBatteryID(const Text& newBatteryID) {
  const bool isNew = isNewBarcode(newBatteryID);
  if (newBatteryID.empty()) return;
  btGetValuesClick();
  if (isNew) {
    Text question = u"Do you want to save settings for the new battery now?\r\n   high charging threshold: " +
                    decimal(seHighLevel.value()) + u"%\r\n" + u"   low charging threshold:  " +
                    decimal(seLowLevel.value()) + u"%";
    if (app().messageDialog(question, tk::DialogButtons::YesNo) == tk::ModalResult::Yes) {
      saveSettings(newBatteryID);
    } else {
      setValueChanged();
    }
  }
  updateBatteryStatus();
}

bool Tkst_mainform::removeBatterySettings(const Text& barcode) {
  const std::vector<store::KeySetRemoval> removals = store::removeBattery(barcode);
  storeChanged();
  if (!store::refused(removals)) return true;
  const Text refusedKeySet = store::keySetName(removals.back().keySet);
  if (sys::account().elevated()) {
    app().messageDialog(u"     Couldn't remove settings: Windows refused to delete " + refusedKeySet +
                            u",\r\n     although Kestrane runs with administrator privileges.     ",
                        tk::DialogButtons::Ok);
  } else if (auto why = whyNoRestartHelps()) {
    app().messageDialog(administratorMustRemoveMessage(*why, refusedKeySet), tk::DialogButtons::Ok);
  } else if (app().messageDialog(store::kRemoveRestartQuestion, tk::DialogButtons::YesNo) == tk::ModalResult::Yes) {
    restartElevated({HandOver::Work::Remove, Text(), barcode, {}});
  }
  return false;
}

}  // namespace kst

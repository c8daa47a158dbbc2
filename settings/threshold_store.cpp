// Reading one key set into the editor and writing the editor into one.
#include "settings/threshold_store.h"

#include "app/kst_main.h"
#include "settings/registry_access.h"
#include "system/error.h"
#include "system/services.h"

namespace kst {
namespace store {

KeySet machineConfigurationKeyOf(const Text& barcode) {
  return {kMachine, kMachineConfigurationKey + u"\\" + barcode};
}

KeySet userDataKeyOf(const Text& barcode) { return {kUser, kUserDataKey + u"\\" + barcode}; }

std::vector<KeySet> generalReadOrder() {
  return {{kMachine, kMachineConfigurationKey}, {kMachine, kMachineDataKey}, {kUser, kUserDataKey}};
}

std::vector<KeySet> writeSet(const Text& barcode, const std::vector<Text>& knownBarcodes) {
  if (!barcode.empty()) return {userDataKeyOf(barcode), machineConfigurationKeyOf(barcode)};
  std::vector<KeySet> keySets;
  for (const Text& known : knownBarcodes) {
    keySets.push_back(userDataKeyOf(known));
    keySets.push_back(machineConfigurationKeyOf(known));
  }
  keySets.push_back({kUser, kUserDataKey});
  keySets.push_back({kMachine, kMachineConfigurationKey});
  keySets.push_back({kMachine, kMachineDataKey});
  return keySets;
}

}  // namespace store

using namespace store;

bool Tkst_mainform::getValues(const Text& root, const Text& key) {
  if (!regKeyExists(root, key)) return false;
  bool complete = true;
  auto read = [&](const Text& name) {
    bool found = false;
    int32_t value = readRegInteger(root, key, name, found);
    if (!found) complete = false;
    return value;
  };
  try {
    cbLowLevel.setChecked(read(kChargeStartControl) == 1);
    cbLowLevel.tag = cbLowLevel.checked() ? 1 : 0;
    cbHighLevel.setChecked(read(kChargeStopControl) == 1);
    cbHighLevel.tag = cbHighLevel.checked() ? 1 : 0;
    int32_t high = read(kChargeStopPercentage);
    seHighLevel.setValue(high == 0 ? defaultHighLevel : high);
    int32_t low = read(kChargeStartPercentage);
    seLowLevel.setValue(low == 0 ? defaultLowLevel : low);
  } catch (const Error&) {
    app().messageDialog(kReadErrorMessage, tk::DialogButtons::Ok);
    return false;
  }
  return complete;
}

bool Tkst_mainform::setValues(const Text& root, const Text& key) {
  bool written = false;
  try {
    written = writeRegInteger(root, key, kChargeStartControl, cbLowLevel.checked() ? 1 : 0);
    cbLowLevel.tag = cbLowLevel.checked() ? 1 : 0;
    written = written && writeRegInteger(root, key, kChargeStopControl, cbHighLevel.checked() ? 1 : 0);
    cbHighLevel.tag = cbHighLevel.checked() ? 1 : 0;
    written = written && writeRegInteger(root, key, kChargeStartPercentage, seLowLevel.value());
    written = written && writeRegInteger(root, key, kChargeStopPercentage, seHighLevel.value());
    written = written && writeRegInteger(root, key, kAutomatic, 2);
    written = written && writeRegInteger(root, key, kFirstInstID, firstInstID);
  } catch (const Error&) {
    written = false;
    app().messageDialog(kWriteErrorMessage, tk::DialogButtons::Ok);
  }
  if (!written && app().messageDialog(kRestartQuestion, tk::DialogButtons::YesNo) == tk::ModalResult::Yes) {
    restartElevated();
  }
  return written;
}

bool Tkst_mainform::MachineIsCompatible(bool showMsg) {
  if (regKeyExists(kMachine, kMachineConfigurationKey) || regKeyExists(kUser, kUserRootKey)) return true;
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

void Tkst_mainform::readFirstInstID() {
  bool found = false;
  firstInstID = readRegInteger(kMachine, kInstallInformationKey, kFirstInstID, found);
  if (firstInstID == 0 || !found) firstInstID = readRegInteger(kUser, kUserDataKey, kFirstInstID, found);
}

}  // namespace kst

// The store itself: key sets read and written through the registry layer.
#include "settings/model/threshold_store.h"

#include "battery/model/barcode_rules.h"
#include "system/error.h"
#include "system/services.h"

namespace kst::store {
namespace {

// The four threshold values in the order a key set is read.
const Text* const kReadOrder[] = {&kChargeStartControl, &kChargeStopControl, &kChargeStopPercentage,
                                  &kChargeStartPercentage};

std::optional<int32_t> valueAt(const KeySetRead& read, size_t index) {
  if (index >= read.values.size()) return std::nullopt;
  return read.values[index].value;
}

}  // namespace

Text pathOnThisMachine(const KeySet& keySet) {
  const Text software = u"SOFTWARE\\";
  if (keySet.root != kMachine || !sys::registry().separate32BitView() || !keySet.path.starts_with(software)) {
    return keySet.path;
  }
  return software + u"Wow6432Node\\" + keySet.path.substr(software.size());
}

Text keySetName(const KeySet& keySet) { return keySet.root + u"\\" + pathOnThisMachine(keySet); }

KeySet machineConfigurationKeyOf(const Text& barcode) { return {kMachine, kMachineConfigurationKey + u"\\" + barcode}; }

KeySet userDataKeyOf(const Text& barcode) { return {kUser, kUserDataKey + u"\\" + barcode}; }

std::vector<KeySet> generalReadOrder() {
  return {{kMachine, kMachineConfigurationKey}, {kMachine, kMachineDataKey}, {kUser, kUserDataKey}};
}

std::vector<KeySet> readOrder(const Text& barcode) {
  std::vector<KeySet> order;
  if (!barcode.empty()) order = {machineConfigurationKeyOf(barcode), userDataKeyOf(barcode)};
  for (KeySet& general : generalReadOrder()) order.push_back(std::move(general));
  return order;
}

std::optional<Text> whyNotABarcode(const Text& barcode) {
  if (barcode.find_first_of(u"\\/") != Text::npos) return u"it holds \"\\\" or \"/\"";
  for (int slot = 1; slot <= kInstalledBatterySlots; ++slot) {
    const Text key = installedBatteryKeyName(slot);
    if (upperCaseText(barcode) == upperCaseText(key)) {
      return u"it names the power manager's key " + key + u" of an installed battery";
    }
  }
  return std::nullopt;
}

bool barcodeNamesOtherKeys(const Text& barcode) { return whyNotABarcode(barcode).has_value(); }

std::vector<KeySet> writeSet(const Text& barcode, const std::vector<Text>& knownBarcodes) {
  if (barcodeNamesOtherKeys(barcode)) return {};
  if (!barcode.empty()) return {userDataKeyOf(barcode), machineConfigurationKeyOf(barcode)};
  std::vector<KeySet> keySets;
  for (const Text& known : knownBarcodes) {
    if (barcodeNamesOtherKeys(known)) continue;
    keySets.push_back(userDataKeyOf(known));
    keySets.push_back(machineConfigurationKeyOf(known));
  }
  keySets.push_back({kUser, kUserDataKey});
  keySets.push_back({kMachine, kMachineConfigurationKey});
  keySets.push_back({kMachine, kMachineDataKey});
  return keySets;
}

Text describe(const Thresholds& thresholds) {
  return u"Charging starts below " + decimal(thresholds.lowPercent) + u"%" +
         (thresholds.lowActive ? u"" : u" (inactive)") + u" and stops at " + decimal(thresholds.highPercent) + u"%" +
         (thresholds.highActive ? u"." : u" (inactive).");
}

bool KeySetRead::complete() const {
  if (!exists || error || values.size() != std::size(kReadOrder)) return false;
  for (const ValueRead& value : values) {
    if (!value.found) return false;
  }
  return true;
}

std::optional<bool> KeySetRead::lowActive() const {
  auto value = valueAt(*this, 0);
  return value ? std::optional<bool>(*value == 1) : std::nullopt;
}

std::optional<bool> KeySetRead::highActive() const {
  auto value = valueAt(*this, 1);
  return value ? std::optional<bool>(*value == 1) : std::nullopt;
}

std::optional<int> KeySetRead::highPercent() const {
  auto value = valueAt(*this, 2);
  return value ? std::optional<int>(*value == 0 ? kDefaultHighLevel : *value) : std::nullopt;
}

std::optional<int> KeySetRead::lowPercent() const {
  auto value = valueAt(*this, 3);
  return value ? std::optional<int>(*value == 0 ? kDefaultLowLevel : *value) : std::nullopt;
}

KeySetRead readKeySet(const KeySet& keySet) {
  KeySetRead read;
  read.exists = regKeyExists(keySet.root, keySet.path);
  if (!read.exists) return read;
  try {
    for (const Text* name : kReadOrder) {
      ValueRead value;
      value.value = readRegInteger(keySet.root, keySet.path, *name, value.found);
      read.values.push_back(value);
    }
  } catch (const Error& error) {
    read.error = error.text();
  }
  return read;
}

Thresholds laidOver(Thresholds thresholds, const KeySetRead& read) {
  if (auto active = read.lowActive()) thresholds.lowActive = *active;
  if (auto active = read.highActive()) thresholds.highActive = *active;
  if (auto percent = read.highPercent()) thresholds.highPercent = kHighRange.clamp(*percent);
  if (auto percent = read.lowPercent()) thresholds.lowPercent = kLowRange.clamp(*percent);
  return thresholds;
}

WriteOutcome writeKeySet(const KeySet& keySet, const Thresholds& thresholds, int32_t firstInstID) {
  const int32_t values[] = {thresholds.lowActive ? 1 : 0,
                            thresholds.highActive ? 1 : 0,
                            thresholds.lowPercent,
                            thresholds.highPercent,
                            kAutomaticValue,
                            firstInstID};
  const std::vector<Text>& names = writeOrder();
  WriteOutcome outcome;
  for (size_t i = 0; i < names.size(); ++i) {
    WriteResult result = WriteResult::Written;
    try {
      result = writeRegInteger(keySet.root, keySet.path, names[i], values[i]);
    } catch (const Error& error) {
      return {WriteOutcome::Result::Error, names[i], i, error.text()};
    }
    if (result == WriteResult::Refused) return {WriteOutcome::Result::Refused, names[i], i, Text()};
    if (result == WriteResult::Mismatch) return {WriteOutcome::Result::Mismatch, names[i], i, Text()};
  }
  return outcome;
}

SelectionLoad loadSelection(const Text& barcode, Thresholds shown,
                            const std::function<void(const KeySet&, const KeySetRead&)>& read) {
  SelectionLoad load;
  // Get Values starts from the defaults; the switches stay as shown.
  shown.highPercent = kDefaultHighLevel;
  shown.lowPercent = kDefaultLowLevel;
  load.thresholds = shown;
  for (const KeySet& keySet : readOrder(barcode)) {
    KeySetRead found = readKeySet(keySet);
    if (read) read(keySet, found);
    if (found.exists) load.thresholds = laidOver(load.thresholds, found);
    bool complete = found.complete();
    load.reads.emplace_back(keySet, std::move(found));
    if (complete) {
      load.source = keySet;
      break;
    }
  }
  return load;
}

std::optional<ApplyingThresholds> applyingThresholds(const Text& barcode) {
  SelectionLoad load = loadSelection(barcode);
  if (!load.source) return std::nullopt;
  return ApplyingThresholds{load.thresholds, *load.source, regKeyLastWritten(load.source->root, load.source->path)};
}

bool ownedBy(const KeySet& keySet, const Text& barcode) {
  return barcode.empty() || keySet == machineConfigurationKeyOf(barcode) || keySet == userDataKeyOf(barcode);
}

std::vector<KeySetWrite> saveSelection(const Text& barcode, const std::vector<Text>& knownBarcodes,
                                       const Thresholds& thresholds, int32_t firstInstID,
                                       const std::function<bool(const KeySetWrite&)>& done) {
  std::vector<KeySetWrite> writes;
  for (const KeySet& keySet : writeSet(barcode, knownBarcodes)) {
    writes.push_back({keySet, writeKeySet(keySet, thresholds, firstInstID)});
    if (done && !done(writes.back())) break;
  }
  return writes;
}

std::vector<KeySetRemoval> removeBattery(const Text& barcode, const std::function<void(const KeySetRemoval&)>& done) {
  std::vector<KeySetRemoval> removals;
  if (barcodeNamesOtherKeys(barcode)) return removals;
  for (const KeySet& keySet : {machineConfigurationKeyOf(barcode), userDataKeyOf(barcode)}) {
    removals.push_back({keySet, deleteRegKey(keySet.root, keySet.path)});
    if (done) done(removals.back());
    if (removals.back().result == DeleteResult::Refused) break;
  }
  return removals;
}

bool refused(const std::vector<KeySetRemoval>& removals) {
  return !removals.empty() && removals.back().result == DeleteResult::Refused;
}

bool powerManagerPresent() {
  return regKeyExists(kMachine, kMachineConfigurationKey) || regKeyExists(kUser, kUserRootKey);
}

int32_t readFirstInstID() {
  bool found = false;
  int32_t id = readRegInteger(kMachine, kInstallInformationKey, kFirstInstID, found);
  if (id == 0 || !found) id = readRegInteger(kUser, kUserDataKey, kFirstInstID, found);
  return id;
}

std::vector<InstalledBattery> installedBatteries() {
  std::vector<InstalledBattery> installed;
  for (int slot = 1; slot <= kInstalledBatterySlots; ++slot) {
    Text barcode = readRegString(kMachine, installedBatteryKey(slot), kBarcodeNumber);
    if (isValidBatteryIDText(barcode)) installed.push_back({slot, std::move(barcode)});
  }
  return installed;
}

void gatherBarcodes(const Text& currentSelection, KnownBarcodes& into) {
  auto add = [&](const Text& barcode, bool checkValidity, BarcodeOrigin origin, int slot) {
    if (!addBarcode(into.barcodes, barcode, checkValidity)) return;
    into.origins.push_back(origin);
    into.slots.push_back(slot);
  };
  for (const Text& name : listRegSubKeys(kMachine, kMachineConfigurationKey)) {
    add(name, true, BarcodeOrigin::MachineConfigurationKey, 0);
  }
  for (const Text& name : listRegSubKeys(kUser, kUserDataKey)) add(name, true, BarcodeOrigin::UserDataKey, 0);
  for (int slot = 1; slot <= kInstalledBatterySlots; ++slot) {
    Text barcode = readRegString(kMachine, installedBatteryKey(slot), kBarcodeNumber);
    add(barcode, true, BarcodeOrigin::InstalledBattery, slot);
  }
  add(currentSelection, false, BarcodeOrigin::CurrentSelection, 0);
}

}  // namespace kst::store

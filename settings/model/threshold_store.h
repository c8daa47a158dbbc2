#pragma once
// The power manager's threshold store: where its key sets lie, which are
// read and written for a selection, and how one key set is read and
// written. It knows no window: the threshold editor and the command line
// both work through it.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "settings/model/registry_access.h"
#include "system/text.h"

namespace kst::store {

// The power manager is a 32-bit program, and the registry layer reaches
// every key as one: the machine keys lie under HKLM\SOFTWARE\Wow6432Node on
// 64-bit Windows and under HKLM\SOFTWARE on 32-bit Windows.
inline const Text kMachine = u"HKLM";
inline const Text kUser = u"HKCU";
inline const Text kMachineConfigurationKey = u"SOFTWARE\\Lenovo\\PWRMGRV\\ConfKeys\\Data";
inline const Text kMachineDataKey = u"SOFTWARE\\Lenovo\\PWRMGRV\\Data";
inline const Text kUserDataKey = u"SOFTWARE\\Lenovo\\PWRMGRV\\Data";
inline const Text kUserRootKey = u"SOFTWARE\\Lenovo\\PWRMGRV";
inline const Text kInstallInformationKey = u"SOFTWARE\\Lenovo\\PWRMGRV\\InstallInfo";
// The installed batteries' keys lie beside the barcodes' under the machine
// configuration key, named Battery1 to Battery9 by their slots.
inline constexpr int kInstalledBatterySlots = 9;
inline Text installedBatteryKeyName(int slot) { return u"Battery" + Text(1, static_cast<char16_t>(u'0' + slot)); }
inline Text installedBatteryKey(int slot) { return kMachineConfigurationKey + u"\\" + installedBatteryKeyName(slot); }
// Why the text would name another key than one battery's own, in words
// that follow "because": a separator names keys below or beside it, and
// the installed batteries' keys stand beside the barcodes, which registry
// names match without case. Nothing for a text that names one battery's
// own keys.
std::optional<Text> whyNotABarcode(const Text& barcode);
bool barcodeNamesOtherKeys(const Text& barcode);

inline const Text kChargeStartControl = u"ChargeStartControl";
inline const Text kChargeStopControl = u"ChargeStopControl";
inline const Text kChargeStartPercentage = u"ChargeStartPercentage";
inline const Text kChargeStopPercentage = u"ChargeStopPercentage";
inline const Text kAutomatic = u"Automatic";
// What every key set written holds in "Automatic", as the power manager's
// own tool writes it.
inline constexpr int32_t kAutomaticValue = 2;
inline const Text kFirstInstID = u"FirstInstID";
inline const Text kBarcodeNumber = u"Barcode Number";

inline constexpr int kDefaultHighLevel = 75;
inline constexpr int kDefaultLowLevel = 45;
// The ranges the editor's spin edits keep the thresholds in.
struct Range {
  int minimum, maximum;
  int clamp(int value) const { return value < minimum ? minimum : value > maximum ? maximum : value; }
  bool holds(int value) const { return value >= minimum && value <= maximum; }
};
inline constexpr Range kHighRange{5, 100};
inline constexpr Range kLowRange{1, 96};
inline constexpr int kMinimumGap = 4;
inline const Text kGapMessage = u"The low threshold percentage must be at least " + decimal(kMinimumGap) +
                                u"% lower than the high threshold percentage.";

struct KeySet {
  Text root;
  Text path;
  bool operator==(const KeySet&) const = default;
};

// The key's path as regedit shows it on this machine: a machine key of
// 64-bit Windows under SOFTWARE\Wow6432Node.
Text pathOnThisMachine(const KeySet& keySet);
// The key set as the user is told of it: "HKCU\SOFTWARE\Lenovo\PWRMGRV\Data".
Text keySetName(const KeySet& keySet);

KeySet machineConfigurationKeyOf(const Text& barcode);
KeySet userDataKeyOf(const Text& barcode);
// The general key sets in the order they are read for all batteries.
std::vector<KeySet> generalReadOrder();
// The key sets tried for a selection, the first that reads completely
// winning: for one battery its own two, then the general ones.
std::vector<KeySet> readOrder(const Text& barcode);
// A barcode that would name other keys than one battery's own (see
// whyNotABarcode) has no key sets to write: none for that battery, and
// none of it among the known ones.
std::vector<KeySet> writeSet(const Text& barcode, const std::vector<Text>& knownBarcodes);

// A threshold pair: percentages and on/off switches.
struct Thresholds {
  int highPercent = kDefaultHighLevel;
  int lowPercent = kDefaultLowLevel;
  bool highActive = true;
  bool lowActive = true;
  bool operator==(const Thresholds&) const = default;
};

// The thresholds in the words of the notification-area hint: "Charging
// starts below 40% and stops at 80%.", with " (inactive)" after a
// threshold that is switched off.
Text describe(const Thresholds& thresholds);

// One value as the registry layer read it: 0 and not found when missing.
struct ValueRead {
  int32_t value = 0;
  bool found = false;
};

// What reading one key set found. Its four threshold values are read in
// this order: ChargeStartControl, ChargeStopControl, ChargeStopPercentage,
// ChargeStartPercentage; an unreadable value stops the reads there.
struct KeySetRead {
  bool exists = false;
  std::vector<ValueRead> values;
  // The registry layer's error that stopped the reads at values.size().
  std::optional<Text> error;

  bool complete() const;
  // The values read, as they count: a control value switches on only when
  // it is exactly 1, a percentage of 0 stands for the default; nothing
  // where the value was not read.
  std::optional<bool> lowActive() const;
  std::optional<bool> highActive() const;
  std::optional<int> highPercent() const;
  std::optional<int> lowPercent() const;
};
KeySetRead readKeySet(const KeySet& keySet);
// The thresholds with what a read found laid over them, brought into range.
Thresholds laidOver(Thresholds thresholds, const KeySetRead& read);

// What writing one key set did. The six values go in a fixed order, each
// verified by reading it back; the first that fails ends the key set.
struct WriteOutcome {
  enum class Result { Written, Refused, Mismatch, Error };
  Result result = Result::Written;
  // The value that failed, its place in the order, and why, where one failed.
  Text failedValue;
  size_t failedAt = 0;
  Text reason;
};
inline const std::vector<Text>& writeOrder() {
  static const std::vector<Text> order = {kChargeStartControl,   kChargeStopControl, kChargeStartPercentage,
                                          kChargeStopPercentage, kAutomatic,         kFirstInstID};
  return order;
}
WriteOutcome writeKeySet(const KeySet& keySet, const Thresholds& thresholds, int32_t firstInstID);

// A selection loaded as Get Values loads it: the thresholds the editor
// shows afterwards, and the key set they came from, if one read completely.
struct SelectionLoad {
  Thresholds thresholds;
  std::optional<KeySet> source;
  std::vector<std::pair<KeySet, KeySetRead>> reads;
};
// Tries the selection's read order, telling of each key set as soon as it
// is read, until one reads completely.
SelectionLoad loadSelection(const Text& barcode, Thresholds shown = {},
                            const std::function<void(const KeySet&, const KeySetRead&)>& read = {});
// Whether the key set holds the selection's own thresholds: one of the
// battery's two, or for all batteries a general one.
bool ownedBy(const KeySet& keySet, const Text& barcode);

// The thresholds that apply to a battery, as Get Values shows them for its
// barcode (the general key sets for a battery the power manager does not
// list), the key set they come from, and when that was last written.
struct ApplyingThresholds {
  Thresholds thresholds;
  KeySet keySet;
  std::optional<uint64_t> savedAt;
};
// Nothing where no key set reads completely. Only reads.
std::optional<ApplyingThresholds> applyingThresholds(const Text& barcode);

struct KeySetWrite {
  KeySet keySet;
  WriteOutcome outcome;
};
// Writes every key set of the selection's write set, whatever became of
// the ones before, and tells of each as soon as it is done; the one told
// may stop the save there by answering false.
std::vector<KeySetWrite> saveSelection(const Text& barcode, const std::vector<Text>& knownBarcodes,
                                       const Thresholds& thresholds, int32_t firstInstID,
                                       const std::function<bool(const KeySetWrite&)>& done = {});

// What removing one key set did.
struct KeySetRemoval {
  KeySet keySet;
  DeleteResult result;
};
// Removes one battery's own thresholds: its machine configuration key,
// then its user data key, each with everything below it. A key Windows
// refuses to delete ends the removal there, so that the battery is never
// left half removed (its machine key would bring it back); a key that is
// not there is no refusal; a key that cannot be deleted for another reason
// raises the registry layer's error, which ends it there too. Tells of each
// key set as soon as it is done. A barcode that would name other keys
// removes nothing.
std::vector<KeySetRemoval> removeBattery(const Text& barcode,
                                         const std::function<void(const KeySetRemoval&)>& done = {});
bool refused(const std::vector<KeySetRemoval>& removals);

// The power manager's keys are there: its machine configuration key or
// its user root key.
bool powerManagerPresent();
// The same, for a window that asks once a second: each key found is kept
// open and asked after through its handle, and a key held open is asked
// first, so that a machine with only one of the two looks for the other
// only when that one goes.
class PowerManagerWatch {
 public:
  bool present() {
    if (machine_.held() && machine_.exists()) return true;
    if (user_.held() && user_.exists()) return true;
    return machine_.exists() || user_.exists();
  }

 private:
  KeyWatch machine_{kMachine, kMachineConfigurationKey};
  KeyWatch user_{kUser, kUserRootKey};
};
// The install identifier that goes into every key set written: from the
// install information key, else from the user data key, else 0. Raises the
// registry layer's error for a value it cannot read.
int32_t readFirstInstID();

// The batteries the power manager lists as installed, by slot: each slot's
// "Barcode Number" that is a valid barcode. A value of another type raises
// the registry layer's error.
struct InstalledBattery {
  int slot;
  Text barcode;
};
std::vector<InstalledBattery> installedBatteries();

// Where a known barcode was found first.
enum class BarcodeOrigin { MachineConfigurationKey, UserDataKey, InstalledBattery, CurrentSelection };
struct KnownBarcodes {
  std::vector<Text> barcodes;
  std::vector<BarcodeOrigin> origins;
  // The installed battery slot (1 to kInstalledBatterySlots) of a barcode found there, else 0.
  std::vector<int> slots;
};
// Gathers the barcodes the store knows, in the order the program lists
// them, the current selection last. A "Barcode Number" of another type
// raises the registry layer's error; what was gathered before it stays.
void gatherBarcodes(const Text& currentSelection, KnownBarcodes& into);

inline const Text kReadErrorMessage = u"     Error while reading settings from registry.     ";
inline const Text kWriteErrorMessage = u"     Error while writing settings to registry.     ";
inline const Text kRestartQuestion =
    u"     Couldn't save settings due to missing write permissions.\r\n"
    u"     Restart with administrator privileges?     ";
inline const Text kRemoveRestartQuestion =
    u"     Couldn't remove settings due to missing write permissions.\r\n"
    u"     Restart with administrator privileges?     ";

}  // namespace kst::store

#pragma once
// Where the power manager keeps its thresholds, and which key sets are read
// and written for a selection.
#include <vector>

#include "system/text.h"

namespace kst::store {

inline const Text kMachine = u"HKLM";
inline const Text kUser = u"HKCU";
inline const Text kMachineConfigurationKey = u"SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\ConfKeys\\Data";
inline const Text kMachineDataKey = u"SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\Data";
inline const Text kUserDataKey = u"SOFTWARE\\Lenovo\\PWRMGRV\\Data";
inline const Text kUserRootKey = u"SOFTWARE\\Lenovo\\PWRMGRV";
inline const Text kInstallInformationKey = u"SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\InstallInfo";
// Followed by one digit from 1 to 9.
inline const Text kInstalledBatteryKey = u"SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\ConfKeys\\Data\\Battery";

inline const Text kChargeStartControl = u"ChargeStartControl";
inline const Text kChargeStopControl = u"ChargeStopControl";
inline const Text kChargeStartPercentage = u"ChargeStartPercentage";
inline const Text kChargeStopPercentage = u"ChargeStopPercentage";
inline const Text kAutomatic = u"Automatic";
inline const Text kFirstInstID = u"FirstInstID";
inline const Text kBarcodeNumber = u"Barcode Number";

struct KeySet {
  Text root;
  Text path;
  bool operator==(const KeySet&) const = default;
};

KeySet machineConfigurationKeyOf(const Text& barcode);
KeySet userDataKeyOf(const Text& barcode);
// The general key sets in the order they are read for all batteries.
std::vector<KeySet> generalReadOrder();
std::vector<KeySet> writeSet(const Text& barcode, const std::vector<Text>& knownBarcodes);

inline const Text kReadErrorMessage = u"     Error while reading settings from registry.     ";
inline const Text kWriteErrorMessage = u"     Error while writing settings to registry.     ";
inline const Text kRestartQuestion =
    u"     Couldn't save settings due to missing write permissions.\r\n"
    u"     Restart with administrator privileges?     ";

}  // namespace kst::store

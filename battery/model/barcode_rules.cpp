#include "battery/model/barcode_rules.h"

#include "settings/model/registry_access.h"
#include "settings/model/threshold_store.h"

namespace kst {

bool isValidBatteryIDText(const Text& s) {
  if (s.size() != kBarcodeLength) return false;
  bool allAllowed = true;
  int digits = 0, letters = 0;
  for (char16_t c : s) {
    if (c >= u'0' && c <= u'9') {
      ++digits;
    } else if (c >= u'A' && c <= u'Z') {
      ++letters;
    } else {
      allAllowed = false;
    }
  }
  return allAllowed && digits > 1 && letters > 1;
}

std::optional<Text> whyNotABarcode(const Text& barcode) {
  if (barcode.find_first_of(u"\\/") != Text::npos) return u"it holds \"\\\" or \"/\"";
  for (int slot = 1; slot <= store::kInstalledBatterySlots; ++slot) {
    const Text key = store::installedBatteryKeyName(slot);
    if (upperCaseText(barcode) == upperCaseText(key)) {
      return u"it names the power manager's key " + key + u" of an installed battery";
    }
  }
  return std::nullopt;
}

bool barcodeNamesOtherKeys(const Text& barcode) { return whyNotABarcode(barcode).has_value(); }

bool addBarcode(std::vector<Text>& list, const Text& barcode, bool checkValidity) {
  if (barcode.empty()) return false;
  if (checkValidity && !isValidBatteryIDText(barcode)) return false;
  const Text upper = upperCaseText(barcode);
  for (const Text& known : list) {
    if (upperCaseText(known) == upper) return false;
  }
  list.push_back(barcode);
  return true;
}

}  // namespace kst

// Battery barcodes: their form, and the list of batteries the store knows.
#include "battery/barcodes.h"

#include <algorithm>

#include "app/kst_main.h"
#include "settings/registry_access.h"

namespace kst {

bool isValidBatteryIDText(const Text& s) {
  if (s.size() != 11) return false;
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

bool Tkst_mainform::isValidBatteryID(const Text& s) const { return isValidBatteryIDText(s); }

bool isNewBarcode(const Text& barcode) {
  return std::find(knownBarcodes.begin(), knownBarcodes.end(), barcode) == knownBarcodes.end();
}

bool addKnownBarcode(const Text& barcode, bool checkValidity) {
  if (barcode.empty()) return false;
  if (checkValidity && !isValidBatteryIDText(barcode)) return false;
  const Text upper = upperCaseText(barcode);
  for (const Text& known : knownBarcodes) {
    if (upperCaseText(known) == upper) return false;
  }
  knownBarcodes.push_back(barcode);
  return true;
}

void collectBarcodes() {
  const Text selection = currentBarcode;
  knownBarcodes.clear();
  for (size_t n = 0; n < dataKeyRoots.size(); ++n) {
    for (const Text& name : listRegSubKeys(dataKeyRoots[n], dataKeyPaths[n])) addKnownBarcode(name, true);
  }
  for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
    addKnownBarcode(readRegString(store::kMachine, store::kInstalledBatteryKey + digit, store::kBarcodeNumber),
                    true);
  }
  addKnownBarcode(selection, false);
}

bool barcodeNamesOtherKeys(const Text& barcode) {
  return barcode.find_first_of(u"\\/") != Text::npos;
}

}  // namespace kst

#include "battery/model/barcode_rules.h"

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

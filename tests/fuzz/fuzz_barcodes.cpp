// Arbitrary texts through the barcode rules and the chooser's caption
// conversion: the rules hold for every input.
#include <cstddef>
#include <cstdint>

#include "battery/barcodes.h"
#include "battery/choose.h"
#include "settings/model/registry_access.h"
#include "settings/model/threshold_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kst;
  Text text;
  for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  bool valid = isValidBatteryIDText(text);
  if (valid && (text.size() != 11 || store::barcodeNamesOtherKeys(text))) __builtin_trap();
  Text upper = upperCaseText(text);
  if (upperCaseText(upper) != upper || upper.size() != text.size()) __builtin_trap();
  if (valid && upper != text) __builtin_trap();
  if (captionToBarcode(u" " + text + u" ") != upper) __builtin_trap();
  captionToBarcode(text);
  return 0;
}

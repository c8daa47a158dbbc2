#pragma once
// The form of a battery barcode and the rule by which a list of barcodes
// takes one more; no window and no module state.
#include <optional>
#include <vector>

#include "system/text.h"

namespace kst {

// A valid barcode is this long: the last characters of the battery's label.
inline constexpr size_t kBarcodeLength = 11;

bool isValidBatteryIDText(const Text& s);
// Why the text would name another key than one battery's own, in words
// that follow "because": a separator names keys below or beside it, and
// the power manager keeps its installed batteries as Battery1 to Battery9
// beside the barcodes, which registry names match without case. Nothing
// for a text that names one battery's own keys.
std::optional<Text> whyNotABarcode(const Text& barcode);
bool barcodeNamesOtherKeys(const Text& barcode);
// Appends the barcode, unchanged, unless it is empty, invalid where validity
// is asked for, or listed already (compared after upperCaseText).
bool addBarcode(std::vector<Text>& list, const Text& barcode, bool checkValidity);

}  // namespace kst

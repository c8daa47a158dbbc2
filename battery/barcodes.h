#pragma once
#include "system/text.h"

namespace kst {

bool isValidBatteryIDText(const Text& s);
// True when no entry of knownBarcodes equals the text exactly.
bool isNewBarcode(const Text& barcode);
bool addKnownBarcode(const Text& barcode, bool checkValidity);
// Rebuilds knownBarcodes from the store, the current selection last.
void collectBarcodes();
// A barcode that would name another key than one battery's own.
bool barcodeNamesOtherKeys(const Text& barcode);

}  // namespace kst

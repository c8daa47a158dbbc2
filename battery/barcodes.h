#pragma once
#include "battery/model/barcode_rules.h"
#include "system/text.h"

namespace kst {

// True when no entry of knownBarcodes equals the text exactly.
bool isNewBarcode(const Text& barcode);
// Rebuilds knownBarcodes from the store, the current selection last.
void collectBarcodes();

}  // namespace kst

// The list of batteries the store knows, as the windows share it.
#include "battery/barcodes.h"

#include <algorithm>

#include "app/kst_main.h"
#include "settings/model/threshold_store.h"

namespace kst {

bool Tkst_mainform::isValidBatteryID(const Text& s) const { return isValidBatteryIDText(s); }

bool isNewBarcode(const Text& barcode) {
  return std::find(knownBarcodes.begin(), knownBarcodes.end(), barcode) == knownBarcodes.end();
}

void collectBarcodes() {
  store::KnownBarcodes gathered;
  knownBarcodes.clear();
  // A barcode that cannot be read stops the gathering; the list keeps what
  // came before it.
  try {
    store::gatherBarcodes(currentBarcode, gathered);
  } catch (...) {
    knownBarcodes = std::move(gathered.barcodes);
    throw;
  }
  knownBarcodes = std::move(gathered.barcodes);
}

}  // namespace kst

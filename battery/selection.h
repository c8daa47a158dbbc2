#pragma once
#include "toolkit/types.h"

namespace kst {

// Gathers the known barcodes, lets the user choose, and takes a new battery
// into the store on request; the chooser's result.
tk::ModalResult selectBattery();

}  // namespace kst

#pragma once
#include <cstdint>
#include <vector>

#include "toolkit/types.h"

namespace kst::resources {

// The JPEG bytes built into the program.
const std::vector<uint8_t>& batteryLabelJpeg();
// The picture decoded; an empty bitmap when the bytes are no JPEG.
tk::Bitmap decodeJpeg(const std::vector<uint8_t>& jpeg);
tk::Bitmap decodeBatteryLabel();

}  // namespace kst::resources

#include "system/registry.h"

namespace kst::sys {

RegValue dwordValue(uint32_t value) {
  RegValue result{valuetype::kDword, {}};
  for (int shift = 0; shift < 32; shift += 8) {
    result.data.push_back(static_cast<uint8_t>(value >> shift));
  }
  return result;
}

uint32_t dwordOf(const RegValue& value) {
  return value.data[0] | value.data[1] << 8 | value.data[2] << 16 | static_cast<uint32_t>(value.data[3]) << 24;
}

RegValue stringValue(TextView text, uint32_t type) {
  RegValue result{type, utf16leBytes(text)};
  result.data.push_back(0);
  result.data.push_back(0);
  return result;
}

}  // namespace kst::sys

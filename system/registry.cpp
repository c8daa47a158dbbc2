#include "system/registry.h"

namespace kst::sys {

RegValue dwordValue(uint32_t value) {
  RegValue result{valuetype::kDword, {}};
  for (int shift = 0; shift < 32; shift += 8) {
    result.data.push_back(static_cast<uint8_t>(value >> shift));
  }
  return result;
}

RegValue stringValue(TextView text, uint32_t type) {
  RegValue result{type, {}};
  for (char16_t c : text) {
    result.data.push_back(static_cast<uint8_t>(c));
    result.data.push_back(static_cast<uint8_t>(c >> 8));
  }
  result.data.push_back(0);
  result.data.push_back(0);
  return result;
}

}  // namespace kst::sys

// Arbitrary roots, key paths and value names through the registry path
// layer over the simulated store: no crash, and a verified write reads back.
#include <cstddef>
#include <array>
#include <cstdint>

#include "settings/model/registry_access.h"
#include "system/error.h"
#include "system/sim/sim_services.h"

namespace {

// Splits the input at 0xFF bytes into up to three UTF-16 texts.
std::array<kst::Text, 3> texts(const uint8_t* data, size_t size) {
  std::array<kst::Text, 3> parts;
  size_t part = 0;
  for (size_t i = 0; i < size && part < 3; ++i) {
    if (data[i] == 0xFF) {
      ++part;
      continue;
    }
    char16_t unit = data[i] < 0x80 ? data[i] : static_cast<char16_t>(0x00C0 + (data[i] & 0x3F));
    parts[part] += unit;
  }
  return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kst;
  static sys::sim::SimSystem sim;
  auto [root, path, name] = texts(data, size);
  sim.registry.put(sys::RootKey::CurrentUser, u"SOFTWARE\\Lenovo\\PWRMGRV\\Data", u"ChargeStopPercentage",
                   sys::dwordValue(80));
  try {
    bool found = false;
    readRegInteger(root, path, name, found);
    readRegString(root, path, name);
    regKeyExists(root, path);
    listRegSubKeys(root, path);
    int32_t value = static_cast<int32_t>(size);
    if (writeRegInteger(root, path, name, value) == WriteResult::Written) {
      bool back = false;
      if (readRegInteger(root, path, name, back) != value || !back) __builtin_trap();
    }
    deleteRegKey(root, path);
    upperCaseText(path);
  } catch (const Error&) {
    // The layer's own errors are part of its contract.
  }
  if (sim.registry.openHandles() != 0) __builtin_trap();
  return 0;
}

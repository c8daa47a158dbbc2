#include "system/sim/sim_services.h"

#include <cstdio>

namespace kst::sys::sim {

void SimVersion::setVersion(const Text& version, uint16_t language, uint16_t codePage) {
  blocks.clear();
  blocks[u"\\VarFileInfo\\Translation"] = {static_cast<uint8_t>(language), static_cast<uint8_t>(language >> 8),
                                          static_cast<uint8_t>(codePage), static_cast<uint8_t>(codePage >> 8)};
  char name[64];
  std::snprintf(name, sizeof name, "\\StringFileInfo\\%.4x%.4x\\FileVersion", language, codePage);
  std::vector<uint8_t> text;
  for (char16_t c : version + Text(1, u'\0')) {
    text.push_back(static_cast<uint8_t>(c));
    text.push_back(static_cast<uint8_t>(c >> 8));
  }
  blocks[fromUtf8(name)] = text;
}

SimSystem::SimSystem() { installServices({&registry, &power, &shell, &desktop, &version, &batteryDevices, &files}); }
SimSystem::~SimSystem() { installServices({}); }

}  // namespace kst::sys::sim

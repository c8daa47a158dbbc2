#include "system/sim/sim_services.h"

#include <algorithm>
#include <cstdio>

namespace kst::sys::sim {
namespace {

// Account names match without case, as Windows matches them.
bool sameName(TextView a, TextView b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char16_t x, char16_t y) { return upperCaseLatinLetter(x) == upperCaseLatinLetter(y); });
}

}  // namespace

Text SimAccount::accountName(const Text& sid) {
  auto it = names.find(sid);
  return it == names.end() ? Text() : it->second;
}

// "DOMAIN\name", or the name alone.
Text SimAccount::sidOfAccount(const Text& name) {
  for (const auto& [sid, full] : names) {
    const TextView alone = TextView(full).substr(full.find(u'\\') + 1);
    if (sameName(name, full) || sameName(name, alone)) return sid;
  }
  return {};
}

void SimVersion::setVersion(const Text& version, uint16_t language, uint16_t codePage) {
  blocks.clear();
  blocks[u"\\VarFileInfo\\Translation"] = {static_cast<uint8_t>(language), static_cast<uint8_t>(language >> 8),
                                           static_cast<uint8_t>(codePage), static_cast<uint8_t>(codePage >> 8)};
  char name[64];
  std::snprintf(name, sizeof name, "\\StringFileInfo\\%.4x%.4x\\FileVersion", language, codePage);
  blocks[fromUtf8(name)] = utf16leBytes(version + Text(1, u'\0'));
}

// A device's path is its index.
Status SimBatteryDevices::deviceInterface(uint32_t index, Text& path) {
  if (index >= devices.size()) return kNoMoreItems;
  if (Status failure = failuresOf(index).deviceEntry) return failure;
  path = decimal(index);
  return kSuccess;
}

Status SimBatteryDevices::queryTag(const Text& path, uint32_t& tag) {
  const size_t index = std::stoul(toUtf8(path));
  if (Status failure = failuresOf(index).tag) return failure;
  if (devices.at(index).bayEmpty) return kFileNotFound;
  tag = static_cast<uint32_t>(index + 1);
  return kSuccess;
}

Status SimBatteryDevices::queryInformation(const Text& path, uint32_t, BatteryDevice& device) {
  const size_t index = std::stoul(toUtf8(path));
  if (Status failure = failuresOf(index).information) return failure;
  device = devices.at(index);
  return kSuccess;
}

// A device without a status of its own does not tell it.
Status SimBatteryDevices::queryStatus(const Text& path, uint32_t, BatteryDevice::ChargeStatus& status) {
  const size_t index = std::stoul(toUtf8(path));
  if (Status failure = failuresOf(index).status) return failure;
  const auto& told = devices.at(index).status;
  if (!told) return kInvalidFunction;
  status = *told;
  return kSuccess;
}

SimBatteryDevices::Failures SimBatteryDevices::failuresOf(size_t index) const {
  auto it = failing.find(index);
  return it == failing.end() ? Failures{} : it->second;
}

SimSystem::SimSystem() {
  installServices({&registry, &power, &shell, &desktop, &version, &batteryDevices, &files, &account, &clock});
}
SimSystem::~SimSystem() { installServices({}); }

}  // namespace kst::sys::sim

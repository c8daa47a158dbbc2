#include "system/services.h"

#include <cassert>

namespace kst::sys {
namespace {
Services installed;

template <typename T>
T& require(T* service) {
  assert(service != nullptr && "system services not installed");
  return *service;
}
}  // namespace

void installServices(const Services& services) { installed = services; }
RegistryService& registry() { return require(installed.registry); }
PowerService& power() { return require(installed.power); }
ShellService& shell() { return require(installed.shell); }
DesktopService& desktop() { return require(installed.desktop); }
VersionService& version() { return require(installed.version); }
BatteryDeviceService& batteryDevices() { return require(installed.batteryDevices); }
FileService& files() { return require(installed.files); }

}  // namespace kst::sys

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
AccountService& account() { return require(installed.account); }
ClockService& clock() { return require(installed.clock); }

std::vector<BatteryDevice> listBatteryDevices() {
  // BATTERY_TAG_INVALID, the tag of a bay without a battery.
  constexpr uint32_t kNoBattery = 0;
  // A list that never reports its end stops here.
  constexpr uint32_t kMostDevices = 64;
  auto& service = batteryDevices();
  std::vector<BatteryDevice> devices;
  for (uint32_t index = 0; index < kMostDevices; ++index) {
    Text path;
    Status status = service.deviceInterface(index, path);
    if (status == kNoMoreItems) break;
    BatteryDevice& device = devices.emplace_back();
    uint32_t tag = kNoBattery;
    if (status != kSuccess) {
      device.unanswered = BatteryDevice::Question::DeviceEntry;
    } else if ((status = service.queryTag(path, tag)) == kFileNotFound || (status == kSuccess && tag == kNoBattery)) {
      device.bayEmpty = true;
    } else if (status != kSuccess) {
      device.unanswered = BatteryDevice::Question::Tag;
    } else if ((status = service.queryInformation(path, tag, device)) != kSuccess) {
      device.unanswered = BatteryDevice::Question::Information;
    } else if (BatteryDevice::ChargeStatus charge; service.queryStatus(path, tag, charge) == kSuccess) {
      device.status = charge;
    }
    device.error = status;
  }
  return devices;
}

}  // namespace kst::sys

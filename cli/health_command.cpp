// health: how worn each battery is, as Windows' battery devices report it.
#include <cstdio>

#include "cli/commands.h"
#include "system/services.h"

namespace kst::cli {
namespace {

using sys::BatteryDevice;

// A UPS or a short-term battery reports itself as a battery device too;
// its wear says nothing about the laptop.
bool isSystemBattery(const BatteryDevice& device) {
  return (device.capabilities & BatteryDevice::kSystemBattery) != 0 &&
         (device.capabilities & BatteryDevice::kShortTerm) == 0;
}

// The chemistry's printable characters up to the first NUL, without the
// blanks that pad a three-letter code.
Text chemistryOf(const BatteryDevice& battery) {
  Text text;
  for (uint8_t byte : battery.chemistry) {
    if (byte == 0) break;
    text += byte >= 0x20 && byte < 0x7F ? static_cast<char16_t>(byte) : u'?';
  }
  while (!text.empty() && text.back() == u' ') text.pop_back();
  return text;
}

std::optional<uint32_t> known(uint32_t capacity) {
  if (capacity == BatteryDevice::kUnknownCapacity) return std::nullopt;
  return capacity;
}

// The share of the designed capacity that is lost, in percent; nothing
// where either capacity is not known.
std::optional<double> wearOf(const BatteryDevice& battery) {
  auto designed = known(battery.designedCapacity), full = known(battery.fullChargedCapacity);
  if (!designed || !full || *designed == 0) return std::nullopt;
  double kept = static_cast<double>(*full) / *designed;
  return kept >= 1 ? 0.0 : 100.0 * (1 - kept);
}

std::string tenths(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string capacityText(std::optional<uint32_t> capacity, const char* unit) {
  return capacity ? std::to_string(*capacity) + unit : "unknown";
}

Json capacityJson(std::optional<uint32_t> capacity) {
  return capacity ? Json(static_cast<long long>(*capacity)) : Json();
}

std::string batteryText(int number, const BatteryDevice& battery) {
  const char* unit = (battery.capabilities & BatteryDevice::kRelativeCapacity) != 0 ? "" : " mWh";
  auto wear = wearOf(battery);
  return "Battery " + std::to_string(number) + ": " + toUtf8(battery.name) + "\n" +
         "  chemistry:             " + toUtf8(chemistryOf(battery)) + "\n" +
         "  designed capacity:     " + capacityText(known(battery.designedCapacity), unit) + "\n" +
         "  full-charge capacity:  " + capacityText(known(battery.fullChargedCapacity), unit) + "\n" +
         "  wear:                  " + (wear ? tenths(*wear) + " %" : std::string("not known")) + "\n" +
         "  charge cycles:         " +
         (battery.cycleCount ? std::to_string(*battery.cycleCount) : std::string("not reported")) + "\n";
}

Json batteryJson(const BatteryDevice& battery) {
  auto wear = wearOf(battery);
  Json entry = Json::object();
  entry.set("name", battery.name)
      .set("chemistry", chemistryOf(battery))
      .set("designedCapacity", capacityJson(known(battery.designedCapacity)))
      .set("fullChargeCapacity", capacityJson(known(battery.fullChargedCapacity)))
      .set("unit", (battery.capabilities & BatteryDevice::kRelativeCapacity) != 0 ? "relative" : "mWh")
      .set("wearPercent", wear ? Json(*wear) : Json())
      .set("cycleCount", battery.cycleCount ? Json(static_cast<long long>(*battery.cycleCount)) : Json());
  return entry;
}

const char* questionText(BatteryDevice::Question question) {
  switch (question) {
    case BatteryDevice::Question::DeviceEntry: return "reading its device entry";
    case BatteryDevice::Question::Tag: return "asking whether a battery is in its bay";
    case BatteryDevice::Question::Information: return "asking for its information";
    case BatteryDevice::Question::None: break;
  }
  return "";
}

}  // namespace

// Every device is numbered as Windows lists it; empty bays, devices that
// are no system battery and devices that did not answer are named in the
// text and left out of the JSON's batteries. A device's status is one of
// Windows' error codes, which the registry service puts in Windows' words.
Outcome health(const Invocation& call) {
  std::vector<BatteryDevice> devices = sys::listBatteryDevices();
  std::string text = devices.empty() ? "Windows reports no battery device.\n" : "";
  Json list = Json::array(), unanswered = Json::array();
  int number = 0;
  for (const BatteryDevice& device : devices) {
    ++number;
    if (device.unanswered != BatteryDevice::Question::None) {
      text += "Battery " + std::to_string(number) + ": Windows could not tell while " +
              questionText(device.unanswered) + ": " + toUtf8(sys::registry().describe(device.error)) + "\n";
      Json entry = Json::object();
      entry.set("number", number).set("error", static_cast<long long>(device.error));
      unanswered.push(std::move(entry));
    } else if (device.bayEmpty) {
      text += "Battery " + std::to_string(number) + ": the bay is empty\n";
    } else if (!isSystemBattery(device)) {
      text += "Battery " + std::to_string(number) + ": " + toUtf8(device.name) +
              " is no battery of this computer (a UPS or a short-term battery) and is left out\n";
    } else {
      text += batteryText(number, device);
      list.push(batteryJson(device));
    }
  }
  Json document = Json::object();
  document.set("batteries", std::move(list)).set("notAnswered", std::move(unanswered));
  return written(call, text, document);
}

}  // namespace kst::cli

// health: how worn each battery is, as Windows' battery devices report it.
#include <cstdio>

#include "cli/commands.h"
#include "system/services.h"

namespace kst::cli {
namespace {

// The share of the designed capacity that is lost, in percent; nothing
// where the battery reports no designed capacity.
std::optional<double> wearOf(const sys::BatteryDevice& battery) {
  if (battery.designedCapacity == 0) return std::nullopt;
  double kept = static_cast<double>(battery.fullChargedCapacity) / battery.designedCapacity;
  return kept >= 1 ? 0.0 : 100.0 * (1 - kept);
}

std::string tenths(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

}  // namespace

Outcome health(const Invocation& call) {
  std::vector<sys::BatteryDevice> devices = sys::batteryDevices().batteries();
  std::string text = devices.empty() ? "Windows reports no battery device.\n" : "";
  Json list = Json::array();
  int number = 0;
  for (const sys::BatteryDevice& battery : devices) {
    const char* unit = battery.relativeCapacity ? "" : " mWh";
    auto wear = wearOf(battery);
    text += "Battery " + std::to_string(++number) + ": " + toUtf8(battery.name) + "\n";
    text += "  chemistry:             " + toUtf8(battery.chemistry) + "\n";
    text += "  designed capacity:     " + std::to_string(battery.designedCapacity) + unit + "\n";
    text += "  full-charge capacity:  " + std::to_string(battery.fullChargedCapacity) + unit + "\n";
    text += "  wear:                  " + (wear ? tenths(*wear) + " %" : std::string("not known")) + "\n";
    text += "  charge cycles:         " +
            (battery.cycleCount ? std::to_string(*battery.cycleCount) : std::string("not reported")) + "\n";
    Json entry = Json::object();
    entry.set("name", battery.name)
        .set("chemistry", battery.chemistry)
        .set("designedCapacity", static_cast<long long>(battery.designedCapacity))
        .set("fullChargeCapacity", static_cast<long long>(battery.fullChargedCapacity))
        .set("unit", battery.relativeCapacity ? "relative" : "mWh")
        .set("wearPercent", wear ? Json(*wear) : Json())
        .set("cycleCount", battery.cycleCount ? Json(static_cast<long long>(*battery.cycleCount)) : Json());
    list.push(std::move(entry));
  }
  Json document = Json::object();
  document.set("batteries", std::move(list));
  return written(call, text, document);
}

}  // namespace kst::cli

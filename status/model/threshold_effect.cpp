#include "status/model/threshold_effect.h"

#include <algorithm>
#include <map>

#include "system/services.h"

namespace kst {
namespace {

// Windows rounds the charge to whole percent.
constexpr int kTolerance = 1;

Text percent(int value) { return decimal(value) + u" %"; }

Effect unknown(const Text& why) { return {EffectState::Unknown, u"unknown: " + why, u"unknown"}; }

Effect onBattery(const store::Thresholds& t) {
  Text text = u"on battery: charging resumes ";
  text += t.lowActive ? u"below " + percent(t.lowPercent) + u" when plugged in" : Text(u"when plugged in");
  return {EffectState::OnBattery, text, u"on battery"};
}

Effect whileCharging(const store::Thresholds& t, int charge) {
  if (t.highActive && charge > t.highPercent + kTolerance) {
    return {EffectState::NotInEffect,
            u"charging past " + percent(t.highPercent) + u": the power manager has not applied your thresholds",
            u"not in effect: charging past " + percent(t.highPercent)};
  }
  const Text toLimit = u"charging to " + percent(t.highActive ? t.highPercent : 100);
  return {EffectState::ChargingToLimit, toLimit, toLimit};
}

Effect whileHeld(const store::Thresholds& t, int charge) {
  if (t.lowActive && charge < t.lowPercent - kTolerance) {
    return unknown(u"not charging at " + percent(charge) + u" on AC, below " + percent(t.lowPercent));
  }
  if (t.highActive && charge > t.highPercent + kTolerance) {
    return unknown(u"not charging at " + percent(charge) + u" on AC, above " + percent(t.highPercent));
  }
  const Text held = u"held at " + percent(charge);
  if (!t.lowActive) return {EffectState::InEffect, held, held};
  return {EffectState::InEffect, held + u": charging resumes below " + percent(t.lowPercent), u"in effect: " + held};
}

// What the system's power status tells of its one battery.
BatteryReading fromPowerStatus() {
  constexpr uint8_t kOnline = 1, kChargingFlag = 8, kNoSystemBattery = 128, kUnknown = 255;
  sys::PowerStatusRecord record;
  BatteryReading reading;
  if (!sys::power().getSystemPowerStatus(record)) {
    reading.kind = BatteryReading::Kind::NoAnswer;
  } else if (record.batteryFlag == kUnknown || (record.batteryFlag & kNoSystemBattery) != 0) {
    reading.kind = BatteryReading::Kind::NoBattery;
  } else if (record.acLineStatus > kOnline || record.batteryLifePercent == kUnknown) {
    reading.kind = BatteryReading::Kind::NoAnswer;
  }
  reading.onAC = record.acLineStatus == kOnline;
  reading.charging = reading.onAC && (record.batteryFlag & kChargingFlag) != 0;
  reading.percent = record.batteryLifePercent;
  return reading;
}

// The computer's batteries as their devices tell them; nothing where not
// one of them tells its status.
std::vector<BatteryReading> fromBatteryDevices() {
  std::vector<BatteryReading> readings;
  bool anyStatus = false;
  for (const sys::BatteryDevice& device : sys::listBatteryDevices()) {
    if (device.bayEmpty) continue;
    const bool answered = device.unanswered == sys::BatteryDevice::Question::None;
    if (answered && (device.capabilities & sys::BatteryDevice::kSystemBattery) == 0) continue;
    BatteryReading& reading = readings.emplace_back();
    const uint32_t full = device.fullChargedCapacity;
    if (!device.status || device.status->capacity == sys::BatteryDevice::kUnknownCapacity || full == 0 ||
        full == sys::BatteryDevice::kUnknownCapacity) {
      reading.kind = BatteryReading::Kind::NoAnswer;
      continue;
    }
    anyStatus = true;
    reading.onAC = (device.status->powerState & sys::BatteryDevice::ChargeStatus::kPowerOnLine) != 0;
    reading.charging = (device.status->powerState & sys::BatteryDevice::ChargeStatus::kCharging) != 0;
    const uint64_t capacity = device.status->capacity;
    reading.percent = static_cast<int>(std::min<uint64_t>(100, (capacity * 200 + full) / (2 * uint64_t{full})));
  }
  if (!anyStatus) readings.clear();
  return readings;
}

Text nameOf(const BatteryEffect& battery, size_t index) {
  return battery.barcode.empty() ? u"battery " + decimal(static_cast<long long>(index) + 1) : battery.barcode;
}

// Every battery's state in one line, each in its long or short words.
Text joined(const std::vector<BatteryEffect>& batteries, bool shortly) {
  const auto words = [&](const BatteryEffect& b) { return shortly ? b.effect.shortText : b.effect.text; };
  const bool agree = std::all_of(batteries.begin(), batteries.end(),
                                 [&](const BatteryEffect& b) { return b.effect == batteries.front().effect; });
  if (agree) return batteries.empty() ? Text() : words(batteries.front());
  Text line;
  for (size_t i = 0; i < batteries.size(); ++i) {
    line += (i == 0 ? Text() : Text(u"; ")) + nameOf(batteries[i], i) + u": " + words(batteries[i]);
  }
  return line;
}

}  // namespace

Effect effectOf(const EffectFacts& facts) {
  if (!facts.powerManagerPresent) return unknown(u"the power manager's keys are missing");
  switch (facts.battery.kind) {
    case BatteryReading::Kind::NoBattery: return unknown(u"no battery");
    case BatteryReading::Kind::NoAnswer: return unknown(u"Windows does not tell the battery's state");
    case BatteryReading::Kind::Battery: break;
  }
  if (!facts.thresholds) return unknown(u"no complete key set holds the thresholds");
  if (facts.savedSinceStart) {
    return {EffectState::PendingRestart, u"saved, takes effect after Windows restarts",
            u"saved: takes effect after restart"};
  }
  const store::Thresholds& t = *facts.thresholds;
  if (!facts.battery.onAC) return onBattery(t);
  if (facts.battery.charging) return whileCharging(t, facts.battery.percent);
  return whileHeld(t, facts.battery.percent);
}

void markDisagreement(std::vector<BatteryEffect>& batteries) {
  std::map<std::pair<Text, Text>, std::vector<BatteryEffect*>> byKeySet;
  for (BatteryEffect& battery : batteries) {
    if (battery.applying) byKeySet[{battery.applying->keySet.root, battery.applying->keySet.path}].push_back(&battery);
  }
  for (auto& entry : byKeySet) {
    std::vector<BatteryEffect*>& sharing = entry.second;
    const auto in = [&](EffectState state) {
      return std::any_of(sharing.begin(), sharing.end(), [&](BatteryEffect* b) { return b->effect.state == state; });
    };
    if (!in(EffectState::NotInEffect) || !(in(EffectState::InEffect) || in(EffectState::ChargingToLimit))) continue;
    for (BatteryEffect* battery : sharing) {
      battery->effect = unknown(decimal(static_cast<long long>(sharing.size())) +
                                u" batteries share one key set, and one charges past its high threshold");
    }
  }
}

Text effectLine(const std::vector<BatteryEffect>& batteries) { return joined(batteries, false); }

Text effectLineWithin(const std::vector<BatteryEffect>& batteries, size_t room) {
  Text line = joined(batteries, false);
  if (line.size() <= room) return line;
  line = joined(batteries, true);
  return line.substr(0, room);
}

std::vector<BatteryEffect> currentEffects() {
  std::vector<BatteryReading> readings = fromBatteryDevices();
  if (readings.empty()) readings.push_back(fromPowerStatus());
  const bool present = store::powerManagerPresent();
  const std::vector<store::InstalledBattery> installed =
      present ? store::installedBatteries() : std::vector<store::InstalledBattery>();
  auto& clock = sys::clock();
  const uint64_t started = clock.now() - clock.millisecondsSinceStart() * 10000;
  std::vector<BatteryEffect> batteries;
  for (size_t i = 0; i < readings.size(); ++i) {
    BatteryEffect& battery = batteries.emplace_back();
    if (i < installed.size()) battery.barcode = installed[i].barcode;
    if (present) battery.applying = store::applyingThresholds(battery.barcode);
    EffectFacts facts{present, readings[i], std::nullopt, false};
    if (battery.applying) {
      facts.thresholds = battery.applying->thresholds;
      facts.savedSinceStart = battery.applying->savedAt && *battery.applying->savedAt > started;
    }
    battery.effect = effectOf(facts);
  }
  markDisagreement(batteries);
  return batteries;
}

const char* effectStateName(EffectState state) {
  switch (state) {
    case EffectState::PendingRestart: return "pendingRestart";
    case EffectState::InEffect: return "inEffect";
    case EffectState::NotInEffect: return "notInEffect";
    case EffectState::ChargingToLimit: return "chargingToLimit";
    case EffectState::OnBattery: return "onBattery";
    case EffectState::Unknown: break;
  }
  return "unknown";
}

}  // namespace kst

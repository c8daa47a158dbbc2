#pragma once
// Whether the thresholds are in effect: what the power manager has done
// with the thresholds that apply to each battery, told from what Windows
// shows of the battery and from when the thresholds were saved. Reads
// only: nothing is written and nothing is sent to the power manager.
#include <optional>
#include <vector>

#include "settings/model/threshold_store.h"
#include "system/text.h"

namespace kst {

enum class EffectState { PendingRestart, InEffect, NotInEffect, ChargingToLimit, OnBattery, Unknown };

// What Windows shows of one battery.
struct BatteryReading {
  enum class Kind { Battery, NoBattery, NoAnswer };
  Kind kind = Kind::Battery;
  bool onAC = false;
  bool charging = false;
  // Of the full-charge capacity.
  int percent = 0;
};

// The facts the state of one battery is told from.
struct EffectFacts {
  bool powerManagerPresent = true;
  BatteryReading battery;
  // The thresholds that apply, or nothing where no key set is complete.
  std::optional<store::Thresholds> thresholds;
  // The key set that applies was written after Windows last started: the
  // power manager takes it at the next start of its driver.
  bool savedSinceStart = false;
};

struct Effect {
  EffectState state = EffectState::Unknown;
  // In words, and shorter, for where little room is.
  Text text;
  Text shortText;
  bool operator==(const Effect&) const = default;
};

// The state of one battery, each from the facts alone. Windows rounds the
// percent: a point either way counts as at a threshold.
Effect effectOf(const EffectFacts& facts);

// One battery of the machine, with the key set that applies to it.
struct BatteryEffect {
  // The barcode the power manager lists for it, if any.
  Text barcode;
  std::optional<store::ApplyingThresholds> applying;
  Effect effect;
};

// Batteries that share one key set must agree: one that the power
// manager holds and one that charges past the same threshold cannot both
// be told apart from one set of thresholds.
void markDisagreement(std::vector<BatteryEffect>& batteries);

// What the window shows in one line: every battery's state where they
// agree, else each battery's in short.
Text effectLine(const std::vector<BatteryEffect>& batteries);
// That line in at most room characters: in short words where the long
// ones do not fit, cut only where the short ones do not either.
Text effectLineWithin(const std::vector<BatteryEffect>& batteries, size_t room);

// The state of every battery now: the thresholds that apply to each
// battery the power manager lists (the general ones where it lists none),
// what Windows shows of each (the battery devices, or where they answer
// nothing the system's power status for one battery), and when Windows
// started. Raises the registry layer's error for a value it cannot read.
std::vector<BatteryEffect> currentEffects();

// The state's name in the command line's JSON.
const char* effectStateName(EffectState state);

}  // namespace kst

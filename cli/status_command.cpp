// status: the battery as the window shows it, and the thresholds the store holds.
#include <cstdio>

#include "cli/commands.h"
#include "status/model/power_status.h"
#include "status/model/threshold_effect.h"

namespace kst::cli {
namespace {

const char* const kStateNames[] = {"NoBattery", "Charging", "ACPowered", "Discharging"};

// A battery's own thresholds: those of its own key sets, where one of them
// is complete.
std::optional<store::SelectionLoad> ownThresholds(const Text& barcode) {
  store::SelectionLoad load = store::loadSelection(barcode);
  if (!load.source) return std::nullopt;
  if (*load.source != store::machineConfigurationKeyOf(barcode) && *load.source != store::userDataKeyOf(barcode)) {
    return std::nullopt;
  }
  return load;
}

// A FILETIME as ISO 8601 in UTC, "2026-12-10T08:30:00Z".
Text isoTime(uint64_t fileTime) {
  constexpr long long kSecondsFrom1601To1970 = 11644473600;
  const long long seconds = static_cast<long long>(fileTime / 10000000) - kSecondsFrom1601To1970;
  const long long days = (seconds >= 0 ? seconds : seconds - 86399) / 86400, inDay = seconds - days * 86400;
  // The civil date of a day count since 1970 (Howard Hinnant's algorithm).
  const long long z = days + 719468, era = (z >= 0 ? z : z - 146096) / 146097, doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365,
                  doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153, day = doy - (153 * mp + 2) / 5 + 1, month = mp < 10 ? mp + 3 : mp - 9;
  const long long year = yoe + era * 400 + (month <= 2);
  char text[128];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ", year, month, day, inDay / 3600,
                inDay / 60 % 60, inDay % 60);
  return fromUtf8(text);
}

// Whether the thresholds are in effect, a line for each battery.
void tellEffects(std::string& text, Json& document) {
  const std::vector<BatteryEffect> effects = currentEffects();
  Json all = Json::array();
  for (size_t i = 0; i < effects.size(); ++i) {
    const BatteryEffect& battery = effects[i];
    text += "Now, battery " + std::to_string(i + 1) +
            (battery.barcode.empty() ? std::string() : " (" + toUtf8(battery.barcode) + ")") + ": " +
            toUtf8(battery.effect.text) + "\n";
    const auto& applying = battery.applying;
    Json entry = Json::object();
    entry.set("state", effectStateName(battery.effect.state))
        .set("text", battery.effect.text)
        .set("battery", battery.barcode.empty() ? Json() : Json(battery.barcode))
        .set("thresholds", applying ? thresholdsJson(applying->thresholds) : Json())
        .set("keySet", applying ? Json(reachedName(applying->keySet)) : Json())
        .set("savedAt", applying && applying->savedAt ? Json(isoTime(*applying->savedAt)) : Json());
    all.push(std::move(entry));
  }
  document.set("inEffect", std::move(all));
}

}  // namespace

Outcome status(const Invocation& call) {
  int percent = 0, secondsLeft = 0;
  PowerState state = getPowerStatus(percent, secondsLeft);
  const Text timeLeft = formatTimeLeft(secondsLeft);
  std::string text = "Battery: " + toUtf8(stateText[state]);
  if (state != NoBattery) text += ", " + std::to_string(percent) + "%";
  if (state == Discharging && !timeLeft.empty()) text += ", " + toUtf8(timeLeft) + " left";
  text += "\n";
  Json power = Json::object();
  power.set("state", kStateNames[state])
      .set("stateText", stateText[state])
      .set("percent", percent)
      .set("secondsLeft", secondsLeft)
      .set("timeLeft", timeLeft);
  Json document = Json::object();
  document.set("power", std::move(power));

  const bool present = store::powerManagerPresent();
  document.set("powerManager", present);
  if (!present) {
    text += "Power manager: its registry keys are missing\n";
    tellEffects(text, document);
    return written(call, text, document);
  }
  text += "Power manager: installed\n";
  tellEffects(text, document);
  store::SelectionLoad general = store::loadSelection(Text());
  text += "All batteries: " + toUtf8(store::describe(general.thresholds)) +
          (general.source ? " From " + toUtf8(reachedName(*general.source)) + "." : " No complete key set.") + "\n";
  Json all = Json::object();
  all.set("thresholds", thresholdsJson(general.thresholds))
      .set("source", general.source ? Json(reachedName(*general.source)) : Json());
  document.set("allBatteries", std::move(all));

  store::KnownBarcodes known;
  store::gatherBarcodes(Text(), known);
  Json batteries = Json::array();
  for (size_t i = 0; i < known.barcodes.size(); ++i) {
    const Text& barcode = known.barcodes[i];
    const Text origin = originText(known.origins[i], known.slots[i]);
    auto own = ownThresholds(barcode);
    text += "Battery " + toUtf8(barcode) + " (" + toUtf8(origin) + "): " +
            (own ? toUtf8(store::describe(own->thresholds)) + " From " + toUtf8(reachedName(*own->source)) + "."
                 : std::string("uses the thresholds for all batteries")) +
            "\n";
    Json battery = Json::object();
    battery.set("barcode", barcode)
        .set("foundIn", origin)
        .set("thresholds", own ? thresholdsJson(own->thresholds) : Json())
        .set("source", own ? Json(reachedName(*own->source)) : Json());
    batteries.push(std::move(battery));
  }
  document.set("batteries", std::move(batteries));
  return written(call, text, document);
}

}  // namespace kst::cli

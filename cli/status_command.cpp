// status: the battery as the window shows it, and the thresholds the store holds.
#include "cli/commands.h"
#include "status/model/power_status.h"

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
    return written(call, text, document);
  }
  text += "Power manager: installed\n";
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

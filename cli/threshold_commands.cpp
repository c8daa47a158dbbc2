// get and set: the thresholds of a selection, as Get Values loads them and
// as Save Settings writes them.
#include <charconv>

#include "cli/commands.h"

namespace kst::cli {
namespace {

Text selectionName(const Text& barcode) { return barcode.empty() ? u"all batteries" : u"battery " + barcode; }

Json sourceJson(const std::optional<store::KeySet>& source) { return source ? Json(reachedName(*source)) : Json(); }

// Key sets that could not be read, as the window reports them.
std::string readProblems(const store::SelectionLoad& load) {
  std::string problems;
  for (const auto& [keySet, read] : load.reads) {
    if (read.error) problems += "Could not read " + toUtf8(reachedName(keySet)) + ": " + toUtf8(*read.error) + "\n";
  }
  return problems;
}

// One threshold's change: a percentage, a switch, or both.
struct Change {
  std::optional<int> percent;
  std::optional<bool> active;
};

std::optional<std::string> parseChange(const std::vector<Text>& values, const char* which, store::Range range,
                                       Change& change) {
  for (const Text& value : values) {
    if (value == u"on" || value == u"off") {
      if (change.active) return std::string("--") + which + " switches the threshold once at most.";
      change.active = value == u"on";
      continue;
    }
    const std::string digits = toUtf8(value);
    int number = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    bool whole = !digits.empty() && error == std::errc() && end == digits.data() + digits.size() && digits[0] != '-';
    if (!whole || !range.holds(number)) {
      return std::string("The ") + which + " threshold must be a whole number from " + std::to_string(range.minimum) +
             " to " + std::to_string(range.maximum) + ", on or off: " + digits + ". Nothing was written.";
    }
    if (change.percent) return std::string("--") + which + " gives a percentage once at most.";
    change.percent = number;
  }
  return std::nullopt;
}

void apply(const Change& change, int& percent, bool& active) {
  if (change.percent) percent = *change.percent;
  if (change.active) active = *change.active;
}

}  // namespace

Outcome get(const Invocation& call) {
  if (auto refused = refuseOtherKeys(call.battery)) return *refused;
  if (!store::powerManagerPresent()) return powerManagerMissing();
  const Text barcode = call.battery.value_or(Text());
  store::SelectionLoad load = store::loadSelection(barcode);
  std::string text = toUtf8(selectionName(barcode)) + ": " + toUtf8(store::describe(load.thresholds)) + "\n";
  text += load.source ? "From " + toUtf8(reachedName(*load.source)) + "\n"
                      : "No complete key set is stored: these are the defaults and what incomplete ones held.\n";
  Json document = Json::object();
  document.set("selection", barcode.empty() ? Json() : Json(barcode))
      .set("thresholds", thresholdsJson(load.thresholds))
      .set("source", sourceJson(load.source));
  Outcome outcome = written(call, text, document, load.source ? kDone : kPowerManagerMissing);
  outcome.err = readProblems(load);
  if (!load.source) outcome.err += "Needed registry keys not present: no complete key set of the selection.\n";
  return outcome;
}

Outcome set(const Invocation& call, const Console& console) {
  if (auto refused = refuseOtherKeys(call.battery)) return *refused;
  const Text barcode = call.battery.value_or(Text());
  if (auto doubt = doubtedBarcode(barcode, call.force)) {
    return failure(kBadInput, "The barcode " + *doubt + ". Give --force to use it anyway.");
  }
  Change high, low;
  if (auto problem = parseChange(call.high, "high", store::kHighRange, high)) return failure(kBadInput, *problem);
  if (auto problem = parseChange(call.low, "low", store::kLowRange, low)) return failure(kBadInput, *problem);
  if (call.high.empty() && call.low.empty()) return failure(kBadInput, "Nothing to set: give --high or --low.");
  if (!store::powerManagerPresent()) return powerManagerMissing();

  store::Thresholds thresholds = store::loadSelection(barcode).thresholds;
  apply(high, thresholds.highPercent, thresholds.highActive);
  apply(low, thresholds.lowPercent, thresholds.lowActive);
  if (thresholds.highPercent - thresholds.lowPercent < store::kMinimumGap) {
    return failure(kBadInput, toUtf8(store::kGapMessage) + " Nothing was written.");
  }
  const int32_t firstInstID = store::readFirstInstID();
  store::KnownBarcodes known;
  store::gatherBarcodes(barcode, known);
  std::vector<store::KeySetWrite> writes =
      store::saveSelection(barcode, known.barcodes, thresholds, firstInstID, [&](const store::KeySetWrite& write) {
        if (!call.json) console.out(writeLine(write));
        return true;
      });

  const std::string text = toUtf8(store::describe(thresholds)) + "\n";
  Json document = Json::object();
  document.set("selection", barcode.empty() ? Json() : Json(barcode))
      .set("thresholds", thresholdsJson(thresholds))
      .set("firstInstID", static_cast<long long>(firstInstID))
      .set("keySets", writesJson(writes));
  return writesOutcome(call, text, document, writes);
}

}  // namespace kst::cli

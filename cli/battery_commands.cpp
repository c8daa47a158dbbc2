// batteries and remove: the barcodes the store knows, and removing one
// battery's own thresholds as the chooser's Remove does.
#include "cli/commands.h"

namespace kst::cli {

Outcome batteries(const Invocation& call) {
  if (!store::powerManagerPresent()) return powerManagerMissing();
  store::KnownBarcodes known;
  store::gatherBarcodes(Text(), known);
  std::string text = known.barcodes.empty() ? "No battery is known to the power manager's store.\n" : "";
  Json list = Json::array();
  for (size_t i = 0; i < known.barcodes.size(); ++i) {
    const Text origin = originText(known.origins[i], known.slots[i]);
    text += toUtf8(known.barcodes[i]) + "  " + toUtf8(origin) + "\n";
    Json battery = Json::object();
    battery.set("barcode", known.barcodes[i])
        .set("foundIn", origin)
        .set("slot", known.slots[i] != 0 ? Json(known.slots[i]) : Json());
    list.push(std::move(battery));
  }
  Json document = Json::object();
  document.set("batteries", std::move(list));
  return written(call, text, document);
}

Outcome remove(const Invocation& call, const Console& console) {
  if (!call.battery) return failure(kBadInput, "remove needs --battery CODE.");
  if (auto refused = refuseOtherKeys(call.battery)) return *refused;
  auto say = [&](const std::string& line) {
    if (!call.json) console.out(line);
  };
  Json deleted = Json::array(), kept = Json::array();
  const std::vector<store::KeySetRemoval> removals =
      store::removeBattery(*call.battery, [&](const store::KeySetRemoval& removal) {
        const Text name = reachedName(removal.keySet);
        switch (removal.result) {
          case DeleteResult::Missing: say("not there: " + toUtf8(name) + "\n"); break;
          case DeleteResult::Deleted:
            say("deleted: " + toUtf8(name) + "\n");
            deleted.push(Json(name));
            break;
          case DeleteResult::Refused:
            say("not deleted: " + toUtf8(name) +
                " (no right to delete it; run kestrane-cli from an elevated prompt)\n");
            kept.push(Json(name));
            break;
        }
      });
  // The user key stays where the machine key could not go: the battery is
  // removed whole or not at all.
  const store::KeySet userKey = store::userDataKeyOf(*call.battery);
  if (store::refused(removals) && regKeyExists(userKey.root, userKey.path)) {
    const Text user = reachedName(userKey);
    say("kept: " + toUtf8(user) + " (the battery's machine key is still there)\n");
    kept.push(Json(user));
  }
  Json document = Json::object();
  document.set("barcode", *call.battery).set("deleted", std::move(deleted)).set("notDeleted", std::move(kept));
  Outcome outcome = written(call, "", document, store::refused(removals) ? kRefused : kDone);
  if (store::refused(removals)) outcome.err = refusedLine(call, {reachedName(removals.back().keySet)}, "delete");
  return outcome;
}

}  // namespace kst::cli

// batteries and remove: the barcodes the store knows, and removing one
// battery's own thresholds as the chooser's Remove does.
#include "cli/commands.h"
#include "settings/registry_access.h"

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
  if (auto refused = refuseSeparators(call.battery)) return *refused;
  auto say = [&](const std::string& line) {
    if (!call.json) console.out(line);
  };
  Json deleted = Json::array(), kept = Json::array();
  int exitCode = kDone;
  for (const store::KeySet& keySet : {store::machineConfigurationKeyOf(*call.battery),
                                      store::userDataKeyOf(*call.battery)}) {
    const std::string name = toUtf8(keySetName(keySet));
    if (!regKeyExists(keySet.root, keySet.path)) {
      say("not there: " + name + "\n");
    } else if (deleteRegKey(keySet.root, keySet.path)) {
      say("deleted: " + name + "\n");
      deleted.push(Json(keySetName(keySet)));
    } else {
      say("not deleted: " + name + " (no right to delete it; run kestrane-cli from an elevated prompt)\n");
      kept.push(Json(keySetName(keySet)));
      exitCode = kRefused;
    }
  }
  Json document = Json::object();
  document.set("barcode", *call.battery).set("deleted", std::move(deleted)).set("notDeleted", std::move(kept));
  return written(call, "", document, exitCode);
}

}  // namespace kst::cli

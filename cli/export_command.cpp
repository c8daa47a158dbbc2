// export: the stored key sets of a selection as a regedit file.
#include <cstdio>

#include "cli/commands.h"
#include "settings/model/registry_access.h"
#include "system/services.h"

namespace kst::cli {
namespace {

Text rootName(const Text& root) { return root == store::kMachine ? u"HKEY_LOCAL_MACHINE" : u"HKEY_CURRENT_USER"; }

// The key set's section of the file, or nothing where it holds none of the values.
Text section(const store::KeySet& keySet) {
  Text lines;
  for (const Text& name : exportedValues()) {
    bool found = false;
    int32_t value = readRegInteger(keySet.root, keySet.path, name, found);
    if (!found) continue;
    char number[16];
    std::snprintf(number, sizeof number, "%08x", static_cast<unsigned>(value));
    lines.append(u"\"").append(name).append(u"\"=dword:").append(fromUtf8(number)).append(u"\r\n");
  }
  if (lines.empty()) return lines;
  Text header = u"[";
  header.append(rootName(keySet.root)).append(u"\\").append(store::pathOnThisMachine(keySet)).append(u"]\r\n");
  return header.append(lines).append(u"\r\n");
}

// regedit's own files are UTF-16 with a byte-order mark.
bool writeUtf16(const Text& path, const Text& content) {
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  const std::vector<uint8_t> units = utf16leBytes(content);
  bytes.insert(bytes.end(), units.begin(), units.end());
  return sys::files().writeFile(path, bytes);
}

}  // namespace

const std::vector<Text>& exportedValues() {
  static const std::vector<Text> names = {store::kChargeStartControl, store::kChargeStopControl,
                                          store::kChargeStartPercentage, store::kChargeStopPercentage,
                                          store::kAutomatic};
  return names;
}

Outcome exportSettings(const Invocation& call) {
  if (call.json) return failure(kBadInput, "export writes a regedit file; --json does not apply to it.");
  if (auto refused = refuseOtherKeys(call.battery)) return *refused;
  if (!store::powerManagerPresent()) return powerManagerMissing();
  const Text barcode = call.battery.value_or(Text());
  store::KnownBarcodes known;
  store::gatherBarcodes(barcode, known);
  Text content = kRegeditHeader + u"\r\n\r\n";
  int sections = 0;
  for (const store::KeySet& keySet : store::writeSet(barcode, known.barcodes)) {
    if (!regKeyExists(keySet.root, keySet.path)) continue;
    Text part = section(keySet);
    if (part.empty()) continue;
    content += part;
    ++sections;
  }
  if (sections == 0) return failure(kPowerManagerMissing, "Nothing to export: no key set of the selection is stored.");
  if (!call.output) return {kDone, toUtf8(content), ""};
  if (!writeUtf16(*call.output, content))
    return failure(kUnexpectedError, "Cannot write " + toUtf8(*call.output) + ".");
  return {kDone, "Exported " + std::to_string(sections) + " key sets to " + toUtf8(*call.output) + ".\n", ""};
}

}  // namespace kst::cli

#include "cli/commands.h"

#include <string>

#include "battery/model/barcode_rules.h"
#include "cli/command_table.h"
#include "settings/model/registry_access.h"
#include "system/error.h"
#include "system/file_version.h"
#include "system/services.h"

namespace kst::cli {
namespace {

// The usage's head; its list of commands comes from the table.
const char kUsageHead[] =
    "Usage: kestrane-cli [--json] [--user NAME|SID] COMMAND [OPTIONS]\n"
    "Reads and sets the battery charging thresholds of the Lenovo power manager.\n"
    "\n"
    "Commands:\n";
const char kUsageTail[] =
    "\n"
    "kestrane-cli COMMAND --help tells more. --json writes JSON for scripts.\n"
    "--user NAME|SID reads and writes that user's keys in their hive under HKEY_USERS\n"
    "instead of HKCU: a user signed in on this machine, as DOMAIN\\name, name or SID.\n"
    "HKCU is the hive of the account kestrane-cli runs as, and an elevated prompt may\n"
    "run as another account than the signed-in user's.\n"
    "Exit codes: 0 done, 1 unexpected error, 2 bad arguments or input, 3 refused for\n"
    "lack of rights (run it from an elevated prompt), 4 the power manager's keys are missing.\n";

std::string usage() {
  std::string text = kUsageHead;
  for (const CommandRow& row : commandTable()) {
    std::string name = row.name;
    text += "  " + name + std::string(12 - name.size(), ' ') + row.summary + "\n";
  }
  return text + kUsageTail;
}

Outcome version() {
  Text number = getFileVersion(sys::shell().executablePath());
  return {kDone, "Kestrane - Version " + toUtf8(number) + "\n", ""};
}

Outcome answer(const std::vector<Text>& arguments, const Console& console) {
  auto parsed = parseArguments(arguments);
  if (auto* message = std::get_if<std::string>(&parsed)) {
    return failure(kBadInput, *message + " kestrane-cli --help lists the commands.");
  }
  const Invocation& call = std::get<Invocation>(parsed);
  if (call.version) return version();
  const CommandRow* command = findCommand(call.command);
  if (call.help) return {kDone, command == nullptr ? usage() : command->help, ""};
  if (command == nullptr) return {kBadInput, "", usage()};
  try {
    if (auto refused = actForUser(call, command->readsUsersKeys)) return *refused;
    if (command->readsUsersKeys) {
      if (auto note = noteOnWhoseKeys(call)) console.err(*note);
    }
    return command->run(call, console);
  } catch (const Error& error) {
    return failure(kUnexpectedError, toUtf8(error.text()));
  } catch (const std::exception& error) {
    return failure(kUnexpectedError, error.what());
  }
}

}  // namespace

int run(const std::vector<Text>& arguments, const Console& console) {
  // The hive --user chose is this run's alone: whatever runs next in the
  // process reaches its own HKCU again.
  struct HiveOfTheRun {
    ~HiveOfTheRun() { reachCurrentUserIn(Text()); }
  } hiveOfTheRun;
  Outcome outcome = answer(arguments, console);
  if (!outcome.out.empty()) console.out(outcome.out);
  if (!outcome.err.empty()) console.err(outcome.err);
  return outcome.exitCode;
}

Outcome run(const std::vector<Text>& arguments) {
  Outcome collected;
  Console console{[&](const std::string& text) { collected.out += text; },
                  [&](const std::string& text) { collected.err += text; }};
  collected.exitCode = run(arguments, console);
  return collected;
}

Json thresholdsJson(const store::Thresholds& thresholds) {
  Json json = Json::object();
  json.set("high", thresholds.highPercent)
      .set("highActive", thresholds.highActive)
      .set("low", thresholds.lowPercent)
      .set("lowActive", thresholds.lowActive);
  return json;
}

Text originText(store::BarcodeOrigin origin, int slot) {
  switch (origin) {
    case store::BarcodeOrigin::MachineConfigurationKey: return u"machine configuration key";
    case store::BarcodeOrigin::UserDataKey: return u"user data key";
    case store::BarcodeOrigin::InstalledBattery: return u"installed battery slot " + decimal(slot);
    case store::BarcodeOrigin::CurrentSelection: break;
  }
  return u"current selection";
}

Outcome failure(int exitCode, const std::string& message) { return {exitCode, "", message + "\n"}; }

Outcome powerManagerMissing() {
  return failure(kPowerManagerMissing,
                 "The power manager's registry keys are missing: this needs a ThinkPad with the Lenovo Power "
                 "Management Driver installed.");
}

std::optional<Outcome> refuseOtherKeys(const std::optional<Text>& barcode) {
  if (!barcode) return std::nullopt;
  if (barcode->empty()) return failure(kBadInput, "The barcode is empty.");
  if (auto why = store::whyNotABarcode(*barcode)) {
    return failure(kBadInput, "The barcode " + toUtf8(*barcode) + " cannot be used, because " + toUtf8(*why) +
                                  ": it would name other keys than one battery's own. Nothing was changed.");
  }
  return std::nullopt;
}

std::optional<std::string> doubtedBarcode(const Text& barcode, bool force) {
  if (barcode.empty() || isValidBatteryIDText(barcode) || force) return std::nullopt;
  return toUtf8(barcode) + " seems to be not valid: " + std::to_string(kBarcodeLength) +
         " digits and capitals, at least two of each";
}

std::string refusedLine(const Invocation& call, const std::vector<Text>& keySets, const char* work) {
  std::string names;
  for (const Text& keySet : keySets) names += (names.empty() ? "" : ", ") + toUtf8(keySet);
  if (sys::account().elevated()) {
    return std::string("Windows refused to ") + work + " " + names +
           " although kestrane-cli runs with administrator rights.\n";
  }
  // A standard user's elevated prompt runs as the administrator whose
  // password was typed, whose HKCU holds none of the user's keys.
  const std::string option = userOptionFor(call);
  return std::string("Needs an elevated prompt to ") + work + ": " + names +
         ". Run kestrane-cli from a command prompt started with \"Run as administrator\"" +
         (option.empty() ? "" : ", adding " + option + " if that prompt runs as another account") + ".\n";
}

Outcome written(const Invocation& call, const std::string& text, const Json& document, int exitCode) {
  return {exitCode, call.json ? document.dump() + "\n" : text, ""};
}

}  // namespace kst::cli

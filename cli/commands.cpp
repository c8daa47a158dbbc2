#include "cli/commands.h"

#include <map>

#include "battery/barcode_rules.h"
#include "system/error.h"
#include "system/file_version.h"
#include "system/services.h"

namespace kst::cli {
namespace {

const char kUsage[] =
    "Usage: kestrane-cli [--json] COMMAND [OPTIONS]\n"
    "Reads and sets the battery charging thresholds of the Lenovo power manager.\n"
    "\n"
    "Commands:\n"
    "  status      the battery, the power manager and every known battery's thresholds\n"
    "  get         the thresholds Kestrane shows for all batteries or one battery\n"
    "  set         saves thresholds as Kestrane's Save Settings does\n"
    "  batteries   the batteries the store knows, and where each was found\n"
    "  remove      deletes one battery's own thresholds\n"
    "  export      the thresholds as a regedit file, for other machines\n"
    "  health      designed and full-charge capacity, wear and cycles of each battery\n"
    "\n"
    "kestrane-cli COMMAND --help tells more. --json writes JSON for scripts.\n"
    "Exit codes: 0 done, 1 unexpected error, 2 bad arguments or input, 3 refused for\n"
    "lack of rights (run it from an elevated prompt), 4 the power manager's keys are missing.\n";

const std::map<std::string, std::string>& commandHelp() {
  static const std::map<std::string, std::string> help = {
      {"status",
       "Usage: kestrane-cli status [--json]\n"
       "The battery state, charge and time left as Kestrane's window shows them, whether\n"
       "the power manager's keys are there, the thresholds for all batteries and the\n"
       "key set they came from, and for every known battery its own thresholds.\n"},
      {"get",
       "Usage: kestrane-cli get [--battery CODE] [--json]\n"
       "The thresholds Kestrane shows after Get Values for all batteries, or for the\n"
       "battery with this barcode, and the key set they came from. Exits with 4 when no\n"
       "key set is complete: the thresholds shown are then the defaults, or what an\n"
       "incomplete key set held.\n"},
      {"set",
       "Usage: kestrane-cli set [--battery CODE] [--high N|on|off] [--low N|on|off]\n"
       "                        [--force] [--json]\n"
       "Saves as Save Settings does: for one battery its two key sets, for all batteries\n"
       "every known battery's key sets and the three general ones. What is not given\n"
       "keeps what get shows; --high 80 --high on sets both. The high threshold lies\n"
       "between 5 and 100, the low one between 1 and 96, at least 4 points lower.\n"
       "A barcode that is not 11 digits and capitals with two of each needs --force;\n"
       "one with \\ or / is never taken. One line per key set, written the moment the\n"
       "key set is done: written, or why not.\n"
       "Never asks and never elevates itself: a key set refused for lack of rights\n"
       "exits with 3.\n"},
      {"batteries",
       "Usage: kestrane-cli batteries [--json]\n"
       "The barcodes the power manager's store knows, in Kestrane's order, each with\n"
       "where it was found: the machine configuration key, the user data key or an\n"
       "installed battery slot.\n"},
      {"remove",
       "Usage: kestrane-cli remove --battery CODE [--json]\n"
       "Deletes the battery's own key sets, as the battery chooser's Remove does: its\n"
       "machine configuration key, then its user data key. Says which were deleted.\n"},
      {"export",
       "Usage: kestrane-cli export [--battery CODE] [--output FILE]\n"
       "Writes the stored key sets of the selection (for all batteries: the general\n"
       "ones and every known battery's) as a regedit file, which reg import or a\n"
       "deployment tool applies on other machines. The install identifier FirstInstID\n"
       "belongs to this machine and is left out. --output writes the file in UTF-16,\n"
       "as regedit writes its own; standard output is UTF-8.\n"},
      {"health",
       "Usage: kestrane-cli health [--json]\n"
       "For each battery Windows reports: its name, chemistry, designed and full-charge\n"
       "capacity, wear in percent and, where the battery counts them, its charge cycles.\n"},
  };
  return help;
}

Outcome version() {
  Text number = getFileVersion(sys::shell().executablePath());
  return {kDone, "Kestrane - Version " + toUtf8(number) + "\n", ""};
}

Outcome dispatch(const Invocation& call, const Console& console) {
  if (call.command == "status") return status(call);
  if (call.command == "get") return get(call);
  if (call.command == "set") return set(call, console);
  if (call.command == "batteries") return batteries(call);
  if (call.command == "remove") return remove(call, console);
  if (call.command == "export") return exportSettings(call);
  return health(call);
}

// A deployment tool may run the command line as the LocalSystem account,
// whose HKCU no user ever sees.
bool readsOrWritesTheUsersKeys(const std::string& command) {
  for (const char* touching : {"status", "get", "set", "batteries", "remove", "export"}) {
    if (command == touching) return true;
  }
  return false;
}

const char kLocalSystemNote[] =
    "kestrane-cli runs as the LocalSystem account: HKCU is that account's own hive, not a user's. The machine "
    "keys under HKLM are what reach every user.\n";

Outcome answer(const std::vector<Text>& arguments, const Console& console) {
  auto parsed = parseArguments(arguments);
  if (auto* message = std::get_if<std::string>(&parsed)) {
    return failure(kBadInput, *message + " kestrane-cli --help lists the commands.");
  }
  const Invocation& call = std::get<Invocation>(parsed);
  if (call.version) return version();
  if (call.help) return {kDone, call.command.empty() ? kUsage : commandHelp().at(call.command), ""};
  if (call.command.empty()) return {kBadInput, "", kUsage};
  try {
    if (readsOrWritesTheUsersKeys(call.command) && sys::account().runsAsLocalSystem()) console.err(kLocalSystemNote);
    return dispatch(call, console);
  } catch (const Error& error) {
    return failure(kUnexpectedError, toUtf8(error.text()));
  } catch (const std::exception& error) {
    return failure(kUnexpectedError, error.what());
  }
}

}  // namespace

int run(const std::vector<Text>& arguments, const Console& console) {
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
  if (auto why = whyNotABarcode(*barcode)) {
    return failure(kBadInput, "The barcode " + toUtf8(*barcode) + " cannot be used, because " + toUtf8(*why) +
                                  ": it would name other keys than one battery's own. Nothing was changed.");
  }
  return std::nullopt;
}

std::string refusedLine(const std::vector<Text>& keySets, const char* work) {
  std::string names;
  for (const Text& keySet : keySets) names += (names.empty() ? "" : ", ") + toUtf8(keySet);
  if (sys::account().elevated()) {
    return std::string("Windows refused to ") + work + " " + names +
           " although kestrane-cli runs with administrator rights.\n";
  }
  return std::string("Needs an elevated prompt to ") + work + ": " + names +
         ". Run kestrane-cli from a command prompt started with \"Run as administrator\".\n";
}

Outcome written(const Invocation& call, const std::string& text, const Json& document, int exitCode) {
  return {exitCode, call.json ? document.dump() + "\n" : text, ""};
}

}  // namespace kst::cli

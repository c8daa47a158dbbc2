#include "cli/command_table.h"

#include "battery/model/barcode_rules.h"
#include "cli/commands.h"

namespace kst::cli {
namespace {

std::string range(store::Range r) { return std::to_string(r.minimum) + " and " + std::to_string(r.maximum); }

std::vector<CommandRow> rows() {
  const std::string gap = std::to_string(store::kMinimumGap);
  const std::string length = std::to_string(kBarcodeLength);
  return {
      {"status",
       {},
       "",
       "the battery, the power manager and every known battery's thresholds",
       "Usage: kestrane-cli status [--user NAME|SID] [--json]\n"
       "The battery state, charge and time left as Kestrane's window shows them, whether\n"
       "the power manager's keys are there, the thresholds for all batteries and the\n"
       "key set they came from, and for every known battery its own thresholds.\n",
       [](const Invocation& call, const Console&) { return status(call); },
       true},
      {"get",
       {"--battery"},
       "",
       "the thresholds Kestrane shows for all batteries or one battery",
       "Usage: kestrane-cli get [--battery CODE] [--user NAME|SID] [--json]\n"
       "The thresholds Kestrane shows after Get Values for all batteries, or for the\n"
       "battery with this barcode, and the key set they came from. Exits with 4 when no\n"
       "key set is complete: the thresholds shown are then the defaults, or what an\n"
       "incomplete key set held.\n",
       [](const Invocation& call, const Console&) { return get(call); },
       true},
      {"set",
       {"--battery", "--high", "--low", "--force"},
       "",
       "saves thresholds as Kestrane's Save Settings does",
       "Usage: kestrane-cli set [--battery CODE] [--high N|on|off] [--low N|on|off]\n"
       "                        [--force] [--user NAME|SID] [--json]\n"
       "Saves as Save Settings does: for one battery its two key sets, for all batteries\n"
       "every known battery's key sets and the three general ones. What is not given\n"
       "keeps what get shows; --high 80 --high on sets both. The high threshold lies\n"
       "between " +
           range(store::kHighRange) + ", the low one between " + range(store::kLowRange) + ", at least " + gap +
           " points lower.\n"
           "A barcode that is not " +
           length +
           " digits and capitals with two of each needs --force;\n"
           "one with \\ or /, or one that names an installed battery's key (Battery1 to\n"
           "Battery9), is never taken. One line per key set, written the moment the key set\n"
           "is done: written, or why not.\n"
           "Never asks and never elevates itself: a key set refused for lack of rights\n"
           "exits with 3, its last line naming the key sets that need an elevated prompt.\n",
       set,
       true},
      {"batteries",
       {},
       "",
       "the batteries the store knows, and where each was found",
       "Usage: kestrane-cli batteries [--user NAME|SID] [--json]\n"
       "The barcodes the power manager's store knows, in Kestrane's order, each with\n"
       "where it was found: the machine configuration key, the user data key or an\n"
       "installed battery slot.\n",
       [](const Invocation& call, const Console&) { return batteries(call); },
       true},
      {"remove",
       {"--battery"},
       "",
       "deletes one battery's own thresholds",
       "Usage: kestrane-cli remove --battery CODE [--user NAME|SID] [--json]\n"
       "Deletes the battery's own key sets, as the battery chooser's Remove does: its\n"
       "machine configuration key, then its user data key. Says which were deleted.\n",
       remove,
       true},
      {"export",
       {"--battery", "--output"},
       "",
       "the thresholds as a regedit file, for other machines",
       "Usage: kestrane-cli export [--battery CODE] [--output FILE] [--user NAME|SID]\n"
       "Writes the stored key sets of the selection (for all batteries: the general\n"
       "ones and every known battery's) as a regedit file, which import takes on other\n"
       "machines. The install identifier FirstInstID belongs to this machine and is\n"
       "left out. --output writes the file in UTF-16, as regedit writes its own;\n"
       "standard output is UTF-8.\n",
       [](const Invocation& call, const Console&) { return exportSettings(call); },
       true},
      {"import",
       {"--dry-run", "--force"},
       "FILE",
       "takes the thresholds of a file that export wrote",
       "Usage: kestrane-cli import FILE [--dry-run] [--force] [--user NAME|SID]\n"
       "                           [--json]\n"
       "Writes the threshold key sets of a regedit file as export writes it (UTF-16\n"
       "with its byte-order mark, or UTF-8), where this machine keeps them: machine keys\n"
       "named with or without Wow6432Node land where this machine's power manager looks.\n"
       "Only the power manager's threshold key sets are taken, each with its four\n"
       "thresholds and \"Automatic\"; every rule of set holds for them, and FirstInstID\n"
       "comes from this machine. The whole file is checked before anything is written:\n"
       "any other key or value, another type, a line that deletes, or a number out of\n"
       "range is refused with its line number, exit code 2, nothing written. --dry-run\n"
       "only checks. One line per key set, as set writes them; the same exit codes.\n",
       importSettings,
       true},
      {"health",
       {},
       "",
       "designed and full-charge capacity, wear and cycles of each battery",
       "Usage: kestrane-cli health [--json]\n"
       "For each battery Windows reports: its name, chemistry, designed and full-charge\n"
       "capacity, wear in percent and, where the battery counts them, its charge cycles.\n"
       "The battery devices are the machine's: --user changes nothing here, but an\n"
       "account Windows does not know is refused as by every command.\n",
       [](const Invocation& call, const Console&) { return health(call); },
       false},
  };
}

// What --help says of --user for every command that reaches the user's keys.
std::vector<CommandRow> withUserOption(std::vector<CommandRow> table) {
  for (CommandRow& row : table) {
    if (!row.readsUsersKeys) continue;
    row.help +=
        "--user NAME|SID reaches that user's keys in their hive under HKEY_USERS instead\n"
        "of HKCU (DOMAIN\\name, name or SID); the user must be signed in on this machine.\n";
  }
  return table;
}

}  // namespace

const std::vector<CommandRow>& commandTable() {
  static const std::vector<CommandRow> table = withUserOption(rows());
  return table;
}

const CommandRow* findCommand(const std::string& name) {
  for (const CommandRow& row : commandTable()) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

}  // namespace kst::cli

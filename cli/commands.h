#pragma once
// The commands of the command line, and what they share.
#include "cli/arguments.h"
#include "cli/cli.h"
#include "cli/json.h"
#include "settings/model/threshold_store.h"

namespace kst::cli {

Outcome status(const Invocation& call);
Outcome get(const Invocation& call);
// Each key set's line goes to the console as soon as it is done.
Outcome set(const Invocation& call, const Console& console);
Outcome batteries(const Invocation& call);
Outcome remove(const Invocation& call, const Console& console);
Outcome exportSettings(const Invocation& call);
// What export writes and import takes: a regedit file with this first
// line, and of each key set its thresholds and "Automatic". The install
// identifier "FirstInstID" belongs to each machine's own power manager.
inline const Text kRegeditHeader = u"Windows Registry Editor Version 5.00";
const std::vector<Text>& exportedValues();
Outcome health(const Invocation& call);
// Each key set's line goes to the console as soon as it is done.
Outcome importSettings(const Invocation& call, const Console& console);

// Whose keys the command reaches, for this run: HKCU, or with --user the
// hive of the user it names under HKEY_USERS. Nothing, or the failure for
// an account Windows does not know or a user whose hive is not loaded;
// health, which reads no user's keys, checks only the account.
std::optional<Outcome> actForUser(const Invocation& call, bool readsUsersKeys);
// One line for standard error where HKCU is not the hive of the user at
// the desktop: the command line runs as LocalSystem, or as another account
// than the signed-in user's (a standard user's elevated prompt runs under
// the administrator whose password was typed).
std::optional<std::string> noteOnWhoseKeys(const Invocation& call);
// "--user NAME" for the user whose keys an elevated prompt should reach:
// --user's account, or the desktop's user; empty where neither is known.
std::string userOptionFor(const Invocation& call);
// A key set named where this run reaches it: a user key set under
// HKU\SID where --user reaches another user's hive.
Text reachedName(const store::KeySet& keySet);
Json thresholdsJson(const store::Thresholds& thresholds);
// Where a gathered barcode was found, in words.
Text originText(store::BarcodeOrigin origin, int slot);

// An outcome that says one thing on standard error.
Outcome failure(int exitCode, const std::string& message);
Outcome powerManagerMissing();
// Nothing, or the failure for a barcode that would name other keys than
// one battery's own.
std::optional<Outcome> refuseOtherKeys(const std::optional<Text>& barcode);
// What follows "The barcode" where a barcode that names one battery's own
// keys is not of the usual form and --force was not given; nothing else.
std::optional<std::string> doubtedBarcode(const Text& barcode, bool force);
// The last line of a command that Windows refused some key sets for lack
// of rights (exit code 3): which ones, and what to do about it. work is
// "write" or "delete".
std::string refusedLine(const Invocation& call, const std::vector<Text>& keySets, const char* work);
// How set and import tell of each key set they wrote: its line, written
// the moment it is done, and its JSON entry.
std::string writeLine(const store::KeySetWrite& write);
Json writesJson(const std::vector<store::KeySetWrite>& writes);
// The text or the document, with the exit code of the writes and, where
// Windows refused key sets for lack of rights, the line that names them.
Outcome writesOutcome(const Invocation& call, const std::string& text, const Json& document,
                      const std::vector<store::KeySetWrite>& writes);
// Text lines, or the JSON document when --json was given.
Outcome written(const Invocation& call, const std::string& text, const Json& document, int exitCode = kDone);

}  // namespace kst::cli

#pragma once
// What an instance hands to the elevated copy of itself that it starts when
// Windows refused it a key: the save or the removal the user asked for, so
// that the copy finishes it and nothing is typed twice. It goes first on the
// copy's command line, before the arguments the program was started with,
// and the copy takes it off before anything reads them.
#include <optional>

#include "settings/model/threshold_store.h"
#include "system/services.h"
#include "system/text.h"

namespace kst {

struct HandOver {
  enum class Work { Save, Remove };
  Work work = Work::Save;
  // The user the work is for, by the security identifier of the account:
  // the copy may run under another (a standard user's elevation prompt
  // asks for an administrator's password) and then works in this user's
  // hive. The instance that hands over fills it in.
  Text userSid;
  // The selection: empty for all batteries (a removal always names one).
  Text barcode;
  // What the save writes.
  store::Thresholds thresholds;
  bool operator==(const HandOver&) const = default;
};

// One word without blanks or quotes, whatever the barcode holds.
Text handOverArgument(const HandOver& handOver);

struct StartArguments {
  // Nothing when the copy was handed nothing, or nothing it may take: a
  // malformed hand-over, a number out of range, a SID that is not one or
  // a barcode that would name other keys is dropped, and the program
  // starts as usual.
  std::optional<HandOver> handOver;
  // The arguments the program was started with, passed on unchanged.
  Text passedOn;
};
// What followed the program name on a Windows command line, split off by
// the rules Windows uses for the program name itself.
Text argumentsAfterProgramName(const Text& commandLine);
// Splits the arguments after the program name.
StartArguments takeHandOver(const Text& arguments);

// Whether the text has the form of a security identifier: "S-1-", the
// identifier authority and up to fifteen sub-authorities, in decimal.
bool isSidText(const Text& text);

// Why no restart with the verb "runas" can give this instance
// administrator rights, or nothing where one can: an administrator's
// limited token, which exists only while UAC is on, or a standard user
// whom UAC lets ask for an administrator's password. A copy that was handed work and still
// has no rights asks no more: each restart would start one copy more.
std::optional<Text> whyNoRestartCanGiveRights(sys::TokenKind token, const sys::ElevationPolicy& policy,
                                              bool startedByHandOver);

// Makes HKCU the handing user's for the rest of the run: that user's hive
// under HKEY_USERS where this process runs under another account, its own
// hive otherwise. False, changing nothing, where the user's hive is not
// loaded: the user is not signed in on this machine.
bool actForHandingUser(const HandOver& handOver);

}  // namespace kst

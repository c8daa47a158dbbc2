// Whose keys the commands reach. HKCU is the hive of the account the
// command line runs under, and that need not be the user at the desktop: a
// standard user's elevated prompt runs under the administrator whose
// password was typed, a deployment tool's command under LocalSystem.
// --user reaches a signed-in user's hive under HKEY_USERS instead.
#include "cli/commands.h"
#include "settings/model/hand_over.h"
#include "settings/model/registry_access.h"
#include "system/services.h"

namespace kst::cli {
namespace {

const char kLocalSystemNote[] =
    "kestrane-cli runs as the LocalSystem account: HKCU is that account's own hive, not a user's. The machine "
    "keys under HKLM are what reach every user.\n";

// The account --user names, by SID; empty where Windows knows no user of that name.
Text sidOfUser(const Text& user) { return isSidText(user) ? user : sys::account().sidOfAccount(user); }

// An account as people read it: its name, or its SID where Windows knows no name for it.
std::string shown(const Text& sid) {
  const Text name = sys::account().accountName(sid);
  return toUtf8(name.empty() ? sid : name);
}

// "--user NAME" as a prompt takes it: the account's name where the name
// leads back to the account, its SID otherwise, quoted where it holds a blank.
std::string userOption(const Text& sid) {
  Text name = sys::account().accountName(sid);
  if (name.empty() || sys::account().sidOfAccount(name) != sid) name = sid;
  const std::string word = toUtf8(name);
  return "--user " + (word.find(' ') == std::string::npos ? word : "\"" + word + "\"");
}

}  // namespace

std::optional<Outcome> actForUser(const Invocation& call, bool readsUsersKeys) {
  reachCurrentUserIn(Text());
  if (!call.user) return std::nullopt;
  const Text sid = sidOfUser(*call.user);
  if (sid.empty()) {
    return failure(kBadInput, "Windows knows no user account named " + toUtf8(*call.user) +
                                  ". Give --user the account as DOMAIN\\name, as name or as its SID. Nothing was "
                                  "read or written.");
  }
  if (!readsUsersKeys || sid == sys::account().userSid()) return std::nullopt;
  if (!regKeyExists(u"HKU", sid)) {
    return failure(kBadInput, "The hive of " + shown(sid) +
                                  " is not loaded under HKEY_USERS: that user is not signed in on this machine. "
                                  "Nothing was read or written.");
  }
  reachCurrentUserIn(sid);
  return std::nullopt;
}

std::optional<std::string> noteOnWhoseKeys(const Invocation& call) {
  auto& account = sys::account();
  if (!currentUserHive().empty()) return std::nullopt;
  if (account.runsAsLocalSystem()) return std::string(kLocalSystemNote);
  if (call.user) return std::nullopt;
  const Text desktop = account.desktopUserSid(), own = account.userSid();
  if (desktop.empty() || desktop == own) return std::nullopt;
  const std::string runner = shown(own), user = shown(desktop);
  return "kestrane-cli runs as " + runner + ", but " + user + " is signed in on this desktop: HKCU is " + runner +
         "'s hive, not " + user + "'s. Add " + userOption(desktop) + " to read and write " + user + "'s keys.\n";
}

std::string userOptionFor(const Invocation& call) {
  auto& account = sys::account();
  Text sid = call.user ? sidOfUser(*call.user) : account.desktopUserSid();
  if (sid.empty()) sid = account.userSid();
  return sid.empty() ? std::string() : userOption(sid);
}

Text reachedName(const store::KeySet& keySet) {
  const Text& hive = currentUserHive();
  if (keySet.root != store::kUser || hive.empty()) return store::keySetName(keySet);
  return u"HKU\\" + hive + u"\\" + keySet.path;
}

}  // namespace kst::cli

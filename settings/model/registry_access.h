#pragma once
// Registry access by root abbreviation and key path. Every call opens what it
// needs, does one thing and closes it again; nothing is cached, but for the
// keys a KeysOpenedOnce keeps open while it lives and the key a KeyWatch
// watches.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "system/registry.h"
#include "system/text.h"

namespace kst {

// "/" becomes "\", and one separator is dropped at each end.
Text normalizeKeyPath(Text keyPath);
// "HKLM", "HKCU", "HKCR", "HKU", "HKCC" in any case; anything else is HKCU.
sys::RootKey rootKeyFor(const Text& rootAbbreviation);

// The hive that every HKCU path reaches from now on: the process's own
// (an empty SID), or another user's under HKEY_USERS, named by the user's
// security identifier. An elevated copy that runs under an administrator's
// account acts so for the user who started it.
void reachCurrentUserIn(Text userSid);
// The SID given last, or empty for the process's own hive.
const Text& currentUserHive();

Text readRegString(Text root, Text keyPath, Text valueName);
int32_t readRegInteger(Text root, Text keyPath, Text valueName, bool& found);
// A verified write, saying why it did not take: Windows refused the key
// (above all to a user without administrator rights), or the value read
// back differs. A key that cannot be made for another reason, a path that
// names no single key, and a value that cannot be set raise the layer's
// error.
enum class WriteResult { Written, Refused, Mismatch };
WriteResult writeRegInteger(Text root, Text keyPath, Text valueName, int32_t value);
bool regKeyExists(Text root, Text keyPath);
// When the key, or one of its values, was last written, as a FILETIME;
// nothing where the key cannot be opened or Windows does not tell.
std::optional<uint64_t> regKeyLastWritten(Text root, Text keyPath);
// A delete, saying why it did not take: the key was not there, or Windows
// refused it (above all to a user without administrator rights). Any other
// failure raises the layer's error, in Windows' words.
enum class DeleteResult { Deleted, Missing, Refused };
DeleteResult deleteRegKey(Text root, Text keyPath);
std::vector<Text> listRegSubKeys(Text root, Text keyPath);

// While one lives, a key that a read opens stays open, and every read after
// it reaches the key through that handle: a run of reads that comes back to
// the same keys opens each once. A write or a delete lets go of every key
// kept, so that nothing is read through a handle to a key it has changed;
// when the scope ends, all are closed. A scope inside another changes
// nothing.
class KeysOpenedOnce {
 public:
  KeysOpenedOnce();
  ~KeysOpenedOnce();
  KeysOpenedOnce(const KeysOpenedOnce&) = delete;
  KeysOpenedOnce& operator=(const KeysOpenedOnce&) = delete;

 private:
  bool keeps_;
};

// Whether one key is there, asked again and again (once a second by the
// status): the key is kept open once found, and each question after asks
// Windows only about that handle, one call instead of an open and a close.
// A key deleted meanwhile answers so through its handle and is looked for
// anew, as is the key of another place (another user's hive). While a
// KeysOpenedOnce lives, a key not yet kept is asked for through its keys.
class KeyWatch {
 public:
  KeyWatch(Text root, Text keyPath);
  bool exists();
  bool held() const { return kept_ != nullptr; }

 private:
  Text root_, keyPath_;
  sys::RootKey keptRoot_ = sys::RootKey::CurrentUser;
  Text keptPath_;
  std::unique_ptr<sys::OpenKey> kept_;
};

}  // namespace kst

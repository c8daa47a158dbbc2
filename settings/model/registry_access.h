#pragma once
// Registry access by root abbreviation and key path. Every call opens what it
// needs, does one thing and closes it again; nothing is cached.
#include <cstdint>
#include <vector>

#include "system/registry.h"
#include "system/text.h"

namespace kst {

char16_t upperCaseChar(char16_t c);
Text upperCaseText(Text text);

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
bool writeRegInteger(Text root, Text keyPath, Text valueName, int32_t value);
// A verified write, saying why it did not take: the key could not be
// opened for writing, or the value read back differs.
enum class WriteResult { Written, Refused, Mismatch };
WriteResult writeRegIntegerChecked(Text root, Text keyPath, Text valueName, int32_t value);
bool regKeyExists(Text root, Text keyPath);
bool deleteRegKey(Text root, Text keyPath);
// A delete, saying why it did not take: the key was not there, or Windows
// refused it (above all to a user without administrator rights).
enum class DeleteResult { Deleted, Missing, Refused };
DeleteResult deleteRegKeyChecked(Text root, Text keyPath);
std::vector<Text> listRegSubKeys(Text root, Text keyPath);

}  // namespace kst

#include "settings/model/registry_access.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "system/error.h"
#include "system/services.h"

namespace kst {
namespace {

using sys::KeyHandle;
using sys::OpenKey;
using sys::RegValue;
using sys::RootKey;
namespace access = sys::access;
namespace valuetype = sys::valuetype;

// Every key is reached as a 32-bit program reaches it: the power manager
// is one, and on 64-bit Windows its machine keys lie in the 32-bit view of
// HKLM\SOFTWARE (under Wow6432Node), on 32-bit Windows in the only view
// there is. HKCU\SOFTWARE is the same in both views.
constexpr uint32_t kView = access::kView32;

// Every call on the handle a value is written through: setting the value,
// and flushing the key, which Windows allows only on a handle that may
// query values.
constexpr uint32_t kWriteAndFlush = access::kWrite | access::kQueryValue | kView;

// A location after the common preparation: the chosen root and the
// normalised path, or no location at all when the path names no single key.
struct Location {
  RootKey root;
  Text path;
};

Text userHive;

bool namesOneKey(const Text& path) {
  if (path.empty() || path.front() == u'\\' || path.back() == u'\\') return false;
  return path.find(u"\\\\") == Text::npos;
}

std::optional<Location> locate(const Text& root, const Text& keyPath) {
  Text path = normalizeKeyPath(keyPath);
  if (!namesOneKey(path)) return std::nullopt;
  const RootKey key = rootKeyFor(root);
  if (key == RootKey::CurrentUser && !userHive.empty()) return Location{RootKey::Users, userHive + u"\\" + path};
  return Location{key, path};
}

// The most that any read asks for. A key kept open for the reads is opened
// with it, so that it serves every read after.
constexpr uint32_t kEveryRead = access::kRead | kView;

struct KeptKey {
  RootKey root;
  Text path;
  std::unique_ptr<OpenKey> key;
};

// The keys kept open while a KeysOpenedOnce lives; nothing otherwise.
std::optional<std::vector<KeptKey>> keptKeys;

void letGoOfKeptKeys() {
  if (keptKeys) keptKeys->clear();
}

// The key one read reaches: opened for the read and closed when it is
// done, or kept open for the reads after it.
class ReadKey {
 public:
  ReadKey() : own_(sys::registry()) {}
  KeyHandle get() const { return kept_ != 0 ? kept_ : own_.get(); }
  sys::Status open(const Location& where, uint32_t rights);

 private:
  OpenKey own_;
  KeyHandle kept_ = 0;
};

sys::Status ReadKey::open(const Location& where, uint32_t rights) {
  auto& registry = sys::registry();
  if (keptKeys && (rights & kEveryRead) == rights) {
    auto kept = std::find_if(keptKeys->begin(), keptKeys->end(),
                             [&](const KeptKey& key) { return key.root == where.root && key.path == where.path; });
    if (kept != keptKeys->end()) {
      kept_ = kept->key->get();
      return sys::kSuccess;
    }
    auto opened = std::make_unique<OpenKey>(registry);
    const sys::Status status = registry.openKey(where.root, where.path, kEveryRead, *opened->out());
    if (status == sys::kSuccess) {
      kept_ = opened->get();
      keptKeys->push_back({where.root, where.path, std::move(opened)});
      return status;
    }
    // A key that is not there is not there for any rights; one that
    // refuses what every read asks may still grant the less this one asks.
    if (status == sys::kFileNotFound || rights == kEveryRead) return status;
  }
  return registry.openKey(where.root, where.path, rights, *own_.out());
}

// Opens for reading, stepping down to fewer rights where the key refuses
// more. A key that is not there is not asked again.
bool openForReading(const Location& where, ReadKey& key) {
  for (uint32_t rights : {access::kRead, access::kStandardRightsRead | access::kQueryValue | access::kEnumerateSubKeys,
                          access::kQueryValue}) {
    sys::Status status = key.open(where, rights | kView);
    if (status == sys::kSuccess) return true;
    if (status != sys::kAccessDenied) return false;
  }
  return false;
}

std::optional<RegValue> queryValue(KeyHandle key, const Text& valueName) {
  RegValue value;
  if (sys::registry().queryValue(key, valueName, value) != sys::kSuccess) return std::nullopt;
  return value;
}

Text valueIn(const Location& where, const Text& valueName) {
  return u"\"" + valueName + u"\" in \"" + where.path + u"\"";
}

Text decodeString(const RegValue& value, const Location& where, const Text& valueName) {
  if (value.type != valuetype::kSz && value.type != valuetype::kExpandSz) {
    throw Error(u"Invalid data type for " + valueIn(where, valueName) + u": text expected.");
  }
  return fromUtf16leUpToNul(value.data.data(), value.data.size());
}

int32_t decodeInteger(const RegValue& value, const Location& where, const Text& valueName) {
  if (value.type != valuetype::kDword || value.data.size() != 4) {
    throw Error(u"Invalid data type for " + valueIn(where, valueName) + u": number expected.");
  }
  const uint32_t number = dwordOf(value);
  if (number > 0x7FFFFFFFu) {
    throw Error(u"The number " + decimal(number) + u" of " + valueIn(where, valueName) + u" is too large.");
  }
  return static_cast<int32_t>(number);
}

void deleteTree(const Location& where) {
  auto& registry = sys::registry();
  std::vector<Text> children;
  {
    OpenKey key(registry);
    if (registry.openKey(where.root, where.path, access::kRead | kView, *key.out()) != sys::kSuccess) return;
    Text name;
    for (uint32_t i = 0; registry.enumSubKey(key.get(), i, name) == sys::kSuccess; ++i) {
      children.push_back(name);
    }
  }
  for (auto child = children.rbegin(); child != children.rend(); ++child) {
    deleteTree({where.root, where.path + u"\\" + *child});
    (void)registry.deleteKey(where.root, where.path + u"\\" + *child, kView);
  }
}

}  // namespace

Text normalizeKeyPath(Text keyPath) {
  for (char16_t& c : keyPath) {
    if (c == u'/') c = u'\\';
  }
  if (!keyPath.empty() && keyPath.front() == u'\\') keyPath.erase(0, 1);
  if (!keyPath.empty() && keyPath.back() == u'\\') keyPath.pop_back();
  return keyPath;
}

RootKey rootKeyFor(const Text& rootAbbreviation) {
  const Text root = upperCaseText(rootAbbreviation);
  if (root == u"HKLM") return RootKey::LocalMachine;
  if (root == u"HKCU") return RootKey::CurrentUser;
  if (root == u"HKCR") return RootKey::ClassesRoot;
  if (root == u"HKU") return RootKey::Users;
  if (root == u"HKCC") return RootKey::CurrentConfig;
  return RootKey::CurrentUser;
}

void reachCurrentUserIn(Text userSid) { userHive = std::move(userSid); }

const Text& currentUserHive() { return userHive; }

Text readRegString(Text root, Text keyPath, Text valueName) {
  auto where = locate(root, keyPath);
  if (!where) return {};
  ReadKey key;
  if (!openForReading(*where, key)) return {};
  auto value = queryValue(key.get(), valueName);
  return value ? decodeString(*value, *where, valueName) : Text{};
}

int32_t readRegInteger(Text root, Text keyPath, Text valueName, bool& found) {
  found = false;
  auto where = locate(root, keyPath);
  if (!where) return 0;
  ReadKey key;
  if (!openForReading(*where, key)) return 0;
  auto value = queryValue(key.get(), valueName);
  if (!value) return 0;
  int32_t number = decodeInteger(*value, *where, valueName);
  found = true;
  return number;
}

WriteResult writeRegInteger(Text root, Text keyPath, Text valueName, int32_t value) {
  auto where = locate(root, keyPath);
  if (!where) throw Error(u"\"" + keyPath + u"\" names no single key to write \"" + valueName + u"\" into.");
  letGoOfKeptKeys();
  auto& registry = sys::registry();
  OpenKey key(registry);
  const sys::Status created = registry.createKey(where->root, where->path, kWriteAndFlush, *key.out());
  if (created == sys::kAccessDenied) return WriteResult::Refused;
  if (created != sys::kSuccess) {
    throw Error(u"Failed to open \"" + where->path + u"\" for writing: " + registry.describe(created));
  }
  if (value < 0) {
    throw Error(u"The negative number " + decimal(value) + u" cannot be stored as " + valueIn(*where, valueName) +
                u".");
  }
  const sys::Status set = registry.setValue(key.get(), valueName, sys::dwordValue(static_cast<uint32_t>(value)));
  if (set != sys::kSuccess) {
    throw Error(u"Failed to write " + valueIn(*where, valueName) + u": " + registry.describe(set));
  }
  bool found = false;
  int32_t readBack = readRegInteger(root, keyPath, valueName, found);
  // Closing a key written here flushes it at once; a failed flush changes
  // nothing about the value that was read back.
  (void)registry.flushKey(key.get());
  return found && readBack == value ? WriteResult::Written : WriteResult::Mismatch;
}

namespace {

// What a key must grant to count as there.
constexpr uint32_t kPresence = access::kStandardRightsRead | access::kQueryValue | access::kEnumerateSubKeys | kView;

bool keyExistsAt(const Location& where) {
  ReadKey key;
  return key.open(where, kPresence) == sys::kSuccess;
}

}  // namespace

bool regKeyExists(Text root, Text keyPath) {
  auto where = locate(root, keyPath);
  return where && keyExistsAt(*where);
}

std::optional<uint64_t> regKeyLastWritten(Text root, Text keyPath) {
  auto where = locate(root, keyPath);
  if (!where) return std::nullopt;
  ReadKey key;
  uint64_t written = 0;
  if (!openForReading(*where, key) || sys::registry().queryLastWriteTime(key.get(), written) != sys::kSuccess) {
    return std::nullopt;
  }
  return written;
}

DeleteResult deleteRegKey(Text root, Text keyPath) {
  auto where = locate(root, keyPath);
  if (!where) return DeleteResult::Missing;
  letGoOfKeptKeys();
  deleteTree(*where);
  auto& registry = sys::registry();
  const sys::Status deleted = registry.deleteKey(where->root, where->path, kView);
  switch (deleted) {
    case sys::kSuccess: return DeleteResult::Deleted;
    case sys::kFileNotFound: return DeleteResult::Missing;
    case sys::kAccessDenied: return DeleteResult::Refused;
    default: throw Error(u"Failed to delete \"" + where->path + u"\": " + registry.describe(deleted));
  }
}

std::vector<Text> listRegSubKeys(Text root, Text keyPath) {
  std::vector<Text> names;
  auto where = locate(root, keyPath);
  if (!where) return names;
  ReadKey key;
  if (key.open(*where, access::kRead | kView) != sys::kSuccess) return names;
  Text name;
  for (uint32_t i = 0; sys::registry().enumSubKey(key.get(), i, name) == sys::kSuccess; ++i) {
    names.push_back(name);
  }
  return names;
}

KeysOpenedOnce::KeysOpenedOnce() : keeps_(!keptKeys) {
  if (keeps_) keptKeys.emplace();
}

KeysOpenedOnce::~KeysOpenedOnce() {
  if (keeps_) keptKeys.reset();
}

KeyWatch::KeyWatch(Text root, Text keyPath) : root_(std::move(root)), keyPath_(std::move(keyPath)) {}

bool KeyWatch::exists() {
  auto where = locate(root_, keyPath_);
  if (!where) return false;
  auto& registry = sys::registry();
  if (kept_ && keptRoot_ == where->root && keptPath_ == where->path) {
    uint64_t written = 0;
    if (registry.queryLastWriteTime(kept_->get(), written) == sys::kSuccess) return true;
  }
  kept_.reset();
  if (keptKeys) return keyExistsAt(*where);
  auto key = std::make_unique<OpenKey>(registry);
  if (registry.openKey(where->root, where->path, kPresence, *key->out()) != sys::kSuccess) return false;
  kept_ = std::move(key);
  keptRoot_ = where->root;
  keptPath_ = where->path;
  return true;
}

}  // namespace kst

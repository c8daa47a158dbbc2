#pragma once
// An in-memory registry for tests: case-blind key and value names, subkeys
// enumerated in sorted order as Windows does, and fault injection. Every
// call checks the rights that Windows documents for it, on the key and on
// the handle: querying and flushing need KEY_QUERY_VALUE, setting
// KEY_SET_VALUE, enumerating KEY_ENUMERATE_SUB_KEYS, a new subkey
// KEY_CREATE_SUB_KEY on its parent, deleting DELETE. A test can restrict
// single keys or play a user without administrator rights. It plays 64-bit
// Windows, where a key of HKLM\SOFTWARE opened in the 32-bit view lies
// under Wow6432Node, or 32-bit Windows, which has that one view only. HKCU
// is the hive of the account the process runs under, which lies under
// HKEY_USERS beside the hives of other accounts signed in.
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "system/registry.h"

namespace kst::sys::sim {

namespace access {
inline constexpr uint32_t kDelete = 0x00010000;
inline constexpr uint32_t kFull = sys::access::kAll | kDelete;
}  // namespace access

enum class RegOp { Open, Create, Query, Set, Enum, Delete, Flush, QueryInfo, Close };

struct RegCall {
  RegOp op;
  RootKey root;
  Text path;  // the key's full path below its root
  Text name;  // value or subkey name where the call has one
  uint32_t access = 0;
};

class SimRegistry : public RegistryService {
 public:
  SimRegistry();
  ~SimRegistry() override;

  Status openKey(RootKey root, const Text& path, uint32_t access, KeyHandle& key) override;
  Status createKey(RootKey root, const Text& path, uint32_t access, KeyHandle& key) override;
  Status queryValue(KeyHandle key, const Text& name, RegValue& value) override;
  Status setValue(KeyHandle key, const Text& name, const RegValue& value) override;
  Status enumSubKey(KeyHandle key, uint32_t index, Text& name) override;
  Status deleteKey(RootKey root, const Text& path, uint32_t access) override;
  Status flushKey(KeyHandle key) override;
  Status queryLastWriteTime(KeyHandle key, uint64_t& fileTime) override;
  void closeKey(KeyHandle key) override;
  bool separate32BitView() override { return windows64; }
  // A fixed text per status, its code in brackets: "Access denied (5)."
  Text describe(Status status) override;

  // Direct access for tests, in the view of 32-bit programs, where the
  // power manager keeps its keys; no rights, faults or call log.
  void put(RootKey root, const Text& path, const Text& name, const RegValue& value);
  void putKey(RootKey root, const Text& path);
  std::optional<RegValue> get(RootKey root, const Text& path, const Text& name) const;
  std::optional<uint32_t> getDword(RootKey root, const Text& path, const Text& name) const;
  bool exists(RootKey root, const Text& path) const;
  // Whether the key exists at the path as written, in no view but its own.
  bool existsAsWritten(RootKey root, const Text& path) const;
  std::vector<Text> subKeys(RootKey root, const Text& path) const;
  std::vector<Text> valueNames(RootKey root, const Text& path) const;
  // Grants only these rights on the key and every key below it.
  void restrict(RootKey root, const Text& path, uint32_t rights);
  void makeReadOnly(RootKey root, const Text& path) { restrict(root, path, sys::access::kRead); }
  size_t openHandles() const { return handles_.size(); }
  // The paths of the keys open now, as they were opened.
  std::vector<Text> openKeys() const {
    std::vector<Text> paths;
    for (const auto& [key, open] : handles_) paths.push_back(open.path);
    return paths;
  }

  // A user without administrator rights, as every program on Windows runs
  // until it is elevated: the machine hive grants reading and nothing more.
  bool administrator = true;
  // 64-bit Windows; false plays 32-bit Windows.
  bool windows64 = true;
  // The account whose hive HKCU is: its key under HKEY_USERS.
  Text currentUser = kFirstUser;
  static inline const Text kFirstUser = u"S-1-5-21-1004336348-1177238915-682003330-1001";
  static inline const Text kSecondUser = u"S-1-5-21-1004336348-1177238915-682003330-1002";
  // The keys that were flushed to disk, in order, each by its path below its root.
  std::vector<Text> flushed;
  // The time every write from now on stamps its key with, as a FILETIME:
  // the key's making, a value set, a test's put. A subkey's making or
  // deletion leaves its parent's time, as on Windows.
  uint64_t writeTime = kSomeWriteTime;
  // 2026-12-01, 12:00 UTC.
  static constexpr uint64_t kSomeWriteTime = 134406000000000000;

  // Called before every primitive; a status other than nothing makes it fail.
  std::function<std::optional<Status>(const RegCall&)> failWhen;
  // May change a value as it is read, to play a read-back that differs.
  std::function<void(const RegCall&, RegValue&)> alterRead;
  std::vector<RegCall> calls;
  // Empties the call log and gives its memory back, for runs so long that
  // the log would be all that grows.
  void forgetCalls() { std::vector<RegCall>().swap(calls); }

 private:
  struct Node;
  struct Handle {
    RootKey root;
    Text path;
    std::shared_ptr<Node> node;
    uint32_t access;
  };

  // HKCU as the key of its account under HKEY_USERS; other roots as they are.
  std::pair<RootKey, Text> inHive(RootKey root, const Text& path) const;
  // The path a key opened with these access rights has in the registry.
  Text inView(RootKey root, const Text& path, uint32_t access) const;
  // What the key grants the user of this registry.
  uint32_t rightsOf(RootKey root, const Node& node) const;
  std::shared_ptr<Node> find(RootKey root, const Text& path) const;
  std::shared_ptr<Node> make(RootKey root, const Text& path);
  std::optional<Status> record(const RegCall& call);
  Handle* handle(KeyHandle key);
  KeyHandle issue(RootKey root, const Text& path, std::shared_ptr<Node> node, uint32_t access);

  std::map<RootKey, std::shared_ptr<Node>> roots_;
  std::map<KeyHandle, Handle> handles_;
  KeyHandle next_ = 0x100;
};

}  // namespace kst::sys::sim

#include "system/sim/sim_registry.h"

#include <algorithm>

namespace kst::sys::sim {
namespace {

// Windows compares key and value names without case, Latin-1 letters included.
char16_t foldCase(char16_t c) {
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0xE0 + 0xC0);
  return upperCaseLatinLetter(c);
}

struct CaseBlindLess {
  bool operator()(const Text& a, const Text& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char16_t x, char16_t y) { return foldCase(x) < foldCase(y); });
  }
};

std::vector<Text> splitPath(const Text& path) {
  std::vector<Text> parts;
  Text part;
  for (char16_t c : path) {
    if (c == u'\\') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!path.empty()) parts.push_back(part);
  return parts;
}

bool sameName(const Text& a, const Text& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return foldCase(x) == foldCase(y); });
}

// The rights in an access mask, without the view it names.
uint32_t rightsAsked(uint32_t access) { return access & ~sys::access::kView32; }

bool validPath(const std::vector<Text>& parts) {
  return std::none_of(parts.begin(), parts.end(), [](const Text& p) { return p.empty(); });
}

// ERROR_KEY_DELETED: a call on a handle whose key was deleted meanwhile.
constexpr Status kKeyDeleted = 1018;
// What battery devices answer with: ERROR_INVALID_DATA, ERROR_GEN_FAILURE
// and ERROR_DEVICE_NOT_CONNECTED.
constexpr Status kInvalidData = 13;
constexpr Status kDeviceNotFunctioning = 31;
constexpr Status kDeviceNotConnected = 1167;

// The statuses the simulated services answer with, and those the tests
// make them fail with, by the words of Windows' own messages.
const char16_t* statusWords(Status status) {
  switch (status) {
    case kSuccess: return u"Success";
    case kInvalidFunction: return u"Incorrect function";
    case kFileNotFound: return u"File not found";
    case kAccessDenied: return u"Access denied";
    case kInvalidData: return u"Invalid data";
    case kWriteFault: return u"Write fault";
    case kDeviceNotFunctioning: return u"Device not functioning";
    case kInvalidParameter: return u"Invalid parameter";
    case kMoreData: return u"More data is available";
    case kNoMoreItems: return u"No more data is available";
    case kKeyDeleted: return u"Key marked for deletion";
    case kDeviceNotConnected: return u"Device not connected";
    default: return nullptr;
  }
}

}  // namespace

struct SimRegistry::Node {
  Text name;
  uint32_t rights = access::kFull;
  bool deleted = false;
  uint64_t written = 0;
  std::map<Text, std::shared_ptr<Node>, CaseBlindLess> children;
  std::map<Text, RegValue, CaseBlindLess> values;
};

SimRegistry::SimRegistry() {
  for (RootKey root : {RootKey::LocalMachine, RootKey::ClassesRoot, RootKey::Users, RootKey::CurrentConfig}) {
    roots_[root] = std::make_shared<Node>();
  }
  for (const Text& account : {kFirstUser, kSecondUser}) make(RootKey::Users, account);
}

SimRegistry::~SimRegistry() = default;

std::pair<RootKey, Text> SimRegistry::inHive(RootKey root, const Text& path) const {
  if (root != RootKey::CurrentUser) return {root, path};
  return {RootKey::Users, path.empty() ? currentUser : currentUser + u"\\" + path};
}

Text SimRegistry::inView(RootKey root, const Text& path, uint32_t access) const {
  if (!windows64 || root != RootKey::LocalMachine || (access & sys::access::kView32) == 0) return path;
  const Text software = u"SOFTWARE", node = u"Wow6432Node";
  auto parts = splitPath(path);
  if (parts.empty() || !sameName(parts[0], software)) return path;
  // A path that names Wow6432Node itself means the same key in either view.
  if (parts.size() > 1 && sameName(parts[1], node)) return path;
  return parts[0] + u"\\" + node + path.substr(parts[0].size());
}

uint32_t SimRegistry::rightsOf(RootKey root, const Node& node) const {
  if (root == RootKey::LocalMachine && !administrator) return node.rights & sys::access::kRead;
  return node.rights;
}

std::shared_ptr<SimRegistry::Node> SimRegistry::find(RootKey logicalRoot, const Text& logicalPath) const {
  auto [root, path] = inHive(logicalRoot, logicalPath);
  auto parts = splitPath(path);
  if (!validPath(parts)) return nullptr;
  std::shared_ptr<Node> node = roots_.at(root);
  for (const Text& part : parts) {
    auto it = node->children.find(part);
    if (it == node->children.end()) return nullptr;
    node = it->second;
  }
  return node;
}

std::shared_ptr<SimRegistry::Node> SimRegistry::make(RootKey logicalRoot, const Text& logicalPath) {
  auto [root, path] = inHive(logicalRoot, logicalPath);
  std::shared_ptr<Node> node = roots_.at(root);
  for (const Text& part : splitPath(path)) {
    auto& child = node->children[part];
    if (!child) {
      child = std::make_shared<Node>();
      child->name = part;
      child->written = writeTime;
    }
    node = child;
  }
  return node;
}

std::optional<Status> SimRegistry::record(const RegCall& call) {
  calls.push_back(call);
  if (failWhen) return failWhen(call);
  return std::nullopt;
}

SimRegistry::Handle* SimRegistry::handle(KeyHandle key) {
  auto it = handles_.find(key);
  return it == handles_.end() ? nullptr : &it->second;
}

KeyHandle SimRegistry::issue(RootKey root, const Text& path, std::shared_ptr<Node> node, uint32_t access) {
  KeyHandle key = next_++;
  handles_[key] = Handle{root, path, std::move(node), access};
  return key;
}

Status SimRegistry::openKey(RootKey root, const Text& path, uint32_t access, KeyHandle& key) {
  key = 0;
  if (auto fault = record({RegOp::Open, root, path, {}, access})) return *fault;
  auto node = find(root, inView(root, path, access));
  if (!node) return kFileNotFound;
  if ((rightsAsked(access) & ~rightsOf(root, *node)) != 0) return kAccessDenied;
  key = issue(root, path, node, access);
  return kSuccess;
}

Status SimRegistry::createKey(RootKey root, const Text& path, uint32_t access, KeyHandle& key) {
  key = 0;
  if (auto fault = record({RegOp::Create, root, path, {}, access})) return *fault;
  const Text where = inView(root, path, access);
  auto parts = splitPath(where);
  if (!validPath(parts)) return kInvalidParameter;
  std::shared_ptr<Node> node = find(root, Text());
  if (!node) return kFileNotFound;
  size_t depth = 0;
  for (; depth < parts.size(); ++depth) {
    auto it = node->children.find(parts[depth]);
    if (it == node->children.end()) break;
    node = it->second;
  }
  if (depth < parts.size() && (rightsOf(root, *node) & sys::access::kCreateSubKey) == 0) return kAccessDenied;
  if (depth == parts.size() && (rightsAsked(access) & ~rightsOf(root, *node)) != 0) return kAccessDenied;
  node = make(root, where);
  key = issue(root, path, node, access);
  return kSuccess;
}

Status SimRegistry::queryValue(KeyHandle key, const Text& name, RegValue& value) {
  Handle* open = handle(key);
  if (open == nullptr) return kInvalidParameter;
  RegCall call{RegOp::Query, open->root, open->path, name, 0};
  if (auto fault = record(call)) return *fault;
  if (open->node->deleted) return kKeyDeleted;
  if ((open->access & sys::access::kQueryValue) == 0) return kAccessDenied;
  auto it = open->node->values.find(name);
  if (it == open->node->values.end()) return kFileNotFound;
  value = it->second;
  if (alterRead) alterRead(call, value);
  return kSuccess;
}

Status SimRegistry::setValue(KeyHandle key, const Text& name, const RegValue& value) {
  Handle* open = handle(key);
  if (open == nullptr) return kInvalidParameter;
  if (auto fault = record({RegOp::Set, open->root, open->path, name, 0})) return *fault;
  if (open->node->deleted) return kKeyDeleted;
  if ((open->access & sys::access::kSetValue) == 0) return kAccessDenied;
  open->node->values[name] = value;
  open->node->written = writeTime;
  return kSuccess;
}

Status SimRegistry::enumSubKey(KeyHandle key, uint32_t index, Text& name) {
  Handle* open = handle(key);
  if (open == nullptr) return kInvalidParameter;
  if (auto fault = record({RegOp::Enum, open->root, open->path, {}, index})) return *fault;
  if ((open->access & sys::access::kEnumerateSubKeys) == 0) return kAccessDenied;
  if (index >= open->node->children.size()) return kNoMoreItems;
  name = std::next(open->node->children.begin(), index)->second->name;
  return kSuccess;
}

Status SimRegistry::deleteKey(RootKey root, const Text& keyPath, uint32_t access) {
  if (auto fault = record({RegOp::Delete, root, keyPath, {}, access})) return *fault;
  const Text path = inView(root, keyPath, access);
  auto parts = splitPath(path);
  if (parts.empty() || !validPath(parts)) return kInvalidParameter;
  auto node = find(root, path);
  if (!node) return kFileNotFound;
  if ((rightsOf(root, *node) & access::kDelete) == 0 || !node->children.empty()) return kAccessDenied;
  Text parentPath = path.substr(0, path.size() - parts.back().size());
  if (!parentPath.empty()) parentPath.pop_back();
  auto parent = find(root, parentPath);
  node->deleted = true;
  parent->children.erase(parts.back());
  return kSuccess;
}

Status SimRegistry::flushKey(KeyHandle key) {
  Handle* open = handle(key);
  if (open == nullptr) return kInvalidParameter;
  if (auto fault = record({RegOp::Flush, open->root, open->path, {}, 0})) return *fault;
  if ((open->access & sys::access::kQueryValue) == 0) return kAccessDenied;
  flushed.push_back(open->path);
  return kSuccess;
}

Status SimRegistry::queryLastWriteTime(KeyHandle key, uint64_t& fileTime) {
  Handle* open = handle(key);
  if (open == nullptr) return kInvalidParameter;
  if (auto fault = record({RegOp::QueryInfo, open->root, open->path, {}, 0})) return *fault;
  if (open->node->deleted) return kKeyDeleted;
  if ((open->access & sys::access::kQueryValue) == 0) return kAccessDenied;
  fileTime = open->node->written;
  return kSuccess;
}

Text SimRegistry::describe(Status status) {
  const char16_t* words = statusWords(status);
  return words != nullptr ? Text(words) + u" (" + decimal(status) + u")." : u"Error " + decimal(status) + u".";
}

void SimRegistry::closeKey(KeyHandle key) {
  Handle* open = handle(key);
  if (open == nullptr) return;
  calls.push_back({RegOp::Close, open->root, open->path, {}, 0});
  handles_.erase(key);
}

void SimRegistry::put(RootKey root, const Text& path, const Text& name, const RegValue& value) {
  auto node = make(root, inView(root, path, sys::access::kView32));
  node->values[name] = value;
  node->written = writeTime;
}

void SimRegistry::putKey(RootKey root, const Text& path) { make(root, inView(root, path, sys::access::kView32)); }

std::optional<RegValue> SimRegistry::get(RootKey root, const Text& path, const Text& name) const {
  auto node = find(root, inView(root, path, sys::access::kView32));
  if (!node) return std::nullopt;
  auto it = node->values.find(name);
  if (it == node->values.end()) return std::nullopt;
  return it->second;
}

std::optional<uint32_t> SimRegistry::getDword(RootKey root, const Text& path, const Text& name) const {
  auto value = get(root, path, name);
  if (!value || value->type != valuetype::kDword || value->data.size() != 4) return std::nullopt;
  return dwordOf(*value);
}

bool SimRegistry::exists(RootKey root, const Text& path) const {
  return find(root, inView(root, path, sys::access::kView32)) != nullptr;
}

bool SimRegistry::existsAsWritten(RootKey root, const Text& path) const { return find(root, path) != nullptr; }

std::vector<Text> SimRegistry::subKeys(RootKey root, const Text& path) const {
  std::vector<Text> names;
  if (auto node = find(root, inView(root, path, sys::access::kView32))) {
    for (const auto& [name, child] : node->children) names.push_back(child->name);
  }
  return names;
}

std::vector<Text> SimRegistry::valueNames(RootKey root, const Text& path) const {
  std::vector<Text> names;
  if (auto node = find(root, inView(root, path, sys::access::kView32))) {
    for (const auto& [name, value] : node->values) names.push_back(name);
  }
  return names;
}

void SimRegistry::restrict(RootKey root, const Text& path, uint32_t rights) {
  std::vector<std::shared_ptr<Node>> pending{make(root, inView(root, path, sys::access::kView32))};
  while (!pending.empty()) {
    auto node = pending.back();
    pending.pop_back();
    node->rights = rights;
    for (auto& [name, child] : node->children) pending.push_back(child);
  }
}

}  // namespace kst::sys::sim

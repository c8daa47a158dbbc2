#pragma once
// Registry primitives, shaped after advapi32 so that both backends report the
// same Win32 status codes and the path layer above them is shared code.
#include <cstdint>
#include <vector>

#include "system/text.h"

namespace kst::sys {

enum class RootKey { CurrentUser, LocalMachine, ClassesRoot, Users, CurrentConfig };

using Status = long;
// Windows allows key names of up to 255 characters: a barcode is one.
inline constexpr size_t kLongestKeyName = 255;
inline constexpr Status kSuccess = 0;
inline constexpr Status kFileNotFound = 2;
inline constexpr Status kInvalidFunction = 1;
inline constexpr Status kAccessDenied = 5;
inline constexpr Status kInvalidParameter = 87;
inline constexpr Status kMoreData = 234;
inline constexpr Status kNoMoreItems = 259;
inline constexpr Status kWriteFault = 29;

namespace access {
inline constexpr uint32_t kQueryValue = 0x0001;
inline constexpr uint32_t kSetValue = 0x0002;
inline constexpr uint32_t kCreateSubKey = 0x0004;
inline constexpr uint32_t kEnumerateSubKeys = 0x0008;
inline constexpr uint32_t kNotify = 0x0010;
// KEY_WOW64_32KEY: the key as a 32-bit program sees it. On 64-bit Windows
// HKLM\SOFTWARE\X is then HKLM\SOFTWARE\Wow6432Node\X; 32-bit Windows has
// one view only and ignores the flag.
inline constexpr uint32_t kView32 = 0x0200;
inline constexpr uint32_t kStandardRightsRead = 0x00020000;
inline constexpr uint32_t kRead = kStandardRightsRead | kQueryValue | kEnumerateSubKeys | kNotify;
inline constexpr uint32_t kWrite = kStandardRightsRead | kSetValue | kCreateSubKey;
inline constexpr uint32_t kAll = kRead | kWrite;
}  // namespace access

namespace valuetype {
inline constexpr uint32_t kNone = 0;
inline constexpr uint32_t kSz = 1;
inline constexpr uint32_t kExpandSz = 2;
inline constexpr uint32_t kBinary = 3;
inline constexpr uint32_t kDword = 4;
inline constexpr uint32_t kDwordBigEndian = 5;
inline constexpr uint32_t kLink = 6;
inline constexpr uint32_t kMultiSz = 7;
inline constexpr uint32_t kQword = 11;
}  // namespace valuetype

struct RegValue {
  uint32_t type = valuetype::kNone;
  std::vector<uint8_t> data;
};

RegValue dwordValue(uint32_t value);
// The number of a DWORD's four bytes, the low one first.
uint32_t dwordOf(const RegValue& value);
RegValue stringValue(TextView text, uint32_t type = valuetype::kSz);

using KeyHandle = uintptr_t;

class RegistryService {
 public:
  virtual ~RegistryService() = default;
  virtual Status openKey(RootKey root, const Text& path, uint32_t access, KeyHandle& key) = 0;
  // Opens the key, creating it and any missing parents first.
  virtual Status createKey(RootKey root, const Text& path, uint32_t access, KeyHandle& key) = 0;
  virtual Status queryValue(KeyHandle key, const Text& name, RegValue& value) = 0;
  virtual Status setValue(KeyHandle key, const Text& name, const RegValue& value) = 0;
  virtual Status enumSubKey(KeyHandle key, uint32_t index, Text& name) = 0;
  // Deletes a key that has no subkeys, in the view that access names
  // (kView32 or none), as RegDeleteKeyExW does.
  virtual Status deleteKey(RootKey root, const Text& path, uint32_t access) = 0;
  virtual Status flushKey(KeyHandle key) = 0;
  // When the key or one of its values was last written, as RegQueryInfoKeyW
  // tells it: a FILETIME, in 100-nanosecond steps since 1601, UTC.
  virtual Status queryLastWriteTime(KeyHandle key, uint64_t& fileTime) = 0;
  virtual void closeKey(KeyHandle key) = 0;
  // Whether 32-bit programs see HKLM\SOFTWARE in a view of their own, under
  // Wow6432Node: so on 64-bit Windows, not on 32-bit Windows.
  virtual bool separate32BitView() = 0;
  // A status in words for the user, as one sentence without a line break:
  // Windows' own message for it. The other services answer in the same
  // codes, so it describes their statuses too.
  virtual Text describe(Status status) = 0;
};

// Owns one open key and closes it on every way out.
class OpenKey {
 public:
  explicit OpenKey(RegistryService& service) : service_(service) {}
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  ~OpenKey() { close(); }

  KeyHandle* out() {
    close();
    return &handle_;
  }
  KeyHandle get() const { return handle_; }
  void close() {
    if (handle_ != 0) service_.closeKey(handle_);
    handle_ = 0;
  }

 private:
  RegistryService& service_;
  KeyHandle handle_ = 0;
};

}  // namespace kst::sys

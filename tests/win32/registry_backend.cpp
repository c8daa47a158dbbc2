#include <windows.h>

#include <sddl.h>

#include <cwchar>
#include <memory>

#include "system/win32/wide.h"
#include "system/win32/win32_services.h"
#include "tests/registry_backend.h"

namespace kst::test {
namespace {

HKEY rootHandle(sys::RootKey root) {
  return root == sys::RootKey::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// Windows and Wine enforce a key's DACL, so "everyone may read" refuses every write.
void setDacl(sys::RootKey root, const Text& path, const wchar_t* sddl) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(rootHandle(root), sys::win32::wide(path), 0, WRITE_DAC | READ_CONTROL | KEY_WOW64_32KEY, &key) !=
      ERROR_SUCCESS) {
    return;
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)) {
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
  }
  RegCloseKey(key);
}

class RealRegistryBackend : public RegistryTestBackend {
 public:
  void install() override { system_ = std::make_unique<sys::win32::Win32System>(); }
  void uninstall() override { system_.reset(); }
  void makeReadOnly(sys::RootKey root, const Text& path) override { setDacl(root, path, L"D:(A;;KR;;;WD)"); }
  void restrictTo(sys::RootKey root, const Text& path, uint32_t rights) override {
    wchar_t sddl[64];
    swprintf(sddl, 64, L"D:(A;;0x%X;;;WD)", rights);
    setDacl(root, path, sddl);
  }
  void restoreAccess(sys::RootKey root, const Text& path) override { setDacl(root, path, L"D:(A;;KA;;;WD)"); }
  bool alterReadsOf(const Text&, uint32_t) override { return false; }

 private:
  std::unique_ptr<sys::win32::Win32System> system_;
};

}  // namespace

RegistryTestBackend& registryTestBackend() {
  static RealRegistryBackend backend;
  return backend;
}

}  // namespace kst::test

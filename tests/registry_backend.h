#pragma once
// The registry cases run twice: natively over the simulated store and under
// Wine over the real registry. Each build supplies this backend.
#include "system/registry.h"

namespace kst::test {

class RegistryTestBackend {
 public:
  virtual ~RegistryTestBackend() = default;
  virtual void install() = 0;
  virtual void uninstall() = 0;
  // Leaves the key readable but refuses every write, as for a user without
  // administrator rights.
  virtual void makeReadOnly(sys::RootKey root, const Text& path) = 0;
  // Grants everyone only these rights on the key.
  virtual void restrictTo(sys::RootKey root, const Text& path, uint32_t rights) = 0;
  virtual void restoreAccess(sys::RootKey root, const Text& path) = 0;
  // Makes the next reads of this value report another number; false where
  // the backend cannot.
  virtual bool alterReadsOf(const Text& valueName, uint32_t number) = 0;
};

RegistryTestBackend& registryTestBackend();

}  // namespace kst::test

#include <memory>

#include "system/sim/sim_services.h"
#include "tests/registry_backend.h"

namespace kst::test {
namespace {

class SimBackend : public RegistryTestBackend {
 public:
  void install() override { system_ = std::make_unique<sys::sim::SimSystem>(); }
  void uninstall() override { system_.reset(); }
  void makeReadOnly(sys::RootKey root, const Text& path) override { system_->registry.makeReadOnly(root, path); }
  void restrictTo(sys::RootKey root, const Text& path, uint32_t rights) override {
    system_->registry.restrict(root, path, rights);
  }
  void restoreAccess(sys::RootKey root, const Text& path) override {
    system_->registry.restrict(root, path, sys::sim::access::kFull);
  }
  bool alterReadsOf(const Text& valueName, uint32_t number) override {
    system_->registry.alterRead = [valueName, number](const sys::sim::RegCall& call, sys::RegValue& value) {
      if (call.name == valueName) value = sys::dwordValue(number);
    };
    return true;
  }

 private:
  std::unique_ptr<sys::sim::SimSystem> system_;
};

}  // namespace

RegistryTestBackend& registryTestBackend() {
  static SimBackend backend;
  return backend;
}

}  // namespace kst::test

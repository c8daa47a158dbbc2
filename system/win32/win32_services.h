#pragma once
#include <memory>

#include "system/services.h"

namespace kst::sys::win32 {

class Win32Registry : public RegistryService {
 public:
  Status openKey(RootKey root, const Text& path, uint32_t access, KeyHandle& key) override;
  Status createKey(RootKey root, const Text& path, uint32_t access, KeyHandle& key) override;
  Status queryValue(KeyHandle key, const Text& name, RegValue& value) override;
  Status setValue(KeyHandle key, const Text& name, const RegValue& value) override;
  Status enumSubKey(KeyHandle key, uint32_t index, Text& name) override;
  Status deleteKey(RootKey root, const Text& path, uint32_t access) override;
  Status flushKey(KeyHandle key) override;
  Status queryLastWriteTime(KeyHandle key, uint64_t& fileTime) override;
  void closeKey(KeyHandle key) override;
  bool separate32BitView() override;
  Text describe(Status status) override;
};

class Win32Power : public PowerService {
 public:
  bool getSystemPowerStatus(PowerStatusRecord& record) override;
};

class ComApartment;

class Win32Shell : public ShellService {
 public:
  Win32Shell();
  ~Win32Shell() override;
  intptr_t execute(NativeWindow owner, const Text& verb, const Text& file, const Text& parameters,
                   const Text& directory, int showCommand) override;
  ElevatedStart startElevated(NativeWindow owner, const Text& file, const Text& parameters) override;
  Text commandLine() override;
  Text executablePath() override;

 private:
  // Started before the first shell call, on the thread that makes them,
  // and ended with the shell service.
  std::unique_ptr<ComApartment> com_;
};

// The process token's user and elevation, UAC's policies, the desktop
// session's user, and the accounts Windows knows by name.
class Win32Account : public AccountService {
 public:
  Text userSid() override;
  TokenKind tokenKind() override;
  ElevationPolicy elevationPolicy() override;
  bool runsAsLocalSystem() override;
  Text desktopUserSid() override;
  Text accountName(const Text& sid) override;
  Text sidOfAccount(const Text& name) override;
};

class Win32Desktop : public DesktopService {
 public:
  bool topLevelWindowOfClassExists(const Text& windowClass) override;
  void forceForeground(NativeWindow window) override;
};

class Win32Version : public VersionService {
 public:
  uint32_t fileVersionInfoSize(const Text& path) override;
  bool fileVersionInfo(const Text& path, std::vector<uint8_t>& buffer) override;
  std::optional<std::vector<uint8_t>> queryValue(const std::vector<uint8_t>& buffer, const Text& subBlock) override;
};

// The battery device class, asked through setupapi and the battery IOCTLs.
class Win32BatteryDevices : public BatteryDeviceService {
 public:
  Win32BatteryDevices();
  ~Win32BatteryDevices() override;
  Status deviceInterface(uint32_t index, Text& path) override;
  Status queryTag(const Text& path, uint32_t& tag) override;
  Status queryInformation(const Text& path, uint32_t tag, BatteryDevice& device) override;
  Status queryStatus(const Text& path, uint32_t tag, BatteryDevice::ChargeStatus& status) override;

 private:
  struct DeviceList;
  std::unique_ptr<DeviceList> list_;
};

class Win32Clock : public ClockService {
 public:
  uint64_t now() override;
  uint64_t millisecondsSinceStart() override;
};

class Win32Files : public FileService {
 public:
  bool writeFile(const Text& path, const std::vector<uint8_t>& bytes) override;
  std::optional<std::vector<uint8_t>> readFile(const Text& path) override;
};

// Every Win32 service, installed for the lifetime of the object.
struct Win32System {
  Win32System();
  ~Win32System();
  Win32Registry registry;
  Win32Power power;
  Win32Shell shell;
  Win32Desktop desktop;
  Win32Version version;
  Win32BatteryDevices batteryDevices;
  Win32Files files;
  Win32Account account;
  Win32Clock clock;
};

}  // namespace kst::sys::win32

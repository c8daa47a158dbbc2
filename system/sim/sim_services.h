#pragma once
// Simulated power, shell, desktop and version services for tests.
#include <map>
#include <optional>
#include <set>

#include "system/services.h"
#include "system/sim/sim_registry.h"

namespace kst::sys::sim {

class SimPower : public PowerService {
 public:
  bool getSystemPowerStatus(PowerStatusRecord& out) override {
    out = record;
    return succeeds;
  }
  void setCharging(int percent) { record = {1, 8, static_cast<uint8_t>(percent), 0xFFFFFFFF}; }
  void setOnAC(int percent) { record = {1, 0, static_cast<uint8_t>(percent), 0xFFFFFFFF}; }
  void setDischarging(int percent, uint32_t secondsLeft) {
    record = {0, 0, static_cast<uint8_t>(percent), secondsLeft};
  }
  void setNoBattery() { record = {1, 128, 255, 0xFFFFFFFF}; }

  PowerStatusRecord record{1, 128, 255, 0xFFFFFFFF};
  bool succeeds = true;
};

struct ShellCall {
  NativeWindow owner;
  Text verb, file, parameters, directory;
  int showCommand;
};

class SimShell : public ShellService {
 public:
  intptr_t execute(NativeWindow owner, const Text& verb, const Text& file, const Text& parameters,
                   const Text& directory, int showCommand) override {
    calls.push_back({owner, verb, file, parameters, directory, showCommand});
    return result;
  }
  // Recorded as a call with the verb "runas".
  ElevatedStart startElevated(NativeWindow owner, const Text& file, const Text& parameters) override {
    calls.push_back({owner, u"runas", file, parameters, Text(), kShowNormal});
    return elevatedStart;
  }
  Text commandLine() override { return processCommandLine; }
  Text executablePath() override { return exePath; }

  std::vector<ShellCall> calls;
  intptr_t result = 42;
  ElevatedStart elevatedStart;
  Text processCommandLine = u"kestrane.exe";
  Text exePath = u"C:\\Program Files\\Kestrane\\kestrane.exe";
};

// The account whose hive the simulated registry's HKCU is, and the
// accounts the simulated machine knows.
class SimAccount : public AccountService {
 public:
  explicit SimAccount(SimRegistry& registry) : registry_(registry) {}
  Text userSid() override { return registry_.currentUser; }
  TokenKind tokenKind() override { return token; }
  ElevationPolicy elevationPolicy() override { return policy; }
  bool runsAsLocalSystem() override { return localSystem; }
  Text desktopUserSid() override { return desktopUser.value_or(registry_.currentUser); }
  Text accountName(const Text& sid) override;
  Text sidOfAccount(const Text& name) override;

  TokenKind token = TokenKind::AdministratorLimited;
  ElevationPolicy policy;
  bool localSystem = false;
  // The user signed in on the desktop: the account itself unless a test
  // says otherwise, and empty for a service's session.
  std::optional<Text> desktopUser;
  // The machine's accounts, "DOMAIN\name" by SID.
  std::map<Text, Text> names = {{SimRegistry::kFirstUser, u"THINKPAD\\user"},
                                {SimRegistry::kSecondUser, u"THINKPAD\\admin"}};

 private:
  SimRegistry& registry_;
};

class SimDesktop : public DesktopService {
 public:
  bool topLevelWindowOfClassExists(const Text& windowClass) override { return windowClasses.count(windowClass) != 0; }
  void forceForeground(NativeWindow window) override { foregroundRequests.push_back(window); }

  std::set<Text> windowClasses;
  std::vector<NativeWindow> foregroundRequests;
};

class SimVersion : public VersionService {
 public:
  uint32_t fileVersionInfoSize(const Text& path) override { return hasInfo(path) ? 64 : 0; }
  bool fileVersionInfo(const Text& path, std::vector<uint8_t>&) override { return hasInfo(path); }
  std::optional<std::vector<uint8_t>> queryValue(const std::vector<uint8_t>&, const Text& subBlock) override {
    auto it = blocks.find(subBlock);
    if (it == blocks.end()) return std::nullopt;
    return it->second;
  }

  bool hasInfo(const Text& path) const { return !blocks.empty() && path == infoPath; }
  // Sets one translation and a "FileVersion" string, as the resource compiler would.
  void setVersion(const Text& version, uint16_t language = 0x0407, uint16_t codePage = 1252);

  Text infoPath = u"C:\\Program Files\\Kestrane\\kestrane.exe";
  std::map<Text, std::vector<uint8_t>> blocks;
};

// The devices answer with what they hold; an empty bay's tag query fails
// with ERROR_FILE_NOT_FOUND, as the battery driver's does.
class SimBatteryDevices : public BatteryDeviceService {
 public:
  Status deviceInterface(uint32_t index, Text& path) override;
  Status queryTag(const Text& path, uint32_t& tag) override;
  Status queryInformation(const Text& path, uint32_t tag, BatteryDevice& device) override;
  Status queryStatus(const Text& path, uint32_t tag, BatteryDevice::ChargeStatus& status) override;

  std::vector<BatteryDevice> devices;
  // The error a question about the device at an index fails with.
  struct Failures {
    Status deviceEntry = kSuccess, tag = kSuccess, information = kSuccess, status = kSuccess;
  };
  std::map<size_t, Failures> failing;

 private:
  Failures failuresOf(size_t index) const;
};

// Time stands still until a test moves it.
class SimClock : public ClockService {
 public:
  uint64_t now() override { return time; }
  uint64_t millisecondsSinceStart() override { return sinceStart; }
  // An hour after the registry's usual write time, Windows started half
  // an hour before: what the store holds was written before the start.
  uint64_t time = SimRegistry::kSomeWriteTime + kHour;
  uint64_t sinceStart = kHour / 2 / 10000;
  static constexpr uint64_t kHour = 36000000000;
};

class SimFiles : public FileService {
 public:
  bool writeFile(const Text& path, const std::vector<uint8_t>& bytes) override {
    if (!succeeds) return false;
    written[path] = bytes;
    return true;
  }
  std::optional<std::vector<uint8_t>> readFile(const Text& path) override {
    auto it = written.find(path);
    if (it == written.end()) return std::nullopt;
    return it->second;
  }
  // The files there are, by path: those written, and those a test puts there.
  std::map<Text, std::vector<uint8_t>> written;
  bool succeeds = true;
};

// Every simulated service, installed for the lifetime of the object.
struct SimSystem {
  SimSystem();
  ~SimSystem();
  SimRegistry registry;
  SimPower power;
  SimShell shell;
  SimDesktop desktop;
  SimVersion version;
  SimBatteryDevices batteryDevices;
  SimFiles files;
  SimAccount account{registry};
  SimClock clock;
};

}  // namespace kst::sys::sim

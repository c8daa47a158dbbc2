#pragma once
// The operating-system services the windows need, behind one interface each.
// The program entry installs the Win32 backends; tests install the simulated
// ones. Everything runs on the user-interface thread.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "system/registry.h"
#include "system/text.h"

namespace kst::sys {

// The four fields of SYSTEM_POWER_STATUS that the program reads.
struct PowerStatusRecord {
  uint8_t acLineStatus = 255;
  uint8_t batteryFlag = 255;
  uint8_t batteryLifePercent = 255;
  uint32_t batteryLifeTime = 0xFFFFFFFF;
};

class PowerService {
 public:
  virtual ~PowerService() = default;
  // False when the system could not report its power status.
  virtual bool getSystemPowerStatus(PowerStatusRecord& record) = 0;
};

// The time now and how long ago Windows started. A shut-down with fast
// start-up keeps the kernel and its drivers: only a restart starts anew.
class ClockService {
 public:
  virtual ~ClockService() = default;
  // GetSystemTimeAsFileTime: 100-nanosecond steps since 1601, UTC.
  virtual uint64_t now() = 0;
  // GetTickCount64.
  virtual uint64_t millisecondsSinceStart() = 0;
};

using NativeWindow = uintptr_t;

// ShellExecuteW's show command for a window shown as it normally is
// (SW_SHOWNORMAL), and its rule for success: a result above 32.
inline constexpr int kShowNormal = 1;
inline bool shellSucceeded(intptr_t result) { return result > 32; }

// What became of a start with administrator rights.
struct ElevatedStart {
  enum class Result { Started, Declined, Failed };
  Result result = Result::Started;
  // Windows' own words for a failure.
  Text reason;
};

class ShellService {
 public:
  virtual ~ShellService() = default;
  // ShellExecuteW; an empty verb asks for the default action.
  virtual intptr_t execute(NativeWindow owner, const Text& verb, const Text& file, const Text& parameters,
                           const Text& directory, int showCommand) = 0;
  // ShellExecuteExW with the verb "runas", shown normally: unlike
  // ShellExecuteW it tells a declined elevation prompt from a failure.
  virtual ElevatedStart startElevated(NativeWindow owner, const Text& file, const Text& parameters) = 0;
  virtual Text commandLine() = 0;
  virtual Text executablePath() = 0;
};

// What the token the process runs with is, for a start with administrator
// rights: elevated already (or an administrator where User Account Control
// is off), an administrator's limited token that UAC's consent prompt
// elevates, or a standard user's, whose prompt asks for an administrator's
// password where Windows lets it ask at all.
enum class TokenKind { Elevated, AdministratorLimited, Standard };

// The policies of User Account Control that decide whether a standard user
// may ask for administrator rights, under
// HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System.
struct ElevationPolicy {
  // EnableLUA; on where the value is missing. Off, "runas" gives a
  // standard user a standard user's rights again.
  bool userAccountControl = true;
  // ConsentPromptBehaviorUser other than 0; 0 denies every elevation
  // request of a standard user at once.
  bool standardUsersMayAsk = true;
};

// The account the process runs under, its rights, and the accounts of the
// machine by name.
class AccountService {
 public:
  virtual ~AccountService() = default;
  // The account's security identifier in its text form, "S-1-5-21-...".
  virtual Text userSid() = 0;
  virtual TokenKind tokenKind() = 0;
  // Whether the process has administrator rights: elevated under UAC, or
  // an administrator where UAC is off.
  bool elevated() { return tokenKind() == TokenKind::Elevated; }
  virtual ElevationPolicy elevationPolicy() = 0;
  // Whether the process runs as the LocalSystem account, as services and
  // deployment tools run their commands.
  virtual bool runsAsLocalSystem() = 0;
  // The user signed in on the desktop session the process runs in, by
  // SID; empty where nobody is (a service's session). A standard user's
  // elevated prompt runs under the administrator whose password was typed,
  // on that user's desktop.
  virtual Text desktopUserSid() = 0;
  // An account's name as Windows shows it, "DOMAIN\name"; empty where
  // Windows knows no account of that SID.
  virtual Text accountName(const Text& sid) = 0;
  // The SID of an account named "name" or "DOMAIN\name"; empty where
  // Windows knows no such account.
  virtual Text sidOfAccount(const Text& name) = 0;
};

class DesktopService {
 public:
  virtual ~DesktopService() = default;
  virtual bool topLevelWindowOfClassExists(const Text& windowClass) = 0;
  // Pulls the window into the foreground as far as Windows' foreground rules allow.
  virtual void forceForeground(NativeWindow window) = 0;
};

class VersionService {
 public:
  virtual ~VersionService() = default;
  virtual uint32_t fileVersionInfoSize(const Text& path) = 0;
  virtual bool fileVersionInfo(const Text& path, std::vector<uint8_t>& buffer) = 0;
  // VerQueryValueW: the bytes of the sub-block, or nothing when it is missing.
  virtual std::optional<std::vector<uint8_t>> queryValue(const std::vector<uint8_t>& buffer, const Text& subBlock) = 0;
};

// One device of Windows' battery class, as it reports itself: its bay may
// be empty, it need not be a battery of the system (a UPS, say), any of its
// numbers may be unknown, and it may not answer at all.
struct BatteryDevice {
  // BATTERY_INFORMATION's capability flags and its unknown capacity.
  static constexpr uint32_t kSystemBattery = 0x80000000;
  static constexpr uint32_t kRelativeCapacity = 0x40000000;
  static constexpr uint32_t kShortTerm = 0x20000000;
  static constexpr uint32_t kUnknownCapacity = 0xFFFFFFFF;

  Text name;
  // The device answers, but no battery sits in its bay: nothing else is known.
  bool bayEmpty = false;
  // Four bytes such as "LION", or "LiP" and a NUL: not always terminated.
  std::array<uint8_t, 4> chemistry{};
  uint32_t capabilities = kSystemBattery;
  uint32_t designedCapacity = 0;
  uint32_t fullChargedCapacity = 0;
  // Where the battery counts its charge cycles.
  std::optional<uint32_t> cycleCount;
  // BATTERY_STATUS, where the battery told it: whether the machine is on
  // AC, whether the battery charges, and its charge in the units of its
  // capacities.
  struct ChargeStatus {
    static constexpr uint32_t kPowerOnLine = 0x1;
    static constexpr uint32_t kCharging = 0x4;
    uint32_t powerState = 0;
    uint32_t capacity = kUnknownCapacity;
  };
  std::optional<ChargeStatus> status;
  // A device Windows lists but that did not answer: the question that
  // failed, and Windows' error code.
  enum class Question { None, DeviceEntry, Tag, Information };
  Question unanswered = Question::None;
  Status error = kSuccess;
};

// The questions of Windows' battery class, one device at a time.
class BatteryDeviceService {
 public:
  virtual ~BatteryDeviceService() = default;
  // The class's device interface at this index, by its path: kNoMoreItems
  // past the last one, another error for one that could not be read.
  virtual Status deviceInterface(uint32_t index, Text& path) = 0;
  // IOCTL_BATTERY_QUERY_TAG, without waiting; the device is opened for it.
  virtual Status queryTag(const Text& path, uint32_t& tag) = 0;
  // IOCTL_BATTERY_QUERY_INFORMATION: the battery's information into the
  // device, and its name where the device tells it.
  virtual Status queryInformation(const Text& path, uint32_t tag, BatteryDevice& device) = 0;
  // IOCTL_BATTERY_QUERY_STATUS, without waiting.
  virtual Status queryStatus(const Text& path, uint32_t tag, BatteryDevice::ChargeStatus& status) = 0;
};

// Every device of the battery class, in Windows' order, each in its place
// whether or not it answered.
std::vector<BatteryDevice> listBatteryDevices();

class FileService {
 public:
  virtual ~FileService() = default;
  // Writes the file anew with these bytes; false when it cannot.
  virtual bool writeFile(const Text& path, const std::vector<uint8_t>& bytes) = 0;
  // Every byte of the file, or nothing when it cannot be read.
  virtual std::optional<std::vector<uint8_t>> readFile(const Text& path) = 0;
};

struct Services {
  RegistryService* registry = nullptr;
  PowerService* power = nullptr;
  ShellService* shell = nullptr;
  DesktopService* desktop = nullptr;
  VersionService* version = nullptr;
  BatteryDeviceService* batteryDevices = nullptr;
  FileService* files = nullptr;
  AccountService* account = nullptr;
  ClockService* clock = nullptr;
};

void installServices(const Services& services);
RegistryService& registry();
PowerService& power();
ShellService& shell();
DesktopService& desktop();
VersionService& version();
BatteryDeviceService& batteryDevices();
FileService& files();
AccountService& account();
ClockService& clock();

}  // namespace kst::sys

// Windows' battery class, asked one device at a time: its device interface,
// then the device opened and asked for its tag, its information and its name.
#include <windows.h>

// The class GUID is defined here rather than taken from a library.
#include <initguid.h>

#include <devguid.h>
#include <poclass.h>
#include <setupapi.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

#include "system/win32/handles.h"
#include "system/win32/system_library.h"
#include "system/win32/wide.h"
#include "system/win32/win32_services.h"

namespace kst::sys::win32 {
namespace {

UniqueFile openBattery(const Text& path) {
  return UniqueFile(CreateFileW(wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

// setupapi.dll is no Known DLL on every Windows: it is loaded from System32
// when the devices are first asked for.
const SystemLibrary& setupapi() {
  static const SystemLibrary library(L"setupapi.dll");
  return library;
}

// The list of the class's devices that setupapi makes.
struct DeviceListTraits {
  using Handle = HDEVINFO;
  static Handle invalid() { return INVALID_HANDLE_VALUE; }
  static void release(Handle h) {
    setupapi().function<decltype(::SetupDiDestroyDeviceInfoList)>("SetupDiDestroyDeviceInfoList")(h);
  }
};

template <typename Result>
Status ask(HANDLE battery, DWORD code, const void* in, DWORD inSize, Result& out) {
  DWORD returned = 0;
  if (DeviceIoControl(battery, code, const_cast<void*>(in), inSize, &out, sizeof out, &returned, nullptr)) {
    return ERROR_SUCCESS;
  }
  return static_cast<Status>(GetLastError());
}

}  // namespace

// The class's devices, listed when the first one is asked for and kept
// until the next listing.
struct Win32BatteryDevices::DeviceList {
  decltype(&::SetupDiGetClassDevsW) getClassDevs =
      setupapi().function<decltype(::SetupDiGetClassDevsW)>("SetupDiGetClassDevsW");
  decltype(&::SetupDiEnumDeviceInterfaces) enumInterfaces =
      setupapi().function<decltype(::SetupDiEnumDeviceInterfaces)>("SetupDiEnumDeviceInterfaces");
  decltype(&::SetupDiGetDeviceInterfaceDetailW) interfaceDetail =
      setupapi().function<decltype(::SetupDiGetDeviceInterfaceDetailW)>("SetupDiGetDeviceInterfaceDetailW");
  Unique<DeviceListTraits> devices;

  bool usable() const {
    return getClassDevs && enumInterfaces && interfaceDetail &&
           setupapi().function<decltype(::SetupDiDestroyDeviceInfoList)>("SetupDiDestroyDeviceInfoList");
  }
};

Win32BatteryDevices::Win32BatteryDevices() = default;
Win32BatteryDevices::~Win32BatteryDevices() = default;

Status Win32BatteryDevices::deviceInterface(uint32_t index, Text& path) {
  if (index == 0) {
    list_ = std::make_unique<DeviceList>();
    if (!list_->usable()) return ERROR_NO_MORE_ITEMS;
    list_->devices.reset(
        list_->getClassDevs(&GUID_DEVCLASS_BATTERY, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  }
  if (!list_ || !list_->devices) return ERROR_NO_MORE_ITEMS;
  DeviceList& setup = *list_;
  SP_DEVICE_INTERFACE_DATA interfaceData{};
  interfaceData.cbSize = sizeof interfaceData;
  if (!setup.enumInterfaces(list_->devices.get(), nullptr, &GUID_DEVCLASS_BATTERY, index, &interfaceData)) {
    return static_cast<Status>(GetLastError());
  }
  DWORD size = 0;
  setup.interfaceDetail(list_->devices.get(), &interfaceData, nullptr, 0, &size, nullptr);
  if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return static_cast<Status>(GetLastError());
  std::vector<char> buffer(size);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  if (!setup.interfaceDetail(list_->devices.get(), &interfaceData, detail, size, &size, nullptr)) {
    return static_cast<Status>(GetLastError());
  }
  path = fromWide(detail->DevicePath, wcslen(detail->DevicePath));
  return ERROR_SUCCESS;
}

Status Win32BatteryDevices::queryTag(const Text& path, uint32_t& tag) {
  const UniqueFile battery = openBattery(path);
  if (!battery) return static_cast<Status>(GetLastError());
  ULONG noWait = 0, answer = BATTERY_TAG_INVALID;
  Status status = ask(battery.get(), IOCTL_BATTERY_QUERY_TAG, &noWait, sizeof noWait, answer);
  tag = answer;
  return status;
}

Status Win32BatteryDevices::queryInformation(const Text& path, uint32_t tag, BatteryDevice& device) {
  const UniqueFile battery = openBattery(path);
  if (!battery) return static_cast<Status>(GetLastError());
  BATTERY_QUERY_INFORMATION query{};
  query.BatteryTag = tag;
  query.InformationLevel = BatteryInformation;
  BATTERY_INFORMATION information{};
  if (Status status = ask(battery.get(), IOCTL_BATTERY_QUERY_INFORMATION, &query, sizeof query, information)) {
    return status;
  }
  std::copy(std::begin(information.Chemistry), std::end(information.Chemistry), device.chemistry.begin());
  device.capabilities = information.Capabilities;
  device.designedCapacity = information.DesignedCapacity;
  device.fullChargedCapacity = information.FullChargedCapacity;
  if (information.CycleCount != 0) device.cycleCount = information.CycleCount;
  // The name is a courtesy: a battery that tells none is still reported.
  wchar_t name[128] = {};
  query.InformationLevel = BatteryDeviceName;
  if (ask(battery.get(), IOCTL_BATTERY_QUERY_INFORMATION, &query, sizeof query, name) == ERROR_SUCCESS) {
    name[127] = L'\0';
    device.name = fromWide(name, wcslen(name));
  }
  return ERROR_SUCCESS;
}

Status Win32BatteryDevices::queryStatus(const Text& path, uint32_t tag, BatteryDevice::ChargeStatus& status) {
  const UniqueFile battery = openBattery(path);
  if (!battery) return static_cast<Status>(GetLastError());
  // No timeout and no capacities to wait for: the status as it is now.
  BATTERY_WAIT_STATUS now{};
  now.BatteryTag = tag;
  BATTERY_STATUS answer{};
  if (Status failed = ask(battery.get(), IOCTL_BATTERY_QUERY_STATUS, &now, sizeof now, answer)) return failed;
  status.powerState = answer.PowerState;
  status.capacity = answer.Capacity;
  return ERROR_SUCCESS;
}

}  // namespace kst::sys::win32

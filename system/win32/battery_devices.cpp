// Batteries as Windows' battery class reports them: each device interface
// of the class is opened and asked for its tag, its information and its name.
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

#include "system/win32/system_library.h"
#include "system/win32/wide.h"
#include "system/win32/win32_services.h"

namespace kst::sys::win32 {
namespace {

// setupapi.dll is no Known DLL on every Windows: loaded from System32 when
// the batteries are first asked for.
struct DeviceSetup {
  SystemLibrary library{L"setupapi.dll"};
  decltype(&::SetupDiGetClassDevsW) getClassDevs = library.function<decltype(::SetupDiGetClassDevsW)>(
      "SetupDiGetClassDevsW");
  decltype(&::SetupDiEnumDeviceInterfaces) enumInterfaces =
      library.function<decltype(::SetupDiEnumDeviceInterfaces)>("SetupDiEnumDeviceInterfaces");
  decltype(&::SetupDiGetDeviceInterfaceDetailW) interfaceDetail =
      library.function<decltype(::SetupDiGetDeviceInterfaceDetailW)>("SetupDiGetDeviceInterfaceDetailW");
  decltype(&::SetupDiDestroyDeviceInfoList) destroyList =
      library.function<decltype(::SetupDiDestroyDeviceInfoList)>("SetupDiDestroyDeviceInfoList");
  bool usable() const { return getClassDevs && enumInterfaces && interfaceDetail && destroyList; }
};

struct DeviceHandle {
  HANDLE handle;
  ~DeviceHandle() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

template <typename Result>
bool ask(HANDLE battery, DWORD code, const void* in, DWORD inSize, Result& out) {
  DWORD returned = 0;
  return DeviceIoControl(battery, code, const_cast<void*>(in), inSize, &out, sizeof out, &returned, nullptr) != FALSE;
}

std::optional<BatteryDevice> askBattery(const wchar_t* devicePath) {
  DeviceHandle battery{CreateFileW(devicePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (battery.handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BATTERY_QUERY_INFORMATION query{};
  ULONG noWait = 0;
  BatteryDevice device;
  // A bay without a battery answers with no tag, and a tag is what every
  // further question needs.
  if (!ask(battery.handle, IOCTL_BATTERY_QUERY_TAG, &noWait, sizeof noWait, query.BatteryTag) ||
      query.BatteryTag == BATTERY_TAG_INVALID) {
    device.bayEmpty = true;
    return device;
  }
  BATTERY_INFORMATION information{};
  query.InformationLevel = BatteryInformation;
  if (!ask(battery.handle, IOCTL_BATTERY_QUERY_INFORMATION, &query, sizeof query, information)) return std::nullopt;
  std::copy(std::begin(information.Chemistry), std::end(information.Chemistry), device.chemistry.begin());
  device.capabilities = information.Capabilities;
  device.designedCapacity = information.DesignedCapacity;
  device.fullChargedCapacity = information.FullChargedCapacity;
  if (information.CycleCount != 0) device.cycleCount = information.CycleCount;
  wchar_t name[128] = {};
  query.InformationLevel = BatteryDeviceName;
  if (ask(battery.handle, IOCTL_BATTERY_QUERY_INFORMATION, &query, sizeof query, name)) {
    name[127] = L'\0';
    device.name = fromWide(name, wcslen(name));
  }
  return device;
}

}  // namespace

std::vector<BatteryDevice> Win32BatteryDevices::batteries() {
  std::vector<BatteryDevice> found;
  DeviceSetup setup;
  if (!setup.usable()) return found;
  HDEVINFO devices = setup.getClassDevs(&GUID_DEVCLASS_BATTERY, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (devices == INVALID_HANDLE_VALUE) return found;
  SP_DEVICE_INTERFACE_DATA interfaceData{};
  interfaceData.cbSize = sizeof interfaceData;
  for (DWORD index = 0; setup.enumInterfaces(devices, nullptr, &GUID_DEVCLASS_BATTERY, index, &interfaceData); ++index) {
    DWORD size = 0;
    setup.interfaceDetail(devices, &interfaceData, nullptr, 0, &size, nullptr);
    if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
    std::vector<char> buffer(size);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!setup.interfaceDetail(devices, &interfaceData, detail, size, &size, nullptr)) continue;
    if (auto device = askBattery(detail->DevicePath)) found.push_back(std::move(*device));
  }
  setup.destroyList(devices);
  return found;
}

}  // namespace kst::sys::win32

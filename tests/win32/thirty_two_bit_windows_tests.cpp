// The store on 32-bit Windows, which has one registry view only: the i686
// build runs this in a 32-bit Wine prefix (WINEARCH=win32), where the power
// manager keeps its machine keys under HKLM\SOFTWARE\Lenovo\PWRMGRV.
#include <windows.h>

#include <gtest/gtest.h>

#include "settings/model/threshold_store.h"
#include "system/win32/win32_services.h"

namespace kst::test {
namespace {

const wchar_t kPowerManager[] = L"SOFTWARE\\Lenovo\\PWRMGRV";

void putDword(const wchar_t* path, const wchar_t* name, DWORD value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

LONG dwordAt(const wchar_t* path, const wchar_t* name, DWORD& value) {
  DWORD size = sizeof value;
  return RegGetValueW(HKEY_LOCAL_MACHINE, path, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
}

bool exists(const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

class ThirtyTwoBitWindows : public ::testing::Test {
 protected:
  sys::win32::Win32System system;
  void SetUp() override {
    ASSERT_FALSE(system.registry.separate32BitView()) << "this runs in a 32-bit prefix only";
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kPowerManager);
  }
  void TearDown() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kPowerManager);
    RegDeleteTreeW(HKEY_CURRENT_USER, kPowerManager);
  }
};

TEST_F(ThirtyTwoBitWindows, TheMachineKeysAreReadAndSavedAtTheirOwnPlaceAndNoWow6432NodeIsMade) {
  const std::wstring configuration = std::wstring(kPowerManager) + L"\\ConfKeys\\Data";
  putDword(configuration.c_str(), L"ChargeStartControl", 1);
  putDword(configuration.c_str(), L"ChargeStopControl", 1);
  putDword(configuration.c_str(), L"ChargeStartPercentage", 40);
  putDword(configuration.c_str(), L"ChargeStopPercentage", 80);

  ASSERT_TRUE(store::powerManagerPresent());
  store::SelectionLoad load = store::loadSelection(u"");
  ASSERT_TRUE(load.source.has_value());
  EXPECT_EQ(load.source->path, store::kMachineConfigurationKey);
  EXPECT_EQ(load.thresholds, (store::Thresholds{80, 40, true, true}));

  for (const store::KeySetWrite& write : store::saveSelection(u"", {u"1ZZ1111AAAA"}, {85, 45, true, true}, 7)) {
    EXPECT_EQ(write.outcome.result, store::WriteOutcome::Result::Written) << toUtf8(write.keySet.path);
  }
  DWORD value = 0;
  EXPECT_EQ(dwordAt((std::wstring(kPowerManager) + L"\\Data").c_str(), L"ChargeStopPercentage", value), ERROR_SUCCESS);
  EXPECT_EQ(value, 85u);
  EXPECT_EQ(dwordAt((configuration + L"\\1ZZ1111AAAA").c_str(), L"ChargeStartPercentage", value), ERROR_SUCCESS);
  EXPECT_EQ(value, 45u);
  EXPECT_FALSE(exists(L"SOFTWARE\\Wow6432Node")) << "no tree that nothing reads";
  EXPECT_EQ(store::pathOnThisMachine({store::kMachine, store::kMachineConfigurationKey}),
            u"SOFTWARE\\Lenovo\\PWRMGRV\\ConfKeys\\Data");

  EXPECT_FALSE(store::refused(store::removeBattery(u"1ZZ1111AAAA")));
  EXPECT_FALSE(exists((configuration + L"\\1ZZ1111AAAA").c_str()));
}

}  // namespace
}  // namespace kst::test

// Which key sets are read and written, value by value, and what the user is
// told when the store refuses or fails.
#include "tests/native/program_fixture.h"

namespace kst::testing {
namespace {

using store::KeySet;
using sys::sim::RegCall;
using sys::sim::RegOp;

const Text kBarcodeA = u"1ZZ1111AAAA";
const Text kBarcodeB = u"1ZZ2222BBBB";
const KeySet kMachineConf{store::kMachine, store::kMachineConfigurationKey};
const KeySet kMachineData{store::kMachine, store::kMachineDataKey};
const KeySet kUserData{store::kUser, store::kUserDataKey};

class StoreTest : public ProgramTest {
 protected:
  // Shows which key set the editor holds after a load.
  std::vector<int> editor() {
    return {main().cbLowLevel.checked(), main().cbHighLevel.checked(), main().seLowLevel.value(),
            main().seHighLevel.value()};
  }
  void getValuesFor(const Text& barcode) {
    currentBarcode = barcode;
    app.dialogs.clear();
    main().btGetValues.click();
  }
  // The key sets in the order setValues first touched them, and the value
  // names written to each, in order.
  std::vector<std::pair<Text, std::vector<Text>>> writes() const {
    std::vector<std::pair<Text, std::vector<Text>>> result;
    for (const RegCall& call : sim.registry.calls) {
      if (call.op != RegOp::Set) continue;
      if (result.empty() || result.back().first != call.path) result.push_back({call.path, {}});
      result.back().second.push_back(call.name);
    }
    return result;
  }
  void makeMachineHiveReadOnly() {
    sim.registry.putKey(RootKey::LocalMachine, u"SOFTWARE");
    sim.registry.administrator = false;
  }
};

TEST_F(StoreTest, OneBatteryReadsItsMachineConfigurationKeyFirst) {
  seedUserData({1, 1, 40, 80});
  seed(store::machineConfigurationKeyOf(kBarcodeA), {0, 1, 30, 70});
  seedBattery(kBarcodeA, {1, 0, 20, 60});
  start();
  getValuesFor(kBarcodeA);
  EXPECT_EQ(editor(), (std::vector<int>{0, 1, 30, 70}));
  EXPECT_FALSE(valueChanged) << "the battery's own key set was read";
}

TEST_F(StoreTest, OneBatteryWithOnlyAUserDataKeyReadsIt) {
  seedUserData({1, 1, 40, 80});
  seedBattery(kBarcodeA, {1, 0, 20, 60});
  start();
  getValuesFor(kBarcodeA);
  EXPECT_EQ(editor(), (std::vector<int>{1, 0, 20, 60}));
  EXPECT_FALSE(valueChanged);
}

TEST_F(StoreTest, OneBatteryWithoutKeysOfItsOwnShowsTheGeneralOnesAsUnsaved) {
  seed(kMachineData, {0, 0, 35, 65});
  seedUserData({1, 1, 40, 80});
  start();
  getValuesFor(kBarcodeA);
  EXPECT_EQ(editor(), (std::vector<int>{0, 0, 35, 65})) << "machine data key comes before the user data key";
  EXPECT_TRUE(valueChanged) << "the numbers changed by the load count as the battery's unsaved changes";
  EXPECT_EQ(main().btSaveSettings.font().color, changedColor);
}

TEST_F(StoreTest, AllBatteriesFallThroughToTheUserDataKey) {
  sim.registry.put(RootKey::LocalMachine, store::kMachineConfigurationKey, store::kChargeStopControl,
                   sys::dwordValue(1));
  seedUserData({1, 0, 33, 77});
  start();
  EXPECT_EQ(editor(), (std::vector<int>{1, 0, 33, 77}));
  EXPECT_TRUE(app.dialogs.empty());
}

TEST_F(StoreTest, IncompleteKeySetLeavesTheDefaultLowAndIsReadOver) {
  seedUserData({1, 1, 40, 80});
  start();
  sim.registry.put(RootKey::LocalMachine, store::kMachineConfigurationKey, store::kChargeStartControl,
                   sys::dwordValue(0));
  sim.registry.put(RootKey::LocalMachine, store::kMachineConfigurationKey, store::kChargeStopControl,
                   sys::dwordValue(0));
  sim.registry.put(RootKey::LocalMachine, store::kMachineConfigurationKey, store::kChargeStopPercentage,
                   sys::dwordValue(90));
  ASSERT_FALSE(main().getValues(store::readKeySet({store::kMachine, store::kMachineConfigurationKey})));
  EXPECT_EQ(editor(), (std::vector<int>{0, 0, 45, 90}));
  getValuesFor(u"");
  EXPECT_EQ(editor(), (std::vector<int>{1, 1, 40, 80})) << "the next key set of the read order wins";
}

TEST_F(StoreTest, OddStoredNumbersReadAsTheProgramShowsThem) {
  seedUserData({1, 2, 0, 0});
  start();
  EXPECT_EQ(editor(), (std::vector<int>{1, 0, 45, 75})) << "ChargeStopControl 2 is off; 0 shows the defaults";
  seedUserData({1, 1, 99, 3});
  main().btGetValues.click();
  EXPECT_EQ(main().seLowLevel.value(), 96);
  EXPECT_EQ(main().seHighLevel.value(), 5);
  EXPECT_EQ(sim.registry.valueNames(RootKey::CurrentUser, store::kUserDataKey).size(), 4u)
      << "a key set without Automatic and FirstInstID is complete";
  EXPECT_FALSE(valueChanged);
}

TEST_F(StoreTest, SwitchedOffByAnOddControlValueIsSavedBackAsZero) {
  seedUserData({1, 2, 40, 80});
  start();
  main().btSaveSettings.click();
  EXPECT_EQ(stored(kUserData, store::kChargeStopControl), 0u);
  EXPECT_EQ(stored(kUserData, store::kChargeStartControl), 1u);
}

TEST_F(StoreTest, WrongValueTypeIsReportedOnceAndTheNextKeySetIsRead) {
  sim.registry.put(RootKey::LocalMachine, store::kMachineConfigurationKey, store::kChargeStartControl,
                   sys::stringValue(u"1"));
  seedUserData({0, 1, 30, 70});
  start();
  EXPECT_EQ(dialogTexts(), std::vector<Text>{store::kReadErrorMessage});
  EXPECT_EQ(editor(), (std::vector<int>{0, 1, 30, 70}));
}

TEST_F(StoreTest, OneBatteryWritesItsTwoKeySetsInOrder) {
  seedUserData();
  start();
  currentBarcode = kBarcodeA;
  sim.registry.calls.clear();
  main().btSaveSettings.click();
  const std::vector<Text> sixValues = {
      store::kChargeStartControl,   store::kChargeStopControl, store::kChargeStartPercentage,
      store::kChargeStopPercentage, store::kAutomatic,         store::kFirstInstID};
  auto written = writes();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0].first, store::userDataKeyOf(kBarcodeA).path);
  EXPECT_EQ(written[1].first, store::machineConfigurationKeyOf(kBarcodeA).path);
  EXPECT_EQ(written[0].second, sixValues);
  EXPECT_EQ(written[1].second, sixValues);
}

TEST_F(StoreTest, AllBatteriesWithTwoKnownBarcodesWritesSevenKeySets) {
  seedUserData({1, 1, 40, 80});
  seedBattery(kBarcodeA);
  seedBattery(kBarcodeB);
  sim.registry.put(RootKey::LocalMachine, store::kInstallInformationKey, store::kFirstInstID, sys::dwordValue(123456));
  sim.registry.put(RootKey::CurrentUser, store::kUserDataKey, store::kFirstInstID, sys::dwordValue(999));
  start();
  typeInto(main().seHighLevel, u"85");
  sim.registry.calls.clear();
  main().btSaveSettings.click();
  const std::vector<KeySet> expected = {store::userDataKeyOf(kBarcodeA),
                                        store::machineConfigurationKeyOf(kBarcodeA),
                                        store::userDataKeyOf(kBarcodeB),
                                        store::machineConfigurationKeyOf(kBarcodeB),
                                        kUserData,
                                        kMachineConf,
                                        kMachineData};
  auto written = writes();
  ASSERT_EQ(written.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(written[i].first, expected[i].path) << "key set " << i;
    EXPECT_EQ(storedSet(expected[i]), (std::vector<long long>{1, 1, 40, 85, 2, 123456})) << "key set " << i;
  }
}

TEST_F(StoreTest, FirstInstIDComesFromTheInstallKeyElseTheUserDataKeyElseZero) {
  seedUserData();
  start();
  sim.registry.put(RootKey::LocalMachine, store::kInstallInformationKey, store::kFirstInstID, sys::dwordValue(0));
  sim.registry.put(RootKey::CurrentUser, store::kUserDataKey, store::kFirstInstID, sys::dwordValue(4711));
  main().btSaveSettings.click();
  EXPECT_EQ(stored(kMachineData, store::kFirstInstID), 4711u) << "0 under the install key falls back";
}

TEST_F(StoreTest, ReadOnlyMachineHiveRefusesWholeKeySetsAndAsksOncePerKeySet) {
  seedUserData({1, 1, 40, 80});
  seedBattery(kBarcodeA);
  seed(kMachineConf, {0, 0, 20, 50});
  makeMachineHiveReadOnly();
  start();
  typeInto(main().seLowLevel, u"30");
  app.dialogs.clear();
  main().btSaveSettings.click();
  EXPECT_EQ(dialogCount(store::kRestartQuestion), 3u) << "battery's machine key, machine conf, machine data";
  EXPECT_EQ(storedSet(kMachineConf), (std::vector<long long>{0, 0, 20, 50, -1, -1}))
      << "a refused ChargeStartControl writes nothing else";
  EXPECT_FALSE(sim.registry.exists(RootKey::LocalMachine, store::kMachineDataKey));
  EXPECT_EQ(storedSet(store::userDataKeyOf(kBarcodeA)), (std::vector<long long>{0, 0, 30, 50, 2, 0}));
  EXPECT_EQ(storedSet(kUserData), (std::vector<long long>{0, 0, 30, 50, 2, 0}))
      << "the key set after a refused one is still written";
}

TEST_F(StoreTest, FailedValueWriteAfterOpeningShowsTheErrorWithItsKeySetAndNoRestartQuestion) {
  seedUserData({1, 1, 40, 80});
  start();
  currentBarcode = kBarcodeA;
  const Text failingKey = store::userDataKeyOf(kBarcodeA).path;
  sim.registry.failWhen = [&](const RegCall& call) -> std::optional<sys::Status> {
    if (call.op == RegOp::Set && call.path == failingKey && call.name == store::kChargeStopPercentage) {
      return sys::kWriteFault;
    }
    return std::nullopt;
  };
  app.dialogs.clear();
  main().btSaveSettings.click();
  ASSERT_EQ(app.dialogs.size(), 2u);
  EXPECT_EQ(app.dialogs[0].text, store::kWriteErrorMessage + u"\r\n     HKCU\\" + failingKey +
                                     u": Failed to write \"ChargeStopPercentage\" in \"" + failingKey +
                                     u"\": Write fault (29).     ");
  EXPECT_EQ(app.dialogs[0].buttons, DialogButtons::Ok);
  EXPECT_EQ(app.dialogs[1].text, kNotice + u"\r\n\r\nNot saved:\r\n   HKCU\\" + failingKey);
  EXPECT_EQ(storedSet(store::userDataKeyOf(kBarcodeA)), (std::vector<long long>{1, 1, 40, -1, -1, -1}));
  EXPECT_EQ(storedSet(store::machineConfigurationKeyOf(kBarcodeA)), (std::vector<long long>{1, 1, 40, 80, 2, 0}));
}

TEST_F(StoreTest, CompatibleWithEitherSignAndHelpOnlyWhenAsked) {
  start();
  app.modalsShown.clear();
  EXPECT_FALSE(main().MachineIsCompatible(false));
  EXPECT_TRUE(app.modalsShown.empty());
  EXPECT_FALSE(main().MachineIsCompatible(true));
  EXPECT_EQ(app.modalsShown, std::vector<std::string>{"Tf_help"});

  sim.registry.putKey(RootKey::CurrentUser, store::kUserRootKey);
  EXPECT_TRUE(main().MachineIsCompatible(true));
  ASSERT_EQ(sim.registry.deleteKey(RootKey::CurrentUser, store::kUserRootKey, 0), sys::kSuccess);
  sim.registry.putKey(RootKey::LocalMachine, store::kMachineConfigurationKey);
  EXPECT_TRUE(main().MachineIsCompatible(true));
  EXPECT_EQ(app.modalsShown.size(), 1u);
}

TEST_F(StoreTest, DevelopmentEnvironmentIsATopLevelWindowOfItsClass) {
  EXPECT_FALSE(isDevEnvironment());
  sim.desktop.windowClasses.insert(u"TAppBuilder");
  EXPECT_TRUE(isDevEnvironment());
}

}  // namespace
}  // namespace kst::testing

// The threshold store without a window: one key set read and written, a
// selection loaded, and the known barcodes gathered with where each was found.
#include "settings/model/threshold_store.h"

#include "tests/native/program_fixture.h"

namespace kst::testing {
namespace {

using store::KeySet;
using store::WriteOutcome;

const KeySet kUserData{store::kUser, store::kUserDataKey};
const KeySet kMachineConf{store::kMachine, store::kMachineConfigurationKey};

class StoreModelTest : public ProgramTest {};

TEST_F(StoreModelTest, AKeySetReadsItsFourValuesUntilOneCannotBeRead) {
  EXPECT_FALSE(store::readKeySet(kUserData).exists);
  sim.registry.put(RootKey::CurrentUser, store::kUserDataKey, store::kChargeStopControl, sys::dwordValue(2));
  store::KeySetRead partial = store::readKeySet(kUserData);
  ASSERT_EQ(partial.values.size(), 4u);
  EXPECT_FALSE(partial.complete());
  EXPECT_EQ(partial.lowActive(), false) << "missing";
  EXPECT_EQ(partial.highActive(), false) << "2 is not 1";
  EXPECT_EQ(partial.highPercent(), store::kDefaultHighLevel);
  EXPECT_EQ(partial.lowPercent(), store::kDefaultLowLevel);

  seedUserData({1, 1, 40, 80});
  sim.registry.put(RootKey::CurrentUser, store::kUserDataKey, store::kChargeStopPercentage, sys::stringValue(u"80"));
  store::KeySetRead broken = store::readKeySet(kUserData);
  EXPECT_EQ(broken.values.size(), 2u) << "the reads stop at the third value";
  ASSERT_TRUE(broken.error.has_value());
  EXPECT_NE(broken.error->find(u"ChargeStopPercentage"), Text::npos);
  EXPECT_FALSE(broken.highPercent().has_value());
  EXPECT_EQ(broken.lowActive(), true);
}

TEST_F(StoreModelTest, AWriteSaysWhichValueFailedAndWhy) {
  const store::Thresholds thresholds{80, 40, true, false};
  EXPECT_EQ(store::writeKeySet(kUserData, thresholds, 9).result, WriteOutcome::Result::Written);
  EXPECT_EQ(storedSet(kUserData), (std::vector<long long>{0, 1, 40, 80, 2, 9}));

  sim.registry.administrator = false;
  WriteOutcome refused = store::writeKeySet(kMachineConf, thresholds, 9);
  EXPECT_EQ(refused.result, WriteOutcome::Result::Refused);
  EXPECT_EQ(refused.failedValue, store::kChargeStartControl);
  EXPECT_EQ(refused.failedAt, 0u);

  sim.registry.alterRead = [](const sys::sim::RegCall& call, sys::RegValue& value) {
    if (call.name == store::kAutomatic) value = sys::dwordValue(7);
  };
  WriteOutcome mismatch = store::writeKeySet(store::userDataKeyOf(u"1ZZ1111AAAA"), thresholds, 9);
  EXPECT_EQ(mismatch.result, WriteOutcome::Result::Mismatch);
  EXPECT_EQ(mismatch.failedAt, 4u);
  EXPECT_FALSE(stored(store::userDataKeyOf(u"1ZZ1111AAAA"), store::kFirstInstID).has_value());

  sim.registry.alterRead = nullptr;
  sim.registry.failWhen = [](const sys::sim::RegCall& call) -> std::optional<sys::Status> {
    if (call.op == sys::sim::RegOp::Set && call.name == store::kChargeStopPercentage) return sys::kWriteFault;
    return std::nullopt;
  };
  WriteOutcome error = store::writeKeySet(kUserData, thresholds, 9);
  EXPECT_EQ(error.result, WriteOutcome::Result::Error);
  EXPECT_EQ(error.failedValue, store::kChargeStopPercentage);
  EXPECT_FALSE(error.reason.empty());
}

// The installed batteries' keys lie beside the barcodes' and registry names
// match without case: no spelling of them is a battery to save or remove.
TEST_F(StoreModelTest, ThePowerManagersInstalledBatteryKeysAreNeverABattery) {
  seed(kMachineConf, {});
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(1), store::kBarcodeNumber,
                   sys::stringValue(u"1ZZ1111AAAA"));
  sim.registry.calls.clear();
  EXPECT_TRUE(store::saveSelection(u"battery1", {}, {}, 0).empty());
  EXPECT_TRUE(store::removeBattery(u"Battery1").empty());
  EXPECT_EQ(store::writeSet(u"", {u"BATTERY9", u"1ZZ1111AAAA"}),
            (std::vector<KeySet>{store::userDataKeyOf(u"1ZZ1111AAAA"),
                                 store::machineConfigurationKeyOf(u"1ZZ1111AAAA"),
                                 kUserData,
                                 kMachineConf,
                                 {store::kMachine, store::kMachineDataKey}}));
  EXPECT_TRUE(sim.registry.calls.empty());
  EXPECT_TRUE(sim.registry.exists(RootKey::LocalMachine, store::installedBatteryKey(1)));
}

TEST_F(StoreModelTest, ASelectionLoadsItsFirstCompleteKeySetOverWhatIncompleteOnesLeft) {
  sim.registry.put(RootKey::LocalMachine, store::kMachineConfigurationKey, store::kChargeStopPercentage,
                   sys::dwordValue(88));
  store::SelectionLoad incomplete = store::loadSelection(u"");
  EXPECT_FALSE(incomplete.source.has_value());
  EXPECT_EQ(incomplete.thresholds, (store::Thresholds{88, store::kDefaultLowLevel, false, false}));

  seedUserData({1, 0, 30, 70});
  store::SelectionLoad load = store::loadSelection(u"1ZZ1111AAAA");
  ASSERT_TRUE(load.source.has_value());
  EXPECT_EQ(*load.source, kUserData);
  EXPECT_EQ(load.thresholds, (store::Thresholds{70, 30, false, true}));
  EXPECT_EQ(load.reads.size(), 5u) << "the battery's two key sets, then the three general ones";
}

TEST_F(StoreModelTest, GatheringKeepsWhereEachBarcodeWasFoundAndWhatCameBeforeAnError) {
  seed(store::machineConfigurationKeyOf(u"1ZZ1111AAAA"), {});
  seedBattery(u"2YY2222BBBB");
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(1), store::kBarcodeNumber,
                   sys::stringValue(u"3XX3333CCCC"));
  store::KnownBarcodes known;
  store::gatherBarcodes(u"selected", known);
  EXPECT_EQ(known.barcodes, (std::vector<Text>{u"1ZZ1111AAAA", u"2YY2222BBBB", u"3XX3333CCCC", u"selected"}));
  EXPECT_EQ(known.origins, (std::vector<store::BarcodeOrigin>{
                               store::BarcodeOrigin::MachineConfigurationKey, store::BarcodeOrigin::UserDataKey,
                               store::BarcodeOrigin::InstalledBattery, store::BarcodeOrigin::CurrentSelection}));
  EXPECT_EQ(known.slots, (std::vector<int>{0, 0, 1, 0}));

  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(2), store::kBarcodeNumber, sys::dwordValue(4));
  store::KnownBarcodes stopped;
  EXPECT_ANY_THROW(store::gatherBarcodes(u"selected", stopped));
  EXPECT_EQ(stopped.barcodes.size(), 3u) << "what came before the unreadable slot, without the selection";
  EXPECT_EQ(stopped.origins.size(), 3u);
}

// The power manager, a 32-bit program, keeps its machine keys under
// Wow6432Node on 64-bit Windows and under SOFTWARE on 32-bit Windows.
class BothKindsOfWindows : public ProgramTest, public ::testing::WithParamInterface<bool> {};

TEST_P(BothKindsOfWindows, TheMachineKeysAreReadAndWrittenWhereThePowerManagerKeepsThemAndNowhereElse) {
  const bool windows64 = GetParam();
  sim.registry.windows64 = windows64;
  const Text home = windows64 ? u"SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV" : u"SOFTWARE\\Lenovo\\PWRMGRV";
  seed(kMachineConf, {1, 1, 40, 80});
  ASSERT_TRUE(sim.registry.existsAsWritten(RootKey::LocalMachine, home + u"\\ConfKeys\\Data"));
  sim.registry.put(RootKey::LocalMachine, store::kInstallInformationKey, store::kFirstInstID, sys::dwordValue(5));

  EXPECT_TRUE(store::powerManagerPresent());
  store::SelectionLoad load = store::loadSelection(u"");
  ASSERT_TRUE(load.source.has_value());
  EXPECT_EQ(*load.source, kMachineConf);
  EXPECT_EQ(store::readFirstInstID(), 5);
  for (const store::KeySetWrite& write : store::saveSelection(u"", {u"1ZZ1111AAAA"}, {90, 50, true, true}, 5)) {
    EXPECT_EQ(write.outcome.result, WriteOutcome::Result::Written) << toUtf8(write.keySet.path);
  }
  EXPECT_EQ(sim.registry.getDword(RootKey::LocalMachine, home + u"\\Data", store::kChargeStopPercentage), 90u);
  EXPECT_EQ(sim.registry.getDword(RootKey::LocalMachine, home + u"\\ConfKeys\\Data\\1ZZ1111AAAA",
                                  store::kChargeStartPercentage),
            50u);
  EXPECT_FALSE(
      sim.registry.existsAsWritten(RootKey::LocalMachine, windows64 ? u"SOFTWARE\\Lenovo" : u"SOFTWARE\\Wow6432Node"))
      << "no tree that nothing reads";
  EXPECT_EQ(store::pathOnThisMachine(kMachineConf), home + u"\\ConfKeys\\Data") << "as regedit shows it there";
  EXPECT_EQ(store::pathOnThisMachine(kUserData), store::kUserDataKey);
}

INSTANTIATE_TEST_SUITE_P(Windows, BothKindsOfWindows, ::testing::Bool(),
                         [](const auto& kind) { return kind.param ? "SixtyFourBit" : "ThirtyTwoBit"; });

}  // namespace
}  // namespace kst::testing

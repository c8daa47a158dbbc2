// Which texts are barcodes, and how the known barcodes are gathered.
#include "battery/barcodes.h"

#include "tests/native/program_fixture.h"

namespace kst::testing {
namespace {

TEST(BarcodeValidity, ElevenDigitsAndCapitalsWithAtLeastTwoOfEach) {
  EXPECT_TRUE(isValidBatteryIDText(u"ABCDEFGHI12"));
  EXPECT_TRUE(isValidBatteryIDText(u"AB123456789"));
  EXPECT_TRUE(isValidBatteryIDText(u"1ZZ1234ABCD"));
}

TEST(BarcodeValidity, TooFewDigitsOrLettersOrTheWrongLength) {
  EXPECT_FALSE(isValidBatteryIDText(u"ABCDEFGHIJ1"));
  EXPECT_FALSE(isValidBatteryIDText(u"A1234567890"));
  EXPECT_FALSE(isValidBatteryIDText(u"ABCDEFGHIJK"));
  EXPECT_FALSE(isValidBatteryIDText(u"ABCDEFGH12"));
  EXPECT_FALSE(isValidBatteryIDText(u"ABCDEFGHI123"));
  EXPECT_FALSE(isValidBatteryIDText(u""));
}

TEST(BarcodeValidity, OneForeignCharacterSpoilsIt) {
  for (const Text& s : {Text(u"ABCDEFGHa12"), Text(u"ABCDEFGH 12"), Text(u"ABCDEFGH-12"), Text(u"ABCDEFGH\u00C412"),
                        Text(u"ABCDEFGH\\12"), Text(u"ABCDEFGH/12")}) {
    EXPECT_FALSE(isValidBatteryIDText(s)) << utf8(s);
  }
}

TEST(BarcodeValidity, SeparatorsNameOtherKeys) {
  EXPECT_TRUE(store::barcodeNamesOtherKeys(u"A\\B"));
  EXPECT_TRUE(store::barcodeNamesOtherKeys(u"\\"));
  EXPECT_TRUE(store::barcodeNamesOtherKeys(u"x/y"));
  EXPECT_FALSE(store::barcodeNamesOtherKeys(u"1ZZ 1234-ab"));
}

class BarcodeGatheringTest : public ProgramTest {};

TEST_F(BarcodeGatheringTest, AddingKeepsTheListFreeOfCaseBlindRepeats) {
  knownBarcodes.clear();
  EXPECT_FALSE(addBarcode(knownBarcodes, u"", false));
  EXPECT_FALSE(addBarcode(knownBarcodes, u"not valid", true));
  EXPECT_TRUE(addBarcode(knownBarcodes, u"not valid", false));
  EXPECT_TRUE(addBarcode(knownBarcodes, u"1zz1234abcd", false));
  EXPECT_FALSE(addBarcode(knownBarcodes, u"1ZZ1234ABCD", true));
  EXPECT_EQ(knownBarcodes, (std::vector<Text>{u"not valid", u"1zz1234abcd"})) << "stored as given";
  EXPECT_FALSE(isNewBarcode(u"1zz1234abcd"));
  EXPECT_TRUE(isNewBarcode(u"1ZZ1234ABCD")) << "new means no exact match";
}

TEST_F(BarcodeGatheringTest, SubkeysThenInstalledBatteriesThenTheSelection) {
  seedUserData();
  sim.registry.putKey(RootKey::LocalMachine, store::kMachineConfigurationKey + u"\\2BB2222BBBB");
  sim.registry.putKey(RootKey::LocalMachine, store::kMachineConfigurationKey + u"\\1AA1111AAAA");
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(1), store::kBarcodeNumber,
                   sys::stringValue(u"9II9999IIII"));
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(3), store::kBarcodeNumber,
                   sys::stringValue(u"1AA1111AAAA"));
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(9), store::kBarcodeNumber,
                   sys::stringValue(u" 8HH8888HHH"));
  seedBattery(u"0CC0000CCCC");
  seedBattery(u"2BB2222BBBB");
  seedBattery(u"Battery1");
  start();
  currentBarcode = u"0cc0000cccc";
  collectBarcodes();
  EXPECT_EQ(knownBarcodes, (std::vector<Text>{u"1AA1111AAAA", u"2BB2222BBBB", u"0CC0000CCCC", u"9II9999IIII"}))
      << "Battery1 falls out; a listed lower-case selection is not added again";
  currentBarcode = u"my battery";
  collectBarcodes();
  EXPECT_EQ(knownBarcodes.back(), u"my battery") << "the current selection is listed even when invalid";
  EXPECT_EQ(knownBarcodes.size(), 5u);
}

TEST_F(BarcodeGatheringTest, NoBarcodesStoredGivesAnEmptyList) {
  seedUserData();
  start();
  EXPECT_TRUE(knownBarcodes.empty());
}

TEST_F(BarcodeGatheringTest, BarcodeNumberOfAnotherTypeStopsTheGatheringThere) {
  seedUserData();
  seedBattery(u"1AA1111AAAA");
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(2), store::kBarcodeNumber, sys::dwordValue(7));
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(3), store::kBarcodeNumber,
                   sys::stringValue(u"3CC3333CCCC"));
  start();
  currentBarcode = u"2BB2222BBBB";
  EXPECT_ANY_THROW(collectBarcodes());
  EXPECT_EQ(knownBarcodes, std::vector<Text>{u"1AA1111AAAA"});
}

}  // namespace
}  // namespace kst::testing

// Whatever the store holds, the program shows only its own messages or the
// error handler's, never crashes, and writes or deletes only what the user
// asked for.
#include "battery/barcodes.h"
#include "settings/model/registry_access.h"
#include "settings/threshold_editor.h"
#include "tests/native/program_fixture.h"

namespace kst::testing {
namespace {

using sys::RegValue;
using sys::sim::RegCall;
using sys::sim::RegOp;
namespace type = sys::valuetype;

struct Hostile {
  const char* name;
  RegValue value;
};

RegValue raw(uint32_t valueType, std::vector<uint8_t> data) { return {valueType, std::move(data)}; }

RegValue stringWithoutNul(const Text& text) {
  RegValue value = sys::stringValue(text);
  value.data.resize(value.data.size() - 2);
  return value;
}

std::vector<Hostile> hostileValues() {
  return {
      {"dword 0", sys::dwordValue(0)},
      {"dword 1", sys::dwordValue(1)},
      {"dword 2", sys::dwordValue(2)},
      {"dword 2147483647", sys::dwordValue(2147483647u)},
      {"dword 2147483648", sys::dwordValue(2147483648u)},
      {"dword 4294967295", sys::dwordValue(4294967295u)},
      {"dword of two bytes", raw(type::kDword, {1, 0})},
      {"big-endian dword", raw(type::kDwordBigEndian, {0, 0, 0, 50})},
      {"qword", raw(type::kQword, {50, 0, 0, 0, 0, 0, 0, 0})},
      {"empty string", sys::stringValue(u"")},
      {"barcode string", sys::stringValue(u"1ZZ1234ABCD")},
      {"long string", sys::stringValue(Text(40000, u'7'))},
      {"string without NUL", stringWithoutNul(u"2YY2345BCDE")},
      {"odd-length string", raw(type::kSz, {'A', 0, 'B'})},
      {"expand string", sys::stringValue(u"%PATH%", type::kExpandSz)},
      {"multi string", raw(type::kMultiSz, {'A', 0, 0, 0, 'B', 0, 0, 0, 0, 0})},
      {"binary", raw(type::kBinary, {0xFF, 0xFF, 0xFF, 0xFF})},
      {"empty binary", raw(type::kBinary, {})},
      {"none", raw(type::kNone, {})},
      {"link", raw(type::kLink, {'x', 0})},
  };
}

const std::vector<Text> kValueNames = {
    store::kChargeStartControl, store::kChargeStopControl, store::kChargeStartPercentage, store::kChargeStopPercentage,
    store::kAutomatic,          store::kFirstInstID,       store::kBarcodeNumber};

// The program's own texts, and the starts of the registry layer's errors
// that the general error handler shows.
bool programMessage(const Text& text) {
  static const std::vector<Text> exact = {store::kReadErrorMessage, store::kWriteErrorMessage, store::kRestartQuestion,
                                          kKeysMissingMessage,      kUnsavedQuestion,          kGapMessage};
  static const std::vector<Text> starts = {u"Invalid data type for ",
                                           u"The number ",
                                           u"The negative number ",
                                           u"Failed to write ",
                                           u"Please note:  ",
                                           u"Remove specific settings from registry?",
                                           u"Do you want to save settings for the new battery now?"};
  for (const Text& t : exact) {
    if (text == t) return true;
  }
  for (const Text& s : starts) {
    if (text.rfind(s, 0) == 0) return true;
  }
  return false;
}

class HostileStoreTest : public ProgramTest, public ::testing::WithParamInterface<Hostile> {
 protected:
  void fillEveryKey(const RegValue& value) {
    std::vector<store::KeySet> keys = store::generalReadOrder();
    keys.push_back({store::kMachine, store::kInstallInformationKey});
    for (char16_t n = u'1'; n <= u'9'; ++n) keys.push_back({store::kMachine, store::installedBatteryKey(n - u'0')});
    for (const Text& barcode : {kBarcode, Text(u"1zz9999abcd")}) {
      keys.push_back(store::userDataKeyOf(barcode));
      keys.push_back(store::machineConfigurationKeyOf(barcode));
    }
    for (const store::KeySet& key : keys) {
      for (const Text& name : kValueNames) sim.registry.put(rootOf(key.root), key.path, name, value);
    }
    for (const Text& odd : {Text(255, u'N'), Text(u"\U0001F50B1ZZ1234ABC"), Text(u"a/b"), Text(u"1ZZ1234ABC/")}) {
      sim.registry.putKey(RootKey::CurrentUser, store::kUserDataKey + u"\\" + odd);
    }
    for (int i = 0; i < 1000; ++i) {
      Text digits = decimal(1000 + i);
      sim.registry.putKey(RootKey::LocalMachine, store::kMachineConfigurationKey + u"\\1ZZ" + digits + u"ABCD");
    }
  }
  // What the program changed in the store, as "op path".
  std::vector<std::string> changes() const {
    std::vector<std::string> result;
    for (const RegCall& call : sim.registry.calls) {
      if (call.op == RegOp::Set || call.op == RegOp::Delete || call.op == RegOp::Create) {
        result.push_back(std::to_string(static_cast<int>(call.op)) + " " + utf8(call.path));
      }
    }
    return result;
  }
  void expectOnlyProgramMessages() {
    for (const auto& dialog : app.dialogs) EXPECT_TRUE(programMessage(dialog.text)) << utf8(dialog.text);
  }
  const Text kBarcode = u"1ZZ1234ABCD";
};

TEST_P(HostileStoreTest, ShowingLoadingChoosingRemovingAndSavingStayWithinTheRules) {
  fillEveryKey(GetParam().value);
  app.guarded([&] { start(); });
  app.guarded([&] { main().btGetValues.click(); });
  EXPECT_TRUE(changes().empty()) << "showing and loading write nothing";

  app.whenShown("TchooseBattery", [&](tk::Form& form) {
    auto& c = static_cast<TchooseBattery&>(form);
    if (c.batteryRadioButtons.size() > 2) {
      c.batteryRadioButtons[1]->click();
      app.answer(ModalResult::Yes);
      c.btRemove.click();
    }
    c.btCancel.click();
  });
  sim.registry.calls.clear();
  app.guarded([&] { main().btBatteryID.click(); });
  for (const RegCall& call : sim.registry.calls) {
    EXPECT_NE(call.op, RegOp::Set);
    EXPECT_NE(call.op, RegOp::Create);
    if (call.op != RegOp::Delete) continue;
    bool ownKey = false;
    for (const Text& base : {store::kMachineConfigurationKey, store::kUserDataKey}) {
      if (call.path.rfind(base + u"\\", 0) == 0 && call.path.size() > base.size() + 1) ownKey = true;
    }
    EXPECT_TRUE(ownKey) << "Remove deletes one battery's keys only: " << utf8(call.path);
  }
  EXPECT_TRUE(sim.registry.exists(RootKey::CurrentUser, store::kUserDataKey));
  EXPECT_TRUE(sim.registry.exists(RootKey::LocalMachine, store::kMachineConfigurationKey));

  sim.registry.calls.clear();
  app.guarded([&] { main().btSaveSettings.click(); });
  std::vector<Text> allowed;
  for (const store::KeySet& key : store::writeSet(currentBarcode, knownBarcodes)) allowed.push_back(key.path);
  for (const RegCall& call : sim.registry.calls) {
    if (call.op != RegOp::Set) continue;
    EXPECT_NE(std::find(allowed.begin(), allowed.end(), call.path), allowed.end()) << utf8(call.path);
  }
  for (const RegCall& call : sim.registry.calls) EXPECT_NE(call.op, RegOp::Delete);
  expectOnlyProgramMessages();
  EXPECT_FALSE(inFormShow);
  EXPECT_TRUE(main().BatteryStatusTimer.enabled());
}

INSTANTIATE_TEST_SUITE_P(EveryKind, HostileStoreTest, ::testing::ValuesIn(hostileValues()),
                         [](const ::testing::TestParamInfo<Hostile>& info) {
                           std::string name;
                           for (char c : std::string(info.param.name)) name += std::isalnum(c) ? c : '_';
                           return name;
                         });

// A key that refuses the rights of a full read is asked again with fewer;
// one that is not there is asked once.
TEST(RegistryFallback, ARefusedKeyIsAskedWithFewerRightsAndAMissingOneOnlyOnce) {
  sys::sim::SimSystem sim;
  sim.registry.put(RootKey::CurrentUser, u"Narrow", u"V", sys::dwordValue(5));
  sim.registry.restrict(RootKey::CurrentUser, u"Narrow", sys::access::kQueryValue);
  auto rightsAsked = [&] {
    std::vector<uint32_t> rights;
    for (const RegCall& call : sim.registry.calls) {
      if (call.op == RegOp::Open) rights.push_back(call.access & ~sys::access::kView32);
    }
    sim.registry.calls.clear();
    return rights;
  };
  namespace access = sys::access;
  bool found = false;
  EXPECT_EQ(readRegInteger(u"HKCU", u"Narrow", u"V", found), 5);
  EXPECT_EQ(rightsAsked(),
            (std::vector<uint32_t>{access::kRead,
                                   access::kStandardRightsRead | access::kQueryValue | access::kEnumerateSubKeys,
                                   access::kQueryValue}));
  EXPECT_EQ(readRegInteger(u"HKCU", u"Missing", u"V", found), 0);
  EXPECT_FALSE(found);
  EXPECT_EQ(rightsAsked(), std::vector<uint32_t>{access::kRead});
}

}  // namespace
}  // namespace kst::testing

// A save for all batteries, run once per registry call it makes, with that
// one call failing: the user hears of it as the program says, and no key set
// holds anything but its old values and a first part of the new ones.
#include "cli/cli.h"
#include "tests/native/program_fixture.h"

namespace kst::testing {
namespace {

using sys::sim::RegCall;
using sys::sim::RegOp;

const std::vector<Text> kBarcodes = {u"1AA1111AAAA", u"2BB2222BBBB", u"3CC3333CCCC"};
// The install identifier is the power manager's own and the same in every
// key set; a failed read of it falls back to the user data key's copy.
const std::vector<long long> kOld = {0, 0, 20, 50, 1, 123456};
const std::vector<long long> kNew = {1, 1, 40, 80, 2, 123456};

class InjectedFaultTest : public ProgramTest {
 protected:
  std::vector<store::KeySet> keySets() const { return store::writeSet(u"", kBarcodes); }

  // Every key set of the write set holds old values; the editor shows new ones.
  void prepare() {
    for (const store::KeySet& key : keySets()) {
      seed(key, {0, 0, 20, 50});
      sim.registry.put(rootOf(key.root), key.path, store::kAutomatic, sys::dwordValue(1));
      sim.registry.put(rootOf(key.root), key.path, store::kFirstInstID, sys::dwordValue(123456));
    }
    sim.registry.put(RootKey::LocalMachine, store::kInstallInformationKey, store::kFirstInstID,
                     sys::dwordValue(123456));
    start();
    ASSERT_EQ(knownBarcodes, kBarcodes);
    main().lbLowLevel.click();
    main().lbHighLevel.click();
    typeInto(main().seLowLevel, u"40");
    typeInto(main().seHighLevel, u"80");
    app.dialogs.clear();
  }
  // Saves with the registry call of this number failing; -1 fails none.
  // Returns how many calls the save made that could fail.
  int saveFailing(int failing, RegCall& failed) {
    int index = 0;
    sim.registry.failWhen = [&](const RegCall& call) -> std::optional<sys::Status> {
      if (call.op == RegOp::Close) return std::nullopt;
      if (index++ != failing) return std::nullopt;
      failed = call;
      return call.op == RegOp::Set ? sys::kWriteFault : sys::kAccessDenied;
    };
    main().btSaveSettings.click();
    sim.registry.failWhen = nullptr;
    return index;
  }
};

TEST_F(InjectedFaultTest, EachFailingCallIsReportedAndLeavesOldOrFirstNewValues) {
  int calls = 0;
  {
    prepare();
    RegCall none{};
    calls = saveFailing(-1, none);
    for (const store::KeySet& key : keySets()) EXPECT_EQ(storedSet(key), kNew);
    EXPECT_EQ(dialogCount(store::kRestartQuestion), 0u);
    program.reset();
  }
  ASSERT_GT(calls, 7 * 6 * 2);
  for (int failing = 0; failing < calls; ++failing) {
    SCOPED_TRACE("failing call " + std::to_string(failing));
    sim.registry.calls.clear();
    prepare();
    RegCall failed{};
    saveFailing(failing, failed);
    size_t partial = 0;
    for (const store::KeySet& key : keySets()) {
      std::vector<long long> values = storedSet(key);
      size_t firstOld = 0;
      while (firstOld < values.size() && values[firstOld] == kNew[firstOld]) ++firstOld;
      for (size_t i = firstOld; i < values.size(); ++i) {
        EXPECT_EQ(values[i], kOld[i]) << utf8(key.path) << " value " << i;
      }
      if (firstOld < values.size()) ++partial;
    }
    EXPECT_LE(partial, 1u) << "only the key set of the failing call is incomplete";
    ASSERT_FALSE(app.dialogs.empty());
    const Text notice = app.dialogs.back().text;
    EXPECT_EQ(notice.rfind(u"Please note:  ", 0), 0u) << "six key sets were still written";
    // One message at most tells of the failing key set, and the notice names it.
    const size_t reports = app.dialogs.size() - 1, questions = dialogCount(store::kRestartQuestion);
    EXPECT_LE(reports, 1u);
    if (partial == 1) {
      EXPECT_EQ(reports, 1u);
    }
    const Text failedKeySet =
        store::keySetName({failed.root == RootKey::LocalMachine ? store::kMachine : store::kUser, failed.path});
    if (reports == 1) {
      EXPECT_TRUE(notice.ends_with(u"\r\n\r\nNot saved:\r\n   " + failedKeySet)) << utf8(notice);
    }
    if (failed.op == RegOp::Set) {
      EXPECT_EQ(app.dialogs[0].text.rfind(store::kWriteErrorMessage + u"\r\n     " + failedKeySet + u": ", 0), 0u)
          << "the error names its key set";
    }
    EXPECT_EQ(questions, failed.op == RegOp::Create ? reports : 0u) << "only a refused key offers the restart";
    EXPECT_FALSE(valueChanged);
    program.reset();
  }
}

// A key Windows cannot make or delete for another reason than rights: the
// message box and the command line both say which call failed on which
// key, in Windows' words for the status, and offer no restart.
TEST_F(InjectedFaultTest, AKeyThatCannotBeMadeOrDeletedIsToldInWindowsWordsWithTheCallAndTheKey) {
  prepare();
  const store::KeySet failing = store::machineConfigurationKeyOf(kBarcodes[1]);
  sim.registry.failWhen = [&](const RegCall& call) -> std::optional<sys::Status> {
    if (call.op == RegOp::Create && call.path == failing.path) return sys::kWriteFault;
    return std::nullopt;
  };
  const Text why = u"Failed to open \"" + failing.path + u"\" for writing: Write fault (29).";
  main().btSaveSettings.click();
  ASSERT_EQ(app.dialogs.size(), 2u);
  EXPECT_EQ(app.dialogs[0].text,
            store::kWriteErrorMessage + u"\r\n     " + store::keySetName(failing) + u": " + why + u"     ");
  EXPECT_EQ(dialogCount(store::kRestartQuestion), 0u);
  EXPECT_EQ(storedSet(failing), kOld);

  const cli::Outcome set = cli::run(std::vector<Text>{u"set", u"--low", u"30"});
  EXPECT_EQ(set.exitCode, cli::kUnexpectedError);
  const std::string line =
      "error: " + utf8(store::keySetName(failing)) + " (writing ChargeStartControl failed: " + utf8(why) + ")\n";
  EXPECT_NE(set.out.find(line), std::string::npos) << set.out;

  const store::KeySet userKey = store::userDataKeyOf(kBarcodes[1]);
  const std::vector<long long> userKeyBefore = storedSet(userKey);
  sim.registry.failWhen = [&](const RegCall& call) -> std::optional<sys::Status> {
    if (call.op == RegOp::Delete && call.path == failing.path) return sys::kWriteFault;
    return std::nullopt;
  };
  const cli::Outcome remove = cli::run(std::vector<Text>{u"remove", u"--battery", kBarcodes[1]});
  EXPECT_EQ(remove.exitCode, cli::kUnexpectedError);
  EXPECT_EQ(remove.err, "Failed to delete \"" + utf8(failing.path) + "\": Write fault (29).\n");
  EXPECT_EQ(storedSet(userKey), userKeyBefore) << "the user key stays while the machine key is there";
}

}  // namespace
}  // namespace kst::testing

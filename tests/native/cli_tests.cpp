// The command line over the simulated store and battery devices: each
// command's output, exit code and what it leaves in the store.
#include "cli/cli.h"

#include "settings/model/registry_access.h"
#include "settings/threshold_editor.h"
#include "tests/native/program_fixture.h"

namespace kst::testing {
namespace {

using store::KeySet;
using sys::sim::RegOp;

const Text kA = u"1ZZ1111AAAA";
const Text kB = u"2YY2222BBBB";
const KeySet kUserData{store::kUser, store::kUserDataKey};
const Text kUser = sys::sim::SimRegistry::kFirstUser;
const Text kAdministrator = sys::sim::SimRegistry::kSecondUser;

class CliTest : public ProgramTest {
 protected:
  cli::Outcome run(std::initializer_list<const char16_t*> words) {
    std::vector<Text> arguments(words.begin(), words.end());
    return cli::run(arguments);
  }
  size_t writesSoFar() const {
    return static_cast<size_t>(std::count_if(sim.registry.calls.begin(), sim.registry.calls.end(),
                                             [](const auto& call) { return call.op == RegOp::Set; }));
  }
  void makeMachineHiveReadOnly() { sim.registry.administrator = false; }
  // A standard user's elevated prompt: it runs as the administrator whose
  // password was typed, on the user's desktop.
  void runAsAdministratorOnUsersDesktop() {
    sim.registry.currentUser = kAdministrator;
    sim.account.desktopUser = kUser;
    sim.account.token = sys::TokenKind::Elevated;
  }
  // A key set in the hive of the account with this SID, under HKEY_USERS.
  std::vector<long long> storedSetOf(const Text& sid, const KeySet& keySet) {
    const Text current = sim.registry.currentUser;
    sim.registry.currentUser = sid;
    std::vector<long long> values = storedSet(keySet);
    sim.registry.currentUser = current;
    return values;
  }
  static bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
};

TEST_F(CliTest, ArgumentsThatMakeNoSenseAreRefusedWithTheirReason) {
  for (auto words : {std::initializer_list<const char16_t*>{u"frobnicate"},
                     {u"get", u"--high", u"80"},
                     {u"get", u"--battery"},
                     {u"set", u"extra"},
                     {u"--battery", u"X", u"get"},
                     {u"get", u"--battery", kA.c_str(), u"--battery", kB.c_str()},
                     {u"get", u"--user"},
                     {u"get", u"--user", u""},
                     {u"--user", u"THINKPAD\\user", u"get", u"--user", u"THINKPAD\\admin"}}) {
    cli::Outcome outcome = run(words);
    EXPECT_EQ(outcome.exitCode, cli::kBadInput) << toUtf8(*words.begin());
    EXPECT_TRUE(outcome.out.empty());
    EXPECT_TRUE(has(outcome.err, "kestrane-cli --help")) << outcome.err;
  }
  EXPECT_EQ(run({}).exitCode, cli::kBadInput) << "no command";
}

TEST_F(CliTest, HelpForEveryCommandAndTheVersionAsTheInfoBoxShowsIt) {
  for (const char16_t* command :
       {u"status", u"get", u"set", u"batteries", u"remove", u"export", u"import", u"health"}) {
    cli::Outcome outcome = run({command, u"--help"});
    EXPECT_EQ(outcome.exitCode, cli::kDone);
    EXPECT_TRUE(has(outcome.out, "Usage: kestrane-cli " + toUtf8(command))) << outcome.out;
  }
  EXPECT_TRUE(has(run({u"--help"}).out, "Exit codes: 0 done"));
  EXPECT_TRUE(has(run({u"--help"}).out, "Usage: kestrane-cli [--json] [--user NAME|SID] COMMAND"));
  EXPECT_TRUE(has(run({u"remove", u"--help"}).out, "--user NAME|SID reaches that user's keys"));
  sim.version.setVersion(u"1.2.3.4");
  sim.version.infoPath = sim.shell.exePath;
  EXPECT_EQ(run({u"--version"}).out, "Kestrane - Version 1.2.3.4\n");
}

TEST_F(CliTest, GetShowsWhatGetValuesShowsAndWhereItCameFrom) {
  seedUserData({1, 0, 40, 80});
  seed(store::machineConfigurationKeyOf(kA), {0, 1, 99, 3});
  cli::Outcome all = run({u"get"});
  EXPECT_EQ(all.exitCode, cli::kDone);
  EXPECT_EQ(all.out,
            "all batteries: Charging starts below 40% and stops at 80% (inactive).\n"
            "From HKCU\\SOFTWARE\\Lenovo\\PWRMGRV\\Data\n");
  cli::Outcome battery = run({u"get", u"--battery", kA.c_str(), u"--json"});
  EXPECT_EQ(battery.out,
            "{\"selection\":\"1ZZ1111AAAA\",\"thresholds\":{\"high\":5,\"highActive\":true,"
            "\"low\":96,\"lowActive\":false},\"source\":\"HKLM\\\\SOFTWARE\\\\Wow6432Node\\\\Lenovo"
            "\\\\PWRMGRV\\\\ConfKeys\\\\Data\\\\1ZZ1111AAAA\"}\n")
      << "99 and 3 are shown as the spin edits' 96 and 5";
  cli::Outcome other = run({u"get", u"--battery", kB.c_str()});
  EXPECT_TRUE(has(other.out, "From HKCU\\SOFTWARE\\Lenovo\\PWRMGRV\\Data")) << "a battery without keys of its own";
}

TEST_F(CliTest, GetWithoutACompleteKeySetShowsTheDefaultsAndSaysSo) {
  EXPECT_EQ(run({u"get"}).exitCode, cli::kPowerManagerMissing) << "no power manager at all";
  sim.registry.put(RootKey::CurrentUser, store::kUserDataKey, store::kChargeStopPercentage, sys::dwordValue(88));
  cli::Outcome outcome = run({u"get", u"--json"});
  EXPECT_EQ(outcome.exitCode, cli::kPowerManagerMissing);
  EXPECT_TRUE(has(outcome.out, "\"high\":88,\"highActive\":false,\"low\":45,\"lowActive\":false")) << outcome.out;
  EXPECT_TRUE(has(outcome.out, "\"source\":null"));
  EXPECT_TRUE(has(outcome.err, "Needed registry keys not present"));
}

TEST_F(CliTest, SetChangesOnlyWhatItIsGivenAndWritesTheWindowsWriteSet) {
  seedUserData({1, 1, 40, 80});
  seedBattery(kA);
  sim.registry.put(RootKey::LocalMachine, store::kInstallInformationKey, store::kFirstInstID, sys::dwordValue(777));
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(1), store::kBarcodeNumber, sys::stringValue(kB));
  cli::Outcome outcome = run({u"set", u"--high", u"90", u"--low", u"off"});
  EXPECT_EQ(outcome.exitCode, cli::kDone) << outcome.err;
  const std::vector<KeySet> expected = store::writeSet(u"", {kA, kB});
  ASSERT_EQ(expected.size(), 7u);
  for (const KeySet& keySet : expected) {
    EXPECT_EQ(storedSet(keySet), (std::vector<long long>{0, 1, 40, 90, 2, 777})) << toUtf8(keySet.path);
    // On 64-bit Windows a machine key is named where regedit shows it.
    const Text shown = keySet.root == store::kMachine ? u"HKLM\\SOFTWARE\\Wow6432Node" + keySet.path.substr(8)
                                                      : keySet.root + u"\\" + keySet.path;
    EXPECT_TRUE(has(outcome.out, "written: " + toUtf8(shown) + "\n")) << toUtf8(shown);
  }
  EXPECT_TRUE(has(outcome.out, "Charging starts below 40% (inactive) and stops at 90%."));
}

TEST_F(CliTest, SetForOneBatteryWritesItsUserDataKeyThenItsMachineConfigurationKey) {
  seedUserData({1, 1, 40, 80});
  cli::Outcome outcome = run({u"set", u"--battery", kA.c_str(), u"--high", u"70", u"--high", u"off", u"--json"});
  EXPECT_EQ(outcome.exitCode, cli::kDone);
  EXPECT_EQ(storedSet(store::userDataKeyOf(kA)), (std::vector<long long>{1, 0, 40, 70, 2, 0}));
  EXPECT_EQ(storedSet(store::machineConfigurationKeyOf(kA)), (std::vector<long long>{1, 0, 40, 70, 2, 0}));
  EXPECT_EQ(storedSet(kUserData), (std::vector<long long>{1, 1, 40, 80, -1, -1})) << "the general key set stays";
  EXPECT_LT(outcome.out.find("Data\\\\1ZZ1111AAAA\",\"result\":\"written\""),
            outcome.out.find("ConfKeys\\\\Data\\\\1ZZ1111AAAA\",\"result\":\"written\""));
}

TEST_F(CliTest, SetRefusesNumbersOutOfRangeAndTooCloseWithoutWritingAnything) {
  seedUserData({1, 1, 40, 80});
  const size_t before = writesSoFar();
  for (auto words : {std::initializer_list<const char16_t*>{u"set", u"--high", u"101"},
                     {u"set", u"--low", u"0"},
                     {u"set", u"--low", u"97"},
                     {u"set", u"--high", u"4"},
                     {u"set", u"--high", u"-80"},
                     {u"set", u"--high", u"8o"},
                     {u"set", u"--high", u"80", u"--high", u"81"},
                     {u"set", u"--low", u"on", u"--low", u"off"},
                     {u"set"}}) {
    cli::Outcome outcome = run(words);
    EXPECT_EQ(outcome.exitCode, cli::kBadInput) << outcome.err;
  }
  cli::Outcome threePoints = run({u"set", u"--low", u"77"});
  EXPECT_EQ(threePoints.exitCode, cli::kBadInput);
  EXPECT_TRUE(has(threePoints.err, toUtf8(kGapMessage)));
  EXPECT_EQ(run({u"set", u"--low", u"76"}).exitCode, cli::kDone) << "exactly four points apart";
  EXPECT_EQ(storedSet(kUserData)[2], 76);
  EXPECT_GT(writesSoFar(), before);
  const size_t afterGoodSave = writesSoFar();
  run({u"set", u"--high", u"79"});
  EXPECT_EQ(writesSoFar(), afterGoodSave) << "79 and 76 are three points apart";
  EXPECT_EQ(run({u"set", u"--high", u"100", u"--low", u"1"}).exitCode, cli::kDone) << "the ends of the ranges";
  EXPECT_EQ(run({u"set", u"--high", u"5"}).exitCode, cli::kDone);
  EXPECT_EQ(run({u"set", u"--low", u"96", u"--high", u"100"}).exitCode, cli::kDone);
  EXPECT_EQ(storedSet(kUserData)[2], 96);
}

TEST_F(CliTest, InvalidBarcodesNeedForceAndOtherKeysAreNeverTaken) {
  seedUserData();
  cli::Outcome invalid = run({u"set", u"--battery", u"abc", u"--high", u"85"});
  EXPECT_EQ(invalid.exitCode, cli::kBadInput);
  EXPECT_TRUE(has(invalid.err, "--force"));
  EXPECT_FALSE(sim.registry.exists(RootKey::CurrentUser, store::kUserDataKey + u"\\abc"));
  EXPECT_EQ(run({u"set", u"--battery", u"abc", u"--high", u"85", u"--force"}).exitCode, cli::kDone);
  EXPECT_EQ(stored(store::userDataKeyOf(u"abc"), store::kChargeStopPercentage), 85u) << "stored exactly as typed";
  for (const char16_t* barcode : {u"..\\Data", u"A/B", u""}) {
    cli::Outcome outcome = run({u"set", u"--battery", barcode, u"--high", u"85", u"--force"});
    EXPECT_EQ(outcome.exitCode, cli::kBadInput) << toUtf8(barcode);
  }
  EXPECT_EQ(run({u"remove", u"--battery", u"\\"}).exitCode, cli::kBadInput) << "would remove every battery's keys";

  // The power manager's own key of an installed battery, in any case.
  const Text installed = store::installedBatteryKey(1);
  sim.registry.put(RootKey::LocalMachine, installed, store::kBarcodeNumber, sys::stringValue(kA));
  sim.registry.calls.clear();
  for (auto words :
       {std::initializer_list<const char16_t*>{u"set", u"--battery", u"battery1", u"--high", u"85", u"--force"},
        {u"remove", u"--battery", u"Battery1"},
        {u"get", u"--battery", u"BATTERY1"},
        {u"export", u"--battery", u"bAtTeRy9"}}) {
    cli::Outcome outcome = run(words);
    EXPECT_EQ(outcome.exitCode, cli::kBadInput) << toUtf8(*words.begin());
    EXPECT_TRUE(has(outcome.err, "cannot be used, because it names the power manager's key Battery")) << outcome.err;
  }
  EXPECT_TRUE(sim.registry.calls.empty()) << "not even read";
  EXPECT_EQ(sim.registry.valueNames(RootKey::LocalMachine, installed), std::vector<Text>{store::kBarcodeNumber});
}

TEST_F(CliTest, ARefusedMachineKeyExitsWithThreeAfterTheUserKeysAreWritten) {
  seedUserData({1, 1, 40, 80});
  makeMachineHiveReadOnly();
  cli::Outcome outcome = run({u"set", u"--battery", kA.c_str(), u"--high", u"85"});
  EXPECT_EQ(outcome.exitCode, cli::kRefused);
  EXPECT_EQ(storedSet(store::userDataKeyOf(kA)), (std::vector<long long>{1, 1, 40, 85, 2, 0}));
  EXPECT_TRUE(has(outcome.out,
                  "refused: HKLM\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\ConfKeys\\Data\\1ZZ1111AAAA "
                  "(no right to write ChargeStartControl; run kestrane-cli from an elevated prompt)"))
      << outcome.out;
  EXPECT_EQ(outcome.err,
            "Needs an elevated prompt to write: HKLM\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\ConfKeys\\"
            "Data\\1ZZ1111AAAA. Run kestrane-cli from a command prompt started with \"Run as "
            "administrator\", adding --user THINKPAD\\user if that prompt runs as another account.\n")
      << "the user's keys stay the user's in a prompt that runs as the administrator";
  // The account --user names, as a prompt takes it back.
  const Text john = u"S-1-5-21-1004336348-1177238915-682003330-1004";
  sim.account.names[john] = u"THINKPAD\\John Smith";
  sim.registry.putKey(RootKey::Users, john + u"\\" + store::kUserRootKey);
  cli::Outcome forJohn = run({u"set", u"--user", u"THINKPAD\\John Smith", u"--battery", kA.c_str(), u"--high", u"85"});
  EXPECT_EQ(forJohn.exitCode, cli::kRefused);
  EXPECT_TRUE(has(forJohn.err, "adding --user \"THINKPAD\\John Smith\" if that prompt runs as another account.\n"))
      << forJohn.err;
  EXPECT_EQ(storedSetOf(john, store::userDataKeyOf(kA)), (std::vector<long long>{1, 1, 45, 85, 2, 0}));
  sim.account.token = sys::TokenKind::Elevated;
  cli::Outcome elevated = run({u"set", u"--high", u"85"});
  EXPECT_EQ(elevated.exitCode, cli::kRefused);
  EXPECT_EQ(elevated.err,
            "Windows refused to write HKLM\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\ConfKeys\\Data\\"
            "1ZZ1111AAAA, HKLM\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\ConfKeys\\Data, "
            "HKLM\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\Data although kestrane-cli runs with "
            "administrator rights.\n")
      << "no prompt would help";
}

// A deployment tool that ends the command line part-way has seen a line
// for every key set that was done.
TEST_F(CliTest, EachKeySetsLineIsWrittenTheMomentItIsDone) {
  seedUserData({1, 1, 40, 80});
  seedBattery(kA);
  makeMachineHiveReadOnly();
  std::vector<std::pair<size_t, std::string>> written;
  cli::Console console{[&](const std::string& text) {
                         written.push_back({writesSoFar(), text});
                       },
                       [](const std::string&) {}};
  sim.registry.calls.clear();
  EXPECT_EQ(cli::run({u"set", u"--high", u"85"}, console), cli::kRefused);
  ASSERT_EQ(written.size(), 6u) << "five key sets and the thresholds";
  EXPECT_EQ(written[0], (std::pair<size_t, std::string>{6,
                                                        "written: HKCU\\SOFTWARE\\Lenovo\\PWRMGRV\\Data\\"
                                                        "1ZZ1111AAAA\n"}));
  EXPECT_EQ(written[1].first, 6u) << "a refused key set writes nothing";
  EXPECT_EQ(written[2].first, 12u);
  EXPECT_EQ(written[5].second, "Charging starts below 40% and stops at 85%.\n");

  written.clear();
  EXPECT_EQ(cli::run({u"remove", u"--battery", kA.c_str()}, console), cli::kDone);
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0].second,
            "not there: HKLM\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\ConfKeys\\Data\\"
            "1ZZ1111AAAA\n");
}

TEST_F(CliTest, AsLocalSystemTheCommandsOnTheUsersKeysSayOnceWhoseKeysTheyAre) {
  seedUserData({1, 1, 40, 80});
  sim.account.localSystem = true;
  const std::string note =
      "kestrane-cli runs as the LocalSystem account: HKCU is that account's own hive, not a user's. The machine "
      "keys under HKLM are what reach every user.\n";
  for (auto words : {std::initializer_list<const char16_t*>{u"status"},
                     {u"get"},
                     {u"set", u"--low", u"45"},
                     {u"remove", u"--battery", kA.c_str()},
                     {u"get", u"--json"},
                     {u"batteries"},
                     {u"export"}}) {
    cli::Outcome outcome = run(words);
    EXPECT_EQ(outcome.err.rfind(note, 0), 0u) << toUtf8(*words.begin()) << ": " << outcome.err;
    EXPECT_EQ(outcome.err.find(note, 1), std::string::npos) << "once";
    EXPECT_FALSE(has(outcome.out, "LocalSystem"));
  }
  EXPECT_FALSE(has(run({u"health"}).err, "LocalSystem")) << "the battery devices are the machine's";
  sim.account.localSystem = false;
  EXPECT_FALSE(has(run({u"get"}).err, "LocalSystem"));
}

// A standard user who opens an elevated prompt types an administrator's
// password, and the prompt runs as the administrator: HKCU is then the
// administrator's hive, which the command line says once, naming both.
TEST_F(CliTest, AnAdministratorsPromptOnAUsersDesktopSaysWhoseHiveHKCUIs) {
  seedUserData({1, 1, 40, 80});
  sim.registry.putKey(RootKey::LocalMachine, store::kMachineConfigurationKey);
  runAsAdministratorOnUsersDesktop();
  const std::string note =
      "kestrane-cli runs as THINKPAD\\admin, but THINKPAD\\user is signed in on this desktop: HKCU is "
      "THINKPAD\\admin's hive, not THINKPAD\\user's. Add --user THINKPAD\\user to read and write "
      "THINKPAD\\user's keys.\n";
  cli::Outcome set = run({u"set", u"--high", u"85", u"--low", u"40"});
  EXPECT_EQ(set.exitCode, cli::kDone) << set.err;
  EXPECT_EQ(set.err, note);
  EXPECT_TRUE(has(set.out, "written: HKCU\\SOFTWARE\\Lenovo\\PWRMGRV\\Data\n"));
  EXPECT_EQ(storedSetOf(kAdministrator, kUserData)[3], 85) << "the administrator's own HKCU, as before";
  EXPECT_EQ(storedSetOf(kUser, kUserData), (std::vector<long long>{1, 1, 40, 80, -1, -1})) << "the user's stays";

  cli::Outcome json = run({u"get", u"--json"});
  EXPECT_EQ(json.err, note);
  EXPECT_EQ(json.out.rfind("{\"selection\":null,", 0), 0u) << "standard output holds the document alone";
  EXPECT_TRUE(run({u"health"}).err.empty()) << "the battery devices are no user's";
  EXPECT_TRUE(run({u"get", u"--user", u"THINKPAD\\user"}).err.empty()) << "the user's keys are the ones asked for";
  sim.account.names.erase(kUser);
  EXPECT_TRUE(has(run({u"get"}).err, "but " + toUtf8(kUser) +
                                         " is signed in on this desktop: HKCU is "
                                         "THINKPAD\\admin's hive, not " +
                                         toUtf8(kUser) + "'s. Add --user " + toUtf8(kUser) + " to"))
      << "an account Windows has no name for goes by its SID";
  sim.account.desktopUser = Text();
  EXPECT_TRUE(run({u"get"}).err.empty()) << "nobody signed in on the session";
  sim.account.desktopUser = kUser;
  sim.account.localSystem = true;
  EXPECT_EQ(run({u"get"}).err.rfind("kestrane-cli runs as the LocalSystem account", 0), 0u);
  EXPECT_FALSE(has(run({u"get"}).err, "signed in on this desktop")) << "one note";
}

// With --user every command reads and writes the user's keys in their hive
// under HKEY_USERS, names them there, and leaves the prompt's own alone.
TEST_F(CliTest, UserActsInTheSignedInUsersHiveWithEveryRuleOfTheCommand) {
  seedUserData({1, 1, 40, 80});
  seedBattery(kA, {1, 1, 30, 70});
  runAsAdministratorOnUsersDesktop();
  seedBattery(kA);
  seedBattery(kB);
  const std::string userKeys = "HKU\\" + toUtf8(kUser) + "\\SOFTWARE\\Lenovo\\PWRMGRV\\Data";

  cli::Outcome get = run({u"get", u"--user", u"THINKPAD\\user"});
  EXPECT_EQ(get.exitCode, cli::kDone) << get.err;
  EXPECT_EQ(get.out, "all batteries: Charging starts below 40% and stops at 80%.\nFrom " + userKeys + "\n");
  EXPECT_TRUE(get.err.empty()) << get.err;
  EXPECT_TRUE(has(run({u"--json", u"--user", kUser.c_str(), u"get"}).out,
                  "\"source\":\"HKU\\\\" + toUtf8(kUser) + "\\\\SOFTWARE\\\\Lenovo\\\\PWRMGRV\\\\Data\"}"));
  EXPECT_EQ(run({u"get"}).exitCode, cli::kPowerManagerMissing) << "the administrator's HKCU holds no general key set";
  EXPECT_EQ(run({u"batteries", u"--user", kUser.c_str()}).out, "1ZZ1111AAAA  user data key\n");
  EXPECT_EQ(run({u"batteries"}).out, "1ZZ1111AAAA  user data key\n2YY2222BBBB  user data key\n");

  cli::Outcome set = run({u"set", u"--user", u"user", u"--battery", kA.c_str(), u"--high", u"85"});
  EXPECT_EQ(set.exitCode, cli::kDone) << set.err;
  EXPECT_EQ(set.out, "written: " + userKeys +
                         "\\1ZZ1111AAAA\n"
                         "written: HKLM\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\ConfKeys\\Data\\1ZZ1111AAAA\n"
                         "Charging starts below 30% and stops at 85%.\n")
      << "the user's own 30% kept";
  EXPECT_EQ(storedSetOf(kUser, store::userDataKeyOf(kA)), (std::vector<long long>{1, 1, 30, 85, 2, 0}));
  EXPECT_EQ(storedSetOf(kAdministrator, store::userDataKeyOf(kA)), (std::vector<long long>{1, 1, 40, 80, -1, -1}));
  cli::Outcome tooClose = run({u"set", u"--user", u"user", u"--battery", kA.c_str(), u"--low", u"82"});
  EXPECT_EQ(tooClose.exitCode, cli::kBadInput) << "4 points below the user's 85";

  cli::Outcome removed = run({u"remove", u"--user", u"thinkpad\\USER", u"--battery", kA.c_str()});
  EXPECT_EQ(removed.exitCode, cli::kDone) << removed.err;
  EXPECT_EQ(removed.out,
            "deleted: HKLM\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\ConfKeys\\Data\\1ZZ1111AAAA\n"
            "deleted: " +
                userKeys + "\\1ZZ1111AAAA\n");
  EXPECT_FALSE(sim.registry.exists(RootKey::Users, kUser + u"\\" + store::userDataKeyOf(kA).path));
  cli::Outcome afterwards = run({u"get", u"--battery", kA.c_str()});
  EXPECT_EQ(afterwards.out,
            "battery 1ZZ1111AAAA: Charging starts below 40% and stops at 80%.\n"
            "From HKCU\\SOFTWARE\\Lenovo\\PWRMGRV\\Data\\1ZZ1111AAAA\n")
      << "the administrator's key stays, and the next command without --user reaches HKCU again";
  run({u"batteries", u"--user", kUser.c_str()});
  EXPECT_TRUE(currentUserHive().empty()) << "whatever runs next in the process reaches its own HKCU";
}

// Nothing is read or written for an account Windows does not know, or for
// a user who is not signed in, whose hive Windows has not loaded.
TEST_F(CliTest, AnUnknownAccountOrAUserWhoseHiveIsNotLoadedChangesNothing) {
  seedUserData({1, 1, 40, 80});
  runAsAdministratorOnUsersDesktop();
  const Text guest = u"S-1-5-21-1004336348-1177238915-682003330-1003";
  sim.account.names[guest] = u"THINKPAD\\guest";
  sim.registry.calls.clear();
  cli::Outcome unknown = run({u"set", u"--user", u"nobody", u"--high", u"85"});
  EXPECT_EQ(unknown.exitCode, cli::kBadInput);
  EXPECT_EQ(unknown.err,
            "Windows knows no user account named nobody. Give --user the account as DOMAIN\\name, as name or as its "
            "SID. Nothing was read or written.\n");
  EXPECT_TRUE(unknown.out.empty());
  EXPECT_TRUE(sim.registry.calls.empty()) << "not even read";

  const Text stranger = u"S-1-5-21-1004336348-1177238915-682003330-1009";
  for (const auto& [user, shown] : {std::pair<Text, std::string>{u"THINKPAD\\guest", "THINKPAD\\guest"},
                                    {guest, "THINKPAD\\guest"},
                                    {stranger, toUtf8(stranger)}}) {
    for (auto words : {std::initializer_list<const char16_t*>{u"set", u"--high", u"85"},
                       {u"remove", u"--battery", kA.c_str()},
                       {u"get"}}) {
      std::vector<Text> arguments(words.begin(), words.end());
      arguments.insert(arguments.end(), {u"--user", user});
      cli::Outcome outcome = cli::run(arguments);
      EXPECT_EQ(outcome.exitCode, cli::kBadInput) << toUtf8(user);
      EXPECT_EQ(outcome.err, "The hive of " + shown +
                                 " is not loaded under HKEY_USERS: that user is not signed in on this machine. "
                                 "Nothing was read or written.\n");
      EXPECT_TRUE(outcome.out.empty());
    }
  }
  EXPECT_EQ(std::count_if(sim.registry.calls.begin(), sim.registry.calls.end(),
                          [](const auto& call) { return call.op != RegOp::Open && call.op != RegOp::Close; }),
            0);
  EXPECT_FALSE(sim.registry.exists(RootKey::Users, kAdministrator + u"\\SOFTWARE\\Lenovo"));
  EXPECT_EQ(storedSetOf(kUser, kUserData), (std::vector<long long>{1, 1, 40, 80, -1, -1}));

  EXPECT_EQ(run({u"health", u"--user", u"nobody"}).exitCode, cli::kBadInput) << "checked as by every command";
  EXPECT_EQ(run({u"health", u"--user", u"THINKPAD\\guest"}).out, "Windows reports no battery device.\n")
      << "the battery devices are the machine's";
}

TEST_F(CliTest, AValueThatReadsBackDifferentlyOrCannotBeWrittenIsAnUnexpectedError) {
  seedUserData({1, 1, 40, 80});
  sim.registry.alterRead = [](const sys::sim::RegCall& call, sys::RegValue& value) {
    if (call.name == store::kAutomatic) value = sys::dwordValue(3);
  };
  cli::Outcome mismatch = run({u"set", u"--battery", kA.c_str(), u"--high", u"85"});
  EXPECT_EQ(mismatch.exitCode, cli::kUnexpectedError);
  EXPECT_TRUE(has(mismatch.out, "mismatch: HKCU\\SOFTWARE\\Lenovo\\PWRMGRV\\Data\\1ZZ1111AAAA (Automatic reads back"));
  EXPECT_FALSE(stored(store::userDataKeyOf(kA), store::kFirstInstID).has_value()) << "the key set stopped there";
  sim.registry.alterRead = nullptr;
  sim.registry.failWhen = [](const sys::sim::RegCall& call) -> std::optional<sys::Status> {
    if (call.op == RegOp::Set && call.name == store::kChargeStopPercentage) return sys::kWriteFault;
    return std::nullopt;
  };
  cli::Outcome error = run({u"set", u"--high", u"85"});
  EXPECT_EQ(error.exitCode, cli::kUnexpectedError);
  EXPECT_TRUE(has(error.out, "error: HKCU\\SOFTWARE\\Lenovo\\PWRMGRV\\Data (writing ChargeStopPercentage failed"));
}

TEST_F(CliTest, StatusShowsTheBatteryTheStoreAndEveryKnownBatteryAsTheWindowWould) {
  sim.power.setDischarging(45, 8100);
  EXPECT_EQ(run({u"status"}).out,
            "Battery: discharging, 45%, 2:15 h left\n"
            "Power manager: its registry keys are missing\n"
            "Now, battery 1: unknown: the power manager's keys are missing\n");
  seedUserData({1, 1, 40, 80});
  seedBattery(kA, {0, 1, 30, 70});
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(2), store::kBarcodeNumber, sys::stringValue(kB));
  sim.power.setCharging(63);
  cli::Outcome outcome = run({u"status"});
  EXPECT_EQ(outcome.exitCode, cli::kDone);
  EXPECT_EQ(outcome.out,
            "Battery: AC connected, charging, 63%\n"
            "Power manager: installed\n"
            "Now, battery 1 (2YY2222BBBB): charging to 80 %\n"
            "All batteries: Charging starts below 40% and stops at 80%. From HKCU\\SOFTWARE\\Lenovo\\PWRMGRV\\Data.\n"
            "Battery 1ZZ1111AAAA (user data key): Charging starts below 30% (inactive) and stops at 70%. From "
            "HKCU\\SOFTWARE\\Lenovo\\PWRMGRV\\Data\\1ZZ1111AAAA.\n"
            "Battery 2YY2222BBBB (installed battery slot 2): uses the thresholds for all batteries\n");
  cli::Outcome json = run({u"status", u"--json"});
  EXPECT_TRUE(has(json.out,
                  "\"power\":{\"state\":\"Charging\",\"stateText\":\"AC connected, charging\","
                  "\"percent\":63,\"secondsLeft\":0,\"timeLeft\":\"\"},\"powerManager\":true"))
      << json.out;
  EXPECT_TRUE(has(json.out,
                  "{\"barcode\":\"2YY2222BBBB\",\"foundIn\":\"installed battery slot 2\","
                  "\"thresholds\":null,\"source\":null}"));
  EXPECT_TRUE(has(json.out,
                  "\"inEffect\":[{\"state\":\"chargingToLimit\",\"text\":\"charging to 80 %\","
                  "\"battery\":\"2YY2222BBBB\",\"thresholds\":{\"high\":80,\"highActive\":true,\"low\":40,"
                  "\"lowActive\":true},\"keySet\":\"HKCU\\\\SOFTWARE\\\\Lenovo\\\\PWRMGRV\\\\Data\","
                  "\"savedAt\":\"2026-12-01T12:00:00Z\"}]"))
      << json.out;
  sim.registry.writeTime = sim.clock.time;
  EXPECT_EQ(run({u"set", u"--high", u"85"}).exitCode, cli::kDone);
  EXPECT_TRUE(has(run({u"status"}).out, "Now, battery 1 (2YY2222BBBB): saved, takes effect after Windows restarts\n"));
}

// The power manager's last slot, Battery9, is a slot like any other: its
// battery is listed and told of whether its thresholds are in effect.
TEST_F(CliTest, TheBatteryInTheLastInstalledSlotIsListedAndToldOf) {
  seedUserData({1, 1, 40, 80});
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(9), store::kBarcodeNumber, sys::stringValue(kB));
  sim.power.setCharging(63);
  const std::string status = run({u"status"}).out;
  EXPECT_TRUE(has(status, "Now, battery 1 (2YY2222BBBB): charging to 80 %\n")) << status;
  EXPECT_TRUE(has(status, "Battery 2YY2222BBBB (installed battery slot 9): uses the thresholds for all batteries\n"))
      << status;
  EXPECT_EQ(run({u"batteries"}).out, "2YY2222BBBB  installed battery slot 9\n");
}

TEST_F(CliTest, BatteriesAreListedInTheWindowsOrderWithWhereEachWasFound) {
  seedUserData();
  seed(store::machineConfigurationKeyOf(kB), {});
  seedBattery(kA);
  seedBattery(u"2yy2222bbbb");
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(3), store::kBarcodeNumber,
                   sys::stringValue(u"3XX3333CCCC"));
  EXPECT_EQ(run({u"batteries"}).out,
            "2YY2222BBBB  machine configuration key\n"
            "1ZZ1111AAAA  user data key\n"
            "3XX3333CCCC  installed battery slot 3\n")
      << "invalid names and a barcode seen before are left out";
  EXPECT_EQ(run({u"batteries", u"--json"}).out,
            "{\"batteries\":[{\"barcode\":\"2YY2222BBBB\",\"foundIn\":\"machine configuration key\",\"slot\":null},"
            "{\"barcode\":\"1ZZ1111AAAA\",\"foundIn\":\"user data key\",\"slot\":null},"
            "{\"barcode\":\"3XX3333CCCC\",\"foundIn\":\"installed battery slot 3\",\"slot\":3}]}\n");
}

TEST_F(CliTest, RemoveDeletesTheBatterysTwoKeySetsAndSaysWhich) {
  seedUserData();
  seed(store::machineConfigurationKeyOf(kA), {});
  seedBattery(kA);
  sim.registry.put(RootKey::CurrentUser, store::kUserDataKey + u"\\" + kA + u"\\Nested", u"x", sys::dwordValue(1));
  seedBattery(kB);
  cli::Outcome outcome = run({u"remove", u"--battery", kA.c_str()});
  EXPECT_EQ(outcome.exitCode, cli::kDone);
  EXPECT_EQ(outcome.out,
            "deleted: HKLM\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\ConfKeys\\Data\\1ZZ1111AAAA\n"
            "deleted: HKCU\\SOFTWARE\\Lenovo\\PWRMGRV\\Data\\1ZZ1111AAAA\n");
  EXPECT_FALSE(sim.registry.exists(RootKey::CurrentUser, store::kUserDataKey + u"\\" + kA));
  EXPECT_TRUE(sim.registry.exists(RootKey::CurrentUser, store::kUserDataKey + u"\\" + kB));
  EXPECT_TRUE(sim.registry.exists(RootKey::CurrentUser, store::kUserDataKey)) << "the general key set stays";
  seed(store::machineConfigurationKeyOf(kB), {});
  makeMachineHiveReadOnly();
  cli::Outcome refused = run({u"remove", u"--battery", kB.c_str()});
  EXPECT_EQ(refused.exitCode, cli::kRefused);
  EXPECT_EQ(refused.out,
            "not deleted: HKLM\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\ConfKeys\\Data\\2YY2222BBBB (no right "
            "to delete it; run kestrane-cli from an elevated prompt)\n"
            "kept: HKCU\\SOFTWARE\\Lenovo\\PWRMGRV\\Data\\2YY2222BBBB (the battery's machine key is still "
            "there)\n");
  EXPECT_TRUE(has(refused.err,
                  "Needs an elevated prompt to delete: HKLM\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\"
                  "ConfKeys\\Data\\2YY2222BBBB."))
      << refused.err;
  EXPECT_TRUE(sim.registry.exists(RootKey::CurrentUser, store::userDataKeyOf(kB).path)) << "never half removed";
  EXPECT_EQ(run({u"remove"}).exitCode, cli::kBadInput);
}

// A fleet's export from 64-bit Windows names the machine keys under
// Wow6432Node, one from 32-bit Windows without it: imported on the other
// kind, each lands where that machine's power manager looks, with that
// machine's install identifier.
TEST_F(CliTest, AnExportImportedOnTheOtherKindOfWindowsGivesTheSameThresholds) {
  const std::vector<KeySet> keySets = {kUserData,
                                       store::userDataKeyOf(kA),
                                       store::machineConfigurationKeyOf(kA),
                                       {store::kMachine, store::kMachineDataKey}};
  auto wipe = [&] {
    deleteRegKey(u"HKLM", u"SOFTWARE\\Lenovo");
    deleteRegKey(u"HKCU", u"SOFTWARE\\Lenovo");
  };
  for (bool from64 : {true, false}) {
    SCOPED_TRACE(from64 ? "from 64-bit Windows" : "from 32-bit Windows");
    sim.registry.windows64 = from64;
    seed(kUserData, {1, 0, 30, 90});
    seed(store::userDataKeyOf(kA), {0, 1, 20, 60});
    seed(store::machineConfigurationKeyOf(kA), {0, 1, 20, 60});
    seed({store::kMachine, store::kMachineDataKey}, {1, 1, 50, 100});
    ASSERT_EQ(run({u"export", u"--output", u"C:\\fleet.reg"}).exitCode, cli::kDone);
    const std::vector<uint8_t> file = sim.files.written.at(u"C:\\fleet.reg");
    const Text text = fromUtf16le(file.data() + 2, file.size() - 2);
    EXPECT_EQ(text.find(u"Wow6432Node") != Text::npos, from64);
    const std::string utf8 = run({u"export"}).out;
    for (const auto& [name, bytes] : std::vector<std::pair<Text, std::vector<uint8_t>>>{
             {u"C:\\fleet.reg", file}, {u"C:\\fleet-utf8.reg", std::vector<uint8_t>(utf8.begin(), utf8.end())}}) {
      wipe();
      sim.registry.windows64 = !from64;
      sim.registry.put(RootKey::LocalMachine, store::kInstallInformationKey, store::kFirstInstID, sys::dwordValue(777));
      sim.registry.putKey(RootKey::CurrentUser, store::kUserRootKey);
      sim.files.written[name] = bytes;
      cli::Outcome outcome = run({u"import", name.c_str()});
      EXPECT_EQ(outcome.exitCode, cli::kDone) << outcome.err;
      EXPECT_TRUE(has(outcome.out, "written: " + toUtf8(keySetName(store::machineConfigurationKeyOf(kA)))))
          << outcome.out;
      EXPECT_EQ(storedSet(kUserData), (std::vector<long long>{1, 0, 30, 90, 2, 777}));
      EXPECT_EQ(storedSet(store::userDataKeyOf(kA)), (std::vector<long long>{0, 1, 20, 60, 2, 777}));
      EXPECT_EQ(storedSet(store::machineConfigurationKeyOf(kA)), (std::vector<long long>{0, 1, 20, 60, 2, 777}));
      EXPECT_EQ(storedSet({store::kMachine, store::kMachineDataKey}), (std::vector<long long>{1, 1, 50, 100, 2, 777}));
      EXPECT_EQ(sim.registry.existsAsWritten(RootKey::LocalMachine, u"SOFTWARE\\Wow6432Node\\Lenovo"), !from64)
          << "where the importing machine keeps its machine keys";
    }
    wipe();
  }
}

// The whole file is checked before anything is written; what is not the
// power manager's threshold key sets as export writes them is refused with
// its line, and nothing is written.
TEST_F(CliTest, ImportRefusesAnythingButThresholdKeySetsWithItsLineAndWritesNothing) {
  seedUserData();
  const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n";
  const std::string user = "[HKEY_CURRENT_USER\\SOFTWARE\\Lenovo\\PWRMGRV\\Data]\r\n";
  const std::string good =
      "\"ChargeStartControl\"=dword:00000001\r\n\"ChargeStopControl\"=dword:00000001\r\n"
      "\"ChargeStartPercentage\"=dword:00000028\r\n\"ChargeStopPercentage\"=dword:00000050\r\n";
  struct Case {
    std::string file, said;
  };
  for (const Case& c : std::vector<Case>{
           {"REGEDIT4\r\n" + user + good, "line 1: a regedit file starts with"},
           {head + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows]\r\n" + good,
            "line 3: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows is no threshold key set"},
           {head + "[HKEY_CURRENT_USER\\SOFTWARE\\Lenovo\\PWRMGRV]\r\n" + good, "line 3:"},
           {head + "[-HKEY_CURRENT_USER\\SOFTWARE\\Lenovo\\PWRMGRV\\Data]\r\n", "line 3: a line that deletes a key"},
           {head + user + good + "\"ChargeStopPercentage\"=-\r\n", "line 8: a line that deletes a value"},
           {head + user + good + "\"FirstInstID\"=dword:00000001\r\n",
            "line 8: \"FirstInstID\" is no value that export"},
           {head + user + good + "\"Automatic\"=\"2\"\r\n", "line 8: \"Automatic\" is no DWORD"},
           {head + user + good + "\"ChargeStopControl\"=dword:00000000\r\n",
            "line 8: \"ChargeStopControl\" is given twice"},
           {head + user + "\"ChargeStopPercentage\"=dword:00000065\r\n", "line 4: ChargeStopPercentage is 101"},
           {head + user + "\"ChargeStartControl\"=dword:00000002\r\n", "line 4: ChargeStartControl is 2"},
           {head + user +
                "\"ChargeStartPercentage\"=dword:0000004e\r\n\"ChargeStopPercentage\"=dword:00000050\r\n"
                "\"ChargeStartControl\"=dword:00000001\r\n\"ChargeStopControl\"=dword:00000001\r\n",
            "line 3: The low threshold percentage must be at least"},
           {head + user + "\"ChargeStopPercentage\"=dword:00000050\r\n",
            "line 3: the key set lacks ChargeStartControl"},
           {head + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\ConfKeys\\Data\\battery1]\r\n" + good,
            "line 3: the barcode battery1 cannot be used, because it names the power manager's key Battery1"},
           {head + "[HKEY_CURRENT_USER\\SOFTWARE\\Lenovo\\PWRMGRV\\Data\\abc]\r\n" + good,
            "line 3: the barcode abc seems to be not valid"},
           {head + user + good + user + good, "line 8: the key set is given twice"},
           {head + "\"ChargeStopPercentage\"=dword:00000050\r\n", "line 3: a value before any key"},
           {head + user + good +
                "[HKEY_CURRENT_USER\\SOFTWARE\\Lenovo\\PWRMGRV\\Data\\1ZZ1111AAAA]\r\n"
                "\"ChargeStopPercentage\"=hex:50,00,00,00\r\n",
            "line 9: \"ChargeStopPercentage\" is no DWORD"},
           {head, "the file holds no key set"}}) {
    SCOPED_TRACE(c.file);
    sim.files.written[u"C:\\hostile.reg"] = std::vector<uint8_t>(c.file.begin(), c.file.end());
    sim.registry.calls.clear();
    cli::Outcome outcome = run({u"import", u"C:\\hostile.reg"});
    EXPECT_EQ(outcome.exitCode, cli::kBadInput);
    EXPECT_TRUE(has(outcome.err, c.said)) << outcome.err;
    EXPECT_TRUE(has(outcome.err, "Nothing was written.")) << outcome.err;
    EXPECT_TRUE(std::none_of(sim.registry.calls.begin(), sim.registry.calls.end(),
                             [](const auto& call) { return call.op == RegOp::Set || call.op == RegOp::Create; }));
  }
  const std::string fleet = head + "; thresholds of the fleet\r\n" + user + good;
  sim.files.written[u"C:\\fleet.reg"] = std::vector<uint8_t>(fleet.begin(), fleet.end());
  cli::Outcome dry = run({u"import", u"C:\\fleet.reg", u"--dry-run"});
  EXPECT_EQ(dry.exitCode, cli::kDone);
  EXPECT_EQ(dry.out,
            "would write: HKCU\\SOFTWARE\\Lenovo\\PWRMGRV\\Data: Charging starts below 40% and stops at 80%.\n"
            "Checked, nothing written.\n");
  EXPECT_EQ(writesSoFar(), 0u);
  EXPECT_EQ(run({u"import", u"C:\\missing.reg"}).exitCode, cli::kBadInput);
  EXPECT_EQ(run({u"import"}).exitCode, cli::kBadInput);
}

TEST_F(CliTest, ExportWritesTheStoredKeySetsWithoutTheInstallIdentifier) {
  seedUserData({1, 0, 40, 80});
  sim.registry.put(RootKey::CurrentUser, store::kUserDataKey, store::kFirstInstID, sys::dwordValue(12345));
  seed(store::machineConfigurationKeyOf(kA), {0, 1, 25, 60});
  sim.registry.put(RootKey::LocalMachine, store::kMachineConfigurationKey + u"\\" + kA, store::kAutomatic,
                   sys::dwordValue(2));
  cli::Outcome outcome = run({u"export"});
  EXPECT_EQ(outcome.exitCode, cli::kDone);
  EXPECT_EQ(outcome.out,
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\ConfKeys\\Data\\1ZZ1111AAAA]\r\n"
            "\"ChargeStartControl\"=dword:00000000\r\n\"ChargeStopControl\"=dword:00000001\r\n"
            "\"ChargeStartPercentage\"=dword:00000019\r\n\"ChargeStopPercentage\"=dword:0000003c\r\n"
            "\"Automatic\"=dword:00000002\r\n\r\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\Lenovo\\PWRMGRV\\Data]\r\n"
            "\"ChargeStartControl\"=dword:00000001\r\n\"ChargeStopControl\"=dword:00000000\r\n"
            "\"ChargeStartPercentage\"=dword:00000028\r\n\"ChargeStopPercentage\"=dword:00000050\r\n\r\n");
  EXPECT_EQ(run({u"export", u"--battery", kB.c_str()}).exitCode, cli::kPowerManagerMissing) << "nothing stored";
  EXPECT_EQ(run({u"export", u"--json"}).exitCode, cli::kBadInput);
}

TEST_F(CliTest, ExportToAFileWritesUtf16AsRegeditDoes) {
  seedUserData({1, 1, 40, 80});
  cli::Outcome outcome = run({u"export", u"--output", u"C:\\fleet\\thresholds.reg"});
  EXPECT_EQ(outcome.exitCode, cli::kDone);
  EXPECT_EQ(outcome.out, "Exported 1 key sets to C:\\fleet\\thresholds.reg.\n");
  const std::vector<uint8_t>& bytes = sim.files.written[u"C:\\fleet\\thresholds.reg"];
  const std::string text = run({u"export"}).out;
  ASSERT_EQ(bytes.size(), 2 + 2 * text.size());
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  for (size_t i = 0; i < text.size(); ++i) {
    ASSERT_EQ(bytes[2 + 2 * i], static_cast<uint8_t>(text[i])) << i;
    ASSERT_EQ(bytes[3 + 2 * i], 0);
  }
  sim.files.succeeds = false;
  EXPECT_EQ(run({u"export", u"--output", u"Z:\\nowhere.reg"}).exitCode, cli::kUnexpectedError);
}

TEST_F(CliTest, ExportStopsAtAValueItCannotReadRatherThanWriteHalfAFile) {
  seedUserData();
  sim.registry.put(RootKey::CurrentUser, store::kUserDataKey, store::kChargeStartControl, sys::stringValue(u"1"));
  cli::Outcome outcome = run({u"export"});
  EXPECT_EQ(outcome.exitCode, cli::kUnexpectedError);
  EXPECT_TRUE(outcome.out.empty());
  EXPECT_TRUE(has(outcome.err, "ChargeStartControl")) << outcome.err;
}

sys::BatteryDevice device(const Text& name, const char (&chemistry)[5], uint32_t designed, uint32_t full,
                          uint32_t capabilities, std::optional<uint32_t> cycles) {
  sys::BatteryDevice battery;
  battery.name = name;
  std::copy(chemistry, chemistry + 4, battery.chemistry.begin());
  battery.designedCapacity = designed;
  battery.fullChargedCapacity = full;
  battery.capabilities = capabilities;
  battery.cycleCount = cycles;
  return battery;
}

TEST_F(CliTest, HealthReportsWearAndCyclesOrThatThereIsNoBattery) {
  cli::Outcome none = run({u"health"});
  EXPECT_EQ(none.exitCode, cli::kDone);
  EXPECT_EQ(none.out, "Windows reports no battery device.\n");
  const uint32_t system = sys::BatteryDevice::kSystemBattery;
  sim.batteryDevices.devices = {
      device(u"45N1001", "LION", 57000, 48000, system, 312),
      device(u"Spare", "LiP ", 100, 104, system | sys::BatteryDevice::kRelativeCapacity, std::nullopt)};
  cli::Outcome outcome = run({u"health"});
  EXPECT_EQ(outcome.out,
            "Battery 1: 45N1001\n  chemistry:             LION\n  designed capacity:     57000 mWh\n"
            "  full-charge capacity:  48000 mWh\n  wear:                  15.8 %\n  charge cycles:         312\n"
            "Battery 2: Spare\n  chemistry:             LiP\n  designed capacity:     100\n"
            "  full-charge capacity:  104\n  wear:                  0.0 %\n  charge cycles:         not reported\n");
  EXPECT_TRUE(has(run({u"health", u"--json"}).out,
                  "{\"name\":\"45N1001\",\"chemistry\":\"LION\",\"designedCapacity\":57000,"
                  "\"fullChargeCapacity\":48000,\"unit\":\"mWh\",\"wearPercent\":15.8,\"cycleCount\":312}"));
}

// What real batteries and bays report: codes of three letters and a NUL,
// capacities Windows does not know, a UPS beside the laptop's battery, a
// second bay without a battery.
TEST_F(CliTest, HealthSaysWhatIsUnknownAndNamesEmptyBaysAndForeignBatteriesWithoutTheirNumbers) {
  const uint32_t system = sys::BatteryDevice::kSystemBattery, unknown = sys::BatteryDevice::kUnknownCapacity;
  sys::BatteryDevice emptyBay;
  emptyBay.bayEmpty = true;
  sim.batteryDevices.devices = {device(u"LNV-01AV", "LiP\0", unknown, 48000, system, std::nullopt), emptyBay,
                                device(u"Back-UPS", "PbAc", 9000, 4500, 0, std::nullopt),
                                device(u"Buffer", "LION", 500, 250, system | sys::BatteryDevice::kShortTerm, 3),
                                device(u"Worn out", "LION", 0, 0, system, 1500)};
  cli::Outcome outcome = run({u"health"});
  EXPECT_EQ(outcome.exitCode, cli::kDone);
  EXPECT_EQ(outcome.out,
            "Battery 1: LNV-01AV\n  chemistry:             LiP\n  designed capacity:     unknown\n"
            "  full-charge capacity:  48000 mWh\n  wear:                  not known\n"
            "  charge cycles:         not reported\n"
            "Battery 2: the bay is empty\n"
            "Battery 3: Back-UPS is no battery of this computer (a UPS or a short-term battery) and is left out\n"
            "Battery 4: Buffer is no battery of this computer (a UPS or a short-term battery) and is left out\n"
            "Battery 5: Worn out\n  chemistry:             LION\n  designed capacity:     0 mWh\n"
            "  full-charge capacity:  0 mWh\n  wear:                  not known\n  charge cycles:         1500\n");
  EXPECT_EQ(outcome.out.find('\0'), std::string::npos);
  EXPECT_EQ(run({u"health", u"--json"}).out,
            "{\"batteries\":[{\"name\":\"LNV-01AV\",\"chemistry\":\"LiP\",\"designedCapacity\":null,"
            "\"fullChargeCapacity\":48000,\"unit\":\"mWh\",\"wearPercent\":null,\"cycleCount\":null},"
            "{\"name\":\"Worn out\",\"chemistry\":\"LION\",\"designedCapacity\":0,\"fullChargeCapacity\":0,"
            "\"unit\":\"mWh\",\"wearPercent\":null,\"cycleCount\":1500}],\"notAnswered\":[]}\n");

  sim.batteryDevices.devices = {emptyBay};
  EXPECT_EQ(run({u"health"}).out, "Battery 1: the bay is empty\n") << "a bay is no missing battery device";
}

// Only "file not found" from the tag query is an empty bay; any other
// failure is reported in the device's place, and a device entry that
// cannot be read does not end the list.
TEST_F(CliTest, HealthReportsEveryDeviceThatDidNotAnswerByItsNumber) {
  const uint32_t system = sys::BatteryDevice::kSystemBattery;
  sim.batteryDevices.devices = std::vector<sys::BatteryDevice>(4, device(u"X", "LION", 100, 90, system, 1));
  sim.batteryDevices.devices.push_back(device(u"Last", "LION", 100, 80, system, 2));
  sim.batteryDevices.failing[0].deviceEntry = 13;
  sim.batteryDevices.failing[1].tag = 1167;
  sim.batteryDevices.failing[2].tag = sys::kFileNotFound;
  sim.batteryDevices.failing[3].information = 31;
  cli::Outcome outcome = run({u"health"});
  EXPECT_EQ(outcome.exitCode, cli::kDone);
  EXPECT_EQ(outcome.out.substr(0, outcome.out.find("  chemistry")),
            "Battery 1: Windows could not tell while reading its device entry: Invalid data (13).\n"
            "Battery 2: Windows could not tell while asking whether a battery is in its bay: Device not connected "
            "(1167).\n"
            "Battery 3: the bay is empty\n"
            "Battery 4: Windows could not tell while asking for its information: Device not functioning (31).\n"
            "Battery 5: Last\n");
  EXPECT_TRUE(has(run({u"health", u"--json"}).out,
                  "\"notAnswered\":[{\"number\":1,\"error\":13},{\"number\":2,\"error\":1167},"
                  "{\"number\":4,\"error\":31}]"));
}

}  // namespace
}  // namespace kst::testing

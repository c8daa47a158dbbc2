// Editing the thresholds: change marks, toggles, gap correction, saving,
// the notice and the elevated restart.
#include "settings/threshold_editor.h"

#include "tests/native/program_fixture.h"

namespace kst::testing {
namespace {

const store::KeySet kUserData{store::kUser, store::kUserDataKey};
const Text kUser = sys::sim::SimRegistry::kFirstUser;
const Text kAdministrator = sys::sim::SimRegistry::kSecondUser;

class EditorTest : public ProgramTest {
 protected:
  Tkst_mainform& startWith(int low, int high) {
    seedUserData({1, 1, static_cast<uint32_t>(low), static_cast<uint32_t>(high)});
    return start();
  }
  // Types a number into one spin edit and leaves it for the other.
  void enter(tk::SpinEdit& edit, const Text& text) {
    typeInto(edit, text);
    tabAway();
  }
  std::pair<int, int> lowHigh() { return {main().seLowLevel.value(), main().seHighLevel.value()}; }
};

TEST_F(EditorTest, GapCorrectionOnLeavingEitherSpinEdit) {
  startWith(60, 80);
  enter(main().seHighLevel, u"62");
  EXPECT_EQ(lowHigh(), (std::pair{58, 62})) << "high 62 pushes low 60 down";

  seedUserData({1, 1, 1, 80});
  main().btGetValues.click();
  enter(main().seHighLevel, u"3");
  EXPECT_EQ(lowHigh(), (std::pair{1, 5})) << "low at its minimum raises high";

  seedUserData({1, 1, 40, 50});
  main().btGetValues.click();
  enter(main().seLowLevel, u"49");
  EXPECT_EQ(lowHigh(), (std::pair{46, 50})) << "leaving low never raises high";

  enter(main().seHighLevel, u"54");
  EXPECT_EQ(lowHigh(), (std::pair{46, 54})) << "a gap of 8 needs no correction";
}

TEST_F(EditorTest, TypedNumbersOutOfRangeComeIntoRangeOnLeaving) {
  startWith(40, 80);
  enter(main().seHighLevel, u"150");
  EXPECT_EQ(lowHigh(), (std::pair{40, 100}));
  enter(main().seLowLevel, u"abc");
  EXPECT_EQ(main().seLowLevel.text(), u"1");
  enter(main().seLowLevel, u"30x");
  EXPECT_EQ(main().seLowLevel.text(), u"1") << "a number with more after it is no number";
}

TEST_F(EditorTest, PuttingInTheShownNumberMarksNothing) {
  startWith(40, 80);
  typeInto(main().seHighLevel, u"80");
  main().seLowLevel.setValue(40);
  EXPECT_FALSE(valueChanged);
  EXPECT_EQ(main().btSaveSettings.font().color, tk::kWindowText);
}

TEST_F(EditorTest, TypingTurnsTheSpinEditAndSaveBlueAndGetValuesTurnsThemBack) {
  startWith(40, 80);
  typeInto(main().seLowLevel, u"41");
  EXPECT_TRUE(valueChanged);
  EXPECT_EQ(main().seLowLevel.font().color, changedColor);
  EXPECT_EQ(main().btSaveSettings.font().color, changedColor);
  EXPECT_EQ(main().seHighLevel.font().color, tk::kWindowText);
  main().btGetValues.click();
  EXPECT_FALSE(valueChanged);
  EXPECT_EQ(main().seLowLevel.font().color, tk::kWindowText);
  EXPECT_EQ(main().btSaveSettings.font().color, tk::kWindowText);
  EXPECT_EQ(lowHigh(), (std::pair{40, 80}));
}

TEST_F(EditorTest, EachWayToToggleTogglesOnceAndFocusesTheSpinEdit) {
  startWith(40, 80);
  Tkst_mainform& m = main();
  m.lbHighLevel.click();
  EXPECT_FALSE(m.cbHighLevel.checked());
  EXPECT_EQ(m.activeControl(), &m.seHighLevel);
  EXPECT_EQ(m.lbHighLevel.font().color, changedColor);
  EXPECT_EQ(m.seHighLevel.font().color, tk::kWindowText) << "the label turns blue, not the spin edit";
  EXPECT_EQ(m.btSaveSettings.font().color, changedColor);
  m.cbHighLevel.click();
  EXPECT_TRUE(m.cbHighLevel.checked());
  EXPECT_TRUE(m.accelerator(u'l')) << "Alt+L, as typed";
  EXPECT_FALSE(m.cbLowLevel.checked());
  EXPECT_EQ(m.activeControl(), &m.seLowLevel);
  EXPECT_TRUE(m.accelerator(u'H'));
  EXPECT_FALSE(m.cbHighLevel.checked());
  EXPECT_FALSE(m.accelerator(u' ')) << "Alt+Space is Windows' own: the system menu";
  EXPECT_FALSE(m.cbHighLevel.tabStop);
  EXPECT_EQ(m.TrayIcon.hint().find(u"(inactive)"), Text::npos) << "the hint shows the saved thresholds";
  m.updateBatteryStatus();
  EXPECT_EQ(m.TrayIcon.hint().find(u"(inactive)"), Text::npos);
}

TEST_F(EditorTest, GapOfExactlyFourSavesAndThreeIsRefused) {
  startWith(40, 80);
  enter(main().seLowLevel, u"76");
  main().btSaveSettings.click();
  EXPECT_EQ(stored(kUserData, store::kChargeStartPercentage), 76u);
  EXPECT_FALSE(valueChanged);

  main().seLowLevel.setFocus();
  main().seLowLevel.textEnteredByUser(u"77");
  app.dialogs.clear();
  EXPECT_TRUE(main().accelerator(u'S')) << "Alt+S saves without leaving the spin edit";
  EXPECT_EQ(dialogTexts(), std::vector<Text>{kGapMessage});
  EXPECT_EQ(stored(kUserData, store::kChargeStartPercentage), 76u);
  EXPECT_TRUE(valueChanged);
  EXPECT_EQ(main().btSaveSettings.font().color, changedColor);
}

TEST_F(EditorTest, GapRuleHoldsForSwitchedOffThresholds) {
  startWith(40, 80);
  main().lbLowLevel.click();
  main().lbHighLevel.click();
  main().seLowLevel.setFocus();
  main().seLowLevel.textEnteredByUser(u"79");
  main().accelerator(u'S');
  EXPECT_EQ(dialogTexts(), std::vector<Text>{kGapMessage});
  EXPECT_EQ(stored(kUserData, store::kChargeStartControl), 1u);
}

// Alt+S while a typed number is still out of range: it is brought into
// range first, exactly as leaving the spin edit would.
TEST_F(EditorTest, AltSSavesATypedNumberOutOfRangeAsItsNearestValue) {
  startWith(40, 80);
  main().seHighLevel.setFocus();
  main().seHighLevel.textEnteredByUser(u"250");
  main().accelerator(u'S');
  EXPECT_EQ(stored(kUserData, store::kChargeStopPercentage), 100u);
  EXPECT_EQ(main().seHighLevel.text(), u"100");
  main().seLowLevel.setFocus();
  main().seLowLevel.textEnteredByUser(u"-7");
  main().accelerator(u'S');
  EXPECT_EQ(stored(kUserData, store::kChargeStartPercentage), 1u);
  EXPECT_TRUE(app.dialogs.size() == 2 && app.dialogs[1].text == kNotice) << "two saves, two notices";
}

TEST_F(EditorTest, SaveShowsTheNoticeBuiltFromTheHelpWindowUnlessDeveloping) {
  startWith(40, 80);
  main().btSaveSettings.click();
  EXPECT_EQ(dialogTexts(), std::vector<Text>{kNotice});
  help().lbNote1.setText(u"Unplug");
  app.dialogs.clear();
  main().btSaveSettings.click();
  EXPECT_EQ(dialogTexts(), std::vector<Text>{u"Please note:  Unplug " + help().lbNote2.text()});
  sim.desktop.windowClasses.insert(u"TAppBuilder");
  app.dialogs.clear();
  main().btSaveSettings.click();
  EXPECT_TRUE(app.dialogs.empty());
}

TEST_F(EditorTest, SaveWithoutThePowerManagerShowsHelpAndWritesNothing) {
  start();
  app.modalsShown.clear();
  sim.registry.calls.clear();
  main().btSaveSettings.click();
  EXPECT_EQ(app.modalsShown, std::vector<std::string>{"Tf_help"});
  for (const auto& call : sim.registry.calls) EXPECT_NE(call.op, sys::sim::RegOp::Set);
  EXPECT_EQ(lowHigh(), (std::pair{45, 75}));
}

TEST_F(EditorTest, OneBatteryWithoutAdministratorRightsAsksOnceThenNotifies) {
  startWith(40, 80);
  sim.registry.administrator = false;
  currentBarcode = u"1ZZ1111AAAA";
  typeInto(main().seHighLevel, u"90");
  app.dialogs.clear();
  main().btSaveSettings.click();
  EXPECT_EQ(dialogTexts(),
            (std::vector<Text>{store::kRestartQuestion,
                               kNotice + u"\r\n\r\nNot saved:\r\n   HKLM\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\"
                                         u"ConfKeys\\Data\\1ZZ1111AAAA"}));
  EXPECT_EQ(storedSet(store::userDataKeyOf(currentBarcode)), (std::vector<long long>{1, 1, 40, 90, 2, 0}));
  EXPECT_FALSE(sim.registry.exists(RootKey::LocalMachine, store::machineConfigurationKeyOf(currentBarcode).path));
  EXPECT_FALSE(valueChanged);
  EXPECT_TRUE(sim.shell.calls.empty()) << "No starts nothing";
}

TEST_F(EditorTest, YesHandsTheSaveToOneElevatedCopyWhichFinishesItWithoutAsking) {
  seedBattery(u"1ZZ1111AAAA");
  seedBattery(u"2ZZ2222BBBB");
  sim.shell.processCommandLine = u"\"C:\\Program Files\\Kestrane\\kestrane.exe\"  /tray \"a b\"";
  startWith(40, 80);
  sim.registry.administrator = false;
  typeInto(main().seHighLevel, u"90");
  main().cbLowLevel.setChecked(false);
  app.dialogs.clear();
  app.answer(ModalResult::Yes);
  app.answer(ModalResult::Yes);
  main().btSaveSettings.click();
  ASSERT_EQ(sim.shell.calls.size(), 1u) << "one elevated copy, behind one elevation prompt";
  const auto& call = sim.shell.calls[0];
  EXPECT_EQ(call.verb, u"runas");
  EXPECT_EQ(call.file, sim.shell.exePath);
  EXPECT_EQ(call.parameters, u"--kestrane-save=" + kUser + u",,90,1,40,0 /tray \"a b\"")
      << "whose save, the save, then the arguments as given";
  EXPECT_EQ(call.directory, u"");
  EXPECT_EQ(call.showCommand, 1);
  EXPECT_TRUE(app.terminated());
  EXPECT_EQ(dialogTexts(), std::vector<Text>{store::kRestartQuestion}) << "no further question and no notice";
  EXPECT_EQ(stored(store::userDataKeyOf(u"2ZZ2222BBBB"), store::kChargeStopPercentage), 80u)
      << "the key sets after the refused one are left to the elevated copy";
  EXPECT_EQ(app.unansweredQuestions, 0);

  auto& copy = startElevatedCopy();
  EXPECT_EQ(dialogTexts(copy), std::vector<Text>{kNotice}) << "the copy saves at once and only tells when";
  EXPECT_EQ(copy.unansweredQuestions, 0);
  for (const store::KeySet& keySet : store::writeSet(u"", {u"1ZZ1111AAAA", u"2ZZ2222BBBB"})) {
    EXPECT_EQ(storedSet(keySet), (std::vector<long long>{0, 1, 40, 90, 2, 0})) << toUtf8(keySet.path);
  }
  EXPECT_EQ(main().seHighLevel.value(), 90);
  EXPECT_FALSE(main().cbLowLevel.checked());
  EXPECT_FALSE(valueChanged);
  typeInto(main().seHighLevel, u"42");
  tabAway();
  EXPECT_EQ(main().seLowLevel.value(), 38) << "the copy's editor keeps the thresholds 4 apart as ever";

  sim.registry.administrator = false;
  sim.account.token = sys::TokenKind::AdministratorLimited;
  typeInto(main().seHighLevel, u"95");
  copy.answer(ModalResult::Yes);
  copy.dialogs.clear();
  const size_t starts = sim.shell.calls.size();
  main().btSaveSettings.click();
  EXPECT_EQ(sim.shell.calls.size(), starts) << "a copy that got no rights starts no further copy";
  ASSERT_FALSE(copy.dialogs.empty());
  EXPECT_EQ(copy.dialogs.front().text.substr(0, 55), u"     Only an administrator can save these settings (Kes");
  EXPECT_EQ(copy.answers.size(), 1u) << "no question was asked";
}

TEST_F(EditorTest, ANewBatterySavedThroughTheElevatedCopyAsksAndLoadsNothingMoreThere) {
  startWith(40, 80);
  sim.registry.administrator = false;
  typeInto(main().seHighLevel, u"90");
  app.whenShown("TchooseBattery", [&](tk::Form&) {
    chooser().batteryRadioButtons.back()->click();
    chooser().btOk.click();
  });
  app.whenShown("TnewBatteryID", [&](tk::Form&) {
    newBarcodeDialog().edNewBatteryID.setText(u"3ZZ3333CCCC");
    newBarcodeDialog().btApply.click();
  });
  app.answer(ModalResult::Yes);
  app.answer(ModalResult::Yes);
  app.dialogs.clear();
  app.modalsShown.clear();
  main().btBatteryID.click();
  EXPECT_EQ(sim.shell.calls.size(), 1u);
  ASSERT_EQ(app.dialogs.size(), 2u);
  EXPECT_EQ(app.dialogs.back().text, store::kRestartQuestion) << "neither the notice nor the unsaved question";
  EXPECT_EQ(app.modalsShown, (std::vector<std::string>{"TchooseBattery", "TnewBatteryID"}));
  EXPECT_TRUE(app.terminated());

  startElevatedCopy();
  EXPECT_EQ(currentBarcode, u"3ZZ3333CCCC") << "the copy edits the battery the save was for";
  EXPECT_EQ(storedSet(store::machineConfigurationKeyOf(u"3ZZ3333CCCC")), (std::vector<long long>{1, 1, 40, 80, 2, 0}))
      << "the thresholds the new battery's question showed";
  EXPECT_FALSE(sim.registry.exists(RootKey::LocalMachine, store::kMachineDataKey)) << "a save for one battery only";
}

// What the copy is handed is input like any other: what it cannot take
// whole, it leaves, and it starts as usual with the arguments after it.
TEST(HandOver, TheCopyTakesOnlyAWholeHandOverAndPassesTheRestOn) {
  const HandOver save{HandOver::Work::Save, kUser, u"a \"b\u00E4", {100, 1, false, true}};
  // A nine, and a Y, are written with the digit 9 in the hand-over.
  const HandOver remove{HandOver::Work::Remove, u"S-1-5-18", u"9YY9999ZZZZ", {}};
  for (const HandOver& handOver : {save, remove}) {
    StartArguments start = takeHandOver(handOverArgument(handOver) + u"  /x \"y z\"");
    ASSERT_TRUE(start.handOver.has_value()) << toUtf8(handOverArgument(handOver));
    EXPECT_EQ(*start.handOver, handOver);
    EXPECT_EQ(start.passedOn, u"/x \"y z\"");
  }
  EXPECT_EQ(takeHandOver(u"/x").passedOn, u"/x");
  const Text good = u"--kestrane-save=S-1-5-21-1-2-3-1001,0031,80,1,40,1";
  ASSERT_TRUE(takeHandOver(good).handOver.has_value());
  EXPECT_FALSE(takeHandOver(u"/x " + good).handOver) << "only in first place";
  const Text tooLong(4 * 256, u'1');
  // Each field of the good hand-over spoilt in turn.
  for (const auto& [what, malformed] : std::vector<std::pair<const char*, Text>>{
           {"a letter inside the high threshold", u"--kestrane-save=S-1-5-21-1-2-3-1001,0031,8A,1,40,1"},
           {"a letter inside the low threshold", u"--kestrane-save=S-1-5-21-1-2-3-1001,0031,80,1,4A,1"},
           {"a sign", u"--kestrane-save=S-1-5-21-1-2-3-1001,0031,+80,1,40,1"},
           {"high above its range", u"--kestrane-save=S-1-5-21-1-2-3-1001,0031,101,1,40,1"},
           {"low below its range", u"--kestrane-save=S-1-5-21-1-2-3-1001,0031,80,1,0,1"},
           {"low above its range", u"--kestrane-save=S-1-5-21-1-2-3-1001,0031,80,1,97,1"},
           {"an empty threshold", u"--kestrane-save=S-1-5-21-1-2-3-1001,0031,,1,40,1"},
           {"a switch that is neither 0 nor 1", u"--kestrane-save=S-1-5-21-1-2-3-1001,0031,80,2,40,1"},
           {"an empty switch", u"--kestrane-save=S-1-5-21-1-2-3-1001,0031,80,1,40,"},
           {"one field too few", u"--kestrane-save=S-1-5-21-1-2-3-1001,0031,80,1,40"},
           {"one field too many", u"--kestrane-save=S-1-5-21-1-2-3-1001,0031,80,1,40,1,1"},
           {"no SID", u"--kestrane-save=0031,80,1,40,1"},
           {"an empty SID", u"--kestrane-save=,0031,80,1,40,1"},
           {"a SID in lower case", u"--kestrane-save=s-1-5-21-1-2-3-1001,0031,80,1,40,1"},
           {"a SID of another revision", u"--kestrane-save=S-2-5-21-1-2-3-1001,0031,80,1,40,1"},
           {"a letter in the SID", u"--kestrane-save=S-1-5-21-1-2-3-10O1,0031,80,1,40,1"},
           {"an empty part of the SID", u"--kestrane-save=S-1-5--1-2-3-1001,0031,80,1,40,1"},
           {"a SID part over 32 bits", u"--kestrane-save=S-1-5-21-4294967296,0031,80,1,40,1"},
           {"sixteen SID parts", u"--kestrane-save=S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15-16,0031,80,1,40,1"},
           {"a barcode of odd digits", u"--kestrane-save=S-1-5-21-1-2-3-1001,003,80,1,40,1"},
           {"a barcode in lower-case digits", u"--kestrane-save=S-1-5-21-1-2-3-1001,005c,80,1,40,1"},
           {"a barcode with a backslash", u"--kestrane-save=S-1-5-21-1-2-3-1001,005C,80,1,40,1"},
           {"a barcode with a slash", u"--kestrane-save=S-1-5-21-1-2-3-1001,0031002F0032,80,1,40,1"},
           {"a barcode with a NUL", u"--kestrane-save=S-1-5-21-1-2-3-1001,0000,80,1,40,1"},
           {"a barcode longer than a key name", u"--kestrane-save=S-1-5-21-1-2-3-1001," + tooLong + u",80,1,40,1"},
           {"an installed battery's key",
            u"--kestrane-save=S-1-5-21-1-2-3-1001," +
                handOverArgument({HandOver::Work::Remove, u"", u"bAttery1", {}}).substr(19) + u",80,1,40,1"},
           {"a removal without SID", u"--kestrane-remove=0031"},
           {"a removal of no battery", u"--kestrane-remove=S-1-5-18,"},
           {"a removal with a bad digit", u"--kestrane-remove=S-1-5-18,00G1"},
           {"a removal with a field too many", u"--kestrane-remove=S-1-5-18,0031,0031"}}) {
    StartArguments start = takeHandOver(malformed + u" /x");
    EXPECT_FALSE(start.handOver.has_value()) << what;
    EXPECT_EQ(start.passedOn, u"/x") << what << ": what is ours is not passed on";
  }
  EXPECT_EQ(takeHandOver(u"--kestrane-other=S-1-5-18,0031").passedOn, u"--kestrane-other=S-1-5-18,0031") << "not ours";
}

TEST(HandOver, ASidHasTheFormWindowsWritesIt) {
  for (const char16_t* sid : {u"S-1-5-18", u"S-1-5", u"S-1-5-21-4294967295", u"S-1-281474976710655-1",
                              u"S-1-5-21-1004336348-1177238915-682003330-1001"}) {
    EXPECT_TRUE(isSidText(sid)) << toUtf8(sid);
  }
  for (const char16_t* sid : {u"", u"S-1-", u"S-1", u"S-1-281474976710656-1", u"S-1-5-", u"S-1-5-18 ", u"S-1-5-1\2"}) {
    EXPECT_FALSE(isSidText(sid)) << toUtf8(sid);
  }
}

TEST_F(EditorTest, ACopyHandedSomethingItCannotTakeStartsAsUsualAndWritesNothing) {
  // A number out of range, and a user who is not signed in on this machine.
  for (const Text& handOver :
       {u"--kestrane-save=" + kUser + u",,101,1,40,1", Text(u"--kestrane-save=S-1-5-21-9-9-9-1003,,90,1,40,1")}) {
    sim.shell.processCommandLine = u"kestrane.exe " + handOver;
    startWith(40, 80);
    EXPECT_TRUE(app.dialogs.empty());
    EXPECT_EQ(main().seHighLevel.value(), 80);
    EXPECT_EQ(stored(kUserData, store::kChargeStopPercentage), 80u);
    EXPECT_FALSE(sim.registry.exists(RootKey::LocalMachine, store::kMachineDataKey));
    program.reset();
  }
}

// A standard user's elevation prompt asks for an administrator's password:
// the copy then runs under the administrator's account, whose HKCU is the
// administrator's own hive. It works in the hive of the user who started
// it, for its whole run, and never touches its own.
TEST_F(EditorTest, ACopyUnderAnAdministratorsAccountLoadsSavesAndGathersInTheStartingUsersHive) {
  seedBattery(u"1ZZ1111AAAA");
  startWith(40, 80);
  sim.registry.currentUser = kAdministrator;
  seedUserData({0, 0, 10, 20});
  seedBattery(u"9ZZ9999ZZZZ");
  sim.registry.currentUser = kUser;
  sim.registry.administrator = false;
  typeInto(main().seHighLevel, u"90");
  app.answer(ModalResult::Yes);
  main().btSaveSettings.click();
  ASSERT_EQ(sim.shell.calls.size(), 1u);

  program.reset();
  sim.registry.calls.clear();
  auto& copy = startElevatedCopy(kAdministrator);
  EXPECT_EQ(dialogTexts(copy), std::vector<Text>{kNotice});
  EXPECT_EQ(knownBarcodes, std::vector<Text>{u"1ZZ1111AAAA"}) << "the starting user's batteries only";
  for (const auto& call : sim.registry.calls) {
    EXPECT_NE(call.root, RootKey::CurrentUser) << "HKCU is the administrator's own: " << utf8(call.path);
  }
  const Text userHive = Text(kUser) + u"\\";
  for (const store::KeySet& keySet : store::writeSet(u"", {u"1ZZ1111AAAA"})) {
    RootKey root = keySet.root == store::kUser ? RootKey::Users : RootKey::LocalMachine;
    Text path = (keySet.root == store::kUser ? userHive : Text()) + keySet.path;
    EXPECT_EQ(sim.registry.getDword(root, path, store::kChargeStopPercentage), 90u) << utf8(path);
  }
  EXPECT_EQ(storedSet(kUserData), (std::vector<long long>{0, 0, 10, 20, -1, -1}))
      << "the administrator's hive as it was";
  EXPECT_FALSE(sim.registry.exists(RootKey::CurrentUser, store::userDataKeyOf(u"1ZZ1111AAAA").path));

  sim.registry.put(RootKey::Users, userHive + store::kUserDataKey, store::kChargeStartPercentage, sys::dwordValue(33));
  sim.registry.restrict(RootKey::LocalMachine, u"SOFTWARE\\Lenovo\\PWRMGRV\\ConfKeys", 0);
  sim.registry.restrict(RootKey::LocalMachine, store::kMachineDataKey, 0);
  main().btGetValues.click();
  EXPECT_EQ(main().seLowLevel.value(), 33) << "Get Values reads the starting user's keys";
}

// Yes to the restart question that starts no copy is no save: the user is
// told why, no further question comes, and the values stay marked.
TEST_F(EditorTest, ARestartDeclinedOrFailedSaysSoAsksNoMoreAndKeepsTheEditMarked) {
  for (const sys::ElevatedStart& start :
       {sys::ElevatedStart{sys::ElevatedStart::Result::Declined, {}},
        sys::ElevatedStart{sys::ElevatedStart::Result::Failed, u"The system cannot find the file specified."}}) {
    seedBattery(u"1ZZ1111AAAA");
    startWith(40, 80);
    sim.registry.administrator = false;
    sim.shell.elevatedStart = start;
    sim.shell.calls.clear();
    typeInto(main().seHighLevel, u"90");
    app.dialogs.clear();
    app.answer(ModalResult::Yes);
    main().btSaveSettings.click();
    const Text told = start.result == sys::ElevatedStart::Result::Declined
                          ? u"     Kestrane was not restarted: the elevation prompt was declined.     "
                          : u"     Kestrane could not restart with administrator privileges: The system cannot find "
                            u"the file specified.     ";
    EXPECT_EQ(dialogTexts(), (std::vector<Text>{store::kRestartQuestion, told})) << "no notice";
    EXPECT_EQ(sim.shell.calls.size(), 1u);
    EXPECT_FALSE(app.terminated());
    EXPECT_EQ(stored(store::userDataKeyOf(u"1ZZ1111AAAA"), store::kChargeStopPercentage), 90u)
        << "the key sets Windows allowed are written";
    main().BatteryStatusTimerTick();
    EXPECT_EQ(main().btSaveSettings.font().color, changedColor);
    app.answer(ModalResult::Cancel);
    main().close();
    EXPECT_EQ(app.dialogs.back().text, kUnsavedQuestion) << "closing asks before the edit is lost";
    EXPECT_FALSE(app.terminated());
    program.reset();
  }
}

// Already elevated, or a failure that is not a refusal: no restart can
// help, and the message says what failed where.
TEST_F(EditorTest, NoRestartIsOfferedWhereItCannotHelp) {
  startWith(40, 80);
  sim.account.token = sys::TokenKind::Elevated;
  sim.registry.makeReadOnly(RootKey::LocalMachine, u"SOFTWARE\\Lenovo");
  typeInto(main().seHighLevel, u"90");
  app.dialogs.clear();
  main().btSaveSettings.click();
  const Text machine = u"HKLM\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\";
  auto refused = [&](const Text& keySet) {
    return u"     Couldn't save settings to " + machine + keySet +
           u":\r\n     Windows refused to write ChargeStartControl, although Kestrane runs with administrator "
           u"privileges.     ";
  };
  EXPECT_EQ(dialogTexts(), (std::vector<Text>{refused(u"ConfKeys\\Data"), refused(u"Data"),
                                              kNotice + u"\r\n\r\nNot saved:\r\n   " + machine +
                                                  u"ConfKeys\\Data\r\n   " + machine + u"Data"}));
  EXPECT_TRUE(sim.shell.calls.empty());

  sim.account.token = sys::TokenKind::AdministratorLimited;
  sim.registry.alterRead = [](const sys::sim::RegCall& call, sys::RegValue& value) {
    if (call.name == store::kAutomatic) value = sys::dwordValue(3);
  };
  typeInto(main().seHighLevel, u"95");
  app.dialogs.clear();
  main().btSaveSettings.click();
  ASSERT_EQ(app.dialogs.size(), 3u) << "one message per key set, and no notice: not one was written";
  EXPECT_EQ(app.dialogs[0].text,
            u"     Couldn't save settings to HKCU\\SOFTWARE\\Lenovo\\PWRMGRV\\Data:\r\n"
            u"     Automatic reads back differently after writing.     ");
  EXPECT_TRUE(sim.shell.calls.empty());
  EXPECT_TRUE(valueChanged);
}

// A restart with "runas" gives administrator rights to an administrator's
// limited token, which Windows makes only while UAC is on (a policy
// changed since takes effect at the next restart), and to a standard user
// whom the policy lets ask for an administrator's password. For a standard
// user with UAC off, or where the policy denies standard users at once, it
// cannot: the save says that an
// administrator must save the key sets Windows refused, naming them, and
// asks nothing; the key sets it may write are written. A refused removal
// says the same of its key set.
TEST_F(EditorTest, TheRestartIsOfferedOnlyWhereWindowsCanGiveTheRights) {
  using sys::TokenKind;
  const Text machine = u"HKLM\\SOFTWARE\\Wow6432Node\\Lenovo\\PWRMGRV\\";
  struct Case {
    TokenKind token;
    bool userAccountControl, standardUsersMayAsk;
    const char16_t* why;  // nothing: the restart is offered
  };
  for (const Case& c : std::initializer_list<Case>{
           {TokenKind::AdministratorLimited, true, true, nullptr},
           {TokenKind::AdministratorLimited, true, false, nullptr},
           {TokenKind::Standard, true, true, nullptr},
           {TokenKind::Standard, true, false, u"Windows' policy denies standard users' requests for them"},
           {TokenKind::Standard, false, true, u"User Account Control is switched off"},
           {TokenKind::Standard, false, false, u"User Account Control is switched off"},
           {TokenKind::AdministratorLimited, false, true, nullptr}}) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.token)) + (c.userAccountControl ? " UAC on" : " UAC off") +
                 (c.standardUsersMayAsk ? "" : ", standard users denied"));
    startWith(40, 80);
    seed(store::machineConfigurationKeyOf(u"1ZZ1111AAAA"), {});
    sim.registry.administrator = false;
    sim.account.token = c.token;
    sim.account.policy = {c.userAccountControl, c.standardUsersMayAsk};
    typeInto(main().seHighLevel, u"90");
    app.dialogs.clear();
    app.answer(ModalResult::No);
    app.answer(ModalResult::No);
    main().btSaveSettings.click();
    if (c.why == nullptr) {
      EXPECT_EQ(dialogTexts().front(), store::kRestartQuestion);
    } else {
      const std::vector<Text> refused = {machine + u"ConfKeys\\Data\\1ZZ1111AAAA", machine + u"ConfKeys\\Data",
                                         machine + u"Data"};
      Text message = u"     Only an administrator can save these settings (" + Text(c.why) + u"):";
      Text notice = kNotice + u"\r\n\r\nNot saved:";
      for (const Text& keySet : refused) {
        message += u"\r\n     " + keySet;
        notice += u"\r\n   " + keySet;
      }
      EXPECT_EQ(dialogTexts(), (std::vector<Text>{message + u"     ", notice}));
      EXPECT_EQ(stored(kUserData, store::kChargeStopPercentage), 90u) << "what Windows allowed is written";
      app.dialogs.clear();
      EXPECT_FALSE(main().removeBatterySettings(u"1ZZ1111AAAA"));
      EXPECT_EQ(dialogTexts(),
                (std::vector<Text>{u"     Only an administrator can remove these settings (" + Text(c.why) +
                                   u"):\r\n     " + machine + u"ConfKeys\\Data\\1ZZ1111AAAA     "}));
    }
    EXPECT_TRUE(sim.shell.calls.empty());
    program.reset();
    app.answers.clear();
  }
}

TEST_F(EditorTest, EveryKeySetWrittenIsFlushedThroughItsWriteHandle) {
  startWith(40, 80);
  currentBarcode = u"1ZZ1111AAAA";
  typeInto(main().seHighLevel, u"90");
  sim.registry.flushed.clear();
  main().btSaveSettings.click();
  const Text user = store::userDataKeyOf(currentBarcode).path,
             machine = store::machineConfigurationKeyOf(currentBarcode).path;
  EXPECT_EQ(sim.registry.flushed, (std::vector<Text>{user, user, user, user, user, user, machine, machine, machine,
                                                     machine, machine, machine}))
      << "each of the six values reaches the disk";
}

TEST_F(EditorTest, SaveThatWritesNoKeySetShowsNoNoticeAndKeepsTheMark) {
  startWith(40, 80);
  sim.registry.administrator = false;
  sim.registry.makeReadOnly(RootKey::CurrentUser, store::kUserRootKey);
  typeInto(main().seHighLevel, u"90");
  app.dialogs.clear();
  main().btSaveSettings.click();
  EXPECT_EQ(dialogTexts(), std::vector<Text>(3, store::kRestartQuestion));
  EXPECT_TRUE(valueChanged);
  EXPECT_EQ(main().seHighLevel.font().color, changedColor);
  EXPECT_EQ(stored(kUserData, store::kChargeStopPercentage), 80u);
}

TEST(ArgumentsAfterProgramName, SplitByTheWindowsRules) {
  EXPECT_EQ(argumentsAfterProgramName(u"\"C:\\Program Files\\K\\kestrane.exe\" -a b"), u"-a b");
  EXPECT_EQ(argumentsAfterProgramName(u"\"C:\\Program Files\\K\\kestrane.exe\"-a"), u"-a");
  EXPECT_EQ(argumentsAfterProgramName(u"kestrane.exe\t x  \"y z\" "), u"x  \"y z\" ");
  EXPECT_EQ(argumentsAfterProgramName(u"kestrane"), u"");
  EXPECT_EQ(argumentsAfterProgramName(u""), u"");
  EXPECT_EQ(argumentsAfterProgramName(u" x"), u"x") << "no program path at all";
  EXPECT_EQ(argumentsAfterProgramName(u"\"unclosed path"), u"");
  EXPECT_EQ(argumentsAfterProgramName(u"\"\" x"), u"x") << "an empty quoted path";
}

}  // namespace
}  // namespace kst::testing

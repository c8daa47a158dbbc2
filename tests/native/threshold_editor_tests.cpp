// Editing the thresholds: change marks, toggles, gap correction, saving,
// the notice and the elevated restart.
#include "settings/threshold_editor.h"

#include "tests/native/program_fixture.h"

namespace kst::testing {
namespace {

const store::KeySet kUserData{store::kUser, store::kUserDataKey};
const Text kNotice =
    u"Please note:  In order to get the new settings working, you have to disconnect the power supply, "
    u"restart Windows and wait for the charging level to fall under the low charging threshold you have been "
    u"setting.";

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
  EXPECT_EQ(dialogTexts(), (std::vector<Text>{store::kRestartQuestion, kNotice}));
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
  EXPECT_EQ(call.parameters, u"--kestrane-save=,90,1,40,0 /tray \"a b\"") << "the save, then the arguments as given";
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

  sim.registry.administrator = false;
  typeInto(main().seHighLevel, u"95");
  copy.answer(ModalResult::Yes);
  main().btSaveSettings.click();
  EXPECT_EQ(sim.shell.calls.back().parameters, u"--kestrane-save=,95,1,40,0 /tray \"a b\"")
      << "a copy of the copy gets the arguments as the program was first given them";
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
  const HandOver save{HandOver::Work::Save, u"a \"b\u00E4", {100, 1, false, true}};
  const HandOver remove{HandOver::Work::Remove, u"1ZZ1111AAAA", {}};
  for (const HandOver& handOver : {save, remove}) {
    StartArguments start = takeHandOver(handOverArgument(handOver) + u"  /x \"y z\"");
    ASSERT_TRUE(start.handOver.has_value()) << toUtf8(handOverArgument(handOver));
    EXPECT_EQ(*start.handOver, handOver);
    EXPECT_EQ(start.passedOn, u"/x \"y z\"");
  }
  EXPECT_EQ(takeHandOver(u"/x").passedOn, u"/x");
  EXPECT_FALSE(takeHandOver(u"/x --kestrane-save=,80,1,40,1").handOver) << "only in first place";
  for (const char16_t* malformed :
       {u"--kestrane-save=,101,1,40,1", u"--kestrane-save=,80,1,0,1", u"--kestrane-save=,80,1,97,1",
        u"--kestrane-save=,80,2,40,1", u"--kestrane-save=,80,1,40", u"--kestrane-save=,80,1,40,1,1",
        u"--kestrane-save=,+80,1,40,1", u"--kestrane-save=003,80,1,40,1", u"--kestrane-save=005c,80,1,40,1",
        u"--kestrane-save=005C,80,1,40,1", u"--kestrane-save=0031002F0032,80,1,40,1", u"--kestrane-save=0000,80,1,40,1",
        u"--kestrane-remove=", u"--kestrane-remove=00G1", u"--kestrane-other=0031"}) {
    StartArguments start = takeHandOver(Text(malformed) + u" /x");
    EXPECT_FALSE(start.handOver.has_value()) << toUtf8(malformed);
  }
  EXPECT_EQ(takeHandOver(u"--kestrane-save=,101,1,40,1 /x").passedOn, u"/x") << "what is ours is not passed on";
}

TEST_F(EditorTest, ACopyHandedSomethingItCannotTakeStartsAsUsualAndWritesNothing) {
  sim.shell.processCommandLine = u"kestrane.exe --kestrane-save=,101,1,40,1";
  startWith(40, 80);
  EXPECT_TRUE(app.dialogs.empty());
  EXPECT_EQ(main().seHighLevel.value(), 80);
  EXPECT_EQ(stored(kUserData, store::kChargeStopPercentage), 80u);
  EXPECT_FALSE(sim.registry.exists(RootKey::LocalMachine, store::kMachineDataKey));
}

TEST_F(EditorTest, EveryKeySetWrittenIsFlushedThroughItsWriteHandle) {
  startWith(40, 80);
  currentBarcode = u"1ZZ1111AAAA";
  typeInto(main().seHighLevel, u"90");
  sim.registry.flushed.clear();
  main().btSaveSettings.click();
  const Text user = store::userDataKeyOf(currentBarcode).path, machine = store::machineConfigurationKeyOf(currentBarcode).path;
  EXPECT_EQ(sim.registry.flushed, (std::vector<Text>{user, user, user, user, user, user, machine, machine, machine,
                                                     machine, machine, machine}))
      << "each of the six values reaches the disk";
}

TEST_F(EditorTest, DeclinedElevationIsSilentAndTheProgramGoesOn) {
  startWith(40, 80);
  sim.registry.administrator = false;
  sim.shell.result = 5;
  app.answer(ModalResult::Yes);
  app.answer(ModalResult::Yes);
  app.dialogs.clear();
  main().btSaveSettings.click();
  EXPECT_EQ(sim.shell.calls.size(), 2u);
  EXPECT_FALSE(app.terminated());
  EXPECT_EQ(dialogTexts(), (std::vector<Text>{store::kRestartQuestion, store::kRestartQuestion, kNotice}));
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

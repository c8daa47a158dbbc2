// The battery chooser, the new-barcode dialog and the selection flow.
#include "battery/selection.h"

#include "battery/barcodes.h"
#include "resources/battery_label.h"
#include "settings/threshold_editor.h"
#include "tests/native/program_fixture.h"

namespace kst::testing {
namespace {

const Text kA = u"1AA1111AAAA";
const Text kB = u"2BB2222BBBB";
const Text kC = u"3CC3333CCCC";

Text invalidQuestion(const Text& text) {
  return u"The barcode you entered seems to be not valid:  " + text + u"\r\nDo you want to use that barcode anyway?";
}
Text newBatteryQuestion(int high, int low) {
  return u"Do you want to save settings for the new battery now?\r\n   high charging threshold: " + decimal(high) +
         u"%\r\n   low charging threshold:  " + decimal(low) + u"%";
}
Text removeQuestion(const Text& barcode) {
  return u"Remove specific settings from registry?\r\nBattery barcode:  " + barcode;
}

class ChooserTest : public ProgramTest {
 protected:
  // Starts with general thresholds 40/80 and the given batteries stored.
  void startWithBatteries(const std::vector<Text>& barcodes) {
    seedUserData({1, 1, 40, 80});
    for (const Text& barcode : barcodes) seedBattery(barcode, {1, 1, 30, 70});
    start();
  }
  // Presses the battery button and acts in the chooser.
  void choose(std::function<void(TchooseBattery&)> action) {
    app.whenShown("TchooseBattery", [action](tk::Form& f) { action(static_cast<TchooseBattery&>(f)); });
    main().btBatteryID.click();
    app.whenShown("TchooseBattery", nullptr);
  }
  // In the new-barcode dialog: types the text and applies it.
  void typeNewBarcode(const Text& text) {
    app.whenShown("TnewBatteryID", [text](tk::Form& f) {
      auto& dialog = static_cast<TnewBatteryID&>(f);
      dialog.edNewBatteryID.setText(u"");
      tk::headless::type(dialog, text);
      dialog.btApply.click();
    });
  }
  static std::vector<int> tops(const TchooseBattery& c) {
    std::vector<int> result;
    for (const auto& radio : c.batteryRadioButtons) result.push_back(radio->top());
    return result;
  }
  static std::vector<Text> captions(const TchooseBattery& c) {
    std::vector<Text> result;
    for (const auto& radio : c.batteryRadioButtons) result.push_back(radio->text());
    return result;
  }
  static int checkedIndex(const TchooseBattery& c) {
    for (size_t i = 0; i < c.batteryRadioButtons.size(); ++i) {
      if (c.batteryRadioButtons[i]->checked()) return static_cast<int>(i);
    }
    return -1;
  }
  // A main window shorter than every chooser, so that its own heights show.
  void shortMainWindow() { main().setClientSize(main().clientWidth(), 60); }
};

TEST_F(ChooserTest, NoKnownBarcodeShowsTwoShiftedChoicesAndNoRemove) {
  startWithBatteries({});
  shortMainWindow();
  choose([&](TchooseBattery& c) {
    EXPECT_EQ(captions(c), (std::vector<Text>{u" all &batteries ", u" a &new battery "}));
    EXPECT_EQ(tops(c), (std::vector<int>{54, 74}));
    EXPECT_EQ(c.batteryRadioButtons[0]->left(), 76);
    EXPECT_EQ(c.batteryRadioButtons[0]->width(), 118);
    EXPECT_EQ(c.batteryRadioButtons[0]->height(), 17);
    EXPECT_EQ(c.lbChoose.top(), 22);
    EXPECT_EQ(c.outerHeight(), 168);
    EXPECT_FALSE(c.btRemove.visible());
    EXPECT_EQ(checkedIndex(c), 0);
    EXPECT_EQ(c.caption(), u"Kestrane");
    EXPECT_EQ(c.btRemove.hint(), u" click here, to remove settings for choosed battery from registry ");
    c.btCancel.click();
  });
}

TEST_F(ChooserTest, OneKnownBarcodeIsPreselectedBeforeTheChooserOpens) {
  startWithBatteries({kA});
  shortMainWindow();
  choose([&](TchooseBattery& c) {
    EXPECT_EQ(tops(c), (std::vector<int>{48, 68, 88}));
    EXPECT_EQ(c.batteryRadioButtons[1]->left(), 36);
    EXPECT_EQ(c.lbChoose.top(), 26);
    EXPECT_EQ(c.outerHeight(), 182);
    EXPECT_EQ(checkedIndex(c), 1);
    EXPECT_TRUE(c.btRemove.visible());
    EXPECT_TRUE(c.btRemove.enabled());
    EXPECT_EQ(c.btRemove.top(), 66);
    EXPECT_EQ(c.btRemove.left(), 154);
    c.btCancel.click();
  });
  EXPECT_EQ(currentBarcode, kA) << "the preselection stays after Cancel";
}

TEST_F(ChooserTest, TwoKnownBarcodesAndTheRemoveButtonFollowingTheChoice) {
  startWithBatteries({kA, kB});
  shortMainWindow();
  choose([&](TchooseBattery& c) {
    EXPECT_EQ(tops(c), (std::vector<int>{38, 56, 74, 92}));
    EXPECT_EQ(c.lbChoose.top(), 18);
    EXPECT_EQ(c.outerHeight(), 186);
    EXPECT_EQ(checkedIndex(c), 0);
    EXPECT_FALSE(c.btRemove.enabled());
    c.btRemove.click();
    EXPECT_TRUE(app.dialogs.empty()) << "a greyed button does nothing";
    EXPECT_FALSE(c.hasSystemMenu) << "no title-bar buttons at all";
    expectPlaced(c, {{"lbChoose", {36, 18, 0, 13}},
                     {"btRemove", {154, 36, 55, 22}, 0},
                     {"btCancel", {36, 116, 84, 24}, 1},
                     {"btOk", {125, 116, 84, 24}, 2},
                     {"rbBattery0", {36, 38, 118, 17}, 3},
                     {"rbBattery1", {36, 56, 118, 17}, 4},
                     {"rbBattery2", {36, 74, 118, 17}, 5},
                     {"rbBattery3", {36, 92, 118, 17}, 6}});
    c.batteryRadioButtons[2]->click();
    EXPECT_TRUE(c.btRemove.enabled());
    EXPECT_EQ(c.btRemove.top(), 72);
    EXPECT_EQ(c.btRemove.tag, 2);
    c.batteryRadioButtons[3]->click();
    EXPECT_FALSE(c.btRemove.enabled());
    EXPECT_EQ(c.btCancel.top() + c.btCancel.height(), c.clientHeight() - (161 - 144));
    c.btCancel.click();
  });
}

TEST_F(ChooserTest, NeverShorterThanTheMainWindowAndGrowingOneRowPerBarcode) {
  std::vector<Text> barcodes;
  for (int i = 0; i < 30; ++i)
    barcodes.push_back(u"1ZZ" + Text(1, char16_t(u'A' + i % 26)) + u"00000" + Text(1, char16_t(u'0' + i / 10)) +
                       Text(1, char16_t(u'0' + i % 10)));
  startWithBatteries(barcodes);
  int mainHeight = main().outerHeight();
  std::vector<int> heights;
  for (size_t count : {size_t(2), size_t(28), size_t(29), size_t(30)}) {
    knownBarcodes.assign(barcodes.begin(), barcodes.begin() + static_cast<long>(count));
    program->chooser().showModal();
    heights.push_back(chooser().outerHeight());
  }
  EXPECT_EQ(heights[0], mainHeight);
  EXPECT_EQ(heights[2] - heights[1], 18);
  EXPECT_EQ(heights[3] - heights[2], 18);
  EXPECT_EQ(chooser().clientHeight() - (chooser().btOk.top() + chooser().btOk.height()), 161 - 144);
  EXPECT_EQ(chooser().bvChoose.bounds(), (tk::Rect{8, 8, 231, chooser().clientHeight() - 14}))
      << "the frame grows with the dialog";
}

TEST_F(ChooserTest, PlacedRightOfTheMainWindowOrLeftNearTheScreenEdge) {
  startWithBatteries({});
  main().setPosition(100, 50);
  choose([&](TchooseBattery& c) {
    EXPECT_EQ(c.left(), 100 + main().outerWidth() + 10);
    EXPECT_EQ(c.top(), 50);
    EXPECT_EQ(c.icon(), main().icon());
    c.btCancel.click();
  });
  main().setPosition(app.screenInfo.width - main().outerWidth() - 20, 50);
  choose([&](TchooseBattery& c) {
    EXPECT_EQ(c.left(), main().left() - c.outerWidth() - 10);
    c.btCancel.click();
  });
}

TEST_F(ChooserTest, At144PixelsPerInchEveryPositionIsScaledWithTiesToEven) {
  app.screenInfo.pixelsPerInch = 144;
  seedUserData();
  seedBattery(kA);
  seedBattery(kB);
  start();
  shortMainWindow();
  choose([&](TchooseBattery& c) {
    EXPECT_EQ(tops(c), (std::vector<int>{57, 84, 111, 138}));
    EXPECT_EQ(c.batteryRadioButtons[0]->left(), 54);
    EXPECT_EQ(c.batteryRadioButtons[0]->height(), 25) << "its bottom, 55 x 1.5 = 82.5, goes to the even 82";
    EXPECT_EQ(c.batteryRadioButtons[0]->width(), 177);
    EXPECT_EQ(c.outerHeight(), 138 + 36 + 105);
    c.btCancel.click();
  });
  knownBarcodes = {kA};
  currentBarcode = kA;
  program->chooser().showModal();
  EXPECT_EQ(tops(chooser()), (std::vector<int>{72, 102, 132}));
  EXPECT_EQ(chooser().lbChoose.top(), 27 + 12);
  knownBarcodes.clear();
  program->chooser().showModal();
  EXPECT_EQ(tops(chooser()), (std::vector<int>{81, 111}));
  EXPECT_EQ(chooser().batteryRadioButtons[0]->left(), 54 + 60);
  EXPECT_EQ(chooser().lbChoose.top(), 27 + 6);
}

TEST_F(ChooserTest, StatusTimerStopsWhileOpenAndRestartsWithOneRefresh) {
  startWithBatteries({});
  sim.power.setCharging(20);
  choose([&](TchooseBattery& c) {
    EXPECT_FALSE(main().BatteryStatusTimer.enabled());
    app.advance(5000);
    EXPECT_EQ(main().caption(), u"Kestrane   ");
    c.btCancel.click();
  });
  EXPECT_TRUE(main().BatteryStatusTimer.enabled());
  EXPECT_EQ(main().caption(), u"charging,  20%    ");
}

TEST_F(ChooserTest, ChoosingABatteryLoadsItsThresholds) {
  startWithBatteries({kA, kB});
  choose([&](TchooseBattery& c) {
    c.batteryRadioButtons[2]->click();
    c.btOk.click();
  });
  EXPECT_EQ(currentBarcode, kB);
  EXPECT_EQ(main().btBatteryID.text(), u"Battery &Barcode: " + kB);
  EXPECT_EQ(main().seHighLevel.value(), 70);
  EXPECT_TRUE(app.dialogs.empty());
  choose([&](TchooseBattery& c) {
    EXPECT_EQ(checkedIndex(c), 2);
    c.batteryRadioButtons[0]->click();
    tk::headless::type(c, Text(1, char16_t(tk::key::kReturn)));
  });
  EXPECT_EQ(currentBarcode, u"") << "all batteries never asks the new-battery question";
  EXPECT_EQ(main().seHighLevel.value(), 80);
  EXPECT_TRUE(app.dialogs.empty());
}

TEST_F(ChooserTest, RemoveDeletesBothKeySetsGreysTheRowAndMovesOn) {
  startWithBatteries({kA, kB});
  sim.registry.put(RootKey::LocalMachine, store::machineConfigurationKeyOf(kA).path + u"\\Sub", u"x",
                   sys::dwordValue(1));
  choose([&](TchooseBattery& c) {
    c.batteryRadioButtons[1]->click();
    app.answer(ModalResult::Yes);
    c.btRemove.click();
    EXPECT_FALSE(c.batteryRadioButtons[1]->enabled());
    EXPECT_EQ(checkedIndex(c), 2);
    EXPECT_EQ(c.btRemove.tag, 2);
    app.answer(ModalResult::Yes);
    c.btRemove.click();
    EXPECT_EQ(checkedIndex(c), 3) << "after the last barcode comes a new battery";
    EXPECT_FALSE(c.btRemove.enabled());
    c.btCancel.click();
  });
  EXPECT_EQ(dialogTexts(), (std::vector<Text>{removeQuestion(kA), removeQuestion(kB)}));
  EXPECT_FALSE(sim.registry.exists(RootKey::LocalMachine, store::machineConfigurationKeyOf(kA).path));
  EXPECT_FALSE(sim.registry.exists(RootKey::CurrentUser, store::userDataKeyOf(kA).path));
  EXPECT_FALSE(sim.registry.exists(RootKey::CurrentUser, store::userDataKeyOf(kB).path));
  EXPECT_TRUE(sim.registry.exists(RootKey::CurrentUser, store::kUserDataKey));
  EXPECT_FALSE(valueChanged) << "the current selection was all batteries";
}

// Without administrator rights Windows refuses to delete the machine key:
// nothing is removed, and the elevated copy finishes the removal.
TEST_F(ChooserTest, ARemoveWindowsRefusesLeavesTheBatteryWholeAndTheElevatedCopyFinishesIt) {
  startWithBatteries({kA, kB});
  seed(store::machineConfigurationKeyOf(kA), {});
  sim.registry.administrator = false;
  choose([&](TchooseBattery& c) {
    c.batteryRadioButtons[1]->click();
    app.answer(ModalResult::Yes);
    app.answer(ModalResult::No);
    c.btRemove.click();
    EXPECT_TRUE(c.batteryRadioButtons[1]->enabled());
    EXPECT_EQ(checkedIndex(c), 1);
    app.answer(ModalResult::Yes);
    app.answer(ModalResult::Yes);
    c.btRemove.click();
  });
  EXPECT_EQ(dialogTexts(), (std::vector<Text>{removeQuestion(kA), store::kRemoveRestartQuestion, removeQuestion(kA),
                                              store::kRemoveRestartQuestion}));
  EXPECT_TRUE(sim.registry.exists(RootKey::CurrentUser, store::userDataKeyOf(kA).path)) << "never half removed";
  EXPECT_TRUE(app.terminated());
  EXPECT_EQ(app.modalsLeftOpen, 0);

  auto& copy = startElevatedCopy();
  EXPECT_EQ(dialogTexts(copy),
            std::vector<Text>{u"Specific settings removed from registry.\r\nBattery barcode:  " + kA});
  EXPECT_FALSE(sim.registry.exists(RootKey::LocalMachine, store::machineConfigurationKeyOf(kA).path));
  EXPECT_FALSE(sim.registry.exists(RootKey::CurrentUser, store::userDataKeyOf(kA).path));
  EXPECT_TRUE(sim.registry.exists(RootKey::CurrentUser, store::userDataKeyOf(kB).path));
}

// The copy that runs under an administrator's account removes the battery
// of the user who asked, in that user's hive, and leaves its own alone.
TEST_F(ChooserTest, ARemoveHandedToACopyUnderAnotherAccountRemovesTheStartingUsersBatteryWhole) {
  const Text user = sys::sim::SimRegistry::kFirstUser, administrator = sys::sim::SimRegistry::kSecondUser;
  sim.registry.currentUser = administrator;
  seedBattery(kA);
  sim.registry.currentUser = user;
  startWithBatteries({kA});
  seed(store::machineConfigurationKeyOf(kA), {});
  sim.registry.administrator = false;
  choose([&](TchooseBattery& c) {
    c.batteryRadioButtons[1]->click();
    app.answer(ModalResult::Yes);
    app.answer(ModalResult::Yes);
    c.btRemove.click();
  });
  ASSERT_TRUE(app.terminated());

  auto& copy = startElevatedCopy(administrator);
  EXPECT_EQ(dialogTexts(copy),
            std::vector<Text>{u"Specific settings removed from registry.\r\nBattery barcode:  " + kA});
  EXPECT_FALSE(sim.registry.exists(RootKey::LocalMachine, store::machineConfigurationKeyOf(kA).path));
  EXPECT_FALSE(sim.registry.exists(RootKey::Users, user + u"\\" + store::userDataKeyOf(kA).path)) << "not half removed";
  EXPECT_TRUE(sim.registry.exists(RootKey::CurrentUser, store::userDataKeyOf(kA).path)) << "the administrator's own";
}

// With administrator rights a refused delete has no restart to offer.
TEST_F(ChooserTest, ARemoveRefusedWithAdministratorRightsSaysWhereAndOffersNoRestart) {
  startWithBatteries({kA});
  seed(store::machineConfigurationKeyOf(kA), {});
  sim.account.token = sys::TokenKind::Elevated;
  sim.registry.makeReadOnly(RootKey::LocalMachine, u"SOFTWARE\\Lenovo");
  app.dialogs.clear();
  choose([&](TchooseBattery& c) {
    c.batteryRadioButtons[1]->click();
    app.answer(ModalResult::Yes);
    c.btRemove.click();
    EXPECT_TRUE(c.batteryRadioButtons[1]->enabled());
    c.btCancel.click();
  });
  EXPECT_EQ(dialogTexts(),
            (std::vector<Text>{removeQuestion(kA),
                               u"     Couldn't remove settings: Windows refused to delete HKLM\\SOFTWARE\\"
                               u"Wow6432Node\\Lenovo\\PWRMGRV\\ConfKeys\\Data\\" +
                                   kA + u",\r\n     although Kestrane runs with administrator privileges.     "}));
  EXPECT_TRUE(sim.shell.calls.empty());
  EXPECT_TRUE(sim.registry.exists(RootKey::CurrentUser, store::userDataKeyOf(kA).path));
}

TEST_F(ChooserTest, RemoveAnsweredNoDeletesNothing) {
  startWithBatteries({kA, kB});
  choose([&](TchooseBattery& c) {
    c.batteryRadioButtons[1]->click();
    app.answer(ModalResult::No);
    c.btRemove.click();
    EXPECT_TRUE(c.batteryRadioButtons[1]->enabled());
    EXPECT_EQ(checkedIndex(c), 1);
    c.btCancel.click();
  });
  EXPECT_TRUE(sim.registry.exists(RootKey::CurrentUser, store::userDataKeyOf(kA).path));
}

TEST_F(ChooserTest, CancelAfterRemovingTheCurrentBatteryMarksAChange) {
  startWithBatteries({kA, kB});
  currentBarcode = kB;
  main().btGetValues.click();
  choose([&](TchooseBattery& c) {
    app.answer(ModalResult::Yes);
    c.btRemove.click();
    char16_t escape = tk::key::kEscape;
    c.previewChar(escape);
  });
  EXPECT_TRUE(valueChanged);
  EXPECT_EQ(currentBarcode, kB);
  valueChanged = false;
  choose([&](TchooseBattery& c) {
    c.batteryRadioButtons[1]->click();
    app.answer(ModalResult::Yes);
    c.btRemove.click();
    c.btCancel.click();
  });
  EXPECT_FALSE(valueChanged) << "another battery's settings were removed";
}

TEST_F(ChooserTest, NewValidBarcodeAsksToSaveAndYesWritesItsKeySets) {
  startWithBatteries({kA, kB});
  typeNewBarcode(u"4dd4444dddd");
  choose([&](TchooseBattery& c) {
    c.batteryRadioButtons.back()->click();
    app.answer(ModalResult::Yes);
    c.btOk.click();
  });
  const Text barcode = u"4DD4444DDDD";
  EXPECT_EQ(currentBarcode, barcode);
  ASSERT_GE(app.dialogs.size(), 1u);
  EXPECT_EQ(app.dialogs[0].text, newBatteryQuestion(80, 40));
  EXPECT_EQ(app.dialogs[0].buttons, DialogButtons::YesNo);
  EXPECT_EQ(storedSet(store::userDataKeyOf(barcode)), (std::vector<long long>{1, 1, 40, 80, 2, 0}));
  EXPECT_EQ(storedSet(store::machineConfigurationKeyOf(barcode)), (std::vector<long long>{1, 1, 40, 80, 2, 0}));
  EXPECT_FALSE(valueChanged);
  EXPECT_EQ(main().btBatteryID.text(), u"Battery &Barcode: " + barcode);
}

TEST_F(ChooserTest, NoMarksTheChangeAndEarlierChangesAreAskedAboutAgain) {
  startWithBatteries({kA, kB});
  typeInto(main().seHighLevel, u"90");
  typeNewBarcode(u"4DD4444DDDD");
  choose([&](TchooseBattery& c) {
    c.batteryRadioButtons.back()->click();
    c.btOk.click();
  });
  EXPECT_EQ(app.unansweredQuestions, 2);
  EXPECT_EQ(dialogTexts(), (std::vector<Text>{newBatteryQuestion(80, 40), kUnsavedQuestion}));
  EXPECT_EQ(app.dialogs[1].buttons, DialogButtons::YesNo);
  EXPECT_TRUE(valueChanged);
  EXPECT_FALSE(sim.registry.exists(RootKey::CurrentUser, store::userDataKeyOf(u"4DD4444DDDD").path));
}

TEST_F(ChooserTest, InvalidBarcodeAskedAboutAndNoKeepsTheChooserOpen) {
  startWithBatteries({kA});
  const Text before = currentBarcode;
  typeNewBarcode(u"short");
  choose([&](TchooseBattery& c) {
    c.batteryRadioButtons.back()->click();
    app.answer(ModalResult::No);
    c.btOk.click();
    EXPECT_EQ(c.modalResult(), ModalResult::None);
    EXPECT_EQ(checkedIndex(c), 2);
    c.btCancel.click();
  });
  EXPECT_EQ(dialogTexts(), std::vector<Text>{invalidQuestion(u"SHORT")});
  EXPECT_EQ(currentBarcode, kA);
  EXPECT_NE(before, currentBarcode) << "one known barcode was preselected";
}

TEST_F(ChooserTest, InvalidBarcodeTakenAnywayIsStoredExactlyAsTyped) {
  startWithBatteries({});
  app.whenShown("TnewBatteryID", [](tk::Form& f) {
    auto& dialog = static_cast<TnewBatteryID&>(f);
    dialog.edNewBatteryID.textEnteredByUser(u"my battery");  // pasted
    dialog.btApply.click();
  });
  choose([&](TchooseBattery& c) {
    c.batteryRadioButtons.back()->click();
    app.answer(ModalResult::Yes);
    app.answer(ModalResult::Yes);
    c.btOk.click();
  });
  EXPECT_EQ(currentBarcode, u"my battery");
  EXPECT_TRUE(sim.registry.exists(RootKey::CurrentUser, store::kUserDataKey + u"\\my battery"));
}

// A barcode is part of key paths: one that names other keys (below or
// beside the battery's, or the power manager's own key of an installed
// battery) is never taken, whatever the user answers.
TEST_F(ChooserTest, BarcodeThatNamesOtherKeysIsRefusedAndTheChooserStaysOpen) {
  startWithBatteries({kA, kB});
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(1), store::kBarcodeNumber, sys::stringValue(kA));
  sim.registry.calls.clear();
  const Text separator = u"The barcode you entered cannot be used, because it holds \"\\\" or \"/\":  ";
  const Text installed = u"The barcode you entered cannot be used, because it names the power manager's key ";
  for (const auto& [typed, told] :
       std::vector<std::pair<Text, Text>>{{u"\\", separator + u"\\"},
                                          {u"A\\B", separator + u"A\\B"},
                                          {u"X/Y", separator + u"X/Y"},
                                          {u"battery1", installed + u"Battery1 of an installed battery:  BATTERY1"},
                                          {u"Battery9", installed + u"Battery9 of an installed battery:  BATTERY9"}}) {
    SCOPED_TRACE(utf8(typed));
    app.dialogs.clear();
    typeNewBarcode(typed);
    choose([&](TchooseBattery& c) {
      c.batteryRadioButtons.back()->click();
      app.answer(ModalResult::Yes);
      c.btOk.click();
      EXPECT_EQ(c.modalResult(), ModalResult::None);
      c.btCancel.click();
    });
    ASSERT_EQ(app.dialogs.size(), 1u);
    EXPECT_EQ(app.dialogs[0].buttons, DialogButtons::Ok);
    EXPECT_EQ(app.dialogs[0].text, told);
    app.answers.clear();
  }
  EXPECT_EQ(currentBarcode, u"");
  EXPECT_EQ(sim.registry.subKeys(RootKey::CurrentUser, store::kUserDataKey), (std::vector<Text>{kA, kB}));
  for (const auto& call : sim.registry.calls) {
    EXPECT_TRUE(call.op != sys::sim::RegOp::Set && call.op != sys::sim::RegOp::Create &&
                call.op != sys::sim::RegOp::Delete)
        << utf8(call.path);
  }
}

TEST_F(ChooserTest, CancelledOrEmptyNewBarcodeClosesAsCancelled) {
  startWithBatteries({kA, kB});
  currentBarcode = kB;
  valueChanged = true;
  app.whenShown("TnewBatteryID", [](tk::Form& f) { static_cast<TnewBatteryID&>(f).btCancel.click(); });
  choose([&](TchooseBattery& c) {
    c.batteryRadioButtons.back()->click();
    c.btOk.click();
    EXPECT_EQ(c.modalResult(), ModalResult::Cancel);
  });
  typeNewBarcode(u"");
  choose([&](TchooseBattery& c) {
    c.batteryRadioButtons.back()->click();
    c.btOk.click();
    EXPECT_EQ(c.modalResult(), ModalResult::Cancel);
  });
  EXPECT_EQ(currentBarcode, kB);
  EXPECT_TRUE(app.dialogs.empty());
}

TEST_F(ChooserTest, AnErrorWhileGatheringKeepsTheChooserClosed) {
  startWithBatteries({kA, kB});
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(1), store::kBarcodeNumber, sys::dwordValue(1));
  currentBarcode = kA;
  app.guarded([&] { main().btBatteryID.click(); });
  EXPECT_TRUE(app.modalsShown.empty());
  EXPECT_EQ(currentBarcode, kA);
  EXPECT_EQ(app.dialogs.size(), 1u);
}

class NewBarcodeDialogTest : public ProgramTest {
 protected:
  const tk::Color kGreen = tk::Color::rgb(0, 128, 0);
  const tk::Color kRed = tk::Color::rgb(255, 0, 0);
};

TEST_F(NewBarcodeDialogTest, TypingCapitalisesAToZAndColoursByValidity) {
  create();
  TnewBatteryID& d = newBarcodeDialog();
  EXPECT_EQ(d.caption(), u"Kestrane - add a new battery barcode");
  EXPECT_EQ(d.edNewBatteryID.font().color, tk::kWindowText);
  d.edNewBatteryID.setFocus();
  tk::headless::type(d, u"1zz1234abc");
  EXPECT_EQ(d.edNewBatteryID.text(), u"1ZZ1234ABC");
  EXPECT_EQ(app.drawn(d.edNewBatteryID.font().color), kRed);
  tk::headless::type(d, u"d");
  EXPECT_EQ(app.drawn(d.edNewBatteryID.font().color), kGreen);
  tk::headless::type(d, u"e");
  EXPECT_EQ(app.drawn(d.edNewBatteryID.font().color), kRed);
  d.edNewBatteryID.setText(u"");
  tk::headless::type(d, u"\u00e4b-");
  EXPECT_EQ(d.edNewBatteryID.text(), u"\u00e4B-");
  d.edNewBatteryID.setText(u"");
  d.edNewBatteryID.textEnteredByUser(u"1zz1234abcd");  // pasted past the key filter
  EXPECT_EQ(d.edNewBatteryID.text(), u"1zz1234abcd");
  EXPECT_EQ(app.drawn(d.edNewBatteryID.font().color), kRed);
}

TEST_F(NewBarcodeDialogTest, TextAndColourStayFromOneShowingToTheNext) {
  create();
  app.whenShown("TnewBatteryID", [](tk::Form& f) {
    auto& d = static_cast<TnewBatteryID&>(f);
    if (d.edNewBatteryID.text().empty()) tk::headless::type(d, u"1zz1234abcd");
    char16_t escape = tk::key::kEscape;
    d.previewChar(escape);
  });
  EXPECT_EQ(newBarcodeDialog().showModal(), ModalResult::Cancel);
  EXPECT_EQ(newBarcodeDialog().showModal(), ModalResult::Cancel);
  EXPECT_EQ(newBarcodeDialog().edNewBatteryID.text(), u"1ZZ1234ABCD");
  EXPECT_EQ(app.drawn(newBarcodeDialog().edNewBatteryID.font().color), kGreen);
  EXPECT_EQ(newBarcodeDialog().activeControl(), &newBarcodeDialog().edNewBatteryID);
}

TEST_F(NewBarcodeDialogTest, OpensCentredOnTheMainWindowAtEveryShowing) {
  seedUserData();
  start();
  TnewBatteryID& d = newBarcodeDialog();
  auto expectCentred = [&] {
    tk::Form& m = main();
    EXPECT_EQ(d.left(), m.left() + (m.outerWidth() - d.outerWidth()) / 2);
    EXPECT_EQ(d.top(), m.top() + (m.outerHeight() - d.outerHeight()) / 2);
  };
  d.showModal();
  expectCentred();
  d.positionChanged(3, 4);
  main().setPosition(700, 500);
  d.showModal();
  expectCentred();
}

TEST_F(NewBarcodeDialogTest, LayoutAndTheBatteryLabelPictureAtItsSize) {
  create();
  TnewBatteryID& d = newBarcodeDialog();
  EXPECT_EQ(d.clientWidth(), 684);
  EXPECT_EQ(d.clientHeight(), 219);
  EXPECT_FALSE(d.hasSystemMenu);
  expectPlaced(d, {
                      {"Bevel1", {12, 8, 660, 201}},
                      {"Label1", {32, 24, 0, 13}},
                      {"Label2", {32, 40, 0, 13}},
                      {"imBattery", {32, 61, 618, 104}},
                      {"btCancel", {32, 174, 88, 25}, 0},
                      {"Label3", {140, 178, 0, 13}},
                      {"edNewBatteryID", {318, 175, 121, 21}, 2},
                      {"btApply", {456, 174, 194, 25}, 1},
                  });
  EXPECT_TRUE(d.edNewBatteryID.centered) << "the barcode is typed in the middle of its field";
  const tk::Bitmap& picture = d.imBattery.bitmap();
  EXPECT_EQ(picture.width(), 618);
  EXPECT_EQ(picture.height(), 104);
}

TEST_F(NewBarcodeDialogTest, EnterInTheFieldAppliesAndTheAccessKeyFocusesIt) {
  create();
  app.whenShown("TnewBatteryID", [](tk::Form& f) {
    auto& d = static_cast<TnewBatteryID&>(f);
    d.btCancel.setFocus();
    EXPECT_TRUE(d.accelerator(u'b')) << "Alt+B, as typed";
    EXPECT_EQ(d.activeControl(), &d.edNewBatteryID);
    tk::headless::type(d, u"1zz1234abcd\r");
  });
  EXPECT_EQ(newBarcodeDialog().showModal(), ModalResult::Ok) << "Apply is the default button";
  EXPECT_EQ(newBarcodeDialog().edNewBatteryID.text(), u"1ZZ1234ABCD");
}

}  // namespace
}  // namespace kst::testing

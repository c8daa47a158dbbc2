// The main window's first showing, its placement and every way of closing it.
#include <functional>
#include <map>
#include <set>

#include "settings/threshold_editor.h"
#include "tests/native/program_fixture.h"

namespace kst::testing {
namespace {

const store::KeySet kUserData{store::kUser, store::kUserDataKey};

class MainWindowTest : public ProgramTest {
 protected:
  // Starts with stored thresholds and leaves an unsaved change.
  void startWithUnsavedChange() {
    seedUserData({1, 1, 40, 80});
    start();
    typeInto(main().seHighLevel, u"90");
    main().seLowLevel.setFocus();
    app.dialogs.clear();
  }
  bool closed() const { return app.terminated(); }
};

TEST_F(MainWindowTest, FirstShowingLoadsEverythingAndComesToTheFront) {
  seedUserData({1, 0, 40, 80});
  seedBattery(u"1ZZ1111AAAA");
  sim.power.setCharging(50);
  start();
  Tkst_mainform& m = main();
  EXPECT_EQ(app.hintHidePause(), 30000);
  EXPECT_EQ(m.seLowLevel.value(), 40);
  EXPECT_EQ(m.seHighLevel.value(), 80);
  EXPECT_FALSE(m.cbHighLevel.checked());
  EXPECT_FALSE(valueChanged);
  EXPECT_FALSE(inFormShow);
  EXPECT_EQ(currentBarcode, u"");
  EXPECT_EQ(knownBarcodes, std::vector<Text>{u"1ZZ1111AAAA"});
  EXPECT_EQ(m.caption(), u"charging,  50%    ");
  EXPECT_EQ(m.btBatteryID.text(), u"Thresholds for all &batteries");
  EXPECT_EQ(m.lbNoBattery.font().color, noBatteryColor);
  EXPECT_TRUE(m.BatteryStatusTimer.enabled());
  EXPECT_EQ(sim.desktop.foregroundRequests, std::vector<sys::NativeWindow>{m.nativeHandle});
  EXPECT_TRUE(app.dialogs.empty());
  EXPECT_TRUE(app.modalsShown.empty());
}

// Loading, the barcodes and the status come back to the same keys: the
// first showing opens each once and keeps none open after it; the status
// then keeps the power manager's key open and notices when it goes. Where
// the first showing waits for the user, no key stays open meanwhile.
TEST_F(MainWindowTest, TheFirstShowingOpensEachKeyOnceAndHoldsNoneWhileTheUserReads) {
  using sys::sim::RegOp;
  const store::KeySet general{store::kMachine, store::kMachineConfigurationKey};
  seed(general, {1, 1, 40, 80});
  seedUserData();
  seedBattery(u"1ZZ1111AAAA");
  sim.power.setCharging(50);
  create();
  sim.registry.calls.clear();
  app.run();
  EXPECT_EQ(main().seHighLevel.value(), 80);
  EXPECT_EQ(knownBarcodes, std::vector<Text>{u"1ZZ1111AAAA"});
  std::map<std::pair<RootKey, Text>, int> opens;
  for (const auto& call : sim.registry.calls) opens[{call.root, call.path}] += call.op == RegOp::Open;
  for (const auto& [key, count] : opens) EXPECT_LE(count, 1) << utf8(key.second);
  EXPECT_GE(opens.size(), 3u) << "the thresholds, the stored barcodes and the installed batteries were read";
  EXPECT_EQ(sim.registry.openHandles(), 0u);
  const auto tickOpens = [&] {
    sim.registry.calls.clear();
    app.advance(kStatusInterval);
    return std::any_of(sim.registry.calls.begin(), sim.registry.calls.end(),
                       [](const auto& call) { return call.op == RegOp::Open; });
  };
  EXPECT_TRUE(tickOpens()) << "whether the power manager is there is read anew";
  EXPECT_FALSE(tickOpens()) << "and then asked through the key kept open";
  EXPECT_EQ(sim.registry.openHandles(), 1u);
  // The key kept open still tells when the power manager's keys go.
  ASSERT_EQ(deleteRegKey(store::kMachine, store::kMachineConfigurationKey), DeleteResult::Deleted);
  ASSERT_EQ(deleteRegKey(store::kUser, store::kUserRootKey), DeleteResult::Deleted);
  app.advance(kStatusInterval);
  EXPECT_EQ(main().TrayIcon.hint(), u"Kestrane\r\n50%   (AC connected, charging)");
  // With the user's keys alone, the status asks through them and looks for no other.
  seedUserData();
  EXPECT_TRUE(tickOpens());
  EXPECT_FALSE(tickOpens()) << "the machine's key is not looked for while the user's is there";

  program.reset();
  for (const store::KeySet& keySet : {general, kUserData}) {
    sim.registry.put(rootOf(keySet.root), keySet.path, store::kChargeStartControl, sys::stringValue(u"on"));
  }
  // Only the status's watch of the power manager's key stays open.
  const std::vector<Text> watched{store::kMachineConfigurationKey};
  app.whenShown("Tf_help", [&](tk::Form& help) {
    EXPECT_EQ(sim.registry.openKeys(), watched) << "after the read error's message, and while help is shown";
    static_cast<Tf_help&>(help).btClose.click();
  });
  start();
  EXPECT_EQ(dialogTexts(),
            (std::vector<Text>{store::kReadErrorMessage, store::kReadErrorMessage, kKeysMissingMessage}));
  EXPECT_EQ(modalCount("Tf_help"), 1u);
  EXPECT_EQ(sim.registry.openKeys(), watched);
}

TEST_F(MainWindowTest, FirstShowingIsCentredInTheWorkAreaOnceAndNeverOffTheDesktop) {
  seedUserData();
  app.screenInfo.workArea = {100, 40, 1000, 700};
  start();
  Tkst_mainform& m = main();
  EXPECT_EQ(m.left(), 100 + (1000 - m.outerWidth()) / 2);
  EXPECT_EQ(m.top(), 40 + (700 - m.outerHeight()) / 2);
  m.positionChanged(7, 9);
  m.setWindowState(tk::WindowState::Minimized);
  m.showApp();
  EXPECT_EQ(m.left(), 7);
  EXPECT_EQ(m.top(), 9);

  program.reset();
  app.screenInfo.workArea = {-300, -200, 100, 100};
  start();
  EXPECT_EQ(main().left(), 0);
  EXPECT_EQ(main().top(), 0);
}

TEST_F(MainWindowTest, WithoutThePowerManagerHelpComesFirstAndTheDefaultsStand) {
  sim.power.setDischarging(30, 600);
  app.whenShown("Tf_help", [&](tk::Form& help) {
    EXPECT_FALSE(main().displayed()) << "the help window comes before the main window";
    static_cast<Tf_help&>(help).btClose.click();
  });
  start();
  EXPECT_EQ(app.modalsShown, std::vector<std::string>{"Tf_help"});
  EXPECT_TRUE(app.dialogs.empty());
  EXPECT_EQ(main().seLowLevel.value(), 45);
  EXPECT_EQ(main().seHighLevel.value(), 75);
  EXPECT_TRUE(main().cbLowLevel.checked());
  EXPECT_TRUE(main().cbHighLevel.checked());
  EXPECT_TRUE(main().displayed());
  EXPECT_EQ(main().caption(), u"0:10 h left,  30%   ");
  EXPECT_TRUE(main().BatteryStatusTimer.enabled());
}

TEST_F(MainWindowTest, KeysWithoutACompleteKeySetTellTheUserThenShowHelp) {
  sim.registry.put(RootKey::CurrentUser, store::kUserDataKey, store::kChargeStopPercentage, sys::dwordValue(88));
  start();
  EXPECT_EQ(dialogTexts(), std::vector<Text>{kKeysMissingMessage});
  EXPECT_EQ(app.modalsShown, std::vector<std::string>{"Tf_help"});
  EXPECT_EQ(main().seHighLevel.value(), 88) << "the last existing key set is left in the editor";
  EXPECT_EQ(main().seLowLevel.value(), 45);
  EXPECT_FALSE(main().cbLowLevel.checked());
}

TEST_F(MainWindowTest, AnErrorWhileCollectingBarcodesIsShownAndStartUpGoesOn) {
  seedUserData();
  sim.registry.put(RootKey::LocalMachine, store::installedBatteryKey(1), store::kBarcodeNumber, sys::dwordValue(5));
  sim.power.setCharging(20);
  start();
  ASSERT_EQ(app.dialogs.size(), 1u);
  EXPECT_FALSE(app.dialogs[0].text.empty());
  EXPECT_EQ(main().caption(), u"charging,  20%    ");
  EXPECT_TRUE(main().BatteryStatusTimer.enabled());
  EXPECT_FALSE(inFormShow);
  EXPECT_EQ(sim.desktop.foregroundRequests.size(), 1u);
}

TEST_F(MainWindowTest, UnsavedChangesAskOnEveryWayOfClosing) {
  const std::vector<std::pair<const char*, std::function<void(Tkst_mainform&)>>> ways = {
      {"Exit button", [](Tkst_mainform& m) { m.btExit.click(); }},
      {"menu Exit", [](Tkst_mainform& m) { m.TrayMenu.click("tmExit"); }},
      {"Esc", [](Tkst_mainform& m) { tk::headless::type(m, Text(1, char16_t(tk::key::kEscape))); }},
      {"title bar or Alt+F4", [](Tkst_mainform& m) { m.close(); }},
  };
  for (const auto& [name, closeBy] : ways) {
    SCOPED_TRACE(name);
    startWithUnsavedChange();
    app.answer(ModalResult::Cancel);
    closeBy(main());
    ASSERT_EQ(app.dialogs.size(), 1u);
    EXPECT_EQ(app.dialogs[0].text, kUnsavedQuestion);
    EXPECT_EQ(app.dialogs[0].buttons, DialogButtons::YesNoCancel);
    EXPECT_FALSE(closed());
    program.reset();
  }
}

TEST_F(MainWindowTest, YesSavesAndCloses) {
  startWithUnsavedChange();
  app.answer(ModalResult::Yes);
  main().btExit.click();
  EXPECT_TRUE(closed());
  EXPECT_EQ(stored(kUserData, store::kChargeStopPercentage), 90u);
}

TEST_F(MainWindowTest, NoClosesWithoutSaving) {
  startWithUnsavedChange();
  app.answer(ModalResult::No);
  main().btExit.click();
  EXPECT_TRUE(closed());
  EXPECT_EQ(stored(kUserData, store::kChargeStopPercentage), 80u);
  EXPECT_EQ(app.dialogs.size(), 1u);
}

TEST_F(MainWindowTest, CancelLeavesEverythingAsItWas) {
  startWithUnsavedChange();
  app.answer(ModalResult::Cancel);
  main().close();
  EXPECT_FALSE(closed());
  EXPECT_TRUE(valueChanged);
  EXPECT_EQ(main().seHighLevel.value(), 90);
  EXPECT_EQ(main().seHighLevel.font().color, changedColor);
  EXPECT_EQ(stored(kUserData, store::kChargeStopPercentage), 80u);
  EXPECT_TRUE(main().visible());
}

TEST_F(MainWindowTest, LogOffQueryAsksAndCancelRefusesItWhileWindowsShowsWhy) {
  startWithUnsavedChange();
  app.answer(ModalResult::Cancel);
  main().btExit.click();
  EXPECT_EQ(app.dialogs.back().shutdownBlockReason, u"") << "an ordinary close holds up no log-off";
  app.dialogs.clear();
  app.answer(ModalResult::Cancel);
  EXPECT_FALSE(app.queryEndSession(main()));
  app.answer(ModalResult::No);
  EXPECT_TRUE(app.queryEndSession(main()));
  EXPECT_EQ(dialogTexts(), std::vector<Text>(2, kUnsavedQuestion));
  EXPECT_EQ(app.dialogs[0].shutdownBlockReason, u"Some settings were changed, but not saved yet.");
  EXPECT_EQ(app.shutdownBlockReason, u"") << "taken back once the question is answered";
}

TEST_F(MainWindowTest, GapRefusalOnYesStillCloses) {
  startWithUnsavedChange();
  main().seLowLevel.textEnteredByUser(u"88");
  app.answer(ModalResult::Yes);
  main().btExit.click();
  EXPECT_TRUE(closed());
  EXPECT_EQ(dialogTexts(), (std::vector<Text>{kUnsavedQuestion, kGapMessage}));
}

TEST_F(MainWindowTest, NoQuestionWithoutChanges) {
  seedUserData();
  start();
  main().btExit.click();
  EXPECT_TRUE(closed());
  EXPECT_TRUE(app.dialogs.empty());
}

TEST_F(MainWindowTest, NoQuestionWithoutThePowerManager) {
  start();
  typeInto(main().seHighLevel, u"90");
  ASSERT_TRUE(valueChanged);
  app.modalsShown.clear();
  main().btExit.click();
  EXPECT_TRUE(closed());
  EXPECT_EQ(app.unansweredQuestions, 0);
  EXPECT_TRUE(app.dialogs.empty());
  EXPECT_TRUE(app.modalsShown.empty()) << "nor the help window";
}

TEST_F(MainWindowTest, ClosingDuringTheFirstShowingNeverAsks) {
  sim.registry.put(RootKey::CurrentUser, store::kUserDataKey, store::kChargeStopPercentage, sys::dwordValue(88));
  app.whenShown("Tf_help", [&](tk::Form& help) {
    valueChanged = true;
    main().TrayMenu.click("tmExit");
    static_cast<Tf_help&>(help).btClose.click();
  });
  start();
  EXPECT_TRUE(closed());
  EXPECT_EQ(dialogTexts(), std::vector<Text>{kKeysMissingMessage});
}

TEST_F(MainWindowTest, MinimiseAndRestoreDoNotReload) {
  seedUserData({1, 1, 40, 80});
  start();
  seedUserData({1, 1, 20, 60});
  main().setWindowState(tk::WindowState::Minimized);
  main().showApp();
  EXPECT_EQ(main().seHighLevel.value(), 80);
}

}  // namespace
}  // namespace kst::testing

namespace kst::testing {
namespace {

TEST_F(MainWindowTest, LayoutAtCreation) {
  create();
  Tkst_mainform& m = main();
  EXPECT_EQ(m.caption(), u"Kestrane   ");
  EXPECT_EQ(m.clientWidth(), 367);
  EXPECT_EQ(m.clientHeight(), 161);
  EXPECT_TRUE(m.keyPreview);
  EXPECT_TRUE(m.hasMinimizeBox);
  EXPECT_TRUE(m.ownsTaskbarButton);
  EXPECT_TRUE(m.showHints) << "the battery button's hint is shown";
  EXPECT_FALSE(valueChanged);
  EXPECT_FALSE(autoCorrectEnabled);
  expectPlaced(m, {
                      {"btBatteryID", {20, 16, 204, 30}, 0},    {"cbHighLevel", {24, 57, 13, 13}, 9, false},
                      {"lbHighLevel", {40, 58, 0, 13}},         {"seHighLevel", {169, 54, 42, 22}, 1},
                      {"lbHighLevelPercent", {213, 59, 0, 13}}, {"cbLowLevel", {24, 80, 13, 13}, 8, false},
                      {"lbLowLevel", {40, 81, 0, 13}},          {"seLowLevel", {169, 78, 42, 22}, 2},
                      {"lbLowLevelPercent", {213, 82, 0, 13}},  {"lbBatteryStatus", {24, 113, 0, 13}},
                      {"gStateOfCharge", {20, 130, 204, 17}},   {"lbNoBattery", {76, 124, 0, 13}},
                      {"btGetValues", {252, 16, 97, 23}, 7},    {"btSaveSettings", {252, 42, 97, 23}, 3},
                      {"btOptions", {252, 70, 97, 23}, 4},      {"btHelp", {252, 96, 97, 23}, 5},
                      {"btExit", {252, 124, 97, 23}, 6},        {"bvSettings", {8, 8, 228, 147}},
                      {"bvSplit", {8, 108, 228, 47}},           {"bvButtons", {244, 8, 115, 147}},
                  });
  EXPECT_EQ(m.btGetValues.text(), u"&Get Values");
  EXPECT_EQ(m.btSaveSettings.text(), u"&Save Settings");
  EXPECT_EQ(m.btOptions.text(), u"I&nfo");
  EXPECT_EQ(m.btHelp.text(), u"H&elp");
  EXPECT_EQ(m.btExit.text(), u"E&xit");
  EXPECT_TRUE(m.btExit.isCancel);
  EXPECT_EQ(m.lbHighLevel.text(), u" &High Charging Threshold:");
  EXPECT_EQ(m.lbLowLevel.text(), u" &Low Charging Threshold:");
  EXPECT_EQ(m.lbHighLevel.focusControl, &m.cbHighLevel);
  EXPECT_EQ(m.lbLowLevel.focusControl, &m.cbLowLevel);
  EXPECT_EQ(m.btBatteryID.hint(), u" click here to choose battery ");
  EXPECT_EQ(m.seHighLevel.text(), u"100");
  EXPECT_EQ(m.seLowLevel.text(), u"1");
  EXPECT_EQ(m.seHighLevel.minValue, 5);
  EXPECT_EQ(m.seLowLevel.maxValue, 96);
  EXPECT_TRUE(m.cbHighLevel.checked());
  EXPECT_EQ(app.drawn(m.gStateOfCharge.backColor()), tk::Color::rgb(111, 111, 111));
  EXPECT_EQ(app.drawn(m.gStateOfCharge.foreColor()), tk::Color::rgb(20, 170, 0));
  EXPECT_EQ(m.gStateOfCharge.progress(), 75);
  EXPECT_EQ(m.lbNoBattery.text(), u"no battery present");
  EXPECT_EQ(m.lbBatteryStatus.text(), u"unknown status");
  EXPECT_TRUE(m.lbStateOfCharge.rightAligned);
  EXPECT_EQ(m.lbStateOfCharge.left() + m.lbStateOfCharge.width(), 197);
  EXPECT_EQ(m.lbStateOfCharge.top(), 113);
  EXPECT_EQ(m.lbStateOfCharge.height(), 13);
  EXPECT_EQ(m.BatteryStatusTimer.interval(), 1000);
  EXPECT_FALSE(m.BatteryStatusTimer.enabled());
  EXPECT_EQ(m.font.name, u"Tahoma");
  EXPECT_EQ(m.font.points, 8);
}

// Everything a window shows but where it stands on the desktop: its sizes,
// each control's place, text, font and visibility, and its picture.
std::string picture(const tk::Bitmap& bitmap) {
  uint64_t sum = 0;
  for (int y = 0; y < bitmap.height(); ++y) {
    for (int x = 0; x < bitmap.width(); ++x) sum = sum * 31 + bitmap.pixel(x, y).colorref() + bitmap.transparent(x, y);
  }
  return std::to_string(bitmap.width()) + "x" + std::to_string(bitmap.height()) + "#" + std::to_string(sum);
}

std::string shown(const tk::Form& window) {
  std::string text = window.className() + " " + std::to_string(window.clientWidth()) + "x" +
                     std::to_string(window.clientHeight()) + " outer " + std::to_string(window.outerWidth()) + "x" +
                     std::to_string(window.outerHeight()) + " icon " + picture(window.icon()) + "\n";
  for (const tk::Control* c : window.controls()) {
    const tk::Rect& r = c->bounds();
    text += "  " + c->name() + " " + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
            std::to_string(r.width) + "x" + std::to_string(r.height) + (c->visible() ? "" : " hidden") + " \"" +
            utf8(c->text()) + "\" " + utf8(c->font().name) + " " + std::to_string(c->font().points) + "\n";
  }
  return text;
}

// Docked to a monitor at 150 % and back, or made on a monitor at 150 %
// while Windows' scale from the sign-in is 100 %: each window shows what it
// shows when started there, with its title bar's picture at that monitor's
// small-icon size. The notification area stays on the task bar, at the
// task bar's scale.
TEST_F(MainWindowTest, AfterAMoveToAnotherMonitorAndBackEveryWindowShowsWhatItShowsWhenStartedThere) {
  seedUserData();
  seedBattery(u"1ZZ1111AAAA");
  sim.power.setDischarging(45, 8100);
  struct Shown {
    std::string main, chooser, help, tray;
  };
  auto look = [&](int pixelsPerInch, const std::function<void(tk::Form&)>& moveWhileOpen) {
    Shown seen;
    app.whenShown("TchooseBattery", [&](tk::Form& f) {
      if (moveWhileOpen) moveWhileOpen(f);
      seen.chooser = shown(f);
    });
    app.whenShown("Tf_help", [&](tk::Form& f) {
      if (moveWhileOpen) moveWhileOpen(f);
      seen.help = shown(f);
    });
    if (moveWhileOpen) moveWhileOpen(main());
    main().btBatteryID.click();
    main().btHelp.click();
    seen.main = shown(main());
    seen.tray = picture(*main().TrayIcon.currentImage()) + " of " + std::to_string(main().imDischarge.width());
    EXPECT_EQ(main().pixelsPerInch(), pixelsPerInch);
    return seen;
  };
  std::map<int, Shown> startedAt;
  for (int pixelsPerInch : {144, 96}) {
    app.screenInfo.pixelsPerInch = pixelsPerInch;
    start();
    startedAt[pixelsPerInch] = look(pixelsPerInch, nullptr);
    if (pixelsPerInch == 144) program.reset();
  }
  EXPECT_NE(startedAt[144].main, startedAt[96].main);
  EXPECT_EQ(startedAt[144].tray.substr(0, 6), "24x24#");
  EXPECT_EQ(startedAt[96].tray.substr(0, 6), "16x16#");
  for (int pixelsPerInch : {144, 96}) {
    SCOPED_TRACE("moved to " + std::to_string(pixelsPerInch));
    Shown moved = look(pixelsPerInch, [&](tk::Form& f) { app.moveToMonitor(f, pixelsPerInch); });
    EXPECT_EQ(moved.main, startedAt[pixelsPerInch].main);
    EXPECT_EQ(moved.chooser, startedAt[pixelsPerInch].chooser);
    EXPECT_EQ(moved.help, startedAt[pixelsPerInch].help);
    EXPECT_EQ(moved.tray, startedAt[96].tray);
  }
  program.reset();
  app.monitorPixelsPerInch = 144;
  start();
  Shown madeThere = look(144, nullptr);
  EXPECT_EQ(madeThere.main, startedAt[144].main);
  EXPECT_EQ(madeThere.chooser, startedAt[144].chooser);
  EXPECT_EQ(madeThere.help, startedAt[144].help);
  EXPECT_EQ(madeThere.tray, startedAt[96].tray);
}

// What keeps a window from being whole: a control that reaches into
// another (frames aside: they hold the controls), a one-line text its
// control cuts, and a window that does not fit the screen's work area.
std::vector<std::string> wholeness(tk::Form& window, const tk::Rect& workArea) {
  std::vector<std::string> faults;
  std::vector<const tk::Control*> shown;
  for (const tk::Control* c : window.controls()) {
    if (c->visible() && dynamic_cast<const tk::Bevel*>(c) == nullptr) shown.push_back(c);
  }
  const int ppi = window.pixelsPerInch();
  for (size_t i = 0; i < shown.size(); ++i) {
    const tk::Rect& a = shown[i]->bounds();
    for (size_t j = i + 1; j < shown.size(); ++j) {
      const tk::Rect& b = shown[j]->bounds();
      if (a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
          b.top < a.top + a.height) {
        faults.push_back(shown[i]->name() + " reaches into " + shown[j]->name());
      }
    }
    // A radio button's text stands right of its circle.
    const int room = a.width - (dynamic_cast<const tk::RadioButton*>(shown[i]) ? tk::scaleLength(16, ppi) : 0);
    if (!shown[i]->text().empty() && window.app().textExtent(shown[i]->font(), shown[i]->text(), ppi).width > room) {
      faults.push_back(shown[i]->name() + " cuts its text");
    }
  }
  if (window.outerWidth() > workArea.width || window.outerHeight() > workArea.height) {
    faults.push_back(window.className() + " is larger than the screen");
  }
  return faults;
}

// At every scale Windows offers, from 100 % to 350 %, on the smallest
// screen that it offers that scale on (1024 by 600 pixels at 100 %, a task
// bar of 40 below): every window whole, the chooser with several batteries.
TEST_F(MainWindowTest, EveryWindowIsWholeAtEveryScaleWindowsOffers) {
  seedUserData();
  for (const char16_t* barcode : {u"1ZZ1111AAAA", u"2YY2222BBBB", u"3XX3333CCCC"}) seedBattery(barcode);
  sim.power.setDischarging(45, 8100);
  for (int ppi : {96, 120, 144, 168, 192, 216, 240, 288, 336}) {
    SCOPED_TRACE(std::to_string(ppi) + " pixels per inch");
    const int width = tk::scaleLength(1024, ppi), height = tk::scaleLength(600, ppi);
    app.screenInfo = {width, height, {0, 0, width, height - tk::scaleLength(40, ppi)}, ppi};
    app.frame = {tk::scaleLength(6, ppi), tk::scaleLength(29, ppi)};
    program.reset();
    start();
    std::map<std::string, std::vector<std::string>> faults;
    faults["main"] = wholeness(main(), app.screenInfo.workArea);
    app.whenShown("TchooseBattery", [&](tk::Form& f) {
      faults["chooser"] = wholeness(f, app.screenInfo.workArea);
      for (size_t i = 1; i + 1 < chooser().batteryRadioButtons.size(); ++i) {
        chooser().batteryRadioButtons[i]->click();
        for (const std::string& fault : wholeness(f, app.screenInfo.workArea)) faults["chooser"].push_back(fault);
      }
      chooser().batteryRadioButtons.back()->click();
      chooser().btOk.click();
    });
    app.whenShown("TnewBatteryID", [&](tk::Form& f) {
      faults["new barcode"] = wholeness(f, app.screenInfo.workArea);
      newBarcodeDialog().btCancel.click();
    });
    app.whenShown("Tf_help", [&](tk::Form& f) {
      faults["help"] = wholeness(f, app.screenInfo.workArea);
      f.close();
    });
    main().btBatteryID.click();
    main().btHelp.click();
    EXPECT_EQ(faults.size(), 4u) << "every window was shown";
    for (const auto& [window, found] : faults) EXPECT_EQ(found, std::vector<std::string>{}) << window;
  }
}

TEST_F(MainWindowTest, TabWalksTheControlsInTheirOrderAndShiftTabWalksBack) {
  seedUserData();
  start();
  Tkst_mainform& m = main();
  const std::vector<tk::Control*> order = {&m.btBatteryID, &m.seHighLevel, &m.seLowLevel, &m.btSaveSettings,
                                           &m.btOptions,   &m.btHelp,      &m.btExit,     &m.btGetValues};
  ASSERT_EQ(m.activeControl(), &m.seHighLevel);
  for (size_t step = 1; step <= order.size(); ++step) {
    m.keyDown(tk::key::kTab, false);
    EXPECT_EQ(m.activeControl(), order[(1 + step) % order.size()]) << "Tab " << step;
  }
  m.keyDown(tk::key::kTab, true);
  EXPECT_EQ(m.activeControl(), &m.btBatteryID);
  m.keyDown(tk::key::kTab, true);
  EXPECT_EQ(m.activeControl(), &m.btGetValues) << "from the first back to the last";
}

// Each window opens with the focus where its user starts: the main window
// on the high threshold, the chooser on the choice that is checked (all
// batteries, or the battery being edited), the new-barcode dialog in its
// field and the help window on Close.
TEST_F(MainWindowTest, EachWindowOpensWithTheFocusWhereItsUserStarts) {
  seedUserData();
  seedBattery(u"1ZZ1111AAAA");
  seedBattery(u"2YY2222BBBB");
  start();
  EXPECT_EQ(main().activeControl(), &main().seHighLevel);
  std::vector<std::string> openedOn;
  auto chooseThen = [&](size_t choice) {
    app.whenShown("TchooseBattery", [&, choice](tk::Form& f) {
      auto& c = static_cast<TchooseBattery&>(f);
      auto* checked = dynamic_cast<tk::RadioButton*>(c.activeControl());
      openedOn.push_back(checked != nullptr && checked->checked() ? utf8(checked->text()) : "no checked choice");
      c.batteryRadioButtons.at(choice)->click();
      c.btOk.click();
    });
  };
  app.whenShown("TnewBatteryID", [&](tk::Form& f) {
    openedOn.push_back(f.activeControl() == &newBarcodeDialog().edNewBatteryID ? "the barcode field" : "elsewhere");
    newBarcodeDialog().btCancel.click();
  });
  app.whenShown("Tf_help", [&](tk::Form& f) {
    openedOn.push_back(f.activeControl() == &help().btClose ? "Close" : "elsewhere");
    f.close();
  });
  chooseThen(2);
  main().btBatteryID.click();
  chooseThen(3);
  main().btBatteryID.click();
  main().btHelp.click();
  EXPECT_EQ(openedOn, (std::vector<std::string>{" all &batteries ", " 2YY2222BBBB ", "the barcode field", "Close"}));
}

TEST_F(MainWindowTest, TheOtherWindowsAreMadeWhenFirstNeededAndThenReused) {
  seedUserData();
  start();
  auto classes = [&] {
    std::vector<std::string> names;
    for (tk::Form* form : app.forms()) names.push_back(form->className());
    return names;
  };
  EXPECT_EQ(classes(), std::vector<std::string>{"Tkst_mainform"}) << "a start that opens nothing makes nothing";
  EXPECT_EQ(main().activeControl(), &main().seHighLevel);

  main().btHelp.click();
  EXPECT_EQ(classes(), (std::vector<std::string>{"Tkst_mainform", "Tf_help"}));
  EXPECT_EQ(help().caption(), u"Kestrane   ") << "the product name and three blanks, as ever";
  tk::Form* helpWindow = app.forms()[1];

  app.whenShown("TchooseBattery", [](tk::Form& chooser) {
    auto& c = static_cast<TchooseBattery&>(chooser);
    c.batteryRadioButtons.back()->click();
    c.btOk.click();
  });
  main().btBatteryID.click();
  EXPECT_EQ(classes(), (std::vector<std::string>{"Tkst_mainform", "Tf_help", "TchooseBattery", "TnewBatteryID"}));

  main().btHelp.click();
  main().btBatteryID.click();
  EXPECT_EQ(app.forms().size(), 4u) << "reused";
  EXPECT_EQ(app.forms()[1], helpWindow);
  EXPECT_EQ(modalCount("Tf_help"), 2u);
  EXPECT_EQ(modalCount("TnewBatteryID"), 2u);
}

TEST_F(MainWindowTest, TheHelpWindowMadeWhileTheCaptionShowsTheBatteryStillTakesTheProductName) {
  seedUserData();
  sim.power.setCharging(60);
  start();
  ASSERT_EQ(main().caption(), u"charging,  60%    ");
  EXPECT_EQ(help().caption(), u"Kestrane   ");
}

// In a high-contrast theme every colour of every window is one of the
// theme's, the marks keeping apart from plain text; out of it the fixed
// colours come back.
TEST_F(MainWindowTest, AHighContrastThemeDrawsEveryColourInOneOfTheThemesOwn) {
  seedUserData();
  sim.power.setCharging(10);
  start();
  typeInto(main().seHighLevel, u"90");
  main().lbLowLevel.click();
  help();
  newBarcodeDialog().edNewBatteryID.setText(u"1zz1111aaaa");
  app.systemColorsChanged(true);
  for (tk::Form* form : app.forms()) {
    for (tk::Control* control : form->controls()) {
      SCOPED_TRACE(form->className() + " " + control->name());
      if (auto* gauge = dynamic_cast<tk::Gauge*>(control)) {
        EXPECT_TRUE(app.drawn(gauge->foreColor()).isSystem());
        EXPECT_TRUE(app.drawn(gauge->backColor()).isSystem());
      } else if (!dynamic_cast<tk::Bevel*>(control) && !dynamic_cast<tk::Picture*>(control)) {
        EXPECT_TRUE(app.drawn(control->font().color).isSystem());
      }
    }
  }
  EXPECT_EQ(app.drawn(main().btSaveSettings.font().color), tk::kHighlight);
  EXPECT_EQ(app.drawn(main().lbLowLevel.font().color), tk::kHighlight);
  EXPECT_EQ(app.drawn(main().lbHighLevel.font().color), tk::kWindowText);
  EXPECT_EQ(app.drawn(main().gStateOfCharge.foreColor()), tk::kHotLight) << "a low charge stays apart";
  EXPECT_EQ(app.drawn(help().lbPwrMgmtDrv.font().color), tk::kHotLight) << "links look like links";
  EXPECT_EQ(app.drawn(help().lbNotCompatible.font().color), tk::kHighlight);
  EXPECT_EQ(app.drawn(newBarcodeDialog().edNewBatteryID.font().color), tk::kHighlight);

  app.systemColorsChanged(false);
  EXPECT_EQ(app.drawn(main().btSaveSettings.font().color).colorref(), 0xFF0000u);
  EXPECT_EQ(app.drawn(main().gStateOfCharge.foreColor()).colorref(), 240u);
  EXPECT_EQ(app.drawn(help().lbPwrMgmtDrv.font().color).colorref(), 0x800000u);
  EXPECT_FALSE(app.drawn(newBarcodeDialog().edNewBatteryID.font().color).isSystem());
}

// Automation finds every control by its window's class and identifier, as
// a dialog item: each control with a window of its own has one, and no two
// of one window share it.
TEST_F(MainWindowTest, EveryControlHasAnIdentifierOfItsOwnInItsWindow) {
  seedUserData();
  seedBattery(u"1ZZ1111AAAA");
  start();
  help();
  newBarcodeDialog();
  app.whenShown("TchooseBattery", [&](tk::Form& shown) {
    for (size_t i = 0; i < chooser().batteryRadioButtons.size(); ++i) {
      EXPECT_EQ(chooser().batteryRadioButtons[i]->id, 400 + static_cast<int>(i));
    }
    static_cast<TchooseBattery&>(shown).btCancel.click();
  });
  main().btBatteryID.click();
  ASSERT_EQ(app.forms().size(), 4u);
  for (tk::Form* form : app.forms()) {
    std::set<int> ids;
    for (tk::Control* control : form->controls()) {
      if (dynamic_cast<tk::Bevel*>(control)) continue;
      SCOPED_TRACE(form->className() + " " + control->name());
      EXPECT_NE(control->id, 0);
      EXPECT_TRUE(ids.insert(control->id).second) << "shared with another control";
    }
  }
}

}  // namespace
}  // namespace kst::testing

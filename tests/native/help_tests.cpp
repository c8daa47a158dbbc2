// The help window: its texts, addresses, hints, header and closing.
#include "tests/native/program_fixture.h"

namespace kst::testing {
namespace {

struct Opener {
  std::string name;
  size_t entry;
  const char16_t* hintPrefix;  // nullptr: no hint
  bool hintShown;
};

const std::vector<Opener> kOpeners = {
    {"lbPwrMgmtDrv", 0, u" connect to  ", false},    {"lbSetDep", 1, u" connect to  ", false},
    {"lbSIF", 2, u" connect to  ", false},           {"btGetPWRMGMTDrvx86", 3, u" download  ", true},
    {"btGetPWRMGMTDrvx64", 4, u" download  ", true}, {"btGetSetDep", 5, u" download  ", true},
    {"btGetSIF", 6, u" download  ", true},           {"btPwrMgmtDrvM", 7, u" connect to  ", false},
    {"btSetDepM", 8, u" connect to  ", false},       {"btSIFM", 9, u" connect to  ", false},
    {"lbLenovoSupport", 10, nullptr, false},
};

class HelpTest : public ProgramTest {
 protected:
  // Shows the help window from the Help button and runs the action in it.
  void withHelpOpen(std::function<void(Tf_help&)> action) {
    app.whenShown("Tf_help", [&, action](tk::Form& form) { action(static_cast<Tf_help&>(form)); });
    main().btHelp.click();
  }
};

TEST_F(HelpTest, EveryLinkAndButtonOpensItsAddressWithItsHint) {
  seedUserData();
  start();
  for (const Opener& opener : kOpeners) {
    SCOPED_TRACE(opener.name);
    tk::Control* control = help().find(opener.name);
    ASSERT_NE(control, nullptr);
    Text expectedHint = opener.hintPrefix ? opener.hintPrefix + helpUrls[opener.entry] + u" " : Text();
    EXPECT_EQ(control->hint(), expectedHint);
    EXPECT_EQ(control->showHint(), opener.hintShown);
    sim.shell.calls.clear();
    control->click();
    ASSERT_EQ(sim.shell.calls.size(), 1u);
    const auto& call = sim.shell.calls[0];
    EXPECT_EQ(call.file, helpUrls[opener.entry]);
    EXPECT_EQ(call.verb, u"");
    EXPECT_EQ(call.parameters, u"");
    EXPECT_EQ(call.directory, u"");
    EXPECT_EQ(call.showCommand, 1);
    EXPECT_EQ(call.owner, main().nativeHandle);
  }
  EXPECT_TRUE(app.dialogs.empty());
}

TEST_F(HelpTest, AddressTableHasTheVendorPagesAndOneProductPage) {
  EXPECT_EQ(helpUrls[7], helpUrls[8]);
  EXPECT_EQ(helpUrls[8], helpUrls[9]);
  for (size_t i = 0; i < helpUrls.size(); ++i) {
    EXPECT_EQ(helpUrls[i].rfind(u"https://", 0), 0u) << i;
    if (i < 7 || i == 10) {
      EXPECT_NE(helpUrls[i].find(u"lenovo.com"), Text::npos) << i;
    }
  }
  EXPECT_NE(helpUrls[10].find(kLenovoSupportHost), Text::npos);
}

TEST_F(HelpTest, TextsColoursAndTabOrderFollowTheLayout) {
  create();
  Tf_help& h = help();
  EXPECT_EQ(h.caption(), u"Kestrane   ");
  EXPECT_EQ(h.clientWidth(), 597);
  EXPECT_EQ(h.clientHeight(), 412);
  EXPECT_FALSE(h.hasSystemMenu);
  EXPECT_TRUE(h.keyPreview);
  EXPECT_EQ(h.lbNotCompatible.text(), u"Your machine seems to be not ready yet. ");
  EXPECT_EQ(app.drawn(h.lbNotCompatible.font().color), tk::Color::rgb(255, 0, 0));
  EXPECT_TRUE(h.lbNotCompatible.font().bold);
  EXPECT_EQ(h.lbNote1.text(),
            u"In order to get the new settings working, you have to disconnect the power supply, restart Windows");
  EXPECT_EQ(h.lbNote2.text(),
            u"and wait for the charging level to fall under the low charging threshold you have been setting.");
  EXPECT_EQ(app.drawn(h.lbNote1.font().color), tk::Color::rgb(255, 0, 0));
  EXPECT_EQ(app.drawn(h.lbNumber4.font().color), tk::Color::rgb(255, 0, 0));
  for (tk::Label* link : {&h.lbPwrMgmtDrv, &h.lbSetDep, &h.lbSIF, &h.lbLenovoSupport}) {
    EXPECT_EQ(app.drawn(link->font().color), tk::Color::rgb(0, 0, 128)) << link->name();
    EXPECT_TRUE(link->font().underline) << link->name();
  }
  EXPECT_EQ(h.lbLenovoSupport.text(), kLenovoSupportHost);
  expectPlaced(h, {
                      {"bvFrame", {4, 4, 589, 404}},
                      {"lbNotCompatible", {16, 16, 0, 13}},
                      {"lbNumber1", {16, 42, 0, 13}},
                      {"lbStep1", {32, 42, 0, 13}},
                      {"lbNumber2", {16, 64, 0, 13}},
                      {"lbStep2", {32, 64, 0, 13}},
                      {"lbNumber3", {16, 86, 0, 13}},
                      {"lbStep3", {32, 86, 0, 13}},
                      {"lbPwrMgmtDrv", {48, 111, 0, 13}},
                      {"btGetPWRMGMTDrvx86", {240, 106, 98, 23}, 1},
                      {"btGetPWRMGMTDrvx64", {342, 106, 98, 23}, 7},
                      {"btPwrMgmtDrvM", {452, 106, 120, 23}, 4},
                      {"lbSetDep", {48, 138, 0, 13}},
                      {"btGetSetDep", {240, 133, 200, 23}, 2},
                      {"btSetDepM", {452, 133, 120, 23}, 5},
                      {"lbRestart", {48, 164, 0, 13}},
                      {"lbNumber4", {16, 190, 0, 13}},
                      {"lbNote1", {32, 190, 0, 13}},
                      {"lbNote2", {32, 206, 0, 13}},
                      {"lbNumber5", {16, 232, 0, 13}},
                      {"lbStep5", {32, 232, 0, 13}},
                      {"lbSIF", {48, 257, 0, 13}},
                      {"btGetSIF", {240, 252, 200, 23}, 3},
                      {"btSIFM", {452, 252, 120, 23}, 6},
                      {"lbNumber6", {16, 286, 0, 13}},
                      {"lbStep6", {32, 286, 0, 13}},
                      {"lbLenovoSupport", {256, 286, 0, 13}},
                      {"btClose", {16, 370, 565, 28}, 0},
                  });
  EXPECT_EQ(h.lbPrerequ.left(), 16 + h.lbNotCompatible.width() + 2) << "right after the warning";
  EXPECT_EQ(h.lbPrerequ.top(), 16);
}

TEST_F(HelpTest, HeaderWithThePowerManagerKeysReadsOnlyThePrerequisites) {
  seedUserData();
  start();
  int warningLeft = help().lbNotCompatible.left();
  withHelpOpen([&](Tf_help& h) {
    EXPECT_FALSE(h.lbNotCompatible.visible());
    EXPECT_EQ(h.lbPrerequ.left(), warningLeft);
    EXPECT_EQ(h.activeControl(), &h.btClose);
    h.btClose.click();
  });
  EXPECT_EQ(app.modalsLeftOpen, 0);
}

TEST_F(HelpTest, HeaderWithoutTheKeysWarnsFirstAndAHiddenWarningStaysHidden) {
  start();
  ASSERT_EQ(modalCount("Tf_help"), 1u) << "missing keys open the help window at start";
  withHelpOpen([&](Tf_help& h) {
    EXPECT_TRUE(h.lbNotCompatible.visible());
    EXPECT_GT(h.lbPrerequ.left(), h.lbNotCompatible.left() + h.lbNotCompatible.width() - 1);
    h.btClose.click();
  });
  seedUserData();
  withHelpOpen([&](Tf_help& h) { h.btClose.click(); });
  ASSERT_EQ(sim.registry.deleteKey(RootKey::CurrentUser, store::kUserDataKey, 0), sys::kSuccess);
  ASSERT_EQ(sim.registry.deleteKey(RootKey::CurrentUser, store::kUserRootKey, 0), sys::kSuccess);
  withHelpOpen([&](Tf_help& h) {
    EXPECT_FALSE(h.lbNotCompatible.visible()) << "keys gone later: the warning stays hidden";
    h.btClose.click();
  });
}

TEST_F(HelpTest, EscapeFromAnyControlClosesAndBringsTheMainWindowBack) {
  seedUserData();
  start();
  withHelpOpen([&](Tf_help& h) {
    h.btGetSIF.setFocus();
    char16_t escape = tk::key::kEscape;
    h.previewChar(escape);
    EXPECT_NE(h.modalResult(), ModalResult::None);
  });
  EXPECT_EQ(app.modalsLeftOpen, 0);
  EXPECT_FALSE(help().visible());
  EXPECT_TRUE(main().visible());
}

TEST_F(HelpTest, FailingShellShowsTheMessageOncePerClickAndStaysOpen) {
  seedUserData();
  start();
  sim.shell.result = 2;
  withHelpOpen([&](Tf_help& h) {
    h.lbSIF.click();
    h.btSIFM.click();
    EXPECT_EQ(h.modalResult(), ModalResult::None);
    EXPECT_TRUE(h.visible());
    h.btClose.click();
  });
  EXPECT_EQ(dialogTexts(), (std::vector<Text>{kBrowserFailureMessage, kBrowserFailureMessage}));
  EXPECT_EQ(app.dialogs[0].buttons, DialogButtons::Ok);
}

TEST_F(HelpTest, ShellResultAboveThirtyTwoIsSuccessAndTheFlagSilencesFailures) {
  create();
  sim.shell.result = 33;
  EXPECT_EQ(openUrl(u"https://example.org/", u"", 1, true), 33);
  sim.shell.result = 32;
  EXPECT_EQ(openUrl(u"https://example.org/", u"", 1, false), 32);
  EXPECT_TRUE(app.dialogs.empty());
  openUrl(u"https://example.org/", u"", 1, true);
  EXPECT_EQ(dialogTexts(), std::vector<Text>{kBrowserFailureMessage});
}

}  // namespace
}  // namespace kst::testing

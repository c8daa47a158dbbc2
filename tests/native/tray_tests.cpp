// The notification-area icon's menu and mouse handling, and the info box.
#include "app/tray.h"
#include "resources/battery_pictures.h"

#include "tests/native/program_fixture.h"

namespace kst::testing {
namespace {

class TrayTest : public ProgramTest {};

TEST_F(TrayTest, MenuHoldsShowInfoSeparatorExit) {
  create();
  std::vector<std::pair<std::string, Text>> items;
  for (const auto& item : main().TrayMenu.items()) items.push_back({item.name, item.caption});
  EXPECT_EQ(items, (std::vector<std::pair<std::string, Text>>{
                       {"tmShow", u"&Show"}, {"tmInfo", u"&Info"}, {"N1", u"-"}, {"tmExit", u"E&xit"}}));
}

TEST_F(TrayTest, IconAtCreationShowsTheNoBatteryPictureWithTheTitleAndAnimates) {
  create();
  EXPECT_EQ(main().TrayIcon.imageList(), &main().imNoBattery);
  EXPECT_EQ(main().TrayIcon.imageIndex(), 0);
  EXPECT_EQ(main().TrayIcon.hint(), u"Kestrane");
  EXPECT_TRUE(main().TrayIcon.animate());
  EXPECT_TRUE(main().TrayIcon.visible());
}

// The notification area as the shell sees the icon: every call after the
// first n, or all of them.
std::vector<tk::headless::TrayCall> callsSince(const tk::headless::HeadlessApplication& app, size_t first) {
  return {app.trayCalls.begin() + static_cast<std::ptrdiff_t>(first), app.trayCalls.end()};
}

TEST_F(TrayTest, TheShellFirstGetsTheNoBatteryPictureAndTheTitle) {
  create();
  ASSERT_FALSE(app.trayCalls.empty());
  const tk::headless::TrayCall& first = app.trayCalls.front();
  EXPECT_EQ(first.kind, tk::headless::TrayCall::Add);
  ASSERT_NE(first.picture, nullptr);
  EXPECT_EQ(*first.picture, main().imNoBattery.image(0));
  EXPECT_EQ(first.hint, u"Kestrane");
  EXPECT_TRUE(first.taken);
}

TEST_F(TrayTest, AShellThatRefusesTheIconIsAskedAgainUntilItTakesIt) {
  app.shellRunning = false;
  sim.power.setCharging(50);
  seedUserData();
  start();
  EXPECT_FALSE(app.shellHasIcon);
  size_t refused = app.trayCalls.size();
  app.advance(tk::TrayIcon::kRetryInterval);
  EXPECT_GT(app.trayCalls.size(), refused) << "asked again";
  EXPECT_FALSE(app.shellHasIcon);

  app.shellRunning = true;
  app.advance(tk::TrayIcon::kRetryInterval);
  ASSERT_TRUE(app.shellHasIcon);
  const tk::headless::TrayCall& added = app.trayCalls.back();
  EXPECT_EQ(added.kind, tk::headless::TrayCall::Add);
  EXPECT_TRUE(added.taken);
  EXPECT_EQ(added.hint, main().TrayIcon.shownHint());
  EXPECT_EQ(added.picture, main().TrayIcon.currentImage());

  size_t placed = app.trayCalls.size();
  app.advance(4 * tk::TrayIcon::kRetryInterval);
  for (const auto& call : callsSince(app, placed)) {
    EXPECT_EQ(call.kind, tk::headless::TrayCall::Modify) << "only the animation, no more retries";
  }
}

TEST_F(TrayTest, AnIconTheShellForgotIsAddedAgainWithItsCurrentPictureAndHint) {
  sim.power.setOnAC(80);
  seedUserData();
  start();
  SCOPED_TRACE("the shell restarted without a word");
  app.shellHasIcon = false;
  size_t before = app.trayCalls.size();
  sim.power.setDischarging(40, 3600);
  main().BatteryStatusTimerTick();
  auto calls = callsSince(app, before);
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0].kind, tk::headless::TrayCall::Modify);
  EXPECT_FALSE(calls[0].taken);
  EXPECT_EQ(calls[1].kind, tk::headless::TrayCall::Add);
  EXPECT_TRUE(calls[1].taken);
  EXPECT_TRUE(app.shellHasIcon);
  EXPECT_TRUE(calls.back().taken);
  EXPECT_EQ(calls.back().picture, &main().imDischarge.image(1));
  EXPECT_EQ(calls.back().hint,
            u"Kestrane\r\n1:00 h left   (discharging, 40%)\r\n"
            u"Charging starts below 40% and stops at 80%.\r\non battery");

  SCOPED_TRACE("the shell restarted and said so");
  app.shellHasIcon = false;
  before = app.trayCalls.size();
  main().TrayIcon.shellRestarted();
  calls = callsSince(app, before);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].kind, tk::headless::TrayCall::Add);
  EXPECT_EQ(calls[0].picture, &main().imDischarge.image(1));
  EXPECT_TRUE(app.shellHasIcon);
}

TEST_F(TrayTest, TheIconLeavesTheNotificationAreaWithTheProgram) {
  seedUserData();
  start();
  ASSERT_TRUE(app.shellHasIcon);
  program.reset();
  EXPECT_FALSE(app.shellHasIcon);
  EXPECT_EQ(app.trayCalls.back().kind, tk::headless::TrayCall::Remove);
}

TEST_F(TrayTest, RightButtonPopsUpTheMenuAtTheCursorAndOthersShowTheWindow) {
  seedUserData();
  start();
  sim.desktop.foregroundRequests.clear();
  main().TrayIcon.mouseDown(tk::MouseButton::Right, 1200, 780);
  ASSERT_EQ(app.popups.size(), 1u);
  EXPECT_EQ(app.popups[0].menu, &main().TrayMenu);
  EXPECT_EQ(app.popups[0].x, 1200);
  EXPECT_EQ(app.popups[0].y, 780);
  EXPECT_TRUE(sim.desktop.foregroundRequests.empty());

  main().setWindowState(tk::WindowState::Minimized);
  app.appMinimized = true;
  main().TrayIcon.mouseDown(tk::MouseButton::Left, 0, 0);
  EXPECT_EQ(main().windowState(), tk::WindowState::Normal);
  EXPECT_FALSE(app.appMinimized);
  main().TrayIcon.mouseDown(tk::MouseButton::Middle, 0, 0);
  main().TrayMenu.click("tmShow");
  EXPECT_EQ(sim.desktop.foregroundRequests, std::vector<sys::NativeWindow>(3, main().nativeHandle));
  EXPECT_EQ(app.popups.size(), 1u);
}

// The icon reached by keyboard (Win+B): Enter or Space restores the window
// as a left click does, and Shift+F10 opens the menu at the icon, where the
// shell says it is. A click's own select and context menu change nothing.
TEST_F(TrayTest, KeyboardSelectAndContextMenuActAsClicksAndAClickActsOnce) {
  seedUserData();
  start();
  sim.desktop.foregroundRequests.clear();
  main().setWindowState(tk::WindowState::Minimized);
  main().TrayIcon.shellEvent(tk::TrayEvent::KeySelect, 1190, 1060);
  EXPECT_EQ(main().windowState(), tk::WindowState::Normal);
  EXPECT_EQ(sim.desktop.foregroundRequests.size(), 1u);
  main().TrayIcon.shellEvent(tk::TrayEvent::ContextMenu, 1190, 1060);
  ASSERT_EQ(app.popups.size(), 1u);
  EXPECT_EQ(app.popups[0].x, 1190);
  EXPECT_EQ(app.popups[0].y, 1060);

  main().TrayIcon.shellEvent(tk::TrayEvent::RightPress, 1200, 1050);
  main().TrayIcon.shellEvent(tk::TrayEvent::ContextMenu, 1200, 1050);
  EXPECT_EQ(app.popups.size(), 2u) << "a right click opens the menu once, on its press";
  EXPECT_EQ(app.popups[1].x, 1200);
  main().TrayIcon.shellEvent(tk::TrayEvent::LeftPress, 1200, 1050);
  main().TrayIcon.shellEvent(tk::TrayEvent::Select, 1200, 1050);
  EXPECT_EQ(sim.desktop.foregroundRequests.size(), 2u) << "a left click restores once, on its press";
  main().TrayIcon.shellEvent(tk::TrayEvent::MiddlePress, 0, 0);
  main().TrayIcon.shellEvent(tk::TrayEvent::Select, 0, 0);
  EXPECT_EQ(sim.desktop.foregroundRequests.size(), 4u) << "a select of its own restores";
  EXPECT_EQ(app.popups.size(), 2u);
}

// Windows 10 and 11 say in the user's Personalize key whether the task bar
// (SystemUsesLightTheme) and the windows (AppsUseLightTheme) are light;
// each picture is drawn for its own, the task bar's button and Alt+Tab
// standing on the task bar, and a change of mode redraws them all at once.
// Where Windows says nothing, or something it would not write, the
// pictures are the dark ones of Windows 7 to 10. A high-contrast theme
// draws them all in its colours.
TEST_F(TrayTest, ThePicturesFollowALightTaskBarAndLightTitleBarsEachOnItsOwn) {
  const Text personalize = u"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
  seedUserData();
  sim.power.setDischarging(45, 8100);
  sim.registry.put(RootKey::CurrentUser, personalize, u"SystemUsesLightTheme", sys::dwordValue(1));
  sim.registry.put(RootKey::CurrentUser, personalize, u"AppsUseLightTheme", sys::stringValue(u"1"));
  start();
  using resources::Backdrop;
  const tk::Bitmap lightPicture = resources::statePictures(16, Backdrop::Light).discharge.image(1);
  const tk::Bitmap darkPicture = resources::statePictures(16, Backdrop::Dark).discharge.image(1);
  ASSERT_NE(lightPicture, darkPicture);
  EXPECT_EQ(*app.trayCalls.back().picture, lightPicture) << "the task bar is light";
  EXPECT_EQ(main().icon(), darkPicture) << "a text where Windows writes a number: dark title bars";
  EXPECT_EQ(main().taskbarIcon(), lightPicture) << "the task bar's button";

  sim.registry.put(RootKey::CurrentUser, personalize, u"AppsUseLightTheme", sys::dwordValue(1));
  sim.registry.put(RootKey::CurrentUser, personalize, u"SystemUsesLightTheme", sys::dwordValue(0));
  const size_t before = app.trayCalls.size();
  app.themeChanged();
  EXPECT_EQ(main().icon(), lightPicture);
  ASSERT_EQ(app.trayCalls.size(), before + 1) << "the shell gets the picture again at once";
  EXPECT_EQ(*app.trayCalls.back().picture, darkPicture);
  EXPECT_EQ(app.trayCalls.back().kind, tk::headless::TrayCall::Modify);
  EXPECT_EQ(main().taskbarIcon(), darkPicture);

  app.systemColorsChanged(true);
  const tk::Bitmap highContrast = resources::statePictures(16, Backdrop::HighContrast).discharge.image(1);
  EXPECT_EQ(highContrast.pixel(6, 8), tk::kWindowText) << "the outline in the theme's text colour";
  EXPECT_EQ(*app.trayCalls.back().picture, highContrast);
  EXPECT_EQ(main().icon(), highContrast);
  EXPECT_EQ(main().taskbarIcon(), highContrast);
}

TEST_F(TrayTest, InfoButtonAndMenuItemShowTheSameBox) {
  sim.version.setVersion(u"1.0.0.1");
  sim.version.infoPath = sim.shell.exePath;
  seedUserData();
  start();
  main().btOptions.click();
  main().TrayMenu.click("tmInfo");
  ASSERT_EQ(app.dialogs.size(), 2u);
  EXPECT_EQ(app.dialogs[0].text, app.dialogs[1].text);
  EXPECT_EQ(app.dialogs[0].buttons, DialogButtons::Ok);
  EXPECT_EQ(app.dialogs[0].caption, u"Kestrane");
  const Text& text = app.dialogs[0].text;
  EXPECT_EQ(text.substr(0, text.find(u"\r\n")), u"    Kestrane - Version 1.0.0.1   ");
  size_t second = text.find(u"\r\n") + 2;
  size_t third = text.find(u"\r\n", second) + 2;
  EXPECT_EQ(text.substr(second, 4), u"    ");
  EXPECT_EQ(text.substr(third, 4), u"    ");
  EXPECT_NE(text.find(u"https://kestrane.org/"), Text::npos);
  EXPECT_EQ(text.substr(text.size() - 3), u"   ");
  EXPECT_EQ(text.find(u"Lenovo"), Text::npos);
}

TEST_F(TrayTest, VersionIsReadThroughTheFirstTranslation) {
  SCOPED_TRACE("no version resource");
  EXPECT_EQ(getFileVersion(u"C:\\other.exe"), u"unknown");
  sim.version.setVersion(u"2.3.4.5", 0x0409, 0x04b0);
  EXPECT_EQ(getFileVersion(sim.version.infoPath), u"2.3.4.5");
  sim.version.blocks.erase(u"\\StringFileInfo\\040904b0\\FileVersion");
  EXPECT_EQ(getFileVersion(sim.version.infoPath), u"unknown");
}

}  // namespace
}  // namespace kst::testing

// The notification-area icon's menu and mouse handling, and the info box.
#include "app/tray.h"

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
  EXPECT_EQ(sim.desktop.foregroundRequests,
            std::vector<sys::NativeWindow>(3, main().nativeHandle));
  EXPECT_EQ(app.popups.size(), 1u);
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

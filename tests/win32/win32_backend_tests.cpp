// The Win32 side of the toolkit over the real windows: what Windows does
// that the headless toolkit cannot show.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <oleacc.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/kst_main.h"
#include "app/entry/program.h"
#include "resources/battery_pictures.h"
#include "resources/resource_ids.h"
#include "system/sim/sim_services.h"
#include "system/win32/win32_services.h"
#include "tests/win32/live_objects.h"
#include "tests/win32/messages.h"
#include "tests/win32/recorded_calls.h"
#include "toolkit/win32/application.h"
#include "toolkit/win32/control_peer.h"
#include "toolkit/win32/dpi.h"
#include "toolkit/win32/form_peer.h"
#include "toolkit/win32/tray_peer.h"

namespace kst::test {
namespace {

// The whole program over the real windows, shown, on a simulated store.
class Win32Backend : public ::testing::Test {
 protected:
  // Counting starts before the application makes its first window.
  struct StartCounting {
    StartCounting() { LiveObjects::start(); }
  } counting;
  sys::sim::SimSystem sim;
  tk::win32::Win32Application app{GetModuleHandleW(nullptr), KST_MAIN_ICON};
  std::unique_ptr<Program> program;

  void SetUp() override {
    // Away from the window, which opens in the middle of the screen.
    SetCursorPos(0, 0);
    store::writeKeySet({store::kUser, store::kUserDataKey}, {80, 40, true, true}, 0);
    app.setTitle(productName);
    program = std::make_unique<Program>(app);
    main().show();
    pumpMessages();
  }
  void TearDown() override {
    program.reset();
    RecordedCalls::stop();
  }
  Tkst_mainform& main() { return program->mainform(); }
  HWND mainWindow() { return reinterpret_cast<HWND>(main().nativeHandle); }

  // Whether the shell holds the icon: it refuses a change to an icon it
  // does not have.
  bool shellHasTheIcon() {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = app.serviceWindow();
    data.uID = 1;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
  }
};

struct ClassSearch {
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK matchClass(HWND child, LPARAM parameter) {
  auto* search = reinterpret_cast<ClassSearch*>(parameter);
  wchar_t name[64];
  if (GetClassNameW(child, name, 64) > 0 && lstrcmpiW(name, search->className) == 0) {
    search->found = child;
    return FALSE;
  }
  return TRUE;
}

HWND childOfClass(HWND parent, const wchar_t* className) {
  ClassSearch search{className, nullptr};
  EnumChildWindows(parent, matchClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

int iconWidth(HICON icon) {
  ICONINFO info{};
  if (icon == nullptr || !GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

TEST(TrayNotifications, EveryPressSelectAndContextMenuIsAnEventAndNothingElseIs) {
  using tk::TrayEvent;
  EXPECT_EQ(tk::win32::trayEventOf(WM_LBUTTONDOWN), TrayEvent::LeftPress);
  EXPECT_EQ(tk::win32::trayEventOf(WM_LBUTTONDBLCLK), TrayEvent::LeftPress);
  EXPECT_EQ(tk::win32::trayEventOf(WM_MBUTTONDBLCLK), TrayEvent::MiddlePress);
  EXPECT_EQ(tk::win32::trayEventOf(WM_RBUTTONDBLCLK), TrayEvent::RightPress);
  EXPECT_EQ(tk::win32::trayEventOf(NIN_SELECT), TrayEvent::Select);
  EXPECT_EQ(tk::win32::trayEventOf(NIN_KEYSELECT), TrayEvent::KeySelect);
  EXPECT_EQ(tk::win32::trayEventOf(WM_CONTEXTMENU), TrayEvent::ContextMenu);
  for (UINT other :
       std::initializer_list<UINT>{WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP, WM_MOUSEMOVE, NIN_POPUPOPEN}) {
    EXPECT_FALSE(tk::win32::trayEventOf(other).has_value()) << other;
  }
}

// As the shell sends them for an icon of version 4: the position in
// wParam, a select after each release of the left button.
TEST_F(Win32Backend, ADoubleClickOnTheIconIsTwoPresses) {
  std::vector<tk::MouseButton> presses;
  main().TrayIcon.onMouseDown = [&](tk::MouseButton button, int, int) { presses.push_back(button); };
  for (UINT notification : std::initializer_list<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, NIN_SELECT, WM_LBUTTONDBLCLK,
                                                       WM_LBUTTONUP, NIN_SELECT}) {
    SendMessageW(app.serviceWindow(), tk::win32::kTrayCallback, MAKEWPARAM(1200, 780), MAKELPARAM(notification, 1));
  }
  EXPECT_EQ(presses, (std::vector<tk::MouseButton>{tk::MouseButton::Left, tk::MouseButton::Left}));
}

// At version 4 the shell shows an icon's hint only where the call that
// sets it asks for it: the add, every change through every state and the
// add after the shell restarted all do. A shell that refused version 4
// shows the hint anyway and is asked nothing new.
TEST_F(Win32Backend, EveryCallThatSetsTheHintAsksTheShellToShowItAtVersion4) {
  ASSERT_EQ(RecordedCalls::unhooked(), std::vector<std::string>{});
  for (bool version4 : {true, false}) {
    program.reset();
    RecordedCalls::shellTakesVersion4 = version4;
    RecordedCalls::startRecording();
    program = std::make_unique<Program>(app);
    main().show();
    pumpMessages();
    for (auto state : std::initializer_list<void (*)(sys::sim::SimPower&)>{
             [](sys::sim::SimPower& p) { p.setNoBattery(); }, [](sys::sim::SimPower& p) { p.setCharging(40); },
             [](sys::sim::SimPower& p) { p.setOnAC(80); }, [](sys::sim::SimPower& p) { p.setDischarging(45, 8100); }}) {
      state(sim.power);
      main().updateBatteryStatus();
      pumpMessages();
    }
    SendMessageW(app.serviceWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    pumpMessages();
    std::vector<DWORD> hintCalls;
    for (const NotifyIconCall& call : RecordedCalls::notifyIcon) {
      if (call.message != NIM_ADD && call.message != NIM_MODIFY) continue;
      EXPECT_EQ(call.flags & NIF_TIP, static_cast<UINT>(NIF_TIP));
      // The first add comes before the shell is asked for version 4.
      const bool shown = version4 || (call.message == NIM_ADD && hintCalls.empty());
      EXPECT_EQ((call.flags & NIF_SHOWTIP) != 0, shown) << "call " << hintCalls.size() << ", version 4: " << version4;
      hintCalls.push_back(call.message);
    }
    EXPECT_EQ(std::count(hintCalls.begin(), hintCalls.end(), NIM_ADD), 2)
        << "the first add and the one after the restart";
    EXPECT_GE(std::count(hintCalls.begin(), hintCalls.end(), NIM_MODIFY), 4) << "a change for each state";
  }
}

// A keyboard user opens the menu with Shift+F10 at the icon; cancelled, it
// hands the focus back to the notification area. A chosen item does not.
TEST_F(Win32Backend, AMenuCancelledHandsTheFocusBackToTheNotificationArea) {
  auto focusReturns = [&] {
    return std::count_if(RecordedCalls::notifyIcon.begin(), RecordedCalls::notifyIcon.end(),
                         [](const NotifyIconCall& call) { return call.message == NIM_SETFOCUS; });
  };
  RecordedCalls::startRecording();
  RecordedCalls::menuChoice = 0;
  SendMessageW(app.serviceWindow(), tk::win32::kTrayCallback, MAKEWPARAM(1200, 780), MAKELPARAM(WM_CONTEXTMENU, 1));
  EXPECT_EQ(focusReturns(), 1) << "cancelled";
  RecordedCalls::menuChoice = 1;
  SendMessageW(app.serviceWindow(), tk::win32::kTrayCallback, MAKEWPARAM(1200, 780), MAKELPARAM(WM_CONTEXTMENU, 1));
  pumpMessages();
  EXPECT_EQ(focusReturns(), 1) << "\"Show\" chosen: the window has the focus";
}

TEST_F(Win32Backend, ArrowsOfASpinEditStepByOneHowEverLongTheyAreHeld) {
  HWND upDown = childOfClass(mainWindow(), UPDOWN_CLASSW);
  ASSERT_NE(upDown, nullptr);
  UDACCEL steps[4]{};
  EXPECT_EQ(SendMessageW(upDown, UDM_GETACCEL, 4, reinterpret_cast<LPARAM>(steps)), 1);
  EXPECT_EQ(steps[0].nInc, 1u);
}

TEST_F(Win32Backend, OnlyTheProgramsOwnWindowsCountAsItsForms) {
  EXPECT_NE(tk::win32::formPeerOf(mainWindow()), nullptr);
  WNDCLASSW impostorClass{};
  impostorClass.lpfnWndProc = DefWindowProcW;
  impostorClass.hInstance = GetModuleHandleW(nullptr);
  impostorClass.lpszClassName = L"TImpostor";
  RegisterClassW(&impostorClass);
  HWND impostor = CreateWindowExW(0, L"TImpostor", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(impostor, nullptr);
  SetWindowLongPtrW(impostor, GWLP_USERDATA, 0x5EED);
  EXPECT_EQ(tk::win32::formPeerOf(impostor), nullptr) << "a hook's or an input method's window";
  ShowWindow(impostor, SW_SHOW);
  SetActiveWindow(impostor);
  EXPECT_TRUE(app.activeWindow() == nullptr || app.activeWindow() == mainWindow());
  DestroyWindow(impostor);
  UnregisterClassW(L"TImpostor", GetModuleHandleW(nullptr));
}

TEST_F(Win32Backend, TheTaskBarGetsALargeIconAndTheTitleBarASmallOne) {
  auto shownIcon = [&](WPARAM kind) {
    return reinterpret_cast<HICON>(SendMessageW(mainWindow(), WM_GETICON, kind, 0));
  };
  sim.power.setNoBattery();
  main().updateBatteryStatus();
  EXPECT_EQ(iconWidth(shownIcon(ICON_BIG)), GetSystemMetrics(SM_CXICON)) << "the state picture, enlarged";
  EXPECT_EQ(iconWidth(shownIcon(ICON_SMALL)), GetSystemMetrics(SM_CXSMICON)) << "the state picture";
  main().setIcon(tk::Bitmap());
  EXPECT_EQ(iconWidth(shownIcon(ICON_BIG)), GetSystemMetrics(SM_CXICON)) << "the main icon's own large picture";
  EXPECT_EQ(iconWidth(shownIcon(ICON_SMALL)), GetSystemMetrics(SM_CXSMICON));
}

// Dragged onto a monitor at 150 %: Windows says so with WM_DPICHANGED and
// the rectangle it suggests. The window goes there, as large as its design
// at 144 pixels per inch with the frame Windows draws at that scale, its
// fonts and its title bar's picture made for it; the notification area
// stays on the task bar. (Wine draws every frame at its own
// size whatever the scale, so the client area is not checked here.)
TEST_F(Win32Backend, AMoveToAMonitorAt150PercentLaysTheWindowOutForIt) {
  ASSERT_EQ(main().pixelsPerInch(), 96);
  sim.power.setDischarging(45, 8100);
  main().updateBatteryStatus();
  RECT suggested{40, 30, 40 + 556, 30 + 271};
  SendMessageW(mainWindow(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  pumpMessages();
  EXPECT_EQ(main().pixelsPerInch(), 144);
  RECT outer;
  GetWindowRect(mainWindow(), &outer);
  const RECT frame =
      tk::win32::outerRectForDpi({0, 0, 0, 0}, tk::win32::formStyle(main()), tk::win32::formExStyle(main()), 144);
  EXPECT_EQ(outer.right - outer.left, tk::scaleLength(367, 144) + frame.right - frame.left);
  EXPECT_EQ(outer.bottom - outer.top, tk::scaleLength(161, 144) + frame.bottom - frame.top);
  EXPECT_EQ(outer.left, 40);
  EXPECT_EQ(outer.top, 30);
  LOGFONTW font{};
  HWND label = tk::win32::peerWindow(&main().lbHighLevel);
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -16) << "8 points at 144 pixels per inch";
  EXPECT_EQ(main().icon().width(), tk::win32::systemMetricForDpi(SM_CXSMICON, 144)) << "the title bar's picture";
  EXPECT_EQ(main().imDischarge.width(), tk::win32::systemMetricForDpi(SM_CXSMICON, 96)) << "the task bar stays";
}

// Windows fixes its own scale at sign-in; a window made since on a monitor
// at 150 % (a laptop docked, a scale changed, a remote session reconnected)
// hears of that monitor from GetDpiForWindow alone, which answers here in
// Windows' place. Each window asks Windows to scale its frame too, in
// WM_NCCREATE, and the notification area's pictures follow the task bar's
// scale, not the window's.
TEST_F(Win32Backend, AWindowMadeOnAMonitorAt150PercentIsLaidOutForItBeforeItShows) {
  ASSERT_EQ(RecordedCalls::unhooked(), std::vector<std::string>{});
  ASSERT_EQ(app.screen().pixelsPerInch, 96);
  program.reset();
  RecordedCalls::startRecording();
  RecordedCalls::windowDpi = 144;
  RecordedCalls::notificationAreaDpi = 120;
  sim.power.setDischarging(45, 8100);
  program = std::make_unique<Program>(app);
  EXPECT_EQ(main().pixelsPerInch(), 144);
  EXPECT_FALSE(IsWindowVisible(mainWindow()));
  RECT client;
  GetClientRect(mainWindow(), &client);
  EXPECT_EQ(client.right, tk::scaleLength(367, 144)) << "laid out before it is first shown";
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(tk::win32::peerWindow(&main().lbHighLevel), WM_GETFONT, 0, 0)),
             sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -16) << "8 points at 144 pixels per inch";
  EXPECT_EQ(std::count(RecordedCalls::nonClientScaling.begin(), RecordedCalls::nonClientScaling.end(), mainWindow()),
            1);
  main().show();
  pumpMessages();
  EXPECT_EQ(main().imDischarge.width(), tk::win32::systemMetricForDpi(SM_CXSMICON, 120)) << "the task bar's";
  EXPECT_EQ(main().icon().width(), tk::win32::systemMetricForDpi(SM_CXSMICON, 144)) << "the title bar's";
}

// Windows 10 and 11 tell a switch between light and dark mode with a
// setting change of "ImmersiveColorSet"; the task bar's mode is the user's
// SystemUsesLightTheme.
TEST_F(Win32Backend, ALightTaskBarIsHeardOfThroughTheSettingChangeAndGetsDarkOutlines) {
  sim.power.setDischarging(45, 8100);
  main().updateBatteryStatus();
  const tk::Color outline = main().TrayIcon.currentImage()->pixel(6, 8);
  ASSERT_EQ(outline, resources::kWhite);
  sim.registry.put(sys::RootKey::CurrentUser, u"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                   u"SystemUsesLightTheme", sys::dwordValue(1));
  SendMessageW(app.serviceWindow(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  pumpMessages();
  EXPECT_EQ(main().TrayIcon.currentImage()->pixel(6, 8), resources::kBlack);
  EXPECT_TRUE(shellHasTheIcon());
}

// tests/wine/run.sh runs these in a prefix whose screen has 144 pixels per
// inch, as a ThinkPad at 150 %: the state pictures are drawn at the small
// icons' size there, not stretched by the shell from 16 pixels.
using HighScale = Win32Backend;

TEST_F(HighScale, TheStatePicturesAreDrawnAtTheSizeTheShellAndTheTitleBarShow) {
  ASSERT_EQ(app.screen().pixelsPerInch, 144) << "run at 144 pixels per inch";
  const int size = GetSystemMetrics(SM_CXSMICON);
  EXPECT_EQ(size, 24);
  sim.power.setDischarging(45, 8100);
  main().updateBatteryStatus();
  ASSERT_NE(main().TrayIcon.imageList(), nullptr);
  EXPECT_EQ(main().TrayIcon.imageList()->width(), size) << "the pictures the shell is handed";
  HICON small = reinterpret_cast<HICON>(SendMessageW(mainWindow(), WM_GETICON, ICON_SMALL, 0));
  EXPECT_EQ(iconWidth(small), size) << "the title bar's, made from the same picture";
}

// A screen reader names a control by its own text, and one without text by
// the name laid on it; the label rule reads the window just before a field.
// Read in this process: Wine 8 gives another process no accessible object.
TEST_F(Win32Backend, ScreenReadersNameEveryControl) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    tk::win32::AccessibleNames names;
    if (!names.annotate(tk::win32::peerWindow(&main().btExit), u"probe")) {
      CoUninitialize();
      GTEST_SKIP() << "this system keeps no annotated names (Wine 8's IAccPropServices::SetHwndPropStr answers "
                      "E_NOTIMPL); real Windows reads them";
    }
    names.clear(tk::win32::peerWindow(&main().btExit));
  }
  auto nameOf = [](tk::Control& control) {
    IAccessible* object = nullptr;
    HRESULT found = AccessibleObjectFromWindow(tk::win32::peerWindow(&control), OBJID_CLIENT, __uuidof(IAccessible),
                                               reinterpret_cast<void**>(&object));
    if (FAILED(found))
      return L"(no accessible object, error " + std::to_wstring(static_cast<unsigned long>(found)) + L")";
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    std::wstring name = SUCCEEDED(object->get_accName(self, &text)) && text != nullptr ? text : L"(no name)";
    SysFreeString(text);
    object->Release();
    return name;
  };
  EXPECT_EQ(nameOf(main().seHighLevel), L"High charging threshold");
  EXPECT_EQ(nameOf(main().seLowLevel), L"Low charging threshold");
  EXPECT_EQ(nameOf(main().cbHighLevel), L"Use the high charging threshold");
  EXPECT_EQ(nameOf(main().cbLowLevel), L"Use the low charging threshold");
  EXPECT_EQ(nameOf(main().gStateOfCharge), L"State of charge");
  EXPECT_EQ(nameOf(main().btGetValues), L"Get Values") << "a control with text keeps it";
  CoUninitialize();
}

TEST_F(Win32Backend, ScreenReadersFindEachLabelJustBeforeItsFieldCoveringNoneOfIt) {
  auto before = [](tk::Control& control) { return GetWindow(tk::win32::peerWindow(&control), GW_HWNDPREV); };
  // Above its field in the window order, a label may cover none of it.
  auto covers = [](tk::Control& label, tk::Control& field) {
    RECT a, b, both;
    GetWindowRect(tk::win32::peerWindow(&label), &a);
    GetWindowRect(tk::win32::peerWindow(&field), &b);
    return IntersectRect(&both, &a, &b) != FALSE;
  };
  EXPECT_EQ(before(main().seHighLevel), tk::win32::peerWindow(&main().lbHighLevel));
  EXPECT_FALSE(covers(main().lbHighLevel, main().seHighLevel));
  EXPECT_EQ(before(main().seLowLevel), tk::win32::peerWindow(&main().lbLowLevel));
  EXPECT_FALSE(covers(main().lbLowLevel, main().seLowLevel));
}

TEST_F(Win32Backend, EndingTheSessionTakesTheIconAndEveryWindowBeforeItReturns) {
  ASSERT_TRUE(shellHasTheIcon());
  std::vector<HWND> windows;
  for (tk::Form* form : app.forms()) windows.push_back(reinterpret_cast<HWND>(form->nativeHandle));
  SendMessageW(mainWindow(), WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(app.terminated());
  EXPECT_FALSE(shellHasTheIcon());
  for (HWND window : windows) EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(LiveObjects::now().windows, 1) << "only the service window is left";
}

TEST_F(Win32Backend, HintsAreMadeWhenTheMouseFirstComesOverTheWindow) {
  auto* form = tk::win32::formPeerOf(mainWindow());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->tooltips(), nullptr) << "nothing pointed at yet";
  HWND button = reinterpret_cast<HWND>(static_cast<tk::win32::ControlPeer*>(main().btBatteryID.peer())->window());
  SendMessageW(button, WM_SETCURSOR, reinterpret_cast<WPARAM>(button), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  ASSERT_NE(form->tooltips(), nullptr);
  EXPECT_EQ(SendMessageW(form->tooltips(), TTM_GETTOOLCOUNT, 0, 0), 1) << "the battery button's hint alone";
  EXPECT_EQ(SendMessageW(form->tooltips(), TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 30000);
  wchar_t text[128] = {};
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = mainWindow();
  tool.uId = reinterpret_cast<UINT_PTR>(button);
  tool.lpszText = text;
  SendMessageW(form->tooltips(), TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(text, L" click here to choose battery ");
}

TEST_F(Win32Backend, ALogOffThatIsNotHappeningChangesNothing) {
  SendMessageW(mainWindow(), WM_ENDSESSION, FALSE, 0);
  EXPECT_FALSE(app.terminated());
  EXPECT_TRUE(IsWindow(mainWindow()));
  EXPECT_TRUE(shellHasTheIcon());
}

// Keys go through the program's own event loop, as the user's would; the
// loop then ends, for good.
struct Key {
  HWND window;
  UINT message;
  WPARAM code;
  LPARAM flags;
};

void pressKeysThroughTheLoop(tk::win32::Win32Application& app, std::initializer_list<Key> keys) {
  for (const Key& key : keys) PostMessageW(key.window, key.message, key.code, key.flags);
  tk::Timer stop(app, 50);
  stop.onTimer = [&] { app.terminate(); };
  stop.setEnabled(true);
  app.run();
}

// What the program asks Windows to do with a window's focus rectangles and
// access-key underlines. Windows keeps that state and answers
// WM_QUERYUISTATE with it; Wine 8 keeps none and answers 0, so the test
// reads the requests themselves.
std::vector<std::pair<HWND, WPARAM>> uiStateRequests;

LRESULT CALLBACK recordUiStateRequest(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->message == WM_CHANGEUISTATE) uiStateRequests.push_back({sent->hwnd, sent->wParam});
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(Win32Backend, FocusAndAccessKeyCuesAreSetUpAtTheFirstShowingAndShownOnceTheKeyboardIsUsed) {
  uiStateRequests.clear();
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, recordUiStateRequest, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  program.reset();
  program = std::make_unique<Program>(app);
  main().show();
  pumpMessages();
  using Requests = std::vector<std::pair<HWND, WPARAM>>;
  EXPECT_EQ(uiStateRequests, (Requests{{mainWindow(), MAKEWPARAM(UIS_INITIALIZE, 0)}})) << "as for a dialog box";
  uiStateRequests.clear();
  HWND focused = GetFocus();
  ASSERT_NE(focused, nullptr);
  pressKeysThroughTheLoop(app, {{focused, WM_CHAR, L'7', 1},
                                {focused, WM_KEYDOWN, VK_TAB, 1},
                                {focused, WM_KEYDOWN, VK_DOWN, 1},
                                {focused, WM_SYSKEYDOWN, VK_MENU, 1 << 29}});
  const WPARAM showFocus = MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS);
  EXPECT_EQ(uiStateRequests, (Requests{{mainWindow(), showFocus},
                                       {mainWindow(), showFocus},
                                       {mainWindow(), MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL | UISF_HIDEFOCUS)}}))
      << "a typed digit shows nothing, Tab and an arrow where the focus is, Alt the access keys too";
  UnhookWindowsHookEx(hook);
}

// Wine 8 never reports a high-contrast theme and cannot be switched to
// one: the test plays the switch on, and lets Windows' "off" reach the
// program through the message that any change of the theme sends.
TEST_F(Win32Backend, AHighContrastThemeDrawsTheGaugeInTheThemesColoursUntilItIsSwitchedOff) {
  sim.power.setCharging(50);
  main().updateBatteryStatus();
  HWND gauge = childOfClass(mainWindow(), PROGRESS_CLASSW);
  ASSERT_NE(gauge, nullptr);
  auto bar = [&] { return static_cast<COLORREF>(SendMessageW(gauge, PBM_GETBARCOLOR, 0, 0)); };
  auto background = [&] { return static_cast<COLORREF>(SendMessageW(gauge, PBM_GETBKCOLOR, 0, 0)); };
  EXPECT_EQ(bar(), RGB(20, 170, 0));
  EXPECT_EQ(background(), RGB(111, 111, 111));
  app.systemColorsChanged(true);
  EXPECT_EQ(bar(), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(background(), GetSysColor(COLOR_BTNFACE));
  SendMessageW(app.serviceWindow(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  EXPECT_EQ(bar(), RGB(20, 170, 0));
  EXPECT_EQ(background(), RGB(111, 111, 111));
}

TEST(ShellCom, TheFirstShellCallStartsComOnItsThreadAndTheShellsEndEndsIt) {
  {
    sys::win32::Win32Shell shell;
    EXPECT_LE(shell.execute(0, u"", u"C:\\no such folder\\kestrane.nothing", u"", u"", SW_SHOWNORMAL), 32);
    HRESULT again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(again, S_FALSE) << "already started in a single-threaded apartment";
    if (SUCCEEDED(again)) CoUninitialize();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
  }
  HRESULT afterwards = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  EXPECT_EQ(afterwards, S_OK) << "ended with the shell service";
  if (SUCCEEDED(afterwards)) CoUninitialize();
}

// The names by which the command line shows and takes accounts: the
// process's own account by its name, found again by that name with or
// without its domain, and the desktop session's user, who on a test
// machine is that same account (or nobody, in a service's session).
TEST(Accounts, TheProcesssAccountIsNamedFoundAgainByItsNameAndIsTheDesktopsUser) {
  sys::win32::Win32Account account;
  const Text own = account.userSid();
  ASSERT_FALSE(own.empty());
  const Text name = account.accountName(own);
  const size_t separator = name.find(u'\\');
  ASSERT_NE(separator, Text::npos) << "DOMAIN\\name: " << toUtf8(name);
  EXPECT_EQ(account.sidOfAccount(name), own) << toUtf8(name);
  EXPECT_EQ(account.sidOfAccount(name.substr(separator + 1)), own) << "the name alone";
  EXPECT_TRUE(account.sidOfAccount(u"no such account here").empty());
  EXPECT_TRUE(account.accountName(u"S-1-5-21-1-2-3-4242").empty()) << "a SID no account has";
  const Text desktop = account.desktopUserSid();
  EXPECT_TRUE(desktop.empty() || desktop == own) << toUtf8(desktop) << " against " << toUtf8(own);
}

// The executable's main icon, read from the program built beside this test.
TEST(MainIcon, HoldsEverySizeWindowsAsksFor) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring program(self);
  program = program.substr(0, program.find_last_of(L"\\/") + 1) + L"kestrane.exe";
  HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr) << "kestrane.exe beside the test";
  HRSRC group = FindResourceW(module, MAKEINTRESOURCEW(KST_MAIN_ICON), RT_GROUP_ICON);
  ASSERT_NE(group, nullptr);
  auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
  const int count = directory[4] | directory[5] << 8;
  std::vector<int> sizes;
  for (int i = 0; i < count; ++i) {
    int width = directory[6 + 14 * i];
    sizes.push_back(width == 0 ? 256 : width);
  }
  FreeLibrary(module);
  EXPECT_EQ(sizes, (std::vector<int>{16, 20, 24, 32, 48, 256}));
}

}  // namespace
}  // namespace kst::test

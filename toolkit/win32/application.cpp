#include "toolkit/win32/application.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "system/win32/wide.h"
#include "system/win32/windows_error.h"
#include "toolkit/components.h"
#include "toolkit/form.h"
#include "toolkit/win32/control_peer.h"
#include "toolkit/win32/dpi.h"
#include "toolkit/win32/form_peer.h"
#include "toolkit/win32/timer_peer.h"
#include "toolkit/win32/tray_peer.h"

namespace kst::tk::win32 {
namespace {

using sys::win32::wide;

const wchar_t kServiceClass[] = L"Kestrane.Service";

bool highContrastOn() {
  HIGHCONTRASTW scheme{};
  scheme.cbSize = sizeof scheme;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof scheme, &scheme, 0) &&
         (scheme.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

// Dialog boxes show focus rectangles and access-key underlines once the
// keyboard is used, Windows hiding them until then by default; Kestrane's
// windows handle their keys themselves and say so to Windows as a dialog
// box would: Tab and the arrows show where the focus is, Alt shows both.
void showKeyboardCues(const MSG& message, HWND form) {
  WORD cues = 0;
  if (message.message == WM_SYSKEYDOWN) {
    cues = UISF_HIDEACCEL | UISF_HIDEFOCUS;
  } else if (message.message == WM_KEYDOWN &&
             (message.wParam == VK_TAB || (message.wParam >= VK_LEFT && message.wParam <= VK_DOWN))) {
    cues = UISF_HIDEFOCUS;
  }
  if (cues != 0) SendMessageW(form, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, cues), 0);
}

}  // namespace

Win32Application::Win32Application(HINSTANCE instance, int mainIconResource)
    : instance_(instance), mainIconResource_(mainIconResource) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS |
                                                     ICC_UPDOWN_CLASS | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  setHighContrast(highContrastOn());
  registerFormClass(instance, kServiceClass, serviceProc);
  taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
  // A hidden top-level window, not a message-only one: only top-level
  // windows hear the shell's "TaskbarCreated" broadcast.
  serviceWindow_.reset(CreateWindowExW(WS_EX_TOOLWINDOW, kServiceClass, L"Kestrane", WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, instance, this));
  if (!serviceWindow_) sys::win32::raiseLastError(u"The program's hidden window could not be made");
  // Restarted with administrator rights, the program runs at high
  // integrity, where Windows drops the messages that Explorer sends it
  // unless the window lets them in.
  for (UINT fromTheShell : {taskbarCreated_, kTrayCallback}) {
    if (fromTheShell != 0) ChangeWindowMessageFilterEx(serviceWindow_.get(), fromTheShell, MSGFLT_ALLOW, nullptr);
  }
}

Win32Application::~Win32Application() = default;

LRESULT CALLBACK Win32Application::serviceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* app = reinterpret_cast<Win32Application*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (app == nullptr || !app->serviceWindow_) return DefWindowProcW(window, message, wParam, lParam);
  return app->handleServiceMessage(message, wParam, lParam);
}

LRESULT Win32Application::handleServiceMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) {
    auto timer = timers_.find(wParam);
    if (timer != timers_.end()) guarded([&] { timer->second->fire(); });
    return 0;
  }
  if (message == kTrayCallback && trayPeer_ != nullptr) {
    if (std::optional<TrayEvent> event = trayEventOf(LOWORD(lParam))) {
      // Version 4 gives the position: the cursor's for the mouse, the
      // icon's for the keyboard.
      POINT at{GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)};
      if (!trayPeer_->version4()) GetCursorPos(&at);
      guarded([&] { trayPeer_->icon().shellEvent(*event, at.x, at.y); });
    }
    return 0;
  }
  if (message == kTrayRefresh && trayPeer_ != nullptr) {
    trayPeer_->refresh();
    return 0;
  }
  if (message == taskbarCreated_ && taskbarCreated_ != 0 && trayPeer_ != nullptr) {
    trayPeer_->icon().shellRestarted();
    return 0;
  }
  // Both reach every top-level window, this one among them: the system's
  // colours changed, or some setting did, high contrast among them perhaps.
  if (message == WM_SYSCOLORCHANGE || (message == WM_SETTINGCHANGE && highContrastOn() != highContrast())) {
    guarded([&] { systemColorsChanged(highContrastOn()); });
  }
  // Windows 10 and 11 say so when the user switches between light and dark mode.
  if (message == WM_SETTINGCHANGE && lParam != 0 &&
      std::wstring_view(reinterpret_cast<const wchar_t*>(lParam)) == L"ImmersiveColorSet") {
    guarded([&] { themeChanged(); });
  }
  return DefWindowProcW(serviceWindow_.get(), message, wParam, lParam);
}

UINT_PTR Win32Application::addTimer(Timer& timer) {
  UINT_PTR id = nextTimerId_++;
  timers_[id] = &timer;
  return id;
}

void Win32Application::removeTimer(UINT_PTR id) { timers_.erase(id); }

void Win32Application::run() {
  if (Form* main = mainForm()) guarded([&] { main->show(); });
  if (afterFirstShowing) guarded(afterFirstShowing);
  MSG message;
  while (!terminated() && GetMessageW(&message, nullptr, 0, 0) > 0) pump(message);
}

void Win32Application::terminate() {
  Application::terminate();
  PostMessageW(serviceWindow_.get(), WM_NULL, 0, 0);
}

void Win32Application::endSession() {
  terminate();
  // The icon leaves the notification area and the windows go now, before
  // Windows ends the process: no ghost icon stays behind.
  if (trayPeer_ != nullptr) trayPeer_->icon().setVisible(false);
  for (auto form = forms().rbegin(); form != forms().rend(); ++form) {
    if (auto* peer = static_cast<FormPeer*>((*form)->peer())) peer->destroyWindow();
  }
}

void Win32Application::pump(MSG& message) {
  if (handleKey(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

bool Win32Application::handleKey(MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  FormPeer* peer = formPeerOf(GetAncestor(message.hwnd, GA_ROOT));
  if (peer == nullptr) return false;
  showKeyboardCues(message, peer->window());
  if (message.message != WM_KEYDOWN && message.message != WM_CHAR && message.message != WM_SYSCHAR) return false;
  Form& form = peer->form();
  bool handled = false;
  guarded([&] {
    if (message.message == WM_KEYDOWN) {
      int key = static_cast<int>(message.wParam);
      if (key == key::kTab || key == key::kReturn || key == key::kEscape) {
        handled = form.keyDown(key, GetKeyState(VK_SHIFT) < 0);
      }
    } else if (message.message == WM_SYSCHAR) {
      handled = form.accelerator(static_cast<char16_t>(message.wParam));
    } else {
      auto ch = static_cast<char16_t>(message.wParam);
      if (!form.previewChar(ch)) {
        handled = true;
        return;
      }
      auto* edit = dynamic_cast<Edit*>(form.activeControl());
      if (edit != nullptr && edit->onKeyPress) edit->onKeyPress(ch);
      if (ch == 0) handled = true;
      message.wParam = ch;
    }
  });
  return handled;
}

AccessibleNames& Win32Application::accessibleNames() {
  if (!com_) com_ = std::make_unique<sys::win32::ComApartment>();
  if (!accessibleNames_) accessibleNames_ = std::make_unique<AccessibleNames>();
  return *accessibleNames_;
}

HWND Win32Application::activeWindow() const {
  HWND active = GetActiveWindow();
  if (formPeerOf(active) != nullptr) return active;
  Form* main = mainForm();
  return main != nullptr && main->displayed() ? reinterpret_cast<HWND>(main->nativeHandle) : nullptr;
}

ModalResult Win32Application::showMessageDialog(const Text& text, DialogButtons buttons) {
  UINT type = MB_DEFBUTTON1 | MB_SETFOREGROUND;
  type |= buttons == DialogButtons::Ok ? MB_OK : buttons == DialogButtons::YesNo ? MB_YESNO : MB_YESNOCANCEL;
  switch (MessageBoxW(activeWindow(), wide(text), wide(title()), type)) {
    case IDYES: return ModalResult::Yes;
    case IDNO: return ModalResult::No;
    case IDCANCEL: return ModalResult::Cancel;
    default: return ModalResult::Ok;
  }
}

// The reason belongs to the main window, the one that Windows' shut-down
// screen lists for the program.
void Win32Application::setShutdownBlockReason(const Text& reason) {
  Form* main = mainForm();
  HWND window = main != nullptr ? reinterpret_cast<HWND>(main->nativeHandle) : nullptr;
  if (window == nullptr) return;
  if (reason.empty()) {
    ShutdownBlockReasonDestroy(window);
  } else {
    ShutdownBlockReasonCreate(window, wide(reason));
  }
}

void Win32Application::runModalLoop(Form& form) {
  std::vector<HWND> disabled;
  for (Form* other : forms()) {
    HWND window = reinterpret_cast<HWND>(other->nativeHandle);
    if (other != &form && window != nullptr && IsWindowEnabled(window)) {
      EnableWindow(window, FALSE);
      disabled.push_back(window);
    }
  }
  MSG message;
  while (form.modalResult() == ModalResult::None && !terminated()) {
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
      terminate();
      break;
    }
    pump(message);
  }
  // The owner is enabled again before the dialog hides, so that Windows
  // hands the activation back to it.
  for (HWND window : disabled) EnableWindow(window, TRUE);
}

Screen Win32Application::screen() {
  Screen screen;
  screen.width = GetSystemMetrics(SM_CXSCREEN);
  screen.height = GetSystemMetrics(SM_CYSCREEN);
  RECT area;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  screen.workArea = {area.left, area.top, area.right - area.left, area.bottom - area.top};
  screen.pixelsPerInch = systemDpi();
  return screen;
}

FrameSize Win32Application::frameSize(const Form& form) {
  RECT r = outerRectForDpi({0, 0, 0, 0}, formStyle(form), formExStyle(form), form.pixelsPerInch());
  return {r.right - r.left, r.bottom - r.top};
}

int Win32Application::smallIconSize(int pixelsPerInch) { return systemMetricForDpi(SM_CXSMICON, pixelsPerInch); }

int Win32Application::windowPixelsPerInch(const Form& form) {
  return dpiOfWindow(reinterpret_cast<HWND>(form.nativeHandle));
}

int Win32Application::notificationAreaPixelsPerInch() { return notificationAreaDpi(); }

// Measured on the screen, where the text is drawn: a memory device context
// of its own is monochrome, and Wine lays text out there with other glyph
// widths than on the screen.
TextExtent Win32Application::textExtent(const Font& font, const Text& text, int pixelsPerInch) {
  sys::win32::ScreenDC screen;
  HDC dc = screen.get();
  RECT r{0, 0, 0, 0};
  {
    const sys::win32::SelectedObject selected(dc, this->font(font, pixelsPerInch));
    DrawTextW(dc, wide(text), -1, &r, DT_CALCRECT | DT_SINGLELINE);
  }
  // Wine's static control draws a line about 2 % wider than DrawText
  // measures it, and cuts off its last characters; the room added keeps
  // them on screen, and on Windows it is only a little empty space.
  int width = r.right - r.left;
  return {width == 0 ? 0 : width + width / 32 + 2, r.bottom - r.top};
}

bool Win32Application::minimized() {
  Form* main = mainForm();
  return main != nullptr && IsIconic(reinterpret_cast<HWND>(main->nativeHandle));
}

void Win32Application::restore() {
  if (Form* main = mainForm()) {
    ShowWindow(reinterpret_cast<HWND>(main->nativeHandle), SW_RESTORE);
    main->windowStateChanged(WindowState::Normal);
  }
}

void Win32Application::setHintHidePause(int milliseconds) {
  Application::setHintHidePause(milliseconds);
  for (Form* form : forms()) {
    if (auto* peer = static_cast<FormPeer*>(form->peer())) peer->setHintPause(milliseconds);
  }
}

void Win32Application::attach(Form& form) {
  auto peer = std::make_unique<FormPeer>(*this, form);
  FormPeer& created = *peer;
  form.attachPeer(std::move(peer));
  for (Control* control : form.controls()) attach(*control);
  created.finishCreation();
}

void Win32Application::attach(Control& control) {
  auto* form = static_cast<FormPeer*>(control.form().peer());
  if (form == nullptr) return;
  if (dynamic_cast<Bevel*>(&control) != nullptr) {
    control.attachPeer(std::make_unique<BevelPeer>(form->window()));
  } else {
    control.attachPeer(std::make_unique<ControlPeer>(*this, *form, control));
  }
}

void Win32Application::attach(Timer& timer) { timer.attachPeer(std::make_unique<TimerPeer>(*this, timer)); }

void Win32Application::attach(TrayIcon& icon) {
  auto peer = std::make_unique<TrayPeer>(*this, icon);
  TrayPeer& area = *peer;
  icon.attach(std::move(peer), area);
}

void Win32Application::popup(PopupMenu& menu, int x, int y) {
  sys::win32::UniqueMenu popup(CreatePopupMenu());
  if (!popup) sys::win32::raiseLastError(u"The menu could not be made");
  UINT id = 1;
  for (const MenuItem& item : menu.items()) {
    if (item.caption == u"-") {
      AppendMenuW(popup.get(), MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuW(popup.get(), MF_STRING, id, wide(item.caption));
    }
    ++id;
  }
  // The menu closes on a click elsewhere only when its window is in front.
  SetForegroundWindow(serviceWindow_.get());
  UINT chosen = static_cast<UINT>(TrackPopupMenu(popup.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0,
                                                 serviceWindow_.get(), nullptr));
  PostMessageW(serviceWindow_.get(), WM_NULL, 0, 0);
  if (chosen >= 1 && chosen <= menu.items().size()) {
    menu.click(menu.items()[chosen - 1].name);
  } else if (trayPeer_ != nullptr && GetForegroundWindow() == serviceWindow_.get()) {
    // The program's one menu is the notification-area icon's. Cancelled
    // with Esc, it hands the keyboard focus back to the notification area,
    // where a keyboard user reached the icon; a click on another window
    // has given that window the focus, and it keeps it.
    trayPeer_->returnFocus();
  }
}

HFONT Win32Application::font(const Font& font, int pixelsPerInch) {
  auto key = std::make_tuple(font.name, font.points, font.bold, font.underline, pixelsPerInch);
  auto& cached = fonts_[key];
  if (!cached) {
    LOGFONTW description{};
    description.lfHeight = -MulDiv(font.points, pixelsPerInch, 72);
    description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    description.lfUnderline = font.underline;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfQuality = CLEARTYPE_QUALITY;
    Text name = font.name.substr(0, LF_FACESIZE - 1);
    std::copy(name.begin(), name.end(), reinterpret_cast<char16_t*>(description.lfFaceName));
    cached.reset(CreateFontIndirectW(&description));
    if (!cached) sys::win32::raiseLastError(u"The font " + font.name + u" could not be made");
  }
  return cached.get();
}

// Shared icons: Windows keeps one of each size for the process, and frees them itself.
HICON Win32Application::smallMainIcon(int pixelsPerInch) {
  return static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(mainIconResource_), IMAGE_ICON,
                                       systemMetricForDpi(SM_CXSMICON, pixelsPerInch),
                                       systemMetricForDpi(SM_CYSMICON, pixelsPerInch), LR_SHARED));
}

HICON Win32Application::largeMainIcon(int pixelsPerInch) {
  return static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(mainIconResource_), IMAGE_ICON,
                                       systemMetricForDpi(SM_CXICON, pixelsPerInch),
                                       systemMetricForDpi(SM_CYICON, pixelsPerInch), LR_SHARED));
}

}  // namespace kst::tk::win32

#include "toolkit/win32/form_peer.h"

#include <commctrl.h>

#include <algorithm>

#include "system/win32/wide.h"
#include "system/win32/windows_error.h"
#include "toolkit/win32/application.h"
#include "toolkit/win32/control_peer.h"
#include "toolkit/win32/dpi.h"
#include "toolkit/win32/icons.h"

namespace kst::tk::win32 {
namespace {

using sys::win32::wide;

// Marks the program's own top-level windows. A window that a hook or an
// input method creates in this process may have any class name and any
// user data; only ours carry this property.
const wchar_t kFormProperty[] = L"Kestrane.Form";

BOOL CALLBACK forwardSysColorChange(HWND child, LPARAM) {
  SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
  return TRUE;
}

void paintBevels(HWND window, const Form& form) {
  const sys::win32::PaintSession paint(window);
  HDC dc = paint.dc();
  for (Control* control : form.controls()) {
    auto* bevel = dynamic_cast<Bevel*>(control);
    if (bevel == nullptr || !bevel->visible()) continue;
    const Rect& b = bevel->bounds();
    RECT r{b.left, b.top, b.left + b.width, b.top + b.height};
    DrawEdge(dc, &r, bevel->sunken ? EDGE_SUNKEN : EDGE_ETCHED, BF_RECT);
  }
}

}  // namespace

DWORD formStyle(const Form& form) {
  DWORD style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
  if (form.hasSystemMenu) style |= WS_SYSMENU;
  if (form.hasMinimizeBox) style |= WS_MINIMIZEBOX;
  return style;
}

// Dialogs keep the fixed single border of their layouts.
DWORD formExStyle(const Form& form) { return form.ownsTaskbarButton ? WS_EX_APPWINDOW : 0; }

void registerFormClass(HINSTANCE instance, const std::wstring& name, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, name.c_str(), &existing)) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = name.c_str();
  if (RegisterClassExW(&windowClass) == 0) sys::win32::raiseLastError(u"The window class could not be made");
}

FormPeer* formPeerOf(HWND window) {
  if (window == nullptr) return nullptr;
  return static_cast<FormPeer*>(GetPropW(window, kFormProperty));
}

FormPeer::FormPeer(Win32Application& app, Form& form) : app_(app), form_(form) {
  std::wstring className(form.className().begin(), form.className().end());
  registerFormClass(app.instance(), className, windowProc);
  HWND owner = nullptr;
  if (!form.ownsTaskbarButton && app.mainForm() != nullptr && app.mainForm() != &form) {
    owner = reinterpret_cast<HWND>(app.mainForm()->nativeHandle);
  }
  window_.reset(CreateWindowExW(formExStyle(form), className.c_str(), wide(form.caption()), formStyle(form),
                                form.left(), form.top(), 100, 100, owner, nullptr, app.instance(), this));
  if (!window_) sys::win32::raiseLastError(u"The window " + fromUtf8(form.className()) + u" could not be made");
  form_.nativeHandle = reinterpret_cast<uintptr_t>(window_.get());
  applyFont();
  applyBounds();
}

FormPeer::~FormPeer() {
  if (window_) {
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    RemovePropW(window_.get(), kFormProperty);
  }
  form_.nativeHandle = 0;
}

void FormPeer::setHintPause(int milliseconds) {
  if (tooltips_) SendMessageW(tooltips_.get(), TTM_SETDELAYTIME, TTDT_AUTOPOP, milliseconds);
}

// The hint window is made when the mouse first comes over the form: many a
// window is never pointed at, and making one costs time at every start.
void FormPeer::makeHints() {
  if (tooltips_) return;
  tooltips_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_.get(), nullptr,
                                  app_.instance(), nullptr));
  if (!tooltips_) sys::win32::raiseLastError(u"The window of the hints could not be made");
  setHintPause(app_.hintHidePause());
  for (Control* control : form_.controls()) {
    if (ControlPeer* peer = controlPeerOf(peerWindow(control))) peer->changed(Property::Hint);
  }
}

void FormPeer::destroyWindow() {
  if (!window_) return;
  for (Control* control : form_.controls()) control->attachPeer(nullptr);
  tooltips_.reset();
  RemovePropW(window_.get(), kFormProperty);
  window_.reset();
  form_.nativeHandle = 0;
}

void FormPeer::changed(Property property) {
  switch (property) {
    case Property::Text: SetWindowTextW(window_.get(), wide(form_.caption())); break;
    case Property::Font: applyFont(); break;
    case Property::Bounds: applyBounds(); break;
    case Property::Icon:
      iconStale_ = true;
      if (IsWindowVisible(window_.get())) applyIcon();
      break;
    case Property::Visible: applyVisibility(); break;
    case Property::Focus: focusRequested(); break;
    default: break;
  }
}

void FormPeer::applyFont() {
  SendMessageW(window_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(app_.font(form_.font, form_.pixelsPerInch())),
               FALSE);
}

void FormPeer::applyBounds() {
  const FrameSize frame = app_.frameSize(form_);
  SetWindowPos(window_.get(), nullptr, form_.left(), form_.top(), form_.clientWidth() + frame.width,
               form_.clientHeight() + frame.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormPeer::applyIcon() {
  HICON small = nullptr, large = nullptr;
  const int dpi = form_.pixelsPerInch();
  if (const Bitmap& picture = form_.icon(); !picture.empty()) {
    small = smallIcons_.iconOf(picture);
    // The task bar's large icon shows its picture pixel for pixel, enlarged
    // by a whole factor, rather than stretched and blurred by Windows.
    const Bitmap& taskbar = form_.taskbarIcon();
    large = largeIcons_.iconOf(taskbar.enlarged(std::max(1, systemMetricForDpi(SM_CXICON, dpi) / taskbar.width())));
  }
  if (small == nullptr || large == nullptr) {
    small = app_.smallMainIcon(dpi);
    large = app_.largeMainIcon(dpi);
  }
  SendMessageW(window_.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  SendMessageW(window_.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
  iconStale_ = false;
}

void FormPeer::applyVisibility() {
  HWND window = window_.get();
  if (!form_.visible()) {
    ShowWindow(window, SW_HIDE);
    return;
  }
  if (!form_.displayed()) return;
  if (iconStale_) applyIcon();
  // As for a dialog box: focus rectangles and access-key underlines are
  // hidden until the keyboard is used, where the user leaves them so.
  if (!keyboardCuesInitialised_) {
    SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
    keyboardCuesInitialised_ = true;
  }
  if (form_.windowState() == WindowState::Minimized) {
    ShowWindow(window, SW_MINIMIZE);
  } else if (IsIconic(window)) {
    ShowWindow(window, SW_RESTORE);
  } else {
    ShowWindow(window, shownBefore_ ? SW_SHOW : SW_SHOWNORMAL);
    // Windows applies the show command of a shortcut set to run minimised
    // or maximised to a program's first showing; the window ends normal all
    // the same.
    if (!shownBefore_ && (IsIconic(window) || IsZoomed(window))) ShowWindow(window, SW_RESTORE);
    shownBefore_ = true;
  }
}

void FormPeer::focusRequested() {
  if (!form_.displayed() || !IsWindowVisible(window_.get())) return;
  if (GetForegroundWindow() != window_.get()) BringWindowToTop(window_.get());
  HWND target = peerWindow(form_.focusRequest());
  if (target != nullptr) SetFocus(target);
}

LRESULT CALLBACK FormPeer::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    SetPropW(window, kFormProperty, create->lpCreateParams);
    enableNonClientDpiScaling(window);
  }
  auto* peer = reinterpret_cast<FormPeer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (peer == nullptr || !peer->window_) return DefWindowProcW(window, message, wParam, lParam);
  return peer->handle(message, wParam, lParam);
}

LRESULT FormPeer::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = window_.get();
  // A message whose handler raised an error counts as handled: the error
  // was shown, and the default handling must not act on it instead.
  std::optional<LRESULT> result = 0;
  app_.guarded([&] { result = dispatch(message, wParam, lParam); });
  return result ? *result : DefWindowProcW(window, message, wParam, lParam);
}

std::optional<LRESULT> FormPeer::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: return onCommand(wParam, reinterpret_cast<HWND>(lParam));
    case WM_NOTIFY: return onNotify(*reinterpret_cast<NMHDR*>(lParam), lParam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT: return onControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM: return onDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    case WM_ACTIVATE: return onActivate(LOWORD(wParam) != WA_INACTIVE);
    case WM_SETFOCUS: return onSetFocus();
    case WM_SETCURSOR: return onSetCursor();
    case WM_PAINT: return onPaint();
    case WM_CLOSE: return onClose();
    case WM_QUERYENDSESSION: return onQueryEndSession();
    case WM_ENDSESSION: return onEndSession(wParam != FALSE);
    case WM_SIZE: return onSize(wParam);
    case WM_SYSCOLORCHANGE: return onSysColorChange();
    case WM_MOVE: return onMove();
    case WM_DPICHANGED: return onDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    default: return std::nullopt;
  }
}

std::optional<LRESULT> FormPeer::onCommand(WPARAM wParam, HWND controlWindow) {
  ControlPeer* peer = controlWindow != nullptr ? controlPeerOf(controlWindow) : nullptr;
  if (peer == nullptr) return 0;
  Control& control = peer->control();
  WORD code = HIWORD(wParam);
  if (code == BN_CLICKED && (dynamic_cast<Button*>(&control) || dynamic_cast<RadioButton*>(&control))) {
    control.click();
  } else if (code == STN_CLICKED && dynamic_cast<Label*>(&control)) {
    control.click();
  } else if (code == EN_CHANGE) {
    peer->textEdited();
  }
  return 0;
}

std::optional<LRESULT> FormPeer::onNotify(const NMHDR& header, LPARAM lParam) {
  if (header.code != UDN_DELTAPOS) return std::nullopt;
  ControlPeer* peer = controlPeerOf(header.hwndFrom);
  if (auto* spin = peer ? dynamic_cast<SpinEdit*>(&peer->control()) : nullptr) {
    spin->step(reinterpret_cast<NMUPDOWN*>(lParam)->iDelta > 0 ? 1 : -1);
  }
  return TRUE;
}

std::optional<LRESULT> FormPeer::onControlColor(HDC dc, HWND controlWindow) {
  ControlPeer* peer = controlPeerOf(controlWindow);
  if (peer == nullptr) return std::nullopt;
  const bool edit = dynamic_cast<Edit*>(&peer->control()) != nullptr;
  return reinterpret_cast<LRESULT>(edit ? peer->colorEdit(dc) : peer->colorStatic(dc));
}

std::optional<LRESULT> FormPeer::onDrawItem(const DRAWITEMSTRUCT& item) {
  if (ControlPeer* peer = controlPeerOf(item.hwndItem)) peer->drawItem(item);
  return TRUE;
}

std::optional<LRESULT> FormPeer::onActivate(bool active) {
  if (active) {
    if (HWND target = peerWindow(form_.activeControl())) SetFocus(target);
    form_.activated();
  }
  return 0;
}

std::optional<LRESULT> FormPeer::onSetFocus() {
  if (HWND target = peerWindow(form_.activeControl())) SetFocus(target);
  return 0;
}

std::optional<LRESULT> FormPeer::onSetCursor() {
  makeHints();
  return std::nullopt;
}

std::optional<LRESULT> FormPeer::onPaint() {
  paintBevels(window_.get(), form_);
  return 0;
}

std::optional<LRESULT> FormPeer::onClose() {
  form_.close();
  return 0;
}

std::optional<LRESULT> FormPeer::onQueryEndSession() { return app_.queryEndSession(form_) ? TRUE : FALSE; }

std::optional<LRESULT> FormPeer::onEndSession(bool ending) {
  if (ending) app_.endSession();
  return 0;
}

// Common controls hear of new system colours only from their parent.
std::optional<LRESULT> FormPeer::onSysColorChange() {
  EnumChildWindows(window_.get(), forwardSysColorChange, 0);
  return std::nullopt;
}

std::optional<LRESULT> FormPeer::onSize(WPARAM kind) {
  if (kind == SIZE_MINIMIZED) form_.windowStateChanged(WindowState::Minimized);
  if (kind == SIZE_RESTORED) form_.windowStateChanged(WindowState::Normal);
  return std::nullopt;
}

// The window came onto a monitor of other pixels per inch: Windows
// suggests where it goes, and the form lays itself out anew for that
// monitor and takes its frame size from there.
std::optional<LRESULT> FormPeer::onDpiChanged(int dpi, const RECT& suggested) {
  form_.dpiChanged(dpi, suggested.left, suggested.top);
  return 0;
}

std::optional<LRESULT> FormPeer::onMove() {
  RECT r;
  GetWindowRect(window_.get(), &r);
  if (!IsIconic(window_.get())) form_.positionChanged(r.left, r.top);
  return std::nullopt;
}

}  // namespace kst::tk::win32

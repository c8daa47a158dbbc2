#include "toolkit/win32/control_peer.h"

#include <commctrl.h>
#include <vssym32.h>

#include <algorithm>
#include <string>

#include "system/win32/wide.h"
#include "system/win32/windows_error.h"
#include "toolkit/form.h"
#include "toolkit/win32/accessible.h"
#include "toolkit/win32/application.h"
#include "toolkit/win32/form_peer.h"
#include "toolkit/win32/icons.h"
#include "toolkit/win32/theme.h"

namespace kst::tk::win32 {
namespace {

using sys::win32::fromWide;
using sys::win32::wide;

Text windowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(window, text.data(), length + 1);
  return fromWide(text.data(), static_cast<size_t>(std::max(copied, 0)));
}

}  // namespace

COLORREF ControlPeer::colorOf(Color color) const { return resolve(app_.drawn(color)); }

ControlPeer* controlPeerOf(HWND window) {
  return reinterpret_cast<ControlPeer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HWND peerWindow(Control* control) {
  if (control == nullptr || control->peer() == nullptr || dynamic_cast<Bevel*>(control)) return nullptr;
  return static_cast<ControlPeer*>(control->peer())->window();
}

ControlPeer::ControlPeer(Win32Application& app, FormPeer& form, Control& control)
    : app_(app), form_(form), control_(control) {
  create();
}

ControlPeer::~ControlPeer() {
  if (!window_) return;
  if (named_) app_.accessibleNames().clear(window_.get());
  RemoveWindowSubclass(window_.get(), subclassProc, 1);
}

// The native control a control of the toolkit is made as.
ControlPeer::NativeKind ControlPeer::nativeKind() const {
  NativeKind kind{L"STATIC", WS_CHILD | WS_CLIPSIBLINGS, 0};
  if (auto* label = dynamic_cast<Label*>(&control_)) {
    kind.style |= SS_NOTIFY | (label->rightAligned ? SS_RIGHT : SS_LEFTNOWORDWRAP);
  } else if (auto* button = dynamic_cast<Button*>(&control_)) {
    kind.windowClass = L"BUTTON";
    kind.style |= WS_TABSTOP | (button->ownerDrawnCaption ? BS_OWNERDRAW
                                : button->isDefault       ? BS_DEFPUSHBUTTON
                                                          : BS_PUSHBUTTON);
  } else if (dynamic_cast<CheckBox*>(&control_) != nullptr) {
    // Not an automatic check box: the state changes by program alone.
    kind.windowClass = L"BUTTON";
    kind.style |= BS_CHECKBOX;
  } else if (dynamic_cast<RadioButton*>(&control_) != nullptr) {
    kind.windowClass = L"BUTTON";
    kind.style |= BS_RADIOBUTTON | WS_TABSTOP;
  } else if (auto* edit = dynamic_cast<Edit*>(&control_)) {
    kind.windowClass = L"EDIT";
    kind.style |= ES_AUTOHSCROLL | WS_TABSTOP | (edit->centered ? ES_CENTER : ES_LEFT);
    kind.exStyle = WS_EX_CLIENTEDGE;
  } else if (dynamic_cast<Gauge*>(&control_) != nullptr) {
    kind.windowClass = PROGRESS_CLASSW;
    kind.style |= PBS_SMOOTH;
  } else if (dynamic_cast<Picture*>(&control_) != nullptr) {
    kind.style |= SS_OWNERDRAW;
  }
  if (control_.visible()) kind.style |= WS_VISIBLE;
  if (!control_.enabled()) kind.style |= WS_DISABLED;
  return kind;
}

void ControlPeer::create() {
  const NativeKind kind = nativeKind();
  const Rect& r = control_.bounds();
  // A child window's menu handle is its identifier.
  auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_.id));
  window_.reset(CreateWindowExW(kind.exStyle, kind.windowClass, wide(control_.text()), kind.style, r.left, r.top,
                                r.width, r.height, form_.window(), id, app_.instance(), nullptr));
  if (!window_) sys::win32::raiseLastError(u"The control " + fromUtf8(control_.name()) + u" could not be made");
  HWND window = window_.get();
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowSubclass(window, subclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
  if (auto* spin = dynamic_cast<SpinEdit*>(&control_)) attachUpDown(*spin);
  if (auto* gauge = dynamic_cast<Gauge*>(&control_)) {
    // Visual styles ignore a progress bar's colours; without a style it keeps them.
    switchThemeOff(window);
    SendMessageW(window, PBM_SETRANGE32, gauge->minValue, gauge->maxValue);
  }
  // A control made at run time comes in front of those made before it;
  // the form's own controls never overlap and keep the order of creation.
  if (form_.created()) SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  applyFont();
  changed(Property::Checked);
  changed(Property::Progress);
  applyColors();
  applyHint();
}

// The arrows beside a spin edit's field, which they step.
void ControlPeer::attachUpDown(const SpinEdit& spin) {
  upDown_.reset(CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
                                WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0, 0, 0,
                                form_.window(), nullptr, app_.instance(), nullptr));
  if (!upDown_) sys::win32::raiseLastError(u"The arrows of " + fromUtf8(spin.name()) + u" could not be made");
  SetWindowLongPtrW(upDown_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SendMessageW(upDown_.get(), UDM_SETRANGE32, spin.minValue, spin.maxValue);
  SendMessageW(upDown_.get(), UDM_SETBUDDY, reinterpret_cast<WPARAM>(window_.get()), 0);
  // An arrow held down steps by 1 all the time: Windows would go on in
  // steps of 5 and then 20, past the threshold the user is looking for.
  UDACCEL steadySteps{0, 1};
  SendMessageW(upDown_.get(), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&steadySteps));
}

void ControlPeer::changed(Property property) {
  HWND window = window_.get();
  switch (property) {
    case Property::Text:
      settingText_ = true;
      SetWindowTextW(window, wide(control_.text()));
      settingText_ = false;
      InvalidateRect(window, nullptr, TRUE);
      break;
    case Property::Bounds: applyBounds(); break;
    case Property::Visible:
      ShowWindow(window, control_.visible() ? SW_SHOWNA : SW_HIDE);
      if (upDown_) ShowWindow(upDown_.get(), control_.visible() ? SW_SHOWNA : SW_HIDE);
      break;
    case Property::Enabled:
      EnableWindow(window, control_.enabled());
      if (upDown_) EnableWindow(upDown_.get(), control_.enabled());
      break;
    case Property::Font: applyFont(); break;
    case Property::Checked:
      if (auto* button = dynamic_cast<CheckableButton*>(&control_)) {
        SendMessageW(window, BM_SETCHECK, button->checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      break;
    case Property::Progress:
      if (auto* gauge = dynamic_cast<Gauge*>(&control_)) SendMessageW(window, PBM_SETPOS, gauge->progress(), 0);
      break;
    case Property::Colors:
      // The same colour may now be drawn in another: resolved anew, which
      // redraws the control.
      color_ = CLR_INVALID;
      applyFont();
      applyColors();
      break;
    case Property::Picture: InvalidateRect(window, nullptr, FALSE); break;
    case Property::Hint: applyHint(); break;
    default: break;
  }
}

void ControlPeer::applyBounds() {
  const Rect& r = control_.bounds();
  MoveWindow(window_.get(), r.left, r.top, r.width, r.height, TRUE);
  if (upDown_) SendMessageW(upDown_.get(), UDM_SETBUDDY, reinterpret_cast<WPARAM>(window_.get()), 0);
}

void ControlPeer::applyFont() {
  HWND window = window_.get();
  HFONT font = app_.font(control_.font(), control_.form().pixelsPerInch());
  COLORREF color = colorOf(control_.font().color);
  if (font == font_ && color == color_) return;
  if (font != font_) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  font_ = font;
  color_ = color;
  InvalidateRect(window, nullptr, TRUE);
}

void ControlPeer::applyColors() {
  if (auto* gauge = dynamic_cast<Gauge*>(&control_)) {
    SendMessageW(window_.get(), PBM_SETBARCOLOR, 0, static_cast<LPARAM>(colorOf(gauge->foreColor())));
    SendMessageW(window_.get(), PBM_SETBKCOLOR, 0, static_cast<LPARAM>(colorOf(gauge->backColor())));
  }
}

void ControlPeer::applyHint() {
  // Until the mouse first comes over the form, no hint can show: the form
  // registers them all then.
  if (form_.tooltips() == nullptr) return;
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = form_.window();
  tool.uId = reinterpret_cast<UINT_PTR>(window_.get());
  SendMessageW(form_.tooltips(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  if (!control_.showHint() || control_.hint().empty() || !control_.form().showHints) return;
  tool.lpszText = const_cast<wchar_t*>(wide(control_.hint()));
  SendMessageW(form_.tooltips(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void ControlPeer::textEdited() {
  if (!settingText_) control_.textEnteredByUser(windowText(window_.get()));
}

HBRUSH ControlPeer::colorStatic(HDC dc) {
  SetTextColor(dc, colorOf(control_.font().color));
  auto* label = dynamic_cast<Label*>(&control_);
  if (label != nullptr && label->transparent) SetBkMode(dc, TRANSPARENT);
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return GetSysColorBrush(COLOR_BTNFACE);
}

HBRUSH ControlPeer::colorEdit(HDC dc) {
  SetTextColor(dc, colorOf(control_.font().color));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  return GetSysColorBrush(COLOR_WINDOW);
}

void ControlPeer::drawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlType == ODT_BUTTON) drawButton(item);
  if (item.CtlType == ODT_STATIC) drawPicture(item);
}

// Push buttons ignore text colours, so a button with a caption colour of
// its own draws itself, keeping the theme, the focus rectangle and the
// accelerator underline.
void ControlPeer::drawButton(const DRAWITEMSTRUCT& item) {
  RECT r = item.rcItem;
  bool pushed = (item.itemState & ODS_SELECTED) != 0;
  bool disabled = (item.itemState & ODS_DISABLED) != 0;
  int state = disabled                       ? PBS_DISABLED
              : pushed                       ? PBS_PRESSED
              : (item.itemState & ODS_FOCUS) ? PBS_DEFAULTED
                                             : PBS_NORMAL;
  if (!drawThemedButton(item.hwndItem, item.hDC, state, r)) {
    DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  }
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, disabled ? GetSysColor(COLOR_GRAYTEXT) : colorOf(control_.font().color));
  UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | ((item.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0);
  RECT text = r;
  if (pushed) OffsetRect(&text, 1, 1);
  {
    const sys::win32::SelectedObject font(item.hDC, app_.font(control_.font(), control_.form().pixelsPerInch()));
    DrawTextW(item.hDC, wide(control_.text()), -1, &text, format);
  }
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    InflateRect(&r, -4, -4);
    DrawFocusRect(item.hDC, &r);
  }
}

void ControlPeer::drawPicture(const DRAWITEMSTRUCT& item) {
  auto* picture = dynamic_cast<Picture*>(&control_);
  RECT r = item.rcItem;
  FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
  if (picture == nullptr || picture->bitmap().empty()) return;
  const Bitmap& bitmap = picture->bitmap();
  int boxWidth = r.right - r.left, boxHeight = r.bottom - r.top;
  double scale =
      std::min(static_cast<double>(boxWidth) / bitmap.width(), static_cast<double>(boxHeight) / bitmap.height());
  int width = static_cast<int>(bitmap.width() * scale), height = static_cast<int>(bitmap.height() * scale);
  DibPixels dib(bitmap);
  SetStretchBltMode(item.hDC, HALFTONE);
  StretchDIBits(item.hDC, r.left + (boxWidth - width) / 2, r.top + (boxHeight - height) / 2, width, height, 0, 0,
                bitmap.width(), bitmap.height(), dib.pixels.data(), &dib.info, DIB_RGB_COLORS, SRCCOPY);
}

LRESULT CALLBACK ControlPeer::subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) {
  // The name is laid on Windows' object before a screen reader's first
  // question reaches it; until then nothing costs the start-up anything.
  if (message == WM_GETOBJECT) {
    auto* peer = reinterpret_cast<ControlPeer*>(self);
    if (!peer->named_ && !peer->control_.accessibleName.empty()) {
      peer->app_.guarded(
          [&] { peer->named_ = peer->app_.accessibleNames().annotate(window, peer->control_.accessibleName); });
    }
  }
  LRESULT result = DefSubclassProc(window, message, wParam, lParam);
  if (message == WM_SETFOCUS) {
    auto* peer = reinterpret_cast<ControlPeer*>(self);
    peer->app_.guarded([&] { peer->control_.form().focusChanged(&peer->control_); });
  }
  return result;
}

}  // namespace kst::tk::win32

#include "toolkit/win32/win32_app.h"

#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <vector>

#include "system/win32/wide.h"
#include "toolkit/components.h"
#include "toolkit/form.h"

namespace kst::tk::win32 {
namespace {

using sys::win32::fromWide;
using sys::win32::wide;

constexpr UINT kTrayCallback = WM_APP + 1;
constexpr UINT kTrayRefresh = WM_APP + 2;
constexpr UINT kTrayId = 1;
const wchar_t kServiceClass[] = L"Kestrane.Service";
// Automation finds controls by these window properties: the control's name
// as a global atom, and its text colour as a COLORREF with the top byte set.
const wchar_t kNameProperty[] = L"Kestrane.Name";
const wchar_t kColorProperty[] = L"Kestrane.Color";

Win32Application* theApp = nullptr;

COLORREF resolve(Color color) {
  return color.isSystem() ? GetSysColor(color.systemIndex()) : color.colorref();
}

DWORD formStyle(const Form& form) {
  DWORD style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
  if (form.hasSystemMenu) style |= WS_SYSMENU;
  if (form.hasMinimizeBox) style |= WS_MINIMIZEBOX;
  return style;
}

DWORD formExStyle(const Form& form) { return form.ownsTaskbarButton ? WS_EX_APPWINDOW : WS_EX_DLGMODALFRAME; }

Text windowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(window, text.data(), length + 1);
  return fromWide(text.data(), static_cast<size_t>(std::max(copied, 0)));
}

// A top-down 32-bit device-independent copy of a picture.
struct DibPixels {
  BITMAPINFO info{};
  std::vector<uint32_t> pixels;
  explicit DibPixels(const Bitmap& picture) : pixels(static_cast<size_t>(picture.width()) * picture.height()) {
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.width();
    info.bmiHeader.biHeight = -picture.height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        Color c = picture.pixel(x, y);
        pixels[static_cast<size_t>(y) * picture.width() + x] =
            0xFF000000u | static_cast<uint32_t>(c.red()) << 16 | c.green() << 8 | c.blue();
      }
    }
  }
};

class FormPeer;

class ControlPeer : public Peer {
 public:
  ControlPeer(Win32Application& app, FormPeer& form, Control& control);
  ~ControlPeer() override;
  void changed(Property property) override;

  Control& control() const { return control_; }
  HWND window() const { return window_.get(); }
  void textEdited();
  void drawItem(const DRAWITEMSTRUCT& item);
  HBRUSH colorStatic(HDC dc);
  HBRUSH colorEdit(HDC dc);

 private:
  static LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self);
  void create();
  void applyFont();
  void applyColors();
  void applyBounds();
  void applyHint();
  void drawButton(const DRAWITEMSTRUCT& item);
  void drawPicture(const DRAWITEMSTRUCT& item);

  Win32Application& app_;
  FormPeer& form_;
  Control& control_;
  UniqueWindow window_;
  UniqueWindow upDown_;
  UniqueAtom name_;
  bool settingText_ = false;
};

class FormPeer : public Peer {
 public:
  FormPeer(Win32Application& app, Form& form);
  ~FormPeer() override;
  void changed(Property property) override;

  Form& form() const { return form_; }
  HWND window() const { return window_.get(); }
  HWND tooltips() const { return tooltips_.get(); }
  void setHintPause(int milliseconds) { SendMessageW(tooltips_.get(), TTM_SETDELAYTIME, TTDT_AUTOPOP, milliseconds); }

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  void applyBounds();
  void applyIcon();
  void applyVisibility();
  void focusRequested();

  Win32Application& app_;
  Form& form_;
  UniqueWindow window_;
  UniqueWindow tooltips_;
  UniqueIcon icon_;
  bool shownBefore_ = false;
};

// Frames are drawn by their form: a frame window of its own would hide the
// form's background behind it.
class BevelPeer : public Peer {
 public:
  BevelPeer(HWND form, Bevel& bevel) : form_(form), bevel_(bevel) { invalidate(); }
  ~BevelPeer() override { invalidate(); }
  void changed(Property) override { invalidate(); }

 private:
  void invalidate() { InvalidateRect(form_, nullptr, TRUE); }
  HWND form_;
  Bevel& bevel_;
};

void paintBevels(HWND window, const Form& form) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  for (Control* control : form.controls()) {
    auto* bevel = dynamic_cast<Bevel*>(control);
    if (bevel == nullptr || !bevel->visible()) continue;
    const Rect& b = bevel->bounds();
    RECT r{b.left, b.top, b.left + b.width, b.top + b.height};
    DrawEdge(dc, &r, bevel->sunken ? EDGE_SUNKEN : EDGE_ETCHED, BF_RECT);
  }
  EndPaint(window, &paint);
}

ControlPeer* controlPeerOf(HWND window) {
  return reinterpret_cast<ControlPeer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

FormPeer* formPeerOf(HWND window) {
  if (window == nullptr) return nullptr;
  wchar_t className[64];
  if (GetClassNameW(window, className, 64) == 0 || wcsncmp(className, L"T", 1) != 0) return nullptr;
  return reinterpret_cast<FormPeer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HWND peerWindow(Control* control) {
  if (control == nullptr || control->peer() == nullptr || dynamic_cast<Bevel*>(control)) return nullptr;
  return static_cast<ControlPeer*>(control->peer())->window();
}

// --- controls -------------------------------------------------------------

ControlPeer::ControlPeer(Win32Application& app, FormPeer& form, Control& control)
    : app_(app), form_(form), control_(control) {
  create();
}

ControlPeer::~ControlPeer() {
  if (window_) {
    RemoveWindowSubclass(window_.get(), subclassProc, 1);
    RemovePropW(window_.get(), kNameProperty);
    RemovePropW(window_.get(), kColorProperty);
  }
}

void ControlPeer::create() {
  const wchar_t* windowClass = L"STATIC";
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD exStyle = 0;
  if (auto* label = dynamic_cast<Label*>(&control_)) {
    style |= SS_NOTIFY | (label->rightAligned ? SS_RIGHT : SS_LEFTNOWORDWRAP);
  } else if (auto* button = dynamic_cast<Button*>(&control_)) {
    windowClass = L"BUTTON";
    style |= WS_TABSTOP | (button->ownerDrawnCaption ? BS_OWNERDRAW
                           : button->isDefault       ? BS_DEFPUSHBUTTON
                                                     : BS_PUSHBUTTON);
  } else if (dynamic_cast<CheckBox*>(&control_) != nullptr) {
    // Not an automatic check box: the state changes by program alone.
    windowClass = L"BUTTON";
    style |= BS_CHECKBOX;
  } else if (dynamic_cast<RadioButton*>(&control_) != nullptr) {
    windowClass = L"BUTTON";
    style |= BS_RADIOBUTTON | WS_TABSTOP;
  } else if (auto* edit = dynamic_cast<Edit*>(&control_)) {
    windowClass = L"EDIT";
    style |= ES_AUTOHSCROLL | WS_TABSTOP | (edit->centered ? ES_CENTER : ES_LEFT);
    exStyle = WS_EX_CLIENTEDGE;
  } else if (dynamic_cast<SpinEdit*>(&control_) != nullptr) {
    windowClass = L"EDIT";
    style |= ES_AUTOHSCROLL | WS_TABSTOP;
    exStyle = WS_EX_CLIENTEDGE;
  } else if (dynamic_cast<Gauge*>(&control_) != nullptr) {
    windowClass = PROGRESS_CLASSW;
    style |= PBS_SMOOTH;
  } else if (dynamic_cast<Picture*>(&control_) != nullptr) {
    style |= SS_OWNERDRAW;
  }
  if (control_.visible()) style |= WS_VISIBLE;
  if (!control_.enabled()) style |= WS_DISABLED;
  const Rect& r = control_.bounds();
  window_.reset(CreateWindowExW(exStyle, windowClass, wide(control_.text()), style, r.left, r.top, r.width,
                                r.height, form_.window(), nullptr, app_.instance(), nullptr));
  HWND window = window_.get();
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowSubclass(window, subclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
  name_.reset(GlobalAddAtomW(wide(fromUtf8(control_.name()))));
  SetPropW(window, kNameProperty, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(name_.get())));

  if (auto* spin = dynamic_cast<SpinEdit*>(&control_)) {
    upDown_.reset(CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
                                  WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0,
                                  0, 0, form_.window(), nullptr, app_.instance(), nullptr));
    SetWindowLongPtrW(upDown_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SendMessageW(upDown_.get(), UDM_SETRANGE32, spin->minValue, spin->maxValue);
    SendMessageW(upDown_.get(), UDM_SETBUDDY, reinterpret_cast<WPARAM>(window), 0);
  }
  if (auto* gauge = dynamic_cast<Gauge*>(&control_)) {
    // Visual styles ignore a progress bar's colours; without a theme it keeps
    // them. A class list that names no theme class switches the theme off on
    // Windows and under Wine alike (Wine ignores an empty one).
    SetWindowTheme(window, L" ", L" ");
    SendMessageW(window, PBM_SETRANGE32, gauge->minValue, gauge->maxValue);
    applyColors();
  }
  // A control made at run time comes in front of those made before it.
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  applyFont();
  changed(Property::Checked);
  changed(Property::Progress);
  applyColors();
  applyHint();
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
      if (auto* box = dynamic_cast<CheckBox*>(&control_)) {
        SendMessageW(window, BM_SETCHECK, box->checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      } else if (auto* radio = dynamic_cast<RadioButton*>(&control_)) {
        SendMessageW(window, BM_SETCHECK, radio->checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      break;
    case Property::Progress:
      if (auto* gauge = dynamic_cast<Gauge*>(&control_)) SendMessageW(window, PBM_SETPOS, gauge->progress(), 0);
      break;
    case Property::Colors: applyColors(); break;
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
  SendMessageW(window_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(app_.font(control_.font())), TRUE);
  SetPropW(window_.get(), kColorProperty,
           reinterpret_cast<HANDLE>(static_cast<uintptr_t>(resolve(control_.font().color) | 0x01000000u)));
  InvalidateRect(window_.get(), nullptr, TRUE);
}

void ControlPeer::applyColors() {
  if (auto* gauge = dynamic_cast<Gauge*>(&control_)) {
    SendMessageW(window_.get(), PBM_SETBARCOLOR, 0, static_cast<LPARAM>(resolve(gauge->foreColor())));
    SendMessageW(window_.get(), PBM_SETBKCOLOR, 0, static_cast<LPARAM>(resolve(gauge->backColor())));
  }
}

void ControlPeer::applyHint() {
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
  SetTextColor(dc, resolve(control_.font().color));
  auto* label = dynamic_cast<Label*>(&control_);
  if (label != nullptr && label->transparent) SetBkMode(dc, TRANSPARENT);
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return GetSysColorBrush(COLOR_BTNFACE);
}

HBRUSH ControlPeer::colorEdit(HDC dc) {
  SetTextColor(dc, resolve(control_.font().color));
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
  if (HTHEME theme = OpenThemeData(item.hwndItem, L"BUTTON")) {
    int state = disabled ? PBS_DISABLED : pushed ? PBS_PRESSED : (item.itemState & ODS_FOCUS) ? PBS_DEFAULTED
                                                                                              : PBS_NORMAL;
    DrawThemeBackground(theme, item.hDC, BP_PUSHBUTTON, state, &r, nullptr);
    CloseThemeData(theme);
  } else {
    DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  }
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, disabled ? GetSysColor(COLOR_GRAYTEXT) : resolve(control_.font().color));
  HGDIOBJ previous = SelectObject(item.hDC, app_.font(control_.font()));
  UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | ((item.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0);
  RECT text = r;
  if (pushed) OffsetRect(&text, 1, 1);
  DrawTextW(item.hDC, wide(control_.text()), -1, &text, format);
  SelectObject(item.hDC, previous);
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
  double scale = std::min(static_cast<double>(boxWidth) / bitmap.width(),
                          static_cast<double>(boxHeight) / bitmap.height());
  int width = static_cast<int>(bitmap.width() * scale), height = static_cast<int>(bitmap.height() * scale);
  DibPixels dib(bitmap);
  SetStretchBltMode(item.hDC, HALFTONE);
  StretchDIBits(item.hDC, r.left + (boxWidth - width) / 2, r.top + (boxHeight - height) / 2, width, height, 0, 0,
                bitmap.width(), bitmap.height(), dib.pixels.data(), &dib.info, DIB_RGB_COLORS, SRCCOPY);
}

LRESULT CALLBACK ControlPeer::subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) {
  LRESULT result = DefSubclassProc(window, message, wParam, lParam);
  if (message == WM_SETFOCUS) {
    auto* peer = reinterpret_cast<ControlPeer*>(self);
    theApp->guarded([&] { peer->control_.form().focusChanged(&peer->control_); });
  }
  return result;
}

// --- forms ----------------------------------------------------------------

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
  RegisterClassExW(&windowClass);
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
  form_.nativeHandle = reinterpret_cast<uintptr_t>(window_.get());
  tooltips_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_.get(), nullptr,
                                  app.instance(), nullptr));
  setHintPause(app.hintHidePause());
  SendMessageW(window_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(app.font(form.font)), FALSE);
  applyBounds();
  applyIcon();
}

FormPeer::~FormPeer() {
  if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  form_.nativeHandle = 0;
}

void FormPeer::changed(Property property) {
  switch (property) {
    case Property::Text: SetWindowTextW(window_.get(), wide(form_.caption())); break;
    case Property::Bounds: applyBounds(); break;
    case Property::Icon: applyIcon(); break;
    case Property::Visible: applyVisibility(); break;
    case Property::Focus: focusRequested(); break;
    default: break;
  }
}

void FormPeer::applyBounds() {
  RECT r{0, 0, form_.clientWidth(), form_.clientHeight()};
  AdjustWindowRectEx(&r, formStyle(form_), FALSE, formExStyle(form_));
  SetWindowPos(window_.get(), nullptr, form_.left(), form_.top(), r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormPeer::applyIcon() {
  UniqueIcon icon;
  HICON shown = app_.mainIcon();
  if (!form_.icon().empty()) {
    icon = makeIcon(form_.icon());
    if (icon) shown = icon.get();
  }
  SendMessageW(window_.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(shown));
  SendMessageW(window_.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(shown));
  icon_ = std::move(icon);
}

void FormPeer::applyVisibility() {
  HWND window = window_.get();
  if (!form_.visible()) {
    ShowWindow(window, SW_HIDE);
    return;
  }
  if (!form_.displayed()) return;
  if (form_.windowState() == WindowState::Minimized) {
    ShowWindow(window, SW_MINIMIZE);
  } else if (IsIconic(window)) {
    ShowWindow(window, SW_RESTORE);
  } else {
    ShowWindow(window, shownBefore_ ? SW_SHOW : SW_SHOWNORMAL);
    // A shortcut set to start minimised still ends in the normal state.
    if (!shownBefore_ && IsIconic(window)) ShowWindow(window, SW_RESTORE);
    shownBefore_ = true;
  }
}

void FormPeer::focusRequested() {
  if (!form_.displayed() || !IsWindowVisible(window_.get())) return;
  BringWindowToTop(window_.get());
  HWND target = peerWindow(form_.focusRequest());
  if (target != nullptr) SetFocus(target);
}

LRESULT CALLBACK FormPeer::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* peer = reinterpret_cast<FormPeer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (peer == nullptr || !peer->window_) return DefWindowProcW(window, message, wParam, lParam);
  return peer->handle(message, wParam, lParam);
}

LRESULT FormPeer::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = window_.get();
  LRESULT result = 0;
  bool handled = true;
  app_.guarded([&] {
    switch (message) {
      case WM_COMMAND: {
        ControlPeer* peer = lParam != 0 ? controlPeerOf(reinterpret_cast<HWND>(lParam)) : nullptr;
        if (peer == nullptr) break;
        Control& control = peer->control();
        WORD code = HIWORD(wParam);
        if (code == BN_CLICKED && (dynamic_cast<Button*>(&control) || dynamic_cast<RadioButton*>(&control))) {
          control.click();
        } else if (code == STN_CLICKED && dynamic_cast<Label*>(&control)) {
          control.click();
        } else if (code == EN_CHANGE) {
          peer->textEdited();
        }
        break;
      }
      case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code != UDN_DELTAPOS) {
          handled = false;
          break;
        }
        ControlPeer* peer = controlPeerOf(header->hwndFrom);
        if (auto* spin = peer ? dynamic_cast<SpinEdit*>(&peer->control()) : nullptr) {
          spin->step(reinterpret_cast<NMUPDOWN*>(lParam)->iDelta);
        }
        result = TRUE;
        break;
      }
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLOREDIT: {
        ControlPeer* peer = controlPeerOf(reinterpret_cast<HWND>(lParam));
        if (peer == nullptr) {
          handled = false;
          break;
        }
        bool edit = dynamic_cast<Edit*>(&peer->control()) || dynamic_cast<SpinEdit*>(&peer->control());
        HDC dc = reinterpret_cast<HDC>(wParam);
        result = reinterpret_cast<LRESULT>(edit ? peer->colorEdit(dc) : peer->colorStatic(dc));
        break;
      }
      case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (ControlPeer* peer = controlPeerOf(item->hwndItem)) peer->drawItem(*item);
        result = TRUE;
        break;
      }
      case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
          if (HWND target = peerWindow(form_.activeControl())) SetFocus(target);
          form_.activated();
        }
        break;
      case WM_SETFOCUS:
        if (HWND target = peerWindow(form_.activeControl())) SetFocus(target);
        break;
      case WM_PAINT: paintBevels(window, form_); break;
      case WM_CLOSE: form_.close(); break;
      case WM_QUERYENDSESSION: result = form_.queryClose() ? TRUE : FALSE; break;
      case WM_ENDSESSION:
        if (wParam) app_.terminate();
        break;
      case WM_SIZE:
        if (wParam == SIZE_MINIMIZED) form_.windowStateChanged(WindowState::Minimized);
        if (wParam == SIZE_RESTORED) form_.windowStateChanged(WindowState::Normal);
        handled = false;
        break;
      case WM_MOVE: {
        RECT r;
        GetWindowRect(window, &r);
        if (!IsIconic(window)) form_.positionChanged(r.left, r.top);
        handled = false;
        break;
      }
      default: handled = false;
    }
  });
  return handled ? result : DefWindowProcW(window, message, wParam, lParam);
}

// --- timers and the notification-area icon -------------------------------

std::map<UINT_PTR, Timer*> timers;
UINT_PTR nextTimerId = 1;

class TimerPeer : public Peer {
 public:
  TimerPeer(Win32Application& app, Timer& timer) : app_(app), timer_(timer), id_(nextTimerId++) {
    timers[id_] = &timer_;
  }
  ~TimerPeer() override {
    KillTimer(app_.serviceWindow(), id_);
    timers.erase(id_);
  }
  void changed(Property) override {
    KillTimer(app_.serviceWindow(), id_);
    if (timer_.enabled()) SetTimer(app_.serviceWindow(), id_, static_cast<UINT>(timer_.interval()), nullptr);
  }

 private:
  Win32Application& app_;
  Timer& timer_;
  UINT_PTR id_;
};

class TrayPeer;
TrayPeer* trayPeer = nullptr;
UINT taskbarCreated = 0;

class TrayPeer : public Peer {
 public:
  TrayPeer(Win32Application& app, TrayIcon& icon) : app_(app), icon_(icon) {
    trayPeer = this;
    add();
  }
  ~TrayPeer() override {
    NOTIFYICONDATAW data = base();
    Shell_NotifyIconW(NIM_DELETE, &data);
    trayPeer = nullptr;
  }
  void changed(Property property) override {
    if (property == Property::Visible && !icon_.visible()) {
      NOTIFYICONDATAW data = base();
      Shell_NotifyIconW(NIM_DELETE, &data);
      return;
    }
    if (property == Property::Visible) {
      add();
      return;
    }
    // One event often changes picture, list and hint together; the shell
    // hears of them once, when the event is done.
    if (refreshPending_) return;
    refreshPending_ = true;
    PostMessageW(app_.serviceWindow(), kTrayRefresh, 0, 0);
  }
  void refresh() {
    refreshPending_ = false;
    const Bitmap* picture = icon_.currentImage();
    Text hint = icon_.shownHint();
    if (sent_ && picture == sentPicture_ && hint == sentHint_) return;
    NOTIFYICONDATAW data = filled();
    Shell_NotifyIconW(NIM_MODIFY, &data);
  }
  // The shell lost its icons when it restarted: show this one again as it is.
  void add() {
    if (!icon_.visible()) return;
    NOTIFYICONDATAW data = filled();
    Shell_NotifyIconW(NIM_ADD, &data);
  }
  TrayIcon& icon() const { return icon_; }

 private:
  NOTIFYICONDATAW base() const {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = app_.serviceWindow();
    data.uID = kTrayId;
    return data;
  }
  NOTIFYICONDATAW filled() {
    NOTIFYICONDATAW data = base();
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayCallback;
    UniqueIcon picture;
    if (const Bitmap* shown = icon_.currentImage()) picture = makeIcon(*shown);
    data.hIcon = picture ? picture.get() : app_.mainIcon();
    Text hint = icon_.shownHint();
    std::copy(hint.begin(), hint.end(), reinterpret_cast<char16_t*>(data.szTip));
    data.szTip[hint.size()] = L'\0';
    // The shell copies the icon; the previous one can go once the new one is set.
    shown_ = std::move(picture);
    sent_ = true;
    sentPicture_ = icon_.currentImage();
    sentHint_ = hint;
    return data;
  }

  Win32Application& app_;
  TrayIcon& icon_;
  bool refreshPending_ = false;
  bool sent_ = false;
  const Bitmap* sentPicture_ = nullptr;
  Text sentHint_;
  UniqueIcon shown_;
};

LRESULT CALLBACK serviceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (theApp == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_TIMER) {
    auto timer = timers.find(wParam);
    if (timer != timers.end()) theApp->guarded([&] { timer->second->fire(); });
    return 0;
  }
  if (message == kTrayCallback && trayPeer != nullptr) {
    MouseButton button;
    switch (LOWORD(lParam)) {
      case WM_LBUTTONDOWN: button = MouseButton::Left; break;
      case WM_RBUTTONDOWN: button = MouseButton::Right; break;
      case WM_MBUTTONDOWN: button = MouseButton::Middle; break;
      default: return 0;
    }
    POINT cursor;
    GetCursorPos(&cursor);
    theApp->guarded([&] { trayPeer->icon().mouseDown(button, cursor.x, cursor.y); });
    return 0;
  }
  if (message == kTrayRefresh && trayPeer != nullptr) {
    trayPeer->refresh();
    return 0;
  }
  if (message == taskbarCreated && taskbarCreated != 0 && trayPeer != nullptr) {
    trayPeer->add();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

UniqueIcon makeIcon(const Bitmap& picture) {
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof header;
  header.bV5Width = picture.width();
  header.bV5Height = -picture.height();
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap color;
  {
    ScreenDC screen;
    color.reset(CreateDIBSection(screen.get(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits,
                                 nullptr, 0));
  }
  if (!color || bits == nullptr) return {};
  auto* pixels = static_cast<uint32_t*>(bits);
  const int rowBytes = ((picture.width() + 15) / 16) * 2;
  std::vector<uint8_t> mask(static_cast<size_t>(rowBytes) * picture.height(), 0);
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      Color c = picture.pixel(x, y);
      bool clear = picture.transparent(x, y);
      pixels[y * picture.width() + x] =
          clear ? 0 : 0xFF000000u | static_cast<uint32_t>(c.red()) << 16 | c.green() << 8 | c.blue();
      if (clear) mask[static_cast<size_t>(y) * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  UniqueBitmap monochrome(CreateBitmap(picture.width(), picture.height(), 1, 1, mask.data()));
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = color.get();
  info.hbmMask = monochrome.get();
  return UniqueIcon(CreateIconIndirect(&info));
}

Win32Application::Win32Application(HINSTANCE instance) : instance_(instance) {
  theApp = this;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS |
                                                      ICC_UPDOWN_CLASS | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  registerFormClass(instance, kServiceClass, serviceProc);
  taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  // A hidden top-level window, not a message-only one: only top-level
  // windows hear the shell's "TaskbarCreated" broadcast.
  serviceWindow_.reset(CreateWindowExW(WS_EX_TOOLWINDOW, kServiceClass, L"Kestrane", WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, instance, nullptr));
}

Win32Application::~Win32Application() { theApp = nullptr; }

void Win32Application::run() {
  if (Form* main = mainForm()) guarded([&] { main->show(); });
  MSG message;
  while (!terminated() && GetMessageW(&message, nullptr, 0, 0) > 0) pump(message);
}

void Win32Application::terminate() {
  Application::terminate();
  PostMessageW(serviceWindow_.get(), WM_NULL, 0, 0);
}

void Win32Application::pump(MSG& message) {
  if (handleKey(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

bool Win32Application::handleKey(MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_CHAR && message.message != WM_SYSCHAR) return false;
  FormPeer* peer = formPeerOf(GetAncestor(message.hwnd, GA_ROOT));
  if (peer == nullptr) return false;
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

HWND Win32Application::activeWindow() const {
  HWND active = GetActiveWindow();
  if (formPeerOf(active) != nullptr) return active;
  Form* main = mainForm();
  return main != nullptr && main->displayed() ? reinterpret_cast<HWND>(main->nativeHandle) : nullptr;
}

ModalResult Win32Application::messageDialog(const Text& text, DialogButtons buttons) {
  UINT type = MB_DEFBUTTON1 | MB_SETFOREGROUND;
  type |= buttons == DialogButtons::Ok ? MB_OK : buttons == DialogButtons::YesNo ? MB_YESNO : MB_YESNOCANCEL;
  switch (MessageBoxW(activeWindow(), wide(text), wide(title()), type)) {
    case IDYES: return ModalResult::Yes;
    case IDNO: return ModalResult::No;
    case IDCANCEL: return ModalResult::Cancel;
    default: return ModalResult::Ok;
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
  ++modalDepth_;
  MSG message;
  while (form.modalResult() == ModalResult::None && !terminated()) {
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
      terminate();
      break;
    }
    pump(message);
  }
  --modalDepth_;
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
  ScreenDC dc;
  screen.pixelsPerInch = GetDeviceCaps(dc.get(), LOGPIXELSY);
  return screen;
}

FrameSize Win32Application::frameSize(const Form& form) {
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, formStyle(form), FALSE, formExStyle(form));
  return {r.right - r.left, r.bottom - r.top};
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
  form.attachPeer(std::make_unique<FormPeer>(*this, form));
  for (Control* control : form.controls()) attach(*control);
}

void Win32Application::attach(Control& control) {
  auto* form = static_cast<FormPeer*>(control.form().peer());
  if (form == nullptr) return;
  if (auto* bevel = dynamic_cast<Bevel*>(&control)) {
    control.attachPeer(std::make_unique<BevelPeer>(form->window(), *bevel));
  } else {
    control.attachPeer(std::make_unique<ControlPeer>(*this, *form, control));
  }
}

void Win32Application::attach(Timer& timer) { timer.attachPeer(std::make_unique<TimerPeer>(*this, timer)); }

void Win32Application::attach(TrayIcon& icon) { icon.attachPeer(std::make_unique<TrayPeer>(*this, icon)); }

void Win32Application::popup(PopupMenu& menu, int x, int y) {
  UniqueMenu popup(CreatePopupMenu());
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
  if (chosen >= 1 && chosen <= menu.items().size()) menu.click(menu.items()[chosen - 1].name);
}

HFONT Win32Application::font(const Font& font) {
  auto key = std::make_tuple(font.name, font.points, font.bold, font.underline);
  auto& cached = fonts_[key];
  if (!cached) {
    LOGFONTW description{};
    description.lfHeight = -MulDiv(font.points, screen().pixelsPerInch, 72);
    description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    description.lfUnderline = font.underline;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfQuality = CLEARTYPE_QUALITY;
    Text name = font.name.substr(0, LF_FACESIZE - 1);
    std::copy(name.begin(), name.end(), reinterpret_cast<char16_t*>(description.lfFaceName));
    cached.reset(CreateFontIndirectW(&description));
  }
  return cached.get();
}

HICON Win32Application::mainIcon() {
  return static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                       GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

}  // namespace kst::tk::win32

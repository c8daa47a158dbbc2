#pragma once
// One control of a form as a native child window.
#include <windows.h>

#include "system/win32/handles.h"
#include "toolkit/controls.h"

namespace kst::tk::win32 {

class FormPeer;
class Win32Application;

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
  struct NativeKind {
    const wchar_t* windowClass;
    DWORD style;
    DWORD exStyle;
  };
  NativeKind nativeKind() const;
  void create();
  void attachUpDown(const SpinEdit& spin);
  void applyFont();
  void applyColors();
  void applyBounds();
  void applyHint();
  // A colour as it is drawn now, in a high-contrast theme or not.
  COLORREF colorOf(Color color) const;
  void drawButton(const DRAWITEMSTRUCT& item);
  void drawPicture(const DRAWITEMSTRUCT& item);

  Win32Application& app_;
  FormPeer& form_;
  Control& control_;
  sys::win32::UniqueWindow window_;
  sys::win32::UniqueWindow upDown_;
  // What the native control was last given: the same font in another
  // colour needs no new font, only a repaint.
  HFONT font_ = nullptr;
  COLORREF color_ = CLR_INVALID;
  bool settingText_ = false;
  // Windows holds the control's name for screen readers.
  bool named_ = false;
};

// The peer behind one of the program's controls, or nothing.
ControlPeer* controlPeerOf(HWND window);
// The native window of a control that has one.
HWND peerWindow(Control* control);

}  // namespace kst::tk::win32

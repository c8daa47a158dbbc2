#pragma once
// A form as a native top-level window, and the frames it draws itself.
#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <string>

#include "system/win32/handles.h"
#include "toolkit/form.h"
#include "toolkit/win32/icons.h"

namespace kst::tk::win32 {

class Win32Application;

DWORD formStyle(const Form& form);
DWORD formExStyle(const Form& form);
void registerFormClass(HINSTANCE instance, const std::wstring& name, WNDPROC procedure);

class FormPeer : public Peer {
 public:
  FormPeer(Win32Application& app, Form& form);
  ~FormPeer() override;
  void changed(Property property) override;

  Form& form() const { return form_; }
  HWND window() const { return window_.get(); }
  // The window that shows the controls' hints, or nothing before it is needed.
  HWND tooltips() const { return tooltips_.get(); }
  void setHintPause(int milliseconds);
  // Whether the form's own controls are all made: later ones are made at run time.
  bool created() const { return created_; }
  void finishCreation() { created_ = true; }
  // Destroys the native window and its controls' windows; the form keeps
  // its state, without a window from here on.
  void destroyWindow();

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  // The result of a message the form handles itself; nothing sends it on
  // to the default handling.
  std::optional<LRESULT> dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> onCommand(WPARAM wParam, HWND control);
  std::optional<LRESULT> onNotify(const NMHDR& header, LPARAM lParam);
  std::optional<LRESULT> onControlColor(HDC dc, HWND control);
  std::optional<LRESULT> onDrawItem(const DRAWITEMSTRUCT& item);
  std::optional<LRESULT> onActivate(bool active);
  std::optional<LRESULT> onSetFocus();
  std::optional<LRESULT> onSetCursor();
  std::optional<LRESULT> onPaint();
  std::optional<LRESULT> onClose();
  std::optional<LRESULT> onQueryEndSession();
  std::optional<LRESULT> onEndSession(bool ending);
  std::optional<LRESULT> onSize(WPARAM kind);
  std::optional<LRESULT> onSysColorChange();
  std::optional<LRESULT> onMove();
  std::optional<LRESULT> onDpiChanged(int dpi, const RECT& suggested);
  void applyFont();
  void makeHints();
  void applyBounds();
  void applyIcon();
  void applyVisibility();
  void focusRequested();

  Win32Application& app_;
  Form& form_;
  sys::win32::UniqueWindow window_;
  sys::win32::UniqueWindow tooltips_;
  // The pictures of an animation alternate: each pair is made once.
  MadeIcons smallIcons_;
  MadeIcons largeIcons_;
  bool shownBefore_ = false;
  bool keyboardCuesInitialised_ = false;
  bool created_ = false;
  // The icon changed while the window was hidden: it is given to Windows
  // when the window shows, not before.
  bool iconStale_ = true;
};

// The form behind one of the program's top-level windows, or nothing.
FormPeer* formPeerOf(HWND window);

// Frames are drawn by their form: a frame window of its own would hide the
// form's background behind it.
class BevelPeer : public Peer {
 public:
  explicit BevelPeer(HWND form) : form_(form) { invalidate(); }
  ~BevelPeer() override { invalidate(); }
  void changed(Property) override { invalidate(); }

 private:
  void invalidate() { InvalidateRect(form_, nullptr, TRUE); }
  HWND form_;
};

}  // namespace kst::tk::win32

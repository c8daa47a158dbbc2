#pragma once
// The Win32 backend of the toolkit: real windows and common controls.
#include <windows.h>

#include <map>
#include <memory>
#include <tuple>

#include "toolkit/application.h"
#include "toolkit/win32/handles.h"

namespace kst::tk::win32 {

// Creates a colour icon with its mask from a picture.
UniqueIcon makeIcon(const Bitmap& picture);

class Win32Application : public Application {
 public:
  explicit Win32Application(HINSTANCE instance);
  ~Win32Application() override;

  void run() override;
  ModalResult messageDialog(const Text& text, DialogButtons buttons) override;
  void runModalLoop(Form& form) override;
  Screen screen() override;
  FrameSize frameSize(const Form& form) override;
  bool minimized() override;
  void restore() override;
  void setHintHidePause(int milliseconds) override;
  void terminate() override;
  void attach(Form& form) override;
  void attach(Control& control) override;
  void attach(Timer& timer) override;
  void attach(TrayIcon& icon) override;
  void popup(PopupMenu& menu, int x, int y) override;

  HINSTANCE instance() const { return instance_; }
  HWND serviceWindow() const { return serviceWindow_.get(); }
  HFONT font(const Font& font);
  HICON mainIcon();
  // The window of the program that a message box or menu should belong to.
  HWND activeWindow() const;

 private:
  void pump(MSG& message);
  bool handleKey(MSG& message);

  HINSTANCE instance_;
  UniqueWindow serviceWindow_;
  std::map<std::tuple<Text, int, bool, bool>, UniqueFont> fonts_;
  int modalDepth_ = 0;
};

}  // namespace kst::tk::win32

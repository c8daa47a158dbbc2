#pragma once
// The Win32 backend of the toolkit: real windows and common controls.
#include <windows.h>

#include <map>
#include <memory>
#include <tuple>

#include "system/win32/com_apartment.h"
#include "system/win32/handles.h"
#include "toolkit/application.h"
#include "toolkit/win32/accessible.h"

namespace kst::tk::win32 {

class TrayPeer;

class Win32Application : public Application {
 public:
  // The program's main icon is the icon resource of that identifier.
  Win32Application(HINSTANCE instance, int mainIconResource);
  ~Win32Application() override;

  void run() override;
  void runModalLoop(Form& form) override;
  Screen screen() override;
  FrameSize frameSize(const Form& form) override;
  TextExtent textExtent(const Font& font, const Text& text, int pixelsPerInch) override;
  int smallIconSize(int pixelsPerInch) override;
  int windowPixelsPerInch(const Form& form) override;
  int notificationAreaPixelsPerInch() override;
  bool minimized() override;
  void restore() override;
  void setHintHidePause(int milliseconds) override;
  void terminate() override;
  // The user logs off or shuts down: Windows may end the process as soon
  // as the message that says so has been handled.
  void endSession();
  void attach(Form& form) override;
  void attach(Control& control) override;
  void attach(Timer& timer) override;
  void attach(TrayIcon& icon) override;
  void popup(PopupMenu& menu, int x, int y) override;

  HINSTANCE instance() const { return instance_; }
  HWND serviceWindow() const { return serviceWindow_.get(); }
  // The font at a monitor's pixels per inch.
  HFONT font(const Font& font, int pixelsPerInch);
  // The program's main icon at the size Windows uses for small icons
  // (title bars, the notification area) and for large ones (the task bar,
  // Alt+Tab) on a monitor of these pixels per inch.
  HICON smallMainIcon(int pixelsPerInch);
  HICON largeMainIcon(int pixelsPerInch);
  // The window of the program that a message box or menu should belong to.
  HWND activeWindow() const;

  // Timers and the notification-area icon report to the service window.
  UINT_PTR addTimer(Timer& timer);
  void removeTimer(UINT_PTR id);
  void setTrayPeer(TrayPeer* peer) { trayPeer_ = peer; }
  // Windows' annotation service, with COM on the user-interface thread,
  // from a screen reader's first question until the program ends.
  AccessibleNames& accessibleNames();

 protected:
  ModalResult showMessageDialog(const Text& text, DialogButtons buttons) override;
  void setShutdownBlockReason(const Text& reason) override;

 private:
  static LRESULT CALLBACK serviceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handleServiceMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void pump(MSG& message);
  bool handleKey(MSG& message);

  HINSTANCE instance_;
  int mainIconResource_;
  UINT taskbarCreated_ = 0;
  sys::win32::UniqueWindow serviceWindow_;
  std::map<std::tuple<Text, int, bool, bool, int>, sys::win32::UniqueFont> fonts_;
  std::map<UINT_PTR, Timer*> timers_;
  UINT_PTR nextTimerId_ = 1;
  TrayPeer* trayPeer_ = nullptr;
  std::unique_ptr<sys::win32::ComApartment> com_;
  // Goes before COM ends.
  std::unique_ptr<AccessibleNames> accessibleNames_;
};

}  // namespace kst::tk::win32

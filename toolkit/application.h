#pragma once
#include <exception>
#include <functional>
#include <vector>

#include "system/text.h"
#include "toolkit/types.h"

namespace kst::tk {

class Control;
class Form;
class PopupMenu;
class Timer;
class TrayIcon;

struct Screen {
  int width = 1920;
  int height = 1080;
  Rect workArea{0, 0, 1920, 1040};
  // The pixels per inch of the primary monitor, where windows open.
  int pixelsPerInch = 96;
};

// The width and height that a form's frame adds to its client area.
struct FrameSize {
  int width = 0;
  int height = 0;
};

struct TextExtent {
  int width = 0;
  int height = 0;
};

class Application {
 public:
  Application() = default;
  virtual ~Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  const Text& title() const { return title_; }
  void setTitle(const Text& title) { title_ = title; }
  Form* mainForm() const { return forms_.empty() ? nullptr : forms_.front(); }
  int hintHidePause() const { return hintHidePause_; }
  virtual void setHintHidePause(int milliseconds) { hintHidePause_ = milliseconds; }

  // Ends the event loop once the current event has been handled.
  virtual void terminate() { terminated_ = true; }
  bool terminated() const { return terminated_; }

  // Shows the main window, runs afterFirstShowing once that is done, then
  // the event loop until terminate().
  virtual void run() = 0;
  std::function<void()> afterFirstShowing;
  // Runs before the program waits for the user, in a message box or a
  // modal window: what it holds of the world outside for a moment only is
  // let go then, since the world may change while the user reads.
  std::function<void()> beforeWaitingForUser;
  void aboutToWaitForUser() {
    if (beforeWaitingForUser) beforeWaitingForUser();
  }
  // A message box of the custom kind: no icon, the title as caption, the
  // first button the default one. While Windows waits on the program to
  // end the session, the box's first line is the reason that Windows'
  // shut-down screen gives for the wait.
  ModalResult messageDialog(const Text& text, DialogButtons buttons);
  // Windows asks each window before a log-off or shut-down whether the
  // program may end: its close query answers.
  bool queryEndSession(Form& form);

  // Whether Windows shows a high-contrast theme.
  bool highContrast() const { return highContrast_; }
  // A colour as it is drawn now.
  Color drawn(Color color) const { return color.drawn(highContrast_); }
  // The theme or the system colours changed: every control is drawn anew.
  void systemColorsChanged(bool highContrast);
  // Windows' light or dark mode changed (a setting change of
  // "ImmersiveColorSet"), or a high-contrast theme was switched on or off:
  // every form that cares hears of it.
  void themeChanged();
  // The pixels per inch of the monitor a form's native window is on.
  virtual int windowPixelsPerInch(const Form& form) = 0;
  // The pixels per inch of the notification area, which belongs to the
  // task bar, not to any window's monitor.
  virtual int notificationAreaPixelsPerInch() = 0;
  // Runs the modal loop of a form that is already shown.
  virtual void runModalLoop(Form& form) = 0;
  virtual Screen screen() = 0;
  virtual FrameSize frameSize(const Form& form) = 0;
  // The room one line of text takes in a font at these pixels per inch; an
  // "&" that marks an accelerator takes none.
  virtual TextExtent textExtent(const Font& font, const Text& text, int pixelsPerInch) = 0;
  // The size of a small icon, as title bars and the notification area show
  // it, on a monitor of these pixels per inch.
  virtual int smallIconSize(int pixelsPerInch) = 0;
  virtual bool minimized() = 0;
  virtual void restore() = 0;
  // The error handler of the event loop: shows the error and goes on.
  void showError(std::exception_ptr error);
  // Runs an event handler; an error it raises is shown and the program goes on.
  template <typename Handler>
  void guarded(Handler&& handler) {
    try {
      handler();
    } catch (...) {
      showError(std::current_exception());
    }
  }

  // Backend peers for everything that has a native counterpart.
  virtual void attach(Form& form) = 0;
  virtual void attach(Control& control) = 0;
  virtual void attach(Timer& timer) = 0;
  virtual void attach(TrayIcon& icon) = 0;
  virtual void popup(PopupMenu& menu, int x, int y) = 0;

  void registerForm(Form& form) { forms_.push_back(&form); }
  void unregisterForm(Form& form);
  const std::vector<Form*>& forms() const { return forms_; }

 protected:
  virtual ModalResult showMessageDialog(const Text& text, DialogButtons buttons) = 0;
  // Tells Windows why the session cannot end yet; an empty reason takes it back.
  virtual void setShutdownBlockReason(const Text& reason) = 0;
  void setHighContrast(bool on) { highContrast_ = on; }

 private:
  Text title_;
  bool endingSession_ = false;
  bool highContrast_ = false;
  int hintHidePause_ = 2500;
  bool terminated_ = false;
  std::vector<Form*> forms_;
};

}  // namespace kst::tk

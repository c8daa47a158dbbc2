#pragma once
// The in-memory backend of the toolkit for tests. A test acts as the user:
// it clicks and types through the controls, answers each message dialog and
// acts inside each modal window, and reads everything the user would see.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "toolkit/application.h"
#include "toolkit/components.h"
#include "toolkit/form.h"

namespace kst::tk::headless {

struct ShownDialog {
  Text text;
  DialogButtons buttons;
  Text caption;
  // What Windows' shut-down screen said while the dialog was open.
  Text shutdownBlockReason;
};

struct ShownPopup {
  const PopupMenu* menu;
  int x, y;
};

// One call the notification-area icon made to the shell, and whether the
// shell took it.
struct TrayCall {
  enum Kind { Add, Modify, Remove } kind;
  const Bitmap* picture;
  Text hint;
  bool taken;
};

// Types text into the form as a user would, key by key: Esc, Enter and Tab
// go to the form first, every other key to the focused control.
void type(Form& form, const Text& text);

class HeadlessApplication : public Application {
 public:
  HeadlessApplication();
  ~HeadlessApplication() override;

  void run() override;
  void runModalLoop(Form& form) override;
  Screen screen() override { return screenInfo; }
  FrameSize frameSize(const Form&) override { return frame; }
  TextExtent textExtent(const Font& font, const Text& text, int pixelsPerInch) override;
  // Windows' small icons: 16 pixels at 96 pixels per inch, scaled with them.
  int smallIconSize(int pixelsPerInch) override { return scaleLength(16, pixelsPerInch); }
  // A window opens on the primary monitor, at the system's scale unless a
  // test puts another monitor there.
  int windowPixelsPerInch(const Form& form) override {
    return monitorPixelsPerInch != 0 ? monitorPixelsPerInch : form.pixelsPerInch();
  }
  int notificationAreaPixelsPerInch() override {
    return taskbarPixelsPerInch != 0 ? taskbarPixelsPerInch : screenInfo.pixelsPerInch;
  }
  // The user drags the window onto a monitor of other pixels per inch.
  void moveToMonitor(Form& form, int pixelsPerInch) { form.dpiChanged(pixelsPerInch, form.left(), form.top()); }
  bool minimized() override { return appMinimized; }
  void restore() override;
  void attach(Form&) override {}
  void attach(Control&) override {}
  void attach(Timer& timer) override;
  void attach(TrayIcon& icon) override;
  void popup(PopupMenu& menu, int x, int y) override { popups.push_back({&menu, x, y}); }

  // Runs the action whenever a modal window of this class is shown; an
  // action that leaves the window open is counted and the window cancelled.
  void whenShown(const std::string& formClass, std::function<void(Form&)> action);
  // Answers the next question (Yes/No dialogs); OK dialogs need no answer.
  void answer(ModalResult result) { answers.push_back(result); }
  // Lets virtual time pass and fires every timer that falls due.
  void advance(int milliseconds);
  long long now() const { return now_; }
  void forget(Timer& timer);

  Screen screenInfo;
  // The scale of the monitor new windows open on, and of the task bar,
  // where they are not the system's.
  int monitorPixelsPerInch = 0;
  int taskbarPixelsPerInch = 0;
  FrameSize frame{6, 29};
  bool appMinimized = false;
  std::vector<ShownDialog> dialogs;
  std::deque<ModalResult> answers;
  int unansweredQuestions = 0;
  std::vector<std::string> modalsShown;
  int modalsLeftOpen = 0;
  std::vector<ShownPopup> popups;
  // The shell's notification area: a shell that has not started refuses
  // every call, and one that restarted holds no icon.
  bool shellRunning = true;
  bool shellHasIcon = false;
  std::vector<TrayCall> trayCalls;
  // Why the program holds up the end of the session, as Windows shows it.
  Text shutdownBlockReason;

 protected:
  ModalResult showMessageDialog(const Text& text, DialogButtons buttons) override;
  void setShutdownBlockReason(const Text& reason) override { shutdownBlockReason = reason; }

 private:
  void reactivateTopModal();
  struct TimerSlot {
    Timer* timer;
    long long due;
  };
  friend class TimerPeer;
  void rearm(Timer& timer);

  std::map<std::string, std::function<void(Form&)>> actions_;
  std::vector<Form*> modalStack_;
  std::vector<TimerSlot> timers_;
  long long now_ = 0;
};

}  // namespace kst::tk::headless

#include "toolkit/headless/headless_app.h"

#include <algorithm>

namespace kst::tk::headless {

class TimerPeer : public Peer {
 public:
  TimerPeer(HeadlessApplication& app, Timer& timer) : app_(app), timer_(timer) {}
  ~TimerPeer() override { app_.forget(timer_); }
  void changed(Property) override { app_.rearm(timer_); }

 private:
  HeadlessApplication& app_;
  Timer& timer_;
};

// Changes reach the shell at once; the shell is the application's model of it.
class TrayPeer : public Peer, public NotificationArea {
 public:
  TrayPeer(HeadlessApplication& app, TrayIcon& icon) : app_(app), icon_(icon) {}
  void changed(Property) override { icon_.sync(); }
  bool add(const Bitmap* picture, const Text& hint) override {
    return record(TrayCall::Add, picture, hint, !app_.shellHasIcon);
  }
  bool modify(const Bitmap* picture, const Text& hint) override {
    return record(TrayCall::Modify, picture, hint, app_.shellHasIcon);
  }
  void remove() override {
    bool taken = record(TrayCall::Remove, nullptr, Text(), app_.shellHasIcon);
    if (taken) app_.shellHasIcon = false;
  }

 private:
  bool record(TrayCall::Kind kind, const Bitmap* picture, const Text& hint, bool possible) {
    bool taken = app_.shellRunning && possible;
    if (taken && kind == TrayCall::Add) app_.shellHasIcon = true;
    app_.trayCalls.push_back({kind, picture, hint, taken});
    return taken;
  }
  HeadlessApplication& app_;
  TrayIcon& icon_;
};

void type(Form& form, const Text& text) {
  for (char16_t ch : text) {
    if (ch == key::kEscape || ch == key::kReturn || ch == key::kTab) {
      if (form.keyDown(ch, false)) continue;
    }
    if (!form.previewChar(ch)) continue;
    if (Control* focused = form.activeControl()) focused->typeChar(ch);
  }
}

HeadlessApplication::HeadlessApplication() = default;
HeadlessApplication::~HeadlessApplication() = default;

void HeadlessApplication::run() {
  if (mainForm() != nullptr) mainForm()->show();
  if (afterFirstShowing) guarded(afterFirstShowing);
}

ModalResult HeadlessApplication::showMessageDialog(const Text& text, DialogButtons buttons) {
  dialogs.push_back({text, buttons, title(), shutdownBlockReason});
  ModalResult result = ModalResult::Ok;
  if (buttons != DialogButtons::Ok) {
    if (answers.empty()) {
      ++unansweredQuestions;
      result = ModalResult::No;
    } else {
      result = answers.front();
      answers.pop_front();
    }
  }
  reactivateTopModal();
  return result;
}

// A stand-in for Tahoma: every character 5 pixels wide at 8 points and 96
// pixels per inch (6 in bold), a line 13 pixels high.
TextExtent HeadlessApplication::textExtent(const Font& font, const Text& text, int pixelsPerInch) {
  long long characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    ++characters;
  }
  const long long perCharacter = font.bold ? 6 : 5;
  const long long dpiPoints = static_cast<long long>(pixelsPerInch) * font.points;
  return {static_cast<int>(characters * perCharacter * dpiPoints / (96 * 8)),
          static_cast<int>(13 * dpiPoints / (96 * 8))};
}

void HeadlessApplication::whenShown(const std::string& formClass, std::function<void(Form&)> action) {
  actions_[formClass] = std::move(action);
}

void HeadlessApplication::runModalLoop(Form& form) {
  modalsShown.push_back(form.className());
  modalStack_.push_back(&form);
  auto action = actions_.find(form.className());
  if (action != actions_.end() && action->second) action->second(form);
  if (form.modalResult() == ModalResult::None) {
    ++modalsLeftOpen;
    form.setModalResult(ModalResult::Cancel);
  }
  modalStack_.pop_back();
}

void HeadlessApplication::reactivateTopModal() {
  if (!modalStack_.empty()) modalStack_.back()->activated();
}

void HeadlessApplication::restore() {
  appMinimized = false;
  if (mainForm() != nullptr) mainForm()->setWindowState(WindowState::Normal);
}

void HeadlessApplication::attach(Timer& timer) {
  timers_.push_back({&timer, now_ + timer.interval()});
  timer.attachPeer(std::make_unique<TimerPeer>(*this, timer));
}

void HeadlessApplication::attach(TrayIcon& icon) {
  auto peer = std::make_unique<TrayPeer>(*this, icon);
  TrayPeer& area = *peer;
  icon.attach(std::move(peer), area);
}

void HeadlessApplication::forget(Timer& timer) {
  timers_.erase(
      std::remove_if(timers_.begin(), timers_.end(), [&](const TimerSlot& slot) { return slot.timer == &timer; }),
      timers_.end());
}

void HeadlessApplication::rearm(Timer& timer) {
  for (TimerSlot& slot : timers_) {
    if (slot.timer == &timer) slot.due = now_ + timer.interval();
  }
}

void HeadlessApplication::advance(int milliseconds) {
  const long long end = now_ + milliseconds;
  for (;;) {
    TimerSlot* next = nullptr;
    for (TimerSlot& slot : timers_) {
      if (slot.timer->enabled() && slot.due <= end && (next == nullptr || slot.due < next->due)) {
        next = &slot;
      }
    }
    if (next == nullptr) break;
    now_ = next->due;
    Timer* timer = next->timer;
    next->due += std::max(1, timer->interval());
    timer->fire();
  }
  now_ = end;
}

}  // namespace kst::tk::headless

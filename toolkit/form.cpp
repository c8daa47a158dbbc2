#include "toolkit/form.h"

#include <algorithm>

#include "toolkit/application.h"
#include "toolkit/components.h"

namespace kst::tk {

// A window is designed for the primary monitor at sign-in, the system's
// pixels per inch; made, it takes its own monitor's.
Form::Form(Application& app, std::string className)
    : app_(app), className_(std::move(className)), pixelsPerInch_(app.screen().pixelsPerInch) {
  app_.registerForm(*this);
}

Form::~Form() {
  peer_.reset();
  app_.unregisterForm(*this);
}

void Form::finishCreate() {
  design_.clientWidth = clientWidth_;
  design_.clientHeight = clientHeight_;
  for (Control* control : controls_) design_.bounds.emplace_back(control, control->bounds());
  layOutFromDesign();
  app_.attach(*this);
  // The monitor a window is made on may have another scale than the
  // system's, which Windows fixes at sign-in: a laptop docked since, a
  // scale changed without signing out, a remote session reconnected.
  // Windows says nothing of it; the window asks before it is first shown.
  dpiChanged(app_.windowPixelsPerInch(*this), left_, top_);
  for (TrayIcon* icon : trayIcons_) app_.attach(*icon);
  if (onCreate) onCreate();
}

void Form::layOutFromDesign() {
  for (const auto& [control, r] : design_.bounds) control->setBounds(scaled(r));
  // Once every control stands where it belongs, each label knows how far
  // it may grow.
  for (Control* control : controls_) {
    if (auto* label = dynamic_cast<Label*>(control)) label->fitToText();
  }
  setClientSize(scaled(design_.clientWidth), scaled(design_.clientHeight));
}

void Form::dpiChanged(int pixelsPerInch, int left, int top) {
  if (pixelsPerInch == pixelsPerInch_ || pixelsPerInch <= 0) return;
  pixelsPerInch_ = pixelsPerInch;
  left_ = left;
  top_ = top;
  // Fonts are made for the monitor: every control takes its font anew.
  for (Control* control : controls_) control->redraw();
  layOutFromDesign();
  if (onDpiChange) onDpiChange();
  notify(Property::Font);
  notify(Property::Bounds);
  notify(Property::Icon);
}

void Form::setCaption(const Text& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  notify(Property::Text);
}

void Form::setIcon(const Bitmap& icon, const Bitmap& taskbarIcon) {
  if (icon == icon_ && taskbarIcon == taskbarIcon_) return;
  icon_ = icon;
  taskbarIcon_ = taskbarIcon;
  notify(Property::Icon);
}

void Form::setPosition(int left, int top) {
  if (left == left_ && top == top_) return;
  left_ = left;
  top_ = top;
  notify(Property::Bounds);
}

void Form::setClientSize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
  notify(Property::Bounds);
}

int Form::outerWidth() const { return clientWidth_ + app_.frameSize(*this).width; }
int Form::outerHeight() const { return clientHeight_ + app_.frameSize(*this).height; }

void Form::setOuterHeight(int height) {
  int newClientHeight = height - app_.frameSize(*this).height;
  int growth = newClientHeight - clientHeight_;
  if (growth == 0) return;
  for (Control* control : controls_) {
    if (!control->anchoredToBottom) continue;
    if (control->anchoredToTop) {
      control->setBounds({control->left(), control->top(), control->width(), control->height() + growth});
    } else {
      control->setTop(control->top() + growth);
    }
  }
  setClientSize(clientWidth_, newClientHeight);
}

void Form::windowStateChanged(WindowState state) { windowState_ = state; }

void Form::setWindowState(WindowState state) {
  if (state == windowState_) return;
  windowState_ = state;
  notify(Property::Visible);
}

void Form::placeForShowing() {
  // A form centred on the main window follows it at every showing; the
  // others are placed once and then keep where the user puts them.
  if (position != FormPosition::MainFormCenter) {
    if (positioned_) return;
    positioned_ = true;
  }
  Rect area;
  if (position == FormPosition::ScreenCenter) {
    Screen screen = app_.screen();
    area = {0, 0, screen.width, screen.height};
  } else if (position == FormPosition::MainFormCenter && app_.mainForm() != nullptr && app_.mainForm() != this) {
    Form& main = *app_.mainForm();
    area = {main.left(), main.top(), main.outerWidth(), main.outerHeight()};
  } else {
    return;
  }
  setPosition(area.left + (area.width - outerWidth()) / 2, area.top + (area.height - outerHeight()) / 2);
}

void Form::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  displayed_ = visible;
  notify(Property::Visible);
}

void Form::show() {
  if (visible_) {
    bringToFront();
    return;
  }
  // Visible from here on, as windows toolkits have it, so that the show
  // handling sees a visible window; on screen only once it has run.
  visible_ = true;
  if (onShow) onShow();
  placeForShowing();
  if (activeControl_ == nullptr) {
    auto first = std::find_if(controls_.begin(), controls_.end(),
                              [](Control* c) { return c->canFocus() && c->tabStop && c->tabOrder == 0; });
    if (first != controls_.end()) activeControl_ = *first;
  }
  displayed_ = true;
  notify(Property::Visible);
  focusRequest_ = activeControl_;
  notify(Property::Focus);
  if (!peer_) activated();
}

void Form::bringToFront() {
  focusRequest_ = activeControl_;
  notify(Property::Focus);
}

bool Form::queryClose() {
  bool canClose = true;
  if (onCloseQuery) onCloseQuery(canClose);
  return canClose;
}

void Form::close() {
  if (modal_) {
    if (modalResult_ == ModalResult::None) modalResult_ = ModalResult::Cancel;
    return;
  }
  if (!queryClose()) return;
  closeAccepted();
}

void Form::closeAccepted() {
  if (onClose) onClose();
  if (app_.mainForm() == this) {
    app_.terminate();
  } else {
    setVisible(false);
  }
}

ModalResult Form::showModal() {
  app_.aboutToWaitForUser();
  modalResult_ = ModalResult::None;
  modal_ = true;
  show();
  app_.runModalLoop(*this);
  endModal();
  return modalResult_;
}

void Form::endModal() {
  if (!modal_) return;
  modal_ = false;
  if (modalResult_ == ModalResult::None) modalResult_ = ModalResult::Cancel;
  if (onClose) onClose();
  setVisible(false);
}

void Form::focus(Control* control) {
  if (control != nullptr && !control->canFocus()) return;
  if (!displayed_) {
    activeControl_ = control;
    return;
  }
  if (!peer_) {
    focusChanged(control);
    return;
  }
  focusRequest_ = control;
  notify(Property::Focus);
}

void Form::focusChanged(Control* control) {
  Control* previous = activeControl_;
  if (previous == control) return;
  activeControl_ = control;
  if (previous != nullptr) {
    if (previous->onExit) previous->onExit();
    previous->focusLeft();
  }
  if (control != nullptr && activeControl_ == control && control->onEnter) control->onEnter();
}

void Form::activated() {
  if (onActivate) onActivate();
}

void Form::selectNext(bool forward) {
  std::vector<Control*> stops;
  for (Control* control : controls_) {
    if (control->tabStop && control->canFocus()) stops.push_back(control);
  }
  if (stops.empty()) return;
  std::stable_sort(stops.begin(), stops.end(), [](Control* a, Control* b) { return a->tabOrder < b->tabOrder; });
  auto current = std::find(stops.begin(), stops.end(), activeControl_);
  size_t index = current == stops.end() ? 0 : static_cast<size_t>(current - stops.begin());
  size_t next = current == stops.end() ? 0 : (forward ? index + 1 : index + stops.size() - 1) % stops.size();
  focus(stops[next]);
}

bool Form::keyDown(int virtualKey, bool shift) {
  switch (virtualKey) {
    case key::kTab: selectNext(!shift); return true;
    case key::kReturn: {
      if (auto* button = dynamic_cast<Button*>(activeControl_)) {
        button->click();
        return true;
      }
      if (Button* button = defaultButton()) {
        button->click();
        return true;
      }
      return false;
    }
    case key::kEscape:
      if (Button* button = cancelButton()) {
        button->click();
        return true;
      }
      return false;
    default: return false;
  }
}

bool Form::previewChar(char16_t& ch) {
  if (keyPreview && onKeyPress) onKeyPress(ch);
  return ch != 0;
}

bool Form::accelerator(char16_t letter) {
  letter = upperCaseLatinLetter(letter);
  for (Control* control : controls_) {
    if (control->visible() && control->enabled() && control->accelerator() == letter) {
      control->activateByAccelerator();
      return true;
    }
  }
  return false;
}

Control* Form::find(const std::string& name) const {
  auto it = std::find_if(controls_.begin(), controls_.end(), [&](Control* c) { return c->name() == name; });
  return it == controls_.end() ? nullptr : *it;
}

Button* Form::defaultButton() const {
  for (Control* control : controls_) {
    auto* button = dynamic_cast<Button*>(control);
    if (button != nullptr && button->isDefault && button->canFocus()) return button;
  }
  return nullptr;
}

Button* Form::cancelButton() const {
  for (Control* control : controls_) {
    auto* button = dynamic_cast<Button*>(control);
    if (button != nullptr && button->isCancel && button->visible() && button->enabled()) return button;
  }
  return nullptr;
}

void Form::adopt(Control& control) { controls_.push_back(&control); }

void Form::disown(Control& control) {
  if (activeControl_ == &control) activeControl_ = nullptr;
  if (focusRequest_ == &control) focusRequest_ = nullptr;
  controls_.erase(std::remove(controls_.begin(), controls_.end(), &control), controls_.end());
}

void Form::realize(Control& control) {
  if (peer_) app_.attach(control);
}

}  // namespace kst::tk

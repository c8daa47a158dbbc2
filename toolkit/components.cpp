#include "toolkit/components.h"

#include <utility>

#include "toolkit/application.h"
#include "toolkit/form.h"

namespace kst::tk {

Timer::Timer(Application& app, int interval) : app_(app), interval_(interval) { app_.attach(*this); }

Timer::~Timer() { peer_.reset(); }

void Timer::setInterval(int interval) {
  interval_ = interval;
  notify(Property::Enabled);
}

void Timer::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  notify(Property::Enabled);
}

void Timer::fire() {
  if (enabled_ && onTimer) onTimer();
}

TrayIcon::TrayIcon(Form& owner)
    : owner_(owner), animation_(owner.app(), kAnimationInterval), retry_(owner.app(), kRetryInterval) {
  animation_.onTimer = [this] { animationStep(); };
  retry_.onTimer = [this] { sync(); };
  owner.adopt(*this);
}

TrayIcon::~TrayIcon() {
  if (area_ != nullptr) area_->remove();
  peer_.reset();
}

void TrayIcon::attach(std::unique_ptr<Peer> peer, NotificationArea& area) {
  peer_ = std::move(peer);
  area_ = &area;
  sync();
}

void TrayIcon::sync() {
  if (area_ == nullptr || !visible_) return;
  const Bitmap* picture = currentImage();
  Text hint = shownHint();
  if (placed_ && !redrawn_ && picture == sentPicture_ && hint == sentHint_) return;
  placed_ = sendToShell(picture, hint);
  redrawn_ = false;
  sentPicture_ = picture;
  sentHint_ = hint;
  retry_.setEnabled(!placed_);
}

bool TrayIcon::sendToShell(const Bitmap* picture, const Text& hint) {
  // A shell that refuses a change has lost the icon (it restarted, and its
  // broadcast did not reach us); one that refuses a new icon may have it
  // still from before.
  if (placed_) return area_->modify(picture, hint) || area_->add(picture, hint);
  return area_->add(picture, hint) || area_->modify(picture, hint);
}

void TrayIcon::shellRestarted() {
  placed_ = false;
  if (onShellRestart) onShellRestart();
  sync();
}

void TrayIcon::setHint(const Text& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  notify(Property::Hint);
}

void TrayIcon::setImageList(const ImageList* list) {
  if (list == imageList_) return;
  imageList_ = list;
  notify(Property::Image);
}

void TrayIcon::setImageIndex(int index) {
  if (index == imageIndex_) return;
  imageIndex_ = index;
  notify(Property::Image);
}

const Bitmap* TrayIcon::currentImage() const {
  if (imageList_ == nullptr || imageIndex_ < 0 || imageIndex_ >= imageList_->count()) return nullptr;
  return &imageList_->image(imageIndex_);
}

void TrayIcon::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (visible) {
    sync();
  } else if (area_ != nullptr) {
    area_->remove();
    placed_ = false;
    retry_.setEnabled(false);
  }
}

void TrayIcon::redraw() {
  redrawn_ = true;
  notify(Property::Image);
}

void TrayIcon::animationStep() {
  if (onAnimate) onAnimate();
  int count = imageList_ == nullptr ? 0 : imageList_->count();
  setImageIndex(imageIndex_ + 1 >= count ? 0 : imageIndex_ + 1);
}

void TrayIcon::mouseDown(MouseButton button, int x, int y) {
  if (onMouseDown) onMouseDown(button, x, y);
}

void TrayIcon::shellEvent(TrayEvent event, int x, int y) {
  // The flags are set before the press is answered: the menu a right press
  // opens runs while the shell sends the click's context menu.
  switch (event) {
    case TrayEvent::LeftPress:
      leftClickUnfinished_ = true;
      mouseDown(MouseButton::Left, x, y);
      break;
    case TrayEvent::MiddlePress: mouseDown(MouseButton::Middle, x, y); break;
    case TrayEvent::RightPress:
      rightClickUnfinished_ = true;
      mouseDown(MouseButton::Right, x, y);
      break;
    case TrayEvent::Select:
      if (!std::exchange(leftClickUnfinished_, false)) mouseDown(MouseButton::Left, x, y);
      break;
    case TrayEvent::KeySelect: mouseDown(MouseButton::Left, x, y); break;
    case TrayEvent::ContextMenu:
      if (!std::exchange(rightClickUnfinished_, false)) mouseDown(MouseButton::Right, x, y);
      break;
  }
}

MenuItem* PopupMenu::find(const std::string& name) {
  for (MenuItem& item : items_) {
    if (item.name == name) return &item;
  }
  return nullptr;
}

void PopupMenu::click(const std::string& name) {
  MenuItem* item = find(name);
  if (item != nullptr && item->onClick) item->onClick();
}

void PopupMenu::popup(int x, int y) {
  app_.aboutToWaitForUser();
  app_.popup(*this, x, y);
}

}  // namespace kst::tk

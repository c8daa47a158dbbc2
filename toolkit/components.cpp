#include "toolkit/components.h"

#include "toolkit/application.h"

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

TrayIcon::TrayIcon(Application& app) : animation_(app, 1500) {
  animation_.onTimer = [this] { animationStep(); };
  app.attach(*this);
}

TrayIcon::~TrayIcon() { peer_.reset(); }

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
  visible_ = visible;
  notify(Property::Visible);
}

void TrayIcon::animationStep() {
  if (onAnimate) onAnimate();
  int count = imageList_ == nullptr ? 0 : imageList_->count();
  setImageIndex(imageIndex_ + 1 >= count ? 0 : imageIndex_ + 1);
}

void TrayIcon::mouseDown(MouseButton button, int x, int y) {
  if (onMouseDown) onMouseDown(button, x, y);
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

void PopupMenu::popup(int x, int y) { app_.popup(*this, x, y); }

}  // namespace kst::tk

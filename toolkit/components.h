#pragma once
// Components without a window of their own on a form: timers, the
// notification-area icon and pop-up menus.
#include <functional>
#include <memory>
#include <vector>

#include "toolkit/peer.h"
#include "toolkit/types.h"

namespace kst::tk {

class Application;
class Form;

class Timer {
 public:
  explicit Timer(Application& app, int interval = 1000);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  int interval() const { return interval_; }
  void setInterval(int interval);
  bool enabled() const { return enabled_; }
  // Switching on starts a full interval; switching an enabled timer on changes nothing.
  void setEnabled(bool enabled);
  void fire();
  std::function<void()> onTimer;

  Application& app() const { return app_; }
  void attachPeer(std::unique_ptr<Peer> peer) { peer_ = std::move(peer); }

 private:
  void notify(Property property) {
    if (peer_) peer_->changed(property);
  }
  Application& app_;
  int interval_;
  bool enabled_ = false;
  std::unique_ptr<Peer> peer_;
};

// What the shell tells of the icon, as it does since Windows Vista for an
// icon of NOTIFYICON_VERSION_4: presses of the mouse buttons, a select by
// the mouse (a click) or by the keyboard (Enter or Space once the user
// reached the icon, with Win+B and the arrows), and a context menu asked
// for by the mouse (a right click) or by the keyboard (Shift+F10 or the
// menu key).
enum class TrayEvent { LeftPress, MiddlePress, RightPress, Select, KeySelect, ContextMenu };

// The shell's notification area as an icon's backend offers it. Each call
// says whether the shell took it: the shell refuses an icon before it has
// started (at log-on) and forgets every icon when it restarts.
class NotificationArea {
 public:
  virtual ~NotificationArea() = default;
  virtual bool add(const Bitmap* picture, const Text& hint) = 0;
  virtual bool modify(const Bitmap* picture, const Text& hint) = 0;
  virtual void remove() = 0;
};

// A notification-area icon. It appears once its owner form has been
// created, and it stays in the notification area until it is hidden or
// destroyed: a shell that refuses or forgets it is asked again.
class TrayIcon {
 public:
  static constexpr size_t kMaxHintLength = 127;
  // The pause before a shell that refused the icon is asked again.
  static constexpr int kRetryInterval = 2000;
  // The time each picture of an animation is shown.
  static constexpr int kAnimationInterval = 1500;

  explicit TrayIcon(Form& owner);
  ~TrayIcon();
  Form& owner() const { return owner_; }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  const Text& hint() const { return hint_; }
  void setHint(const Text& hint);
  // The hint as the notification area keeps it.
  Text shownHint() const { return hint_.substr(0, kMaxHintLength); }
  const ImageList* imageList() const { return imageList_; }
  void setImageList(const ImageList* list);
  int imageIndex() const { return imageIndex_; }
  void setImageIndex(int index);
  // The picture the icon shows now, or nothing when the index has none.
  const Bitmap* currentImage() const;
  bool animate() const { return animation_.enabled(); }
  void setAnimate(bool on) { animation_.setEnabled(on); }
  bool visible() const { return visible_; }
  void setVisible(bool visible);
  // The pictures of the lists were drawn anew in their places: the shell
  // gets the current one again.
  void redraw();

  // One animation step: the event first, then the next picture.
  void animationStep();
  // A mouse button pressed on the icon, at screen position x, y.
  void mouseDown(MouseButton button, int x, int y);
  // What the shell told of the icon, at the screen position it gave: a
  // press is a mouse-down of its button; a select restores as a left press
  // does, and a context menu opens the menu there. The select and the
  // context menu that follow a click are the click's own: its press has
  // answered them already.
  void shellEvent(TrayEvent event, int x, int y);

  std::function<void()> onAnimate;
  std::function<void(MouseButton, int, int)> onMouseDown;
  // The shell made its task bar anew, perhaps at another scale: the
  // pictures may be drawn again before the icon goes back.
  std::function<void()> onShellRestart;

  // Backend side: the peer hears of every change and calls sync() when the
  // shell should hear of it; the area is where the icon lives.
  void attach(std::unique_ptr<Peer> peer, NotificationArea& area);
  // Brings the shell up to date, adding the icon where the shell lacks it.
  void sync();
  // The shell restarted with an empty notification area.
  void shellRestarted();

 private:
  void notify(Property property) {
    if (peer_) peer_->changed(property);
  }
  bool sendToShell(const Bitmap* picture, const Text& hint);
  Form& owner_;
  Text hint_;
  const ImageList* imageList_ = nullptr;
  int imageIndex_ = 0;
  bool visible_ = true;
  Timer animation_;
  Timer retry_;
  std::unique_ptr<Peer> peer_;
  NotificationArea* area_ = nullptr;
  bool placed_ = false;
  const Bitmap* sentPicture_ = nullptr;
  bool redrawn_ = false;
  // A press whose select or context menu the shell sends yet.
  bool leftClickUnfinished_ = false;
  bool rightClickUnfinished_ = false;
  Text sentHint_;
};

struct MenuItem {
  std::string name;
  Text caption;  // "-" is a separator
  std::function<void()> onClick;
};

class PopupMenu {
 public:
  explicit PopupMenu(Application& app) : app_(app) {}
  void add(MenuItem item) { items_.push_back(std::move(item)); }
  const std::vector<MenuItem>& items() const { return items_; }
  MenuItem* find(const std::string& name);
  void click(const std::string& name);
  void popup(int x, int y);

 private:
  Application& app_;
  std::vector<MenuItem> items_;
};

}  // namespace kst::tk

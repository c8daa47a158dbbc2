#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/controls.h"
#include "toolkit/peer.h"
#include "toolkit/types.h"

namespace kst::tk {

class Application;
class TrayIcon;

enum class FormPosition { Designed, ScreenCenter, MainFormCenter };
enum class WindowState { Normal, Minimized };

// A top-level window. Derived windows declare their controls as members,
// bind their handlers in the constructor and end it with finishCreate().
class Form {
 public:
  Form(Application& app, std::string className);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  Application& app() const { return app_; }
  const std::string& className() const { return className_; }

  const Text& caption() const { return caption_; }
  void setCaption(const Text& caption);
  // An empty bitmap shows the program's main icon. The task bar's button
  // and Alt+Tab show the large icon, made from its own picture where one
  // is given, as the task bar may be light where title bars are dark.
  const Bitmap& icon() const { return icon_; }
  const Bitmap& taskbarIcon() const { return taskbarIcon_.empty() ? icon_ : taskbarIcon_; }
  void setIcon(const Bitmap& icon, const Bitmap& taskbarIcon = Bitmap());

  int left() const { return left_; }
  int top() const { return top_; }
  void setPosition(int left, int top);
  int clientWidth() const { return clientWidth_; }
  int clientHeight() const { return clientHeight_; }
  void setClientSize(int width, int height);
  int outerWidth() const;
  int outerHeight() const;
  void setOuterHeight(int height);
  // The pixels per inch of the monitor the window is on.
  int pixelsPerInch() const { return pixelsPerInch_; }
  // A length, or a rectangle, of the 96-dpi design at the window's pixels
  // per inch.
  int scaled(int designed) const { return scaleLength(designed, pixelsPerInch_); }
  Rect scaled(const Rect& designed) const { return scaleRect(designed, pixelsPerInch_); }

  FormPosition position = FormPosition::Designed;
  bool hasSystemMenu = true;
  bool hasMinimizeBox = false;
  bool ownsTaskbarButton = false;
  bool keyPreview = false;
  bool showHints = false;
  Font font;

  bool visible() const { return visible_; }
  bool displayed() const { return displayed_; }
  WindowState windowState() const { return windowState_; }
  void setWindowState(WindowState state);

  void show();
  // A close request: asks onCloseQuery first.
  void close();
  ModalResult showModal();
  bool isModal() const { return modal_; }
  ModalResult modalResult() const { return modalResult_; }
  void setModalResult(ModalResult result) { modalResult_ = result; }

  Control* activeControl() const { return activeControl_; }
  // The control the native window is asked to focus.
  Control* focusRequest() const { return focusRequest_; }
  void focus(Control* control);
  void bringToFront();

  // Keyboard input before the focused control sees it; true when taken.
  bool keyDown(int virtualKey, bool shift);
  // A typed character; false when the form's key preview swallowed it.
  bool previewChar(char16_t& ch);
  bool accelerator(char16_t letter);

  const std::vector<Control*>& controls() const { return controls_; }
  Control* find(const std::string& name) const;
  Button* defaultButton() const;
  Button* cancelButton() const;

  std::function<void()> onCreate;
  std::function<void()> onShow;
  std::function<void()> onActivate;
  std::function<void()> onClose;
  std::function<void(bool&)> onCloseQuery;
  std::function<void(char16_t&)> onKeyPress;
  // After a move to a monitor of other pixels per inch has laid out the
  // form's own controls anew: what the window places at run time.
  std::function<void()> onDpiChange;
  // Windows' colours changed: light or dark mode, or a high-contrast theme
  // switched on or off.
  std::function<void()> onThemeChange;

  // Backend side.
  void attachPeer(std::unique_ptr<Peer> peer) { peer_ = std::move(peer); }
  Peer* peer() const { return peer_.get(); }
  uintptr_t nativeHandle = 0;
  void focusChanged(Control* control);
  // The user minimised or restored the native window.
  void windowStateChanged(WindowState state);
  // The window came onto a monitor of other pixels per inch, at this
  // position: it is laid out anew from its 96-dpi design, its fonts made
  // for that monitor, as if it had been made there.
  void dpiChanged(int pixelsPerInch, int left, int top);
  // The user moved the native window.
  void positionChanged(int left, int top) {
    left_ = left;
    top_ = top;
  }
  void activated();
  // Asks the close query alone; Windows does before a log-off, through
  // Application::queryEndSession.
  bool queryClose();
  void endModal();
  void adopt(Control& control);
  void disown(Control& control);
  // A notification-area icon of this form: it appears once the form is created.
  void adopt(TrayIcon& icon) { trayIcons_.push_back(&icon); }
  // Gives a control made after the form's creation its native counterpart.
  void realize(Control& control);

 protected:
  void finishCreate();

 private:
  void notify(Property property) {
    if (peer_) peer_->changed(property);
  }
  void placeForShowing();
  // Lays out the window's own controls from their 96-dpi design at its
  // pixels per inch, each label sized to its text there.
  void layOutFromDesign();
  void setVisible(bool visible);
  void closeAccepted();
  void selectNext(bool forward);

  Application& app_;
  std::string className_;
  Text caption_;
  Bitmap icon_;
  Bitmap taskbarIcon_;
  int left_ = 0, top_ = 0, clientWidth_ = 0, clientHeight_ = 0;
  int pixelsPerInch_ = 96;
  // The window's own controls and client size as designed at 96 pixels
  // per inch; controls made at run time are placed by the window.
  struct Design {
    int clientWidth = 0, clientHeight = 0;
    std::vector<std::pair<Control*, Rect>> bounds;
  } design_;
  bool visible_ = false;
  // On screen: set once the show handling has run and the window was placed.
  bool displayed_ = false;
  bool positioned_ = false;
  bool modal_ = false;
  WindowState windowState_ = WindowState::Normal;
  ModalResult modalResult_ = ModalResult::None;
  Control* activeControl_ = nullptr;
  Control* focusRequest_ = nullptr;
  std::vector<Control*> controls_;
  std::vector<TrayIcon*> trayIcons_;
  std::unique_ptr<Peer> peer_;
};

template <typename T>
std::unique_ptr<T> makeControl(Form& form, std::string name, int id) {
  auto control = std::make_unique<T>(form, std::move(name));
  control->id = id;
  form.realize(*control);
  return control;
}

}  // namespace kst::tk

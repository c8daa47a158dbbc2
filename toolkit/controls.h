#pragma once
#include <functional>
#include <memory>
#include <string>

#include "toolkit/peer.h"
#include "toolkit/types.h"

namespace kst::tk {

class Form;

class Control {
 public:
  Control(Form& form, std::string name);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& name() const { return name_; }
  Form& form() const { return form_; }

  const Rect& bounds() const { return bounds_; }
  void setBounds(Rect bounds);
  void setTop(int top);
  void setLeft(int left);
  int left() const { return bounds_.left; }
  int top() const { return bounds_.top; }
  int width() const { return bounds_.width; }
  int height() const { return bounds_.height; }

  const Text& text() const { return text_; }
  void setText(const Text& text);

  bool visible() const { return visible_; }
  void setVisible(bool visible);
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);

  const Font& font() const { return font_; }
  void setFont(const Font& font);
  void setFontColor(Color color);

  const Text& hint() const { return hint_; }
  bool showHint() const { return showHint_; }
  void setHint(const Text& hint, bool show);
  // Draws the control anew in the colours of the moment, as after a change
  // of the system's colours.
  void redraw() { notify(Property::Colors); }

  int tag = 0;
  // What a screen reader calls a control that has no text of its own to
  // name it, such as an edit field or a progress bar.
  Text accessibleName;
  // The native control's identifier within its window; 0 for none.
  int id = 0;
  int tabOrder = -1;
  bool tabStop = false;
  // Anchored to both edges, a control grows with the form; to the bottom
  // alone, it moves with the bottom edge.
  bool anchoredToTop = true;
  bool anchoredToBottom = false;

  virtual bool focusable() const { return false; }
  bool canFocus() const;
  bool focused() const;
  void setFocus();
  // The letter after "&" in the text, upper-cased, or 0.
  char16_t accelerator() const;

  // A user's click, as the native control or a test reports it.
  virtual void click();
  // The user's accelerator key (Alt+letter) for this control.
  virtual void activateByAccelerator();
  // A character typed while this control has the focus; returns whether it was taken.
  virtual bool typeChar(char16_t) { return false; }

  std::function<void()> onClick;
  std::function<void()> onEnter;
  std::function<void()> onExit;

  void attachPeer(std::unique_ptr<Peer> peer) { peer_ = std::move(peer); }
  Peer* peer() const { return peer_.get(); }
  // Called by the form after it moved the focus away and ran onExit.
  virtual void focusLeft() {}
  // Text typed into the native control by the user.
  void textEnteredByUser(const Text& text);

 protected:
  void notify(Property property) {
    if (peer_) peer_->changed(property);
  }
  virtual void textChanged() {}
  virtual void fontChanged() {}
  virtual void boundsChanged() {}

 private:
  Form& form_;
  std::string name_;
  Rect bounds_;
  Text text_;
  bool visible_ = true;
  bool enabled_ = true;
  Font font_;
  Text hint_;
  bool showHint_ = false;
  std::unique_ptr<Peer> peer_;
};

// A label's width follows its text in its font, whenever either changes;
// a right-aligned label keeps its right edge and grows to the left.
class Label : public Control {
 public:
  using Control::Control;
  bool rightAligned = false;
  bool transparent = false;
  // The control that the label's accelerator moves the focus to.
  Control* focusControl = nullptr;
  // The control that stands right of the label: the label grows no further
  // than its left edge, so that it covers none of it.
  const Control* leftOf = nullptr;
  void activateByAccelerator() override;
  // Sizes the label to its text, as far as the control right of it allows.
  void fitToText();

 protected:
  void textChanged() override { fitToText(); }
  void fontChanged() override { fitToText(); }
  void boundsChanged() override { fitToText(); }
};

class Button : public Control {
 public:
  using Control::Control;
  bool focusable() const override { return true; }
  bool isDefault = false;
  bool isCancel = false;
  ModalResult modalResult = ModalResult::None;
  // A caption colour other than the system's; the native button draws it itself.
  bool ownerDrawnCaption = false;
  void click() override;
  void activateByAccelerator() override { click(); }
};

// A button that is checked or not, and tells its peer when that changes.
class CheckableButton : public Control {
 public:
  using Control::Control;
  bool focusable() const override { return true; }
  bool checked() const { return checked_; }
  void setChecked(bool checked);

 protected:
  virtual void checkedChanged() {}

 private:
  bool checked_ = false;
};

// A check box that only reports focus; its state changes by program alone.
class CheckBox : public CheckableButton {
 public:
  using CheckableButton::CheckableButton;
  void click() override { setFocus(); }
  void activateByAccelerator() override { setFocus(); }
};

// Checking one unchecks its siblings on the same form and runs onClick.
class RadioButton : public CheckableButton {
 public:
  using CheckableButton::CheckableButton;
  void click() override;
  void activateByAccelerator() override { click(); }

 protected:
  void checkedChanged() override;
};

// A field the user types text into. Every character typed, the backspace
// included, goes the same way, and every change of the text runs onChange.
class Edit : public Control {
 public:
  using Control::Control;
  bool focusable() const override { return true; }
  bool centered = false;
  bool typeChar(char16_t c) override;
  // Runs before a typed character enters the field; may replace it.
  std::function<void(char16_t&)> onKeyPress;
  std::function<void()> onChange;

 protected:
  void textChanged() override;
};

// An edit for a whole number in a range, with arrows that step it.
class SpinEdit : public Edit {
 public:
  using Edit::Edit;
  int minValue = 0;
  int maxValue = 100;
  // The text read as a decimal integer; text that is none counts as the minimum.
  int value() const;
  // Brings the number into range; a different text runs onChange.
  void setValue(int value);
  void step(int delta) { setValue(value() + delta); }
  void focusLeft() override { setValue(value()); }
};

class Bevel : public Control {
 public:
  using Control::Control;
  bool sunken = false;
};

class Gauge : public Control {
 public:
  using Control::Control;
  int progress() const { return progress_; }
  void setProgress(int progress);
  Color foreColor() const { return foreColor_; }
  Color backColor() const { return backColor_; }
  void setForeColor(Color color);
  void setBackColor(Color color);
  int minValue = 0;
  int maxValue = 100;

 private:
  int progress_ = 0;
  Color foreColor_ = Color::rgb(0, 0, 0);
  Color backColor_ = Color::rgb(255, 255, 255);
};

// A picture stretched into its box with its proportions kept.
class Picture : public Control {
 public:
  using Control::Control;
  const Bitmap& bitmap() const { return bitmap_; }
  void setBitmap(Bitmap bitmap);

 private:
  Bitmap bitmap_;
};

// A button of a window's design: its caption, its place and its stop in
// the tab order.
void placeButton(Button& button, const Text& caption, Rect bounds, int tabOrder);

}  // namespace kst::tk

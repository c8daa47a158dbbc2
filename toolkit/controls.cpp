#include "toolkit/controls.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "toolkit/application.h"
#include "toolkit/form.h"

namespace kst::tk {

Control::Control(Form& form, std::string name) : form_(form), name_(std::move(name)) {
  font_ = form.font;
  form_.adopt(*this);
}

Control::~Control() {
  peer_.reset();
  form_.disown(*this);
}

void Control::setBounds(Rect bounds) {
  if (bounds == bounds_) return;
  bounds_ = bounds;
  notify(Property::Bounds);
  boundsChanged();
}

void Control::setTop(int top) { setBounds({bounds_.left, top, bounds_.width, bounds_.height}); }
void Control::setLeft(int left) { setBounds({left, bounds_.top, bounds_.width, bounds_.height}); }

void Control::setText(const Text& text) {
  if (text == text_) return;
  text_ = text;
  notify(Property::Text);
  textChanged();
}

void Control::textEnteredByUser(const Text& text) {
  if (text == text_) return;
  text_ = text;
  textChanged();
}

void Control::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  notify(Property::Visible);
}

void Control::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  notify(Property::Enabled);
}

void Control::setFont(const Font& font) {
  if (font == font_) return;
  font_ = font;
  notify(Property::Font);
  fontChanged();
}

void Control::setFontColor(Color color) {
  Font font = font_;
  font.color = color;
  setFont(font);
}

void Control::setHint(const Text& hint, bool show) {
  if (hint == hint_ && show == showHint_) return;
  hint_ = hint;
  showHint_ = show;
  notify(Property::Hint);
}

bool Control::canFocus() const { return focusable() && visible_ && enabled_; }
bool Control::focused() const { return form_.activeControl() == this; }
void Control::setFocus() { form_.focus(this); }

char16_t Control::accelerator() const {
  for (size_t i = 0; i + 1 < text_.size(); ++i) {
    if (text_[i] != u'&') continue;
    char16_t next = text_[i + 1];
    if (next == u'&') {
      ++i;
      continue;
    }
    return upperCaseLatinLetter(next);
  }
  return 0;
}

void Control::click() {
  if (enabled_ && visible_ && onClick) onClick();
}

void Control::activateByAccelerator() {}

void Label::activateByAccelerator() {
  if (focusControl != nullptr && focusControl->canFocus()) focusControl->setFocus();
}

void Label::fitToText() {
  const Rect& r = bounds();
  int width = form().app().textExtent(font(), text(), form().pixelsPerInch()).width;
  if (leftOf != nullptr && !rightAligned && leftOf->left() > r.left && r.left + width > leftOf->left()) {
    width = leftOf->left() - r.left;
  }
  if (width == r.width) return;
  setBounds({rightAligned ? r.left + r.width - width : r.left, r.top, width, r.height});
}

void Button::click() {
  if (!enabled() || !visible()) return;
  // As with dialog buttons everywhere, the button's result is set before its
  // handler runs, so the handler can still change or clear it.
  if (modalResult != ModalResult::None) form().setModalResult(modalResult);
  if (onClick) onClick();
}

void CheckableButton::setChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  notify(Property::Checked);
  checkedChanged();
}

void RadioButton::checkedChanged() {
  if (!checked()) return;
  for (Control* sibling : form().controls()) {
    auto* radio = dynamic_cast<RadioButton*>(sibling);
    if (radio != nullptr && radio != this) radio->setChecked(false);
  }
  if (onClick) onClick();
}

void RadioButton::click() {
  if (!enabled() || !visible()) return;
  setFocus();
  setChecked(true);
}

bool Edit::typeChar(char16_t c) {
  if (onKeyPress) onKeyPress(c);
  if (c == 0) return true;
  Text text = this->text();
  if (c == key::kBack) {
    if (!text.empty()) text.pop_back();
  } else {
    text += c;
  }
  setText(text);
  return true;
}

void Edit::textChanged() {
  if (onChange) onChange();
}

int SpinEdit::value() const {
  std::string digits = toUtf8(text());
  int number = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) return minValue;
  return number;
}

void SpinEdit::setValue(int value) { setText(decimal(std::clamp(value, minValue, maxValue))); }

void Gauge::setProgress(int progress) {
  progress = std::clamp(progress, minValue, maxValue);
  if (progress == progress_) return;
  progress_ = progress;
  notify(Property::Progress);
}

void Gauge::setForeColor(Color color) {
  if (color == foreColor_) return;
  foreColor_ = color;
  notify(Property::Colors);
}

void Gauge::setBackColor(Color color) {
  if (color == backColor_) return;
  backColor_ = color;
  notify(Property::Colors);
}

void Picture::setBitmap(Bitmap bitmap) {
  bitmap_ = std::move(bitmap);
  notify(Property::Picture);
}

void placeButton(Button& button, const Text& caption, Rect bounds, int tabOrder) {
  button.setText(caption);
  button.setBounds(bounds);
  button.tabOrder = tabOrder;
  button.tabStop = true;
}

}  // namespace kst::tk

#include "toolkit/application.h"

#include <algorithm>

#include "system/error.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace kst::tk {

void Application::showError(std::exception_ptr error) {
  Text text;
  try {
    std::rethrow_exception(error);
  } catch (const Error& e) {
    text = e.text();
  } catch (const std::exception& e) {
    text = fromUtf8(e.what());
  } catch (...) {
    text = u"Unknown error.";
  }
  messageDialog(text, DialogButtons::Ok);
}

ModalResult Application::messageDialog(const Text& text, DialogButtons buttons) {
  aboutToWaitForUser();
  if (!endingSession_) return showMessageDialog(text, buttons);
  setShutdownBlockReason(text.substr(0, text.find(u'\r')));
  ModalResult result = showMessageDialog(text, buttons);
  setShutdownBlockReason(Text());
  return result;
}

bool Application::queryEndSession(Form& form) {
  struct WhileWindowsWaits {
    bool& ending;
    explicit WhileWindowsWaits(bool& flag) : ending(flag) { ending = true; }
    ~WhileWindowsWaits() { ending = false; }
  } waiting(endingSession_);
  return form.queryClose();
}

void Application::systemColorsChanged(bool highContrast) {
  const bool switched = highContrast != highContrast_;
  highContrast_ = highContrast;
  for (Form* form : forms_) {
    for (Control* control : form->controls()) control->redraw();
  }
  if (switched) themeChanged();
}

void Application::themeChanged() {
  for (Form* form : forms_) {
    if (form->onThemeChange) form->onThemeChange();
  }
}

void Application::unregisterForm(Form& form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), &form), forms_.end());
}

}  // namespace kst::tk

#include "toolkit/application.h"

#include <algorithm>

#include "system/error.h"

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

void Application::unregisterForm(Form& form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), &form), forms_.end());
}

}  // namespace kst::tk

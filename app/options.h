#pragma once
#include "toolkit/form.h"

namespace kst {

// The options window: created at start-up like every window, never shown.
class Tf_options : public tk::Form {
 public:
  explicit Tf_options(tk::Application& app) : tk::Form(app, "Tf_options") {
    setClientSize(300, 200);
    finishCreate();
  }
};

}  // namespace kst

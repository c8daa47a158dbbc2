#include "app/entry/program.h"

#include "app/kst_main.h"
#include "battery/choose.h"
#include "battery/u_newBatteryID.h"
#include "help/help.h"
#include "settings/model/registry_access.h"
#include "settings/threshold_editor.h"
#include "system/services.h"

namespace kst {
namespace {

Program* theProgram = nullptr;

void resetModuleState() {
  reachCurrentUserIn(Text());
  programArguments.clear();
  currentBarcode.clear();
  knownBarcodes.clear();
  firstInstID = 0;
  valueChanged = false;
  autoCorrectEnabled = false;
  inFormShow = false;
}

template <typename Window>
Window& made(std::unique_ptr<Window>& window, tk::Application& app) {
  if (!window) window = std::make_unique<Window>(app);
  return *window;
}

}  // namespace

Program::Program(tk::Application& app) : app_(app) {
  resetModuleState();
  // A hand-over from the instance that started this one is taken off the
  // arguments before anything reads them, and decides whose HKCU is reached.
  StartArguments start = takeHandOver(argumentsAfterProgramName(sys::shell().commandLine()));
  if (start.handOver && !actForHandingUser(*start.handOver)) start.handOver.reset();
  programArguments = start.passedOn;
  theProgram = this;
  mainform_ = std::make_unique<Tkst_mainform>(app);
  kst_mainform = mainform_.get();
  if (start.handOver) {
    app_.afterFirstShowing = [this, handOver = *start.handOver] { mainform_->finishHandOver(handOver); };
  }
}

Program::~Program() {
  app_.afterFirstShowing = nullptr;
  newBarcode_.reset();
  chooser_.reset();
  help_.reset();
  mainform_.reset();
  kst_mainform = nullptr;
  theProgram = nullptr;
  reachCurrentUserIn(Text());
}

Tf_help& Program::help() { return made(help_, app_); }
TchooseBattery& Program::chooser() { return made(chooser_, app_); }
TnewBatteryID& Program::newBarcode() { return made(newBarcode_, app_); }

Tf_help& f_help() { return theProgram->help(); }
TchooseBattery& chooseBattery() { return theProgram->chooser(); }
TnewBatteryID& newBatteryID() { return theProgram->newBarcode(); }

int runProgram(tk::Application& app) {
  app.setTitle(productName);
  try {
    Program program(app);
    app.run();
  } catch (...) {
    // A window that Windows would not make: the program cannot run without it.
    app.showError(std::current_exception());
    return 1;
  }
  return 0;
}

}  // namespace kst

#include "app/program.h"

#include "app/kst_main.h"
#include "app/options.h"
#include "battery/choose.h"
#include "battery/u_newBatteryID.h"
#include "help/help.h"

namespace kst {
namespace {

void resetModuleState() {
  currentBarcode.clear();
  knownBarcodes.clear();
  firstInstID = 0;
  valueChanged = false;
  autoCorrectEnabled = false;
  inFormShow = false;
}

template <typename Window>
std::unique_ptr<Window> create(tk::Application& app, Window*& instance) {
  auto window = std::make_unique<Window>(app);
  instance = window.get();
  return window;
}

}  // namespace

Program::Program(tk::Application& app) {
  resetModuleState();
  mainform = create(app, kst_mainform);
  help = create(app, f_help);
  chooser = create(app, chooseBattery);
  newBarcode = create(app, newBatteryID);
  options = create(app, f_options);
}

Program::~Program() {
  options.reset();
  newBarcode.reset();
  chooser.reset();
  help.reset();
  mainform.reset();
  kst_mainform = nullptr;
  f_help = nullptr;
  chooseBattery = nullptr;
  newBatteryID = nullptr;
  f_options = nullptr;
}

int runProgram(tk::Application& app) {
  app.setTitle(productName);
  Program program(app);
  app.run();
  return 0;
}

}  // namespace kst

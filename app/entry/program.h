#pragma once
#include <memory>

#include "app/state/module_state.h"
#include "toolkit/application.h"

namespace kst {

// The program's windows. The main window is made at start; the help window,
// the battery chooser and the new-barcode dialog when they are first
// needed, since many a start opens none of them. Once made, each lives
// until the program ends and is reused.
class Program {
 public:
  explicit Program(tk::Application& app);
  ~Program();

  Tkst_mainform& mainform() { return *mainform_; }
  Tf_help& help();
  TchooseBattery& chooser();
  TnewBatteryID& newBarcode();

 private:
  tk::Application& app_;
  std::unique_ptr<Tkst_mainform> mainform_;
  std::unique_ptr<Tf_help> help_;
  std::unique_ptr<TchooseBattery> chooser_;
  std::unique_ptr<TnewBatteryID> newBarcode_;
};

// The program entry over an initialised application: title, windows, loop.
int runProgram(tk::Application& app);

}  // namespace kst

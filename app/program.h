#pragma once
#include <memory>

#include "toolkit/application.h"

namespace kst {

class Tkst_mainform;
class Tf_help;
class TchooseBattery;
class TnewBatteryID;
class Tf_options;

// The five windows, created in order; they live until the program ends.
class Program {
 public:
  explicit Program(tk::Application& app);
  ~Program();

  std::unique_ptr<Tkst_mainform> mainform;
  std::unique_ptr<Tf_help> help;
  std::unique_ptr<TchooseBattery> chooser;
  std::unique_ptr<TnewBatteryID> newBarcode;
  std::unique_ptr<Tf_options> options;
};

// The program entry over an initialised application: title, windows, loop.
int runProgram(tk::Application& app);

}  // namespace kst

// Arbitrary power status records through the sampling and the status
// display's texts over the headless program.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "app/kst_main.h"
#include "app/entry/program.h"
#include "status/model/power_status.h"
#include "system/sim/sim_services.h"
#include "toolkit/headless/headless_app.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kst;
  static sys::sim::SimSystem sim;
  static tk::headless::HeadlessApplication app;
  static std::unique_ptr<Program> program = [] {
    app.setTitle(productName);
    return std::make_unique<Program>(app);
  }();
  if (size < 7) return 0;
  sys::PowerStatusRecord& record = sim.power.record;
  record.acLineStatus = data[0];
  record.batteryFlag = data[1];
  record.batteryLifePercent = data[2];
  std::memcpy(&record.batteryLifeTime, data + 3, 4);
  sim.power.succeeds = size < 8 || data[7] != 0;
  int percent = 0, secondsLeft = 0;
  PowerState state = getPowerStatus(percent, secondsLeft);
  if (state < NoBattery || state > Discharging || percent < -1 || percent > 254 || secondsLeft < 0) __builtin_trap();
  Tkst_mainform& main = program->mainform();
  main.updateBatteryStatus();
  if (main.caption().empty() || main.TrayIcon.hint().rfind(productName + u"\r\n", 0) != 0) __builtin_trap();
  if (main.TrayIcon.shownHint().size() > 127) __builtin_trap();
  if (main.TrayIcon.animate() != (state == Charging)) __builtin_trap();
  return 0;
}

// The costs of the three things the program does most, over the simulated
// store: one status update, one Get Values, one save for all batteries with
// ten known barcodes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/kst_main.h"
#include "app/entry/program.h"
#include "system/sim/sim_services.h"
#include "toolkit/headless/headless_app.h"

namespace {

using namespace kst;

struct Running {
  sys::sim::SimSystem sim;
  tk::headless::HeadlessApplication app;
  std::unique_ptr<Program> program;

  explicit Running(int barcodes) {
    auto put = [&](const Text& path) {
      for (const Text& name : {store::kChargeStartControl, store::kChargeStopControl}) {
        sim.registry.put(sys::RootKey::CurrentUser, path, name, sys::dwordValue(1));
      }
      sim.registry.put(sys::RootKey::CurrentUser, path, store::kChargeStartPercentage, sys::dwordValue(40));
      sim.registry.put(sys::RootKey::CurrentUser, path, store::kChargeStopPercentage, sys::dwordValue(80));
    };
    put(store::kUserDataKey);
    for (int i = 0; i < barcodes; ++i) put(store::kUserDataKey + u"\\1ZZ" + decimal(1000 + i) + u"ABCD");
    sim.power.setDischarging(45, 5400);
    app.setTitle(productName);
    program = std::make_unique<Program>(app);
    app.run();
  }
};

void StatusUpdate(benchmark::State& state) {
  Running running(0);
  for (auto _ : state) {
    running.program->mainform().updateBatteryStatus();
    running.sim.registry.forgetCalls();
  }
}
BENCHMARK(StatusUpdate);

void GetValues(benchmark::State& state) {
  Running running(10);
  for (auto _ : state) {
    running.program->mainform().btGetValues.click();
    running.sim.registry.forgetCalls();
  }
}
BENCHMARK(GetValues);

void SaveAllBatteriesTenBarcodes(benchmark::State& state) {
  Running running(10);
  for (auto _ : state) {
    running.program->mainform().btSaveSettings.click();
    running.app.dialogs.clear();
    running.sim.registry.forgetCalls();
  }
}
BENCHMARK(SaveAllBatteriesTenBarcodes);

}  // namespace

// Run with "--status-updates N" it only does N status updates, for callgrind.
int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--status-updates") == 0) {
    Running running(0);
    for (int i = std::atoi(argv[2]); i > 0; --i) running.program->mainform().updateBatteryStatus();
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}

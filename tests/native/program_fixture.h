#pragma once
// The whole program over the headless toolkit and the simulated system: a
// test seeds the store and the battery, starts the program, and acts and
// looks as a user would.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/kst_main.h"
#include "app/entry/program.h"
#include "battery/choose.h"
#include "battery/u_newBatteryID.h"
#include "help/help.h"
#include "settings/model/threshold_store.h"
#include "system/sim/sim_services.h"
#include "toolkit/headless/headless_app.h"

namespace kst::testing {

using sys::RootKey;
using tk::DialogButtons;
using tk::ModalResult;

inline RootKey rootOf(const Text& abbreviation) {
  return abbreviation == store::kMachine ? RootKey::LocalMachine : RootKey::CurrentUser;
}

// The notice after a save, as the help window's two note lines make it.
inline const Text kNotice =
    u"Please note:  In order to get the new settings working, you have to disconnect the power supply, "
    u"restart Windows and wait for the charging level to fall under the low charging threshold you have been "
    u"setting.";

// The four threshold values of a key set as the power manager stores them.
struct Thresholds {
  uint32_t startControl = 1, stopControl = 1, startPercent = 40, stopPercent = 80;
};

class ProgramTest : public ::testing::Test {
 protected:
  sys::sim::SimSystem sim;
  tk::headless::HeadlessApplication app;
  std::unique_ptr<tk::headless::HeadlessApplication> elevatedApp;
  std::unique_ptr<Program> program;

  void TearDown() override { program.reset(); }

  // Creates the five windows without showing any.
  Tkst_mainform& create() {
    app.setTitle(productName);
    program = std::make_unique<Program>(app);
    return program->mainform();
  }
  // Creates the windows and runs the event loop's first showing.
  Tkst_mainform& start() {
    create();
    app.run();
    return program->mainform();
  }
  // The elevated copy that the last "runas" start made, on the same store
  // with administrator rights, after this instance ended: its first showing
  // is done when this returns. It runs under the same account, or under
  // the one given, as when a standard user types an administrator's
  // password into the elevation prompt.
  tk::headless::HeadlessApplication& startElevatedCopy(const Text& account = {}) {
    program.reset();
    elevatedApp = std::make_unique<tk::headless::HeadlessApplication>();
    elevatedApp->setTitle(productName);
    sim.registry.administrator = true;
    sim.account.token = sys::TokenKind::Elevated;
    if (!account.empty()) sim.registry.currentUser = account;
    sim.shell.processCommandLine = u"\"" + sim.shell.exePath + u"\" " + sim.shell.calls.back().parameters;
    program = std::make_unique<Program>(*elevatedApp);
    elevatedApp->run();
    return *elevatedApp;
  }
  Tkst_mainform& main() { return program->mainform(); }
  Tf_help& help() { return program->help(); }
  TchooseBattery& chooser() { return program->chooser(); }
  TnewBatteryID& newBarcodeDialog() { return program->newBarcode(); }

  void seed(const store::KeySet& keySet, const Thresholds& t) {
    RootKey root = rootOf(keySet.root);
    sim.registry.put(root, keySet.path, store::kChargeStartControl, sys::dwordValue(t.startControl));
    sim.registry.put(root, keySet.path, store::kChargeStopControl, sys::dwordValue(t.stopControl));
    sim.registry.put(root, keySet.path, store::kChargeStartPercentage, sys::dwordValue(t.startPercent));
    sim.registry.put(root, keySet.path, store::kChargeStopPercentage, sys::dwordValue(t.stopPercent));
  }
  // The power manager's user keys with general thresholds.
  void seedUserData(const Thresholds& t = {}) { seed({store::kUser, store::kUserDataKey}, t); }
  void seedBattery(const Text& barcode, const Thresholds& t = {}) { seed(store::userDataKeyOf(barcode), t); }

  std::optional<uint32_t> stored(const store::KeySet& keySet, const Text& name) const {
    return sim.registry.getDword(rootOf(keySet.root), keySet.path, name);
  }
  // The six values of a key set in write order; missing ones read -1.
  std::vector<long long> storedSet(const store::KeySet& keySet) const {
    std::vector<long long> values;
    for (const Text& name : {store::kChargeStartControl, store::kChargeStopControl, store::kChargeStartPercentage,
                             store::kChargeStopPercentage, store::kAutomatic, store::kFirstInstID}) {
      auto value = stored(keySet, name);
      values.push_back(value ? static_cast<long long>(*value) : -1);
    }
    return values;
  }

  static std::vector<Text> dialogTexts(const tk::headless::HeadlessApplication& shown) {
    std::vector<Text> texts;
    for (const auto& dialog : shown.dialogs) texts.push_back(dialog.text);
    return texts;
  }
  std::vector<Text> dialogTexts() const { return dialogTexts(app); }
  size_t dialogCount(const Text& text) const {
    size_t count = 0;
    for (const auto& dialog : app.dialogs) count += dialog.text == text;
    return count;
  }
  size_t modalCount(const std::string& formClass) const {
    return static_cast<size_t>(std::count(app.modalsShown.begin(), app.modalsShown.end(), formClass));
  }
  // Selects a spin edit's number and types another over it, as a user would.
  void typeInto(tk::SpinEdit& edit, const Text& text) {
    edit.setFocus();
    edit.textEnteredByUser(text);
  }
  // Moves the focus on with Tab, as a user leaving the control would.
  void tabAway() { main().keyDown(tk::key::kTab, false); }
};

std::string utf8(const Text& text);

// Where a control stands in its window's design at 96 pixels per inch, its
// tab order (-1: none) and whether Tab stops at it. A width of 0 stands
// for a label's: as wide as its text.
struct Placed {
  std::string name;
  tk::Rect bounds;
  int tabOrder = -1;
  bool tabStop = true;
};
void expectPlaced(const tk::Form& window, const std::vector<Placed>& design);

}  // namespace kst::testing

namespace kst {
// Readable failures for the program's own types.
void PrintTo(const Text& text, std::ostream* out);
namespace tk {
void PrintTo(const Rect& rect, std::ostream* out);
}
}  // namespace kst

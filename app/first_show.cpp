// The main window's first showing, its placement and every close request.
#include <algorithm>
#include <optional>

#include "app/kst_main.h"
#include "battery/barcodes.h"
#include "settings/model/registry_access.h"

namespace kst {
namespace {

// Loading the thresholds, gathering the barcodes and showing the status come
// back to the same keys again and again: the first showing opens each once.
// A message or the help window on the way waits for the user, who may change
// the registry meanwhile; from then on every read opens its key anew.
class FirstShowingKeys {
 public:
  explicit FirstShowingKeys(tk::Application& app) : app_(app) {
    app_.beforeWaitingForUser = [this] { keys_.reset(); };
  }
  ~FirstShowingKeys() { app_.beforeWaitingForUser = nullptr; }
  FirstShowingKeys(const FirstShowingKeys&) = delete;
  FirstShowingKeys& operator=(const FirstShowingKeys&) = delete;

 private:
  tk::Application& app_;
  std::optional<KeysOpenedOnce> keys_{std::in_place};
};

}  // namespace

void Tkst_mainform::FormShow() {
  app().setHintHidePause(kHintHidePause);
  inFormShow = true;
  const FirstShowingKeys keys(app());
  setDefaultThresholds();
  currentBarcode.clear();
  // An error while loading is shown, and start-up still goes on: the rest
  // of the program relies on the status shown, the timer running and
  // inFormShow false again.
  app().guarded([this] { btGetValues.click(); });
  resetValueChanged();
  app().guarded([] { collectBarcodes(); });
  updateBatteryStatus();
  lbNoBattery.setFontColor(noBatteryColor);
  BatteryStatusTimer.setEnabled(true);
  showApp();
  inFormShow = false;
}

void Tkst_mainform::centreInWorkArea() {
  tk::Rect area = app().screen().workArea;
  int left = area.left + (area.width - outerWidth()) / 2;
  int top = area.top + (area.height - outerHeight()) / 2;
  setPosition(std::max(left, 0), std::max(top, 0));
}

void Tkst_mainform::FormCloseQuery(bool& canClose) { canClose = askForSaving(true); }

void Tkst_mainform::btOptionsClick() { TrayMenu.click("tmInfo"); }

}  // namespace kst

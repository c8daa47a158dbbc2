// The main window's first showing, its placement and every close request.
#include <algorithm>

#include "app/kst_main.h"
#include "battery/barcodes.h"

namespace kst {

void Tkst_mainform::FormShow() {
  app().setHintHidePause(kHintHidePause);
  inFormShow = true;
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

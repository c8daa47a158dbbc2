// The dialog in which the user types the barcode of a battery the store
// does not know yet.
#include "battery/u_newBatteryID.h"

#include "app/state/module_state.h"
#include "battery/model/barcode_rules.h"
#include "resources/battery_label.h"
#include "resources/identified_controls.h"

namespace kst {

TnewBatteryID::TnewBatteryID(tk::Application& app) : tk::Form(app, "TnewBatteryID") {
  setClientSize(684, 219);
  hasSystemMenu = false;
  keyPreview = true;
  position = tk::FormPosition::MainFormCenter;
  Bevel1.setBounds({12, 8, 660, 201});
  Label1.setText(
      u"If the barcode of your battery is not recognized you can add the code - provided that you know it. ");
  Label1.setBounds({32, 24, 620, 13});
  Label2.setText(u"Remove the battery and look for the label.  The last 11 characters represent the barcode.");
  Label2.setBounds({32, 40, 620, 13});
  imBattery.setBounds({32, 61, 618, 104});
  imBattery.setBitmap(resources::decodeBatteryLabel());
  imBattery.accessibleName = u"A battery's label: the barcode is its last 11 characters";
  tk::placeButton(btCancel, u"&Cancel", {32, 174, 88, 25}, 0);
  btCancel.isCancel = true;
  btCancel.modalResult = tk::ModalResult::Cancel;
  Label3.setText(u"Enter the &barcode of your battery: ");
  Label3.setBounds({140, 178, 175, 13});
  Label3.focusControl = &edNewBatteryID;
  edNewBatteryID.setBounds({318, 175, 121, 21});
  edNewBatteryID.centered = true;
  edNewBatteryID.tabOrder = 2;
  edNewBatteryID.tabStop = true;
  tk::placeButton(btApply, u"&Apply", {456, 174, 194, 25}, 1);
  btApply.isDefault = true;
  btApply.modalResult = tk::ModalResult::Ok;
  focus(&edNewBatteryID);

  onCreate = [this] { FormCreate(); };
  onKeyPress = [this](char16_t& key) { FormKeyPress(key); };
  edNewBatteryID.onKeyPress = [this](char16_t& key) { edNewBatteryIDKeyPress(key); };
  edNewBatteryID.onChange = [this] { edNewBatteryIDChange(); };
  identifyControls(*this);
  finishCreate();
}

void TnewBatteryID::FormCreate() { setCaption(productName + u" - add a new battery barcode"); }

void TnewBatteryID::FormKeyPress(char16_t& key) {
  if (key == tk::key::kEscape) setModalResult(tk::ModalResult::Cancel);
}

void TnewBatteryID::edNewBatteryIDKeyPress(char16_t& key) { key = upperCaseLatinLetter(key); }

void TnewBatteryID::edNewBatteryIDChange() {
  edNewBatteryID.setFontColor(isValidBatteryIDText(edNewBatteryID.text()) ? kValidBarcodeColor : kInvalidBarcodeColor);
}

std::optional<Text> TnewBatteryID::askForBarcode() {
  if (showModal() != tk::ModalResult::Ok) return std::nullopt;
  return edNewBatteryID.text();
}

}  // namespace kst

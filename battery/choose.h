#pragma once
#include <memory>
#include <vector>

#include "toolkit/form.h"

namespace kst {

// The barcode behind a radio button's caption: without the blank at each
// end, upper-cased.
Text captionToBarcode(const Text& caption);

class TchooseBattery : public tk::Form {
 public:
  explicit TchooseBattery(tk::Application& app);

  tk::Bevel bvChoose{*this, "bvChoose"};
  tk::Label lbChoose{*this, "lbChoose"};
  tk::Button btRemove{*this, "btRemove"};
  tk::Button btCancel{*this, "btCancel"};
  tk::Button btOk{*this, "btOk"};
  std::vector<std::unique_ptr<tk::RadioButton>> batteryRadioButtons;
  bool currentSettingsRemoved = false;

  void FormCreate();
  void FormShow();
  void FormActivate();
  void FormClose();
  void FormKeyPress(char16_t& key);
  void addRadioButton(const Text& capt);
  void rbBatteryClicked();
  void btOkClick();
  void btCancelClick();
  void btRemoveClick();

 private:
  // Where choice number index stands before the shift of shiftChoices().
  tk::Rect unshiftedChoice(int index) const;
  // Moves the choices down and places the label, by how many there are.
  void shiftChoices();
  // The outer height that shows every choice, never less than the main window's.
  void fitHeightToChoices();
  void takeNewBarcode(tk::ModalResult& result);
};

}  // namespace kst

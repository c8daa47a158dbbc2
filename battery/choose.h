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
  // How far the choices and the label stand below their places in the
  // 96-dpi design, by how many choices there are.
  struct Shift {
    int choices, label;
  };
  Shift shift() const;
  // Where choice number index stands in the 96-dpi design.
  tk::Rect designedChoice(int index) const;
  // Places the choices and the label at the dialog's pixels per inch.
  void placeChoices();
  // The outer height that shows every choice, never less than the main window's.
  void fitHeightToChoices();
  // The new barcode the user types, selected where it may be: the chooser's
  // result, None to keep it open for another choice.
  tk::ModalResult takeNewBarcode();
  tk::ModalResult selectTypedBarcode(const Text& barcode);
};

}  // namespace kst

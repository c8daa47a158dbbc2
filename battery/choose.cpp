// The battery chooser: all batteries, one known battery or a new one, and
// removing one battery's stored thresholds.
#include "battery/choose.h"

#include "app/kst_main.h"
#include "resources/identified_controls.h"
#include "battery/barcodes.h"
#include "battery/u_newBatteryID.h"
#include "resources/control_ids.h"
#include "settings/model/registry_access.h"

namespace kst {
namespace {

// The label, the Remove button and the bottom buttons' height as designed
// at 96 pixels per inch; the choices are placed in the same design and
// scaled by the same rule.
constexpr tk::Rect kLabelDesign{36, 18, 160, 13};
constexpr tk::Rect kRemoveDesign{154, 62, 55, 22};
constexpr int kBottomButtonHeight = 24;

}  // namespace

Text captionToBarcode(const Text& caption) {
  if (caption.size() < 2) return {};
  return upperCaseText(caption.substr(1, caption.size() - 2));
}

TchooseBattery::TchooseBattery(tk::Application& app) : tk::Form(app, "TchooseBattery") {
  setClientSize(247, 161);
  hasSystemMenu = false;
  keyPreview = true;
  showHints = true;
  bvChoose.setBounds({8, 8, 231, 147});
  bvChoose.anchoredToBottom = true;
  lbChoose.setText(u"Edit charging thresholds for ...");
  lbChoose.setBounds(kLabelDesign);
  tk::placeButton(btRemove, u"&Remove", kRemoveDesign, 0);
  btRemove.setHint(u" click here, to remove settings for choosed battery from registry ", true);
  tk::placeButton(btCancel, u"&Cancel", {36, 120, 84, kBottomButtonHeight}, 1);
  btCancel.isCancel = true;
  btCancel.modalResult = tk::ModalResult::Cancel;
  tk::placeButton(btOk, u"&Ok", {125, 120, 84, kBottomButtonHeight}, 2);
  btOk.isDefault = true;
  for (tk::Button* button : {&btCancel, &btOk}) {
    button->anchoredToTop = false;
    button->anchoredToBottom = true;
  }
  focus(&btOk);

  onCreate = [this] { FormCreate(); };
  onShow = [this] { FormShow(); };
  onActivate = [this] { FormActivate(); };
  onClose = [this] { FormClose(); };
  onKeyPress = [this](char16_t& key) { FormKeyPress(key); };
  onDpiChange = [this] {
    placeChoices();
    fitHeightToChoices();
    rbBatteryClicked();
  };
  btRemove.onClick = [this] { btRemoveClick(); };
  btCancel.onClick = [this] { btCancelClick(); };
  btOk.onClick = [this] { btOkClick(); };
  identifyControls(*this);
  finishCreate();
}

void TchooseBattery::FormCreate() { setCaption(productName); }

void TchooseBattery::FormShow() {
  currentSettingsRemoved = false;
  batteryRadioButtons.clear();
  addRadioButton(u"all &batteries");
  batteryRadioButtons.front()->setChecked(true);
  focus(batteryRadioButtons.front().get());
  for (const Text& barcode : knownBarcodes) addRadioButton(barcode);
  addRadioButton(u"a &new battery");
  placeChoices();
  const Text selection = upperCaseText(currentBarcode);
  for (auto& radio : batteryRadioButtons) {
    if (captionToBarcode(radio->text()) == selection) {
      radio->setChecked(true);
      focus(radio.get());
    }
  }
}

// Two or three choices stand lower, and the label with them.
TchooseBattery::Shift TchooseBattery::shift() const {
  switch (batteryRadioButtons.size()) {
    case 2: return {10, 4};
    case 3: return {8, 8};
    default: return {0, 0};
  }
}

tk::Rect TchooseBattery::designedChoice(int index) const {
  int left = kLabelDesign.left, firstTop = 40, rowStep = 20;
  if (knownBarcodes.empty()) {
    left += 40;
    firstTop = 44;
  }
  if (knownBarcodes.size() > 1) {
    rowStep = 18;
    firstTop = 38;
  }
  return {left, index * rowStep + firstTop + shift().choices, 118, 17};
}

void TchooseBattery::placeChoices() {
  lbChoose.setTop(scaled(kLabelDesign.top + shift().label));
  for (size_t i = 0; i < batteryRadioButtons.size(); ++i) {
    batteryRadioButtons[i]->setBounds(scaled(designedChoice(static_cast<int>(i))));
  }
}

void TchooseBattery::addRadioButton(const Text& capt) {
  btRemove.setVisible(!knownBarcodes.empty());
  int index = static_cast<int>(batteryRadioButtons.size());
  auto radio =
      tk::makeControl<tk::RadioButton>(*this, "rbBattery" + std::to_string(index), ids::kFirstBatteryChoice + index);
  radio->setBounds(scaled(designedChoice(index)));
  radio->setText(u" " + capt + u" ");
  radio->tag = index;
  radio->setFont(lbChoose.font());
  radio->tabStop = true;
  radio->tabOrder = 3 + index;
  radio->onClick = [this] { rbBatteryClicked(); };
  batteryRadioButtons.push_back(std::move(radio));
}

void TchooseBattery::FormActivate() {
  Tkst_mainform& main = *kst_mainform;
  int left = main.left() + main.outerWidth() + 10;
  if (left + outerWidth() > app().screen().width) left = main.left() - outerWidth() - 10;
  setPosition(left, main.top());
  fitHeightToChoices();
  rbBatteryClicked();
  setIcon(main.icon());
  main.BatteryStatusTimer.setEnabled(false);
}

void TchooseBattery::fitHeightToChoices() {
  const int lastTop = designedChoice(static_cast<int>(batteryRadioButtons.size()) - 1).top;
  int height = scaled(lastTop + kBottomButtonHeight + 70);
  if (kst_mainform->outerHeight() > height) height = kst_mainform->outerHeight();
  setOuterHeight(height);
}

void TchooseBattery::FormClose() {
  kst_mainform->BatteryStatusTimerTick();
  kst_mainform->BatteryStatusTimer.setEnabled(true);
}

void TchooseBattery::FormKeyPress(char16_t& key) {
  if (key == tk::key::kEscape) btCancel.click();
}

void TchooseBattery::rbBatteryClicked() {
  btRemove.setEnabled(false);
  const size_t last = batteryRadioButtons.size() - 1;
  for (size_t i = 0; i < batteryRadioButtons.size(); ++i) {
    if (!batteryRadioButtons[i]->checked()) continue;
    if (i != 0 && i != last) btRemove.setEnabled(true);
    btRemove.setBounds(scaled(
        {kRemoveDesign.left, designedChoice(static_cast<int>(i)).top - 2, kRemoveDesign.width, kRemoveDesign.height}));
    btRemove.tag = static_cast<int>(i);
  }
}

tk::ModalResult TchooseBattery::takeNewBarcode() {
  const std::optional<Text> typed = newBatteryID().askForBarcode();
  if (!typed || typed->empty()) return tk::ModalResult::Cancel;
  return selectTypedBarcode(*typed);
}

tk::ModalResult TchooseBattery::selectTypedBarcode(const Text& barcode) {
  if (kst_mainform->isValidBatteryID(barcode)) {
    currentBarcode = barcode;
    return tk::ModalResult::Ok;
  }
  if (auto why = store::whyNotABarcode(barcode)) {
    // The barcode becomes part of key paths: one that names other keys than
    // this battery's would have Save write into them and Remove delete them.
    app().messageDialog(u"The barcode you entered cannot be used, because " + *why + u":  " + barcode,
                        tk::DialogButtons::Ok);
    return tk::ModalResult::None;
  }
  if (app().messageDialog(u"The barcode you entered seems to be not valid:  " + barcode + u"\r\n" +
                              u"Do you want to use that barcode anyway?",
                          tk::DialogButtons::YesNo) != tk::ModalResult::Yes) {
    return tk::ModalResult::None;
  }
  currentBarcode = barcode;
  return tk::ModalResult::Ok;
}

void TchooseBattery::btOkClick() {
  tk::ModalResult result = tk::ModalResult::Ok;
  if (batteryRadioButtons.front()->checked()) {
    currentBarcode.clear();
  } else if (batteryRadioButtons.back()->checked()) {
    result = takeNewBarcode();
  } else {
    for (size_t i = 1; i + 1 < batteryRadioButtons.size(); ++i) {
      if (batteryRadioButtons[i]->checked()) currentBarcode = captionToBarcode(batteryRadioButtons[i]->text());
    }
  }
  setModalResult(result);
}

void TchooseBattery::btCancelClick() {
  if (currentSettingsRemoved) valueChanged = true;
  setModalResult(tk::ModalResult::Cancel);
}

void TchooseBattery::btRemoveClick() {
  const size_t index = static_cast<size_t>(btRemove.tag);
  const Text barcode = captionToBarcode(batteryRadioButtons.at(index)->text());
  if (app().messageDialog(u"Remove specific settings from registry?\r\nBattery barcode:  " + barcode,
                          tk::DialogButtons::YesNo) != tk::ModalResult::Yes) {
    return;
  }
  if (!kst_mainform->removeBatterySettings(barcode)) {
    // The elevated copy finishes the removal; this instance only ends.
    if (kst_mainform->handedOverToElevatedCopy()) setModalResult(tk::ModalResult::Cancel);
    return;
  }
  batteryRadioButtons[index]->setEnabled(false);
  tk::RadioButton& next = *batteryRadioButtons.at(index + 1);
  next.setChecked(true);
  focus(&next);
  if (upperCaseText(barcode) == upperCaseText(currentBarcode)) currentSettingsRemoved = true;
}

}  // namespace kst

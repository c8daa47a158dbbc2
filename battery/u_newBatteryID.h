#pragma once
#include <optional>

#include "system/text.h"
#include "toolkit/form.h"

namespace kst {

// In a high-contrast theme a valid barcode reads as plain text and an
// invalid one is marked in the theme's highlight colour.
inline constexpr tk::Color kValidBarcodeColor = tk::Color::rgb(0, 128, 0).inHighContrast(tk::kWindowText);
inline constexpr tk::Color kInvalidBarcodeColor = tk::Color::rgb(255, 0, 0).inHighContrast(tk::kHighlight);

class TnewBatteryID : public tk::Form {
 public:
  explicit TnewBatteryID(tk::Application& app);

  tk::Bevel Bevel1{*this, "Bevel1"};
  tk::Label Label1{*this, "Label1"};
  tk::Label Label2{*this, "Label2"};
  tk::Picture imBattery{*this, "imBattery"};
  tk::Button btCancel{*this, "btCancel"};
  tk::Label Label3{*this, "Label3"};
  tk::Edit edNewBatteryID{*this, "edNewBatteryID"};
  tk::Button btApply{*this, "btApply"};

  void FormCreate();
  void FormKeyPress(char16_t& key);
  void edNewBatteryIDKeyPress(char16_t& key);
  void edNewBatteryIDChange();
  // Shows the dialog modally: the text it holds when Apply or Enter ended
  // it, unchanged and not trimmed, or nothing when it was cancelled.
  std::optional<Text> askForBarcode();
};

}  // namespace kst

#pragma once
#include "toolkit/form.h"

namespace kst {

inline constexpr tk::Color kValidBarcodeColor = tk::Color::rgb(0, 128, 0);
inline constexpr tk::Color kInvalidBarcodeColor = tk::Color::rgb(255, 0, 0);

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
};

}  // namespace kst

#pragma once
#include <array>
#include <vector>

#include "toolkit/form.h"

namespace kst {

// The addresses the help window opens, by the entry numbers of its links
// and buttons.
extern const std::array<Text, 11> helpUrls;
inline const Text kLenovoSupportHost = u"pcsupport.lenovo.com";
inline const Text kBrowserFailureMessage = u"Could not open the browser or no connection.";

intptr_t openUrl(const Text& address, const Text& parameters, int showCommand, bool showFailure);

class Tf_help : public tk::Form {
 public:
  explicit Tf_help(tk::Application& app);

  tk::Bevel bvFrame{*this, "bvFrame"};
  tk::Label lbNotCompatible{*this, "lbNotCompatible"};
  tk::Label lbPrerequ{*this, "lbPrerequ"};
  tk::Label lbNumber1{*this, "lbNumber1"}, lbStep1{*this, "lbStep1"};
  tk::Label lbNumber2{*this, "lbNumber2"}, lbStep2{*this, "lbStep2"};
  tk::Label lbNumber3{*this, "lbNumber3"}, lbStep3{*this, "lbStep3"};
  tk::Label lbPwrMgmtDrv{*this, "lbPwrMgmtDrv"};
  tk::Button btGetPWRMGMTDrvx86{*this, "btGetPWRMGMTDrvx86"};
  tk::Button btGetPWRMGMTDrvx64{*this, "btGetPWRMGMTDrvx64"};
  tk::Button btPwrMgmtDrvM{*this, "btPwrMgmtDrvM"};
  tk::Label lbSetDep{*this, "lbSetDep"};
  tk::Button btGetSetDep{*this, "btGetSetDep"};
  tk::Button btSetDepM{*this, "btSetDepM"};
  tk::Label lbRestart{*this, "lbRestart"};
  tk::Label lbNumber4{*this, "lbNumber4"};
  tk::Label lbNote1{*this, "lbNote1"};
  tk::Label lbNote2{*this, "lbNote2"};
  tk::Label lbNumber5{*this, "lbNumber5"}, lbStep5{*this, "lbStep5"};
  tk::Label lbSIF{*this, "lbSIF"};
  tk::Button btGetSIF{*this, "btGetSIF"};
  tk::Button btSIFM{*this, "btSIFM"};
  tk::Label lbNumber6{*this, "lbNumber6"}, lbStep6{*this, "lbStep6"};
  tk::Label lbLenovoSupport{*this, "lbLenovoSupport"};
  tk::Button btClose{*this, "btClose"};

  void FormCreate();
  void FormShow();
  void FormKeyPress(char16_t& key);
  void FormClose();
  void btCloseClick();

 private:
  void layOut();
  // Each link and download button, the entry of helpUrls it opens, and
  // how its hint names the address (none for the support site's link).
  struct Link {
    tk::Control& control;
    size_t entry;
    const char16_t* hintPrefix;
    bool hintShown;
  };
  std::vector<Link> links();
  void bindLinks();
  void placeHeader();
};

}  // namespace kst

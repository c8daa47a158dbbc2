// The help window: prerequisites, a warning when the power manager is
// missing, and the vendor's pages.
#include "help/help.h"

#include "app/kst_main.h"
#include "resources/identified_controls.h"
#include "app/tray.h"
#include "system/services.h"

namespace kst {

const std::array<Text, 11> helpUrls = {
    u"https://pcsupport.lenovo.com/downloads/ds014745",
    u"https://pcsupport.lenovo.com/downloads/ds113893",
    u"https://pcsupport.lenovo.com/solutions/ht100705",
    u"https://download.lenovo.com/pccbbs/mobiles/n1cku01w.exe",
    u"https://download.lenovo.com/pccbbs/mobiles/n1cku02w.exe",
    u"https://download.lenovo.com/pccbbs/mobiles/n1cgx75w.exe",
    u"https://download.lenovo.com/pccbbs/mobiles/sif_setup.exe",
    productWebAddress,
    productWebAddress,
    productWebAddress,
    u"https://" + kLenovoSupportHost,
};

namespace {

// A high-contrast theme has colours of its own for links and for marked text.
constexpr tk::Color kLinkColor = tk::Color::rgb(0, 0, 128).inHighContrast(tk::kHotLight);
constexpr tk::Color kWarningColor = tk::Color::rgb(255, 0, 0).inHighContrast(tk::kHighlight);

void label(tk::Label& control, const Text& text, int left, int top, int width) {
  control.setText(text);
  control.setBounds({left, top, width, 13});
}

void link(tk::Label& control, const Text& text, int left, int top, int width) {
  label(control, text, left, top, width);
  tk::Font font = control.font();
  font.color = kLinkColor;
  font.underline = true;
  control.setFont(font);
}

}  // namespace

intptr_t openUrl(const Text& address, const Text& parameters, int showCommand, bool showFailure) {
  tk::Form* main = kst_mainform;
  intptr_t result =
      sys::shell().execute(main != nullptr ? main->nativeHandle : 0, Text(), address, parameters, Text(), showCommand);
  if (!sys::shellSucceeded(result) && showFailure && main != nullptr) {
    main->app().messageDialog(kBrowserFailureMessage, tk::DialogButtons::Ok);
  }
  return result;
}

Tf_help::Tf_help(tk::Application& app) : tk::Form(app, "Tf_help") {
  layOut();
  bindLinks();
  onCreate = [this] { FormCreate(); };
  onShow = [this] { FormShow(); };
  onClose = [this] { FormClose(); };
  onKeyPress = [this](char16_t& key) { FormKeyPress(key); };
  btClose.onClick = [this] { btCloseClick(); };
  onDpiChange = [this] { placeHeader(); };
  identifyControls(*this);
  finishCreate();
  placeHeader();
}

void Tf_help::layOut() {
  setClientSize(597, 412);
  hasSystemMenu = false;
  keyPreview = true;
  showHints = true;
  position = tk::FormPosition::ScreenCenter;
  bvFrame.setBounds({4, 4, 589, 404});
  bvFrame.sunken = true;

  label(lbNotCompatible, u"Your machine seems to be not ready yet. ", 16, 16, 222);
  tk::Font warning = lbNotCompatible.font();
  warning.bold = true;
  warning.color = kWarningColor;
  lbNotCompatible.setFont(warning);
  label(lbPrerequ, u"There are some prerequisites:", 240, 16, 200);

  label(lbNumber1, u"1.", 16, 42, 14);
  label(lbStep1, u"You should be running Windows 7 or newer (Windows 10, 8.1, 8, 7, 32 or 64 bit each).", 32, 42, 540);
  label(lbNumber2, u"2.", 16, 64, 14);
  label(lbStep2, u"It only works with Lenovo Thinkpad notebooks - other notebooks can't control charging thresholds.",
        32, 64, 540);
  label(lbNumber3, u"3.", 16, 86, 14);
  label(lbStep3, u"You have to install some software from Lenovo (drivers for communicating with the battery):", 32, 86,
        540);

  link(lbPwrMgmtDrv, u"Lenovo Power Management Driver", 48, 111, 180);
  tk::placeButton(btGetPWRMGMTDrvx86, u"download &32 bit", {240, 106, 98, 23}, 1);
  tk::placeButton(btGetPWRMGMTDrvx64, u"download &64 bit", {342, 106, 98, 23}, 7);
  tk::placeButton(btPwrMgmtDrvM, u"&mirror", {452, 106, 120, 23}, 4);
  link(lbSetDep, u"Thinkpad Settings Dependency", 48, 138, 180);
  tk::placeButton(btGetSetDep, u"&download from Lenovo (32bit, 64bit)", {240, 133, 200, 23}, 2);
  tk::placeButton(btSetDepM, u"mi&rror", {452, 133, 120, 23}, 5);
  label(lbRestart, u"Important: Restart is required after installation.", 48, 164, 400);

  label(lbNumber4, u"4.", 16, 190, 14);
  label(lbNote1, u"In order to get the new settings working, you have to disconnect the power supply, restart Windows",
        32, 190, 550);
  label(lbNote2, u"and wait for the charging level to fall under the low charging threshold you have been setting.", 32,
        206, 550);
  for (tk::Label* red : {&lbNumber4, &lbNote1, &lbNote2}) red->setFontColor(kWarningColor);

  label(lbNumber5, u"5.", 16, 232, 14);
  label(lbStep5, u"Still not working? Try to install Lenovo System Interface Foundation.", 32, 232, 540);
  link(lbSIF, u"System Interface Foundation", 48, 257, 180);
  tk::placeButton(btGetSIF, u"do&wnload from Lenovo (32bit, 64bit)", {240, 252, 200, 23}, 3);
  tk::placeButton(btSIFM, u"mirr&or", {452, 252, 120, 23}, 6);

  label(lbNumber6, u"6.", 16, 286, 14);
  label(lbStep6, u"Still not working? Update your (UEFI-)Bios:", 32, 286, 220);
  link(lbLenovoSupport, kLenovoSupportHost, 256, 286, 160);

  tk::placeButton(btClose, u"&Close", {16, 370, 565, 28}, 0);
  focus(&btClose);
}

// The prerequisites line stands right after the warning, as wide as the
// warning is in this window's font on its monitor, or where the warning
// stood once it is hidden.
void Tf_help::placeHeader() {
  if (!lbNotCompatible.visible()) {
    lbPrerequ.setLeft(lbNotCompatible.left());
    return;
  }
  lbPrerequ.setLeft(lbNotCompatible.left() + lbNotCompatible.width() + scaled(2));
}

std::vector<Tf_help::Link> Tf_help::links() {
  const char16_t* connect = u" connect to  ";
  const char16_t* download = u" download  ";
  return {{lbPwrMgmtDrv, 0, connect, false},
          {lbSetDep, 1, connect, false},
          {lbSIF, 2, connect, false},
          {btGetPWRMGMTDrvx86, 3, download, true},
          {btGetPWRMGMTDrvx64, 4, download, true},
          {btGetSetDep, 5, download, true},
          {btGetSIF, 6, download, true},
          {btPwrMgmtDrvM, 7, connect, false},
          {btSetDepM, 8, connect, false},
          {btSIFM, 9, connect, false},
          {lbLenovoSupport, 10, nullptr, false}};
}

void Tf_help::bindLinks() {
  for (const Link& link : links()) {
    link.control.onClick = [entry = link.entry] { openUrl(helpUrls[entry], Text(), sys::kShowNormal, true); };
  }
}

void Tf_help::FormCreate() {
  // The main window's caption as its creation set it: the help window may
  // be made later, when the caption shows the battery.
  setCaption(captionAtCreation());
  for (const Link& link : links()) {
    if (link.hintPrefix != nullptr) link.control.setHint(link.hintPrefix + helpUrls[link.entry] + u" ", link.hintShown);
  }
}

void Tf_help::FormShow() {
  if (!kst_mainform->MachineIsCompatible(false)) return;
  lbNotCompatible.setVisible(false);
  placeHeader();
}

void Tf_help::FormKeyPress(char16_t& key) {
  if (key == tk::key::kEscape) btClose.click();
}

void Tf_help::FormClose() {
  try {
    kst_mainform->show();
  } catch (...) {
    // Bringing the main window back is a courtesy; it is there in any case.
  }
}

void Tf_help::btCloseClick() { close(); }

void Tkst_mainform::btHelpClick() { f_help().showModal(); }

}  // namespace kst

#pragma once
// The identifier of every control that has a window, stable from one
// version to the next as a dialog item's is: accessibility tools, scripts
// and the tests find a control by its window's class and this number
// (GetDlgItem). Frames are drawn by their window and have none.
#include <string_view>

namespace kst::ids {

struct ControlId {
  std::string_view windowClass;
  std::string_view name;
  int id;
};

inline constexpr ControlId kControls[] = {
    {"Tkst_mainform", "btBatteryID", 100},
    {"Tkst_mainform", "cbHighLevel", 101},
    {"Tkst_mainform", "lbHighLevel", 102},
    {"Tkst_mainform", "seHighLevel", 103},
    {"Tkst_mainform", "lbHighLevelPercent", 104},
    {"Tkst_mainform", "cbLowLevel", 105},
    {"Tkst_mainform", "lbLowLevel", 106},
    {"Tkst_mainform", "seLowLevel", 107},
    {"Tkst_mainform", "lbLowLevelPercent", 108},
    {"Tkst_mainform", "lbBatteryStatus", 109},
    {"Tkst_mainform", "lbStateOfCharge", 110},
    {"Tkst_mainform", "gStateOfCharge", 111},
    {"Tkst_mainform", "lbNoBattery", 112},
    {"Tkst_mainform", "btGetValues", 113},
    {"Tkst_mainform", "btSaveSettings", 114},
    {"Tkst_mainform", "btOptions", 115},
    {"Tkst_mainform", "btHelp", 116},
    {"Tkst_mainform", "btExit", 117},

    {"Tf_help", "lbNotCompatible", 200},
    {"Tf_help", "lbPrerequ", 201},
    {"Tf_help", "lbNumber1", 202},
    {"Tf_help", "lbStep1", 203},
    {"Tf_help", "lbNumber2", 204},
    {"Tf_help", "lbStep2", 205},
    {"Tf_help", "lbNumber3", 206},
    {"Tf_help", "lbStep3", 207},
    {"Tf_help", "lbPwrMgmtDrv", 208},
    {"Tf_help", "btGetPWRMGMTDrvx86", 209},
    {"Tf_help", "btGetPWRMGMTDrvx64", 210},
    {"Tf_help", "btPwrMgmtDrvM", 211},
    {"Tf_help", "lbSetDep", 212},
    {"Tf_help", "btGetSetDep", 213},
    {"Tf_help", "btSetDepM", 214},
    {"Tf_help", "lbRestart", 215},
    {"Tf_help", "lbNumber4", 216},
    {"Tf_help", "lbNote1", 217},
    {"Tf_help", "lbNote2", 218},
    {"Tf_help", "lbNumber5", 219},
    {"Tf_help", "lbStep5", 220},
    {"Tf_help", "lbSIF", 221},
    {"Tf_help", "btGetSIF", 222},
    {"Tf_help", "btSIFM", 223},
    {"Tf_help", "lbNumber6", 224},
    {"Tf_help", "lbStep6", 225},
    {"Tf_help", "lbLenovoSupport", 226},
    {"Tf_help", "btClose", 227},

    {"TchooseBattery", "lbChoose", 300},
    {"TchooseBattery", "btRemove", 301},
    {"TchooseBattery", "btCancel", 302},
    {"TchooseBattery", "btOk", 303},

    {"TnewBatteryID", "Label1", 500},
    {"TnewBatteryID", "Label2", 501},
    {"TnewBatteryID", "imBattery", 502},
    {"TnewBatteryID", "btCancel", 503},
    {"TnewBatteryID", "Label3", 504},
    {"TnewBatteryID", "edNewBatteryID", 505},
    {"TnewBatteryID", "btApply", 506},
};

// The chooser's choices, made anew at each showing: the first choice, all
// batteries, has this identifier and each further one the next.
inline constexpr int kFirstBatteryChoice = 400;

// The control's identifier, or 0 where the window has no such control.
constexpr int controlId(std::string_view windowClass, std::string_view name) {
  for (const ControlId& control : kControls) {
    if (control.windowClass == windowClass && control.name == name) return control.id;
  }
  return 0;
}

}  // namespace kst::ids

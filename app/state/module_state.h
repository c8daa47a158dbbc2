#pragma once
// The module-level state that every window shares: the values of the main
// window's module, its constants, and the windows themselves, each made
// once and kept. Touched only on the user-interface thread. It includes no
// window: what a window's line may touch of another's stands here.
#include <cstdint>
#include <vector>

#include "settings/model/threshold_store.h"
#include "system/text.h"
#include "toolkit/types.h"

namespace kst {

class Tkst_mainform;
class Tf_help;
class TchooseBattery;
class TnewBatteryID;

inline const Text productName = u"Kestrane";
inline constexpr int defaultHighLevel = store::kDefaultHighLevel;
inline constexpr int defaultLowLevel = store::kDefaultLowLevel;
// In a high-contrast theme the marks take the theme's highlight colour.
inline constexpr tk::Color changedColor = tk::Color::rgb(0, 0, 255).inHighContrast(tk::kHighlight);
inline constexpr tk::Color noBatteryColor = tk::Color::rgb(255, 0, 0).inHighContrast(tk::kHighlight);

// The status refresh's interval, and how long a hint stays up.
inline constexpr int kStatusInterval = 1000;
inline constexpr int kHintHidePause = 30000;

// The arguments the program was started with, as an elevated copy gets them.
extern Text programArguments;
extern Text currentBarcode;
extern std::vector<Text> knownBarcodes;
extern int32_t firstInstID;
extern bool valueChanged;
extern bool autoCorrectEnabled;
extern bool inFormShow;

// The main window, made at start, and the other windows, each made when it
// is first needed and reused from then on.
extern Tkst_mainform* kst_mainform;
Tf_help& f_help();
TchooseBattery& chooseBattery();
TnewBatteryID& newBatteryID();

// The caption that the main window's creation gives it.
inline Text captionAtCreation() { return productName + u"   "; }

}  // namespace kst

#include "app/state/module_state.h"

namespace kst {

Text programArguments;
Text currentBarcode;
std::vector<Text> knownBarcodes;
int32_t firstInstID = 0;
bool valueChanged = false;
bool autoCorrectEnabled = false;
bool inFormShow = false;

Tkst_mainform* kst_mainform = nullptr;

}  // namespace kst

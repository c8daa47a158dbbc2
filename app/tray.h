#pragma once
#include "system/file_version.h"
#include "system/services.h"
#include "system/text.h"

namespace kst {

// The address of the product's own web site.
inline const Text productWebAddress = u"https://kestrane.org/";

void forceForeground(sys::NativeWindow window);

}  // namespace kst

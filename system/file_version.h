#pragma once
#include "system/text.h"

namespace kst {

// The "FileVersion" of a file's version resource, by its first translation;
// "unknown" where the file has none that can be read.
Text getFileVersion(const Text& path);

}  // namespace kst

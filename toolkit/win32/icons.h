#pragma once
// Pictures as Windows draws them: icons with their masks, and plain pixel
// copies for painting.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "system/win32/handles.h"
#include "toolkit/types.h"

namespace kst::tk::win32 {

// A colour as Windows draws it: a system colour as the theme has it now.
COLORREF resolve(Color color);

// Creates a colour icon with its mask from a picture.
sys::win32::UniqueIcon makeIcon(const Bitmap& picture);

// A top-down 32-bit device-independent copy of a picture.
struct DibPixels {
  BITMAPINFO info{};
  std::vector<uint32_t> pixels;
  explicit DibPixels(const Bitmap& picture);
};

}  // namespace kst::tk::win32

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

// Colour icons with their masks, made from pictures, each once: a picture
// whose pixels, as Windows would draw them now, are those of an icon made
// before gets that icon again, so that an animation's pictures are made at
// its first steps only. The two icons handed out last are kept: an
// animation alternates two pictures, and the one a window or the shell
// shows stays while the next is made. Each is freed when it falls out or
// the cache goes.
class MadeIcons {
 public:
  // The picture's icon, owned here; nothing where Windows would not make one.
  HICON iconOf(const Bitmap& picture);

 private:
  struct Made {
    int width, height;
    std::vector<uint32_t> pixels;
    sys::win32::UniqueIcon icon;
  };
  static constexpr size_t kKept = 2;
  // The latest handed out last.
  std::vector<Made> made_;
};

// A top-down 32-bit device-independent copy of a picture.
struct DibPixels {
  BITMAPINFO info{};
  std::vector<uint32_t> pixels;
  explicit DibPixels(const Bitmap& picture);
};

}  // namespace kst::tk::win32

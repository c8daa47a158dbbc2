#include "toolkit/types.h"

namespace kst::tk {

Bitmap::Bitmap(int width, int height, Color fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

void Bitmap::setTransparent(int x, int y, bool transparent) {
  if (transparent_.empty()) transparent_.assign(pixels_.size(), false);
  transparent_[index(x, y)] = transparent;
}

}  // namespace kst::tk

#include "toolkit/types.h"

namespace kst::tk {

Bitmap::Bitmap(int width, int height, Color fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

void Bitmap::setTransparent(int x, int y, bool transparent) {
  if (transparent_.empty()) transparent_.assign(pixels_.size(), false);
  transparent_[index(x, y)] = transparent;
}

Bitmap Bitmap::enlarged(int factor) const {
  Bitmap large(width_ * factor, height_ * factor, Color::rgb(0, 0, 0));
  for (int y = 0; y < large.height_; ++y) {
    for (int x = 0; x < large.width_; ++x) {
      large.setPixel(x, y, pixel(x / factor, y / factor));
      if (hasMask()) large.setTransparent(x, y, transparent(x / factor, y / factor));
    }
  }
  return large;
}

int scaleLength(int value, int pixelsPerInch) {
  long long product = static_cast<long long>(value) * pixelsPerInch;
  long long quotient = product / 96, remainder = product % 96;
  if (remainder < 0) {
    remainder += 96;
    --quotient;
  }
  if (remainder * 2 > 96 || (remainder * 2 == 96 && quotient % 2 != 0)) ++quotient;
  return static_cast<int>(quotient);
}

Rect scaleRect(const Rect& designed, int pixelsPerInch) {
  const int left = scaleLength(designed.left, pixelsPerInch), top = scaleLength(designed.top, pixelsPerInch);
  return {left, top, scaleLength(designed.left + designed.width, pixelsPerInch) - left,
          scaleLength(designed.top + designed.height, pixelsPerInch) - top};
}

}  // namespace kst::tk

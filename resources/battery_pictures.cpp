#include "resources/battery_pictures.h"

#include <algorithm>
#include <initializer_list>

namespace kst::resources {
namespace {

// The picture as designed, 16 pixels square: a cap centred above an
// outlined body, whose nine inner rows fill from the bottom. Spans are
// half-open.
constexpr int kDesign = 16;
constexpr int kCapTop = 2, kCapWidth = 4;
constexpr int kBodyTop = 3, kBodyBottom = 14, kBodyLeft = 6, kBodyRight = 14;
constexpr int kInnerRows = kBodyBottom - kBodyTop - 2;

// A design length at another size, in whole pixels.
struct Scale {
  int size;
  int operator()(int designed) const { return (designed * size + kDesign / 2) / kDesign; }
};

bool inside(int x, int y, int left, int top, int right, int bottom) {
  return x >= left && x < right && y >= top && y < bottom;
}

struct Frame {
  tk::Color outline;
  int filledRows;
  tk::Color fill;
};

// An outline as it stands out on the backdrop.
tk::Color outlineOn(Backdrop backdrop, tk::Color outline) {
  switch (backdrop) {
    case Backdrop::Dark: return outline;
    case Backdrop::HighContrast: return tk::kWindowText;
    case Backdrop::Light: break;
  }
  if (outline == kWhite) return kBlack;
  if (outline == kGrey) return kDarkGrey;
  return outline;
}

tk::Color fillOn(Backdrop backdrop, tk::Color fill) {
  if (backdrop != Backdrop::HighContrast) return fill;
  if (fill == kGreen) return tk::kHighlight;
  if (fill == kRed) return tk::kHotLight;
  return tk::kGrayText;
}

tk::ImageList list(std::initializer_list<Frame> frames, bool masked, int size, Backdrop backdrop) {
  tk::ImageList pictures(size, size);
  for (const Frame& frame : frames) {
    pictures.add(drawBattery(outlineOn(backdrop, frame.outline), frame.filledRows, fillOn(backdrop, frame.fill),
                             masked || backdrop != Backdrop::Dark, size));
  }
  return pictures;
}

}  // namespace

tk::Bitmap drawBattery(tk::Color outline, int filledRows, tk::Color fill, bool masked, int size) {
  const Scale at{size};
  // The outline grows with the picture: one pixel at 16 and 20, two at 24 and 32.
  const int edge = std::max(1, at(1));
  const int left = at(kBodyLeft), right = at(kBodyRight), top = at(kBodyTop), bottom = at(kBodyBottom);
  // The cap stays centred: as wide as scaled, or one wider to fit the body's parity.
  const int capWidth = at(kCapWidth) + (right - left - at(kCapWidth)) % 2;
  const int capLeft = left + (right - left - capWidth) / 2;
  const int innerBottom = bottom - edge, innerHeight = innerBottom - top - edge;
  const int fillTop = innerBottom - (filledRows * innerHeight + kInnerRows / 2) / kInnerRows;
  tk::Bitmap picture(size, size, kBlack);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const bool cap = inside(x, y, capLeft, at(kCapTop), capLeft + capWidth, top);
      const bool body = inside(x, y, left, top, right, bottom);
      const bool inner = inside(x, y, left + edge, top + edge, right - edge, innerBottom);
      if (cap || (body && !inner)) picture.setPixel(x, y, outline);
      if (inner && y >= fillTop) picture.setPixel(x, y, fill);
      if (masked) picture.setTransparent(x, y, !cap && !body);
    }
  }
  return picture;
}

StatePictures statePictures(int size, Backdrop backdrop) {
  return {
      list({{kGrey, 9, kDarkGrey}}, false, size, backdrop),
      list({{kWhite, 0, kGreen}, {kWhite, 3, kGreen}}, true, size, backdrop),
      list({{kWhite, 3, kGreen}, {kWhite, 5, kGreen}}, true, size, backdrop),
      list({{kWhite, 5, kGreen}, {kWhite, 9, kGreen}}, true, size, backdrop),
      list({{kGrey, 7, kGreen}, {kGrey, 4, kGreen}, {kGrey, 3, kRed}}, false, size, backdrop),
      list({{kWhite, 8, kGreen}, {kWhite, 5, kGreen}, {kDarkRed, 2, kRed}}, true, size, backdrop),
  };
}

}  // namespace kst::resources

#include "resources/battery_pictures.h"

#include <initializer_list>

namespace kst::resources {
namespace {

constexpr int kCapRow = 2, kCapLeft = 8, kCapRight = 11;
constexpr int kOutlineTop = 3, kOutlineBottom = 13, kOutlineLeft = 6, kOutlineRight = 13;

bool insideBattery(int x, int y) {
  bool cap = y == kCapRow && x >= kCapLeft && x <= kCapRight;
  bool body = y >= kOutlineTop && y <= kOutlineBottom && x >= kOutlineLeft && x <= kOutlineRight;
  return cap || body;
}

struct Frame {
  tk::Color outline;
  int filledRows;
  tk::Color fill;
};

tk::ImageList list(std::initializer_list<Frame> frames, bool masked) {
  tk::ImageList pictures(16, 16);
  for (const Frame& frame : frames) pictures.add(drawBattery(frame.outline, frame.filledRows, frame.fill, masked));
  return pictures;
}

}  // namespace

tk::Bitmap drawBattery(tk::Color outline, int filledRows, tk::Color fill, bool masked) {
  tk::Bitmap picture(16, 16, kBlack);
  for (int x = kCapLeft; x <= kCapRight; ++x) picture.setPixel(x, kCapRow, outline);
  for (int y = kOutlineTop; y <= kOutlineBottom; ++y) {
    for (int x = kOutlineLeft; x <= kOutlineRight; ++x) {
      bool edge = y == kOutlineTop || y == kOutlineBottom || x == kOutlineLeft || x == kOutlineRight;
      if (edge) picture.setPixel(x, y, outline);
    }
  }
  const int lowestRow = kOutlineBottom - 1;
  for (int y = lowestRow; y > lowestRow - filledRows; --y) {
    for (int x = kOutlineLeft + 1; x < kOutlineRight; ++x) picture.setPixel(x, y, fill);
  }
  if (masked) {
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) picture.setTransparent(x, y, !insideBattery(x, y));
    }
  }
  return picture;
}

tk::ImageList noBatteryPictures() { return list({{kGrey, 9, kDarkGrey}}, false); }
tk::ImageList chargeLowPictures() { return list({{kWhite, 0, kGreen}, {kWhite, 3, kGreen}}, true); }
tk::ImageList chargeMidPictures() { return list({{kWhite, 3, kGreen}, {kWhite, 5, kGreen}}, true); }
tk::ImageList chargeHighPictures() { return list({{kWhite, 5, kGreen}, {kWhite, 9, kGreen}}, true); }
tk::ImageList noChargePictures() {
  return list({{kGrey, 7, kGreen}, {kGrey, 4, kGreen}, {kGrey, 3, kRed}}, false);
}
tk::ImageList dischargePictures() {
  return list({{kWhite, 8, kGreen}, {kWhite, 5, kGreen}, {kDarkRed, 2, kRed}}, true);
}

}  // namespace kst::resources

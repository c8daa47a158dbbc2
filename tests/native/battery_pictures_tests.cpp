// Every picture of the six image lists, pixel by pixel against the table.
#include "resources/battery_pictures.h"

#include <gtest/gtest.h>

namespace kst::resources {
namespace {

using tk::Bitmap;
using tk::Color;

struct Expected {
  Color outline;
  int filledRows;
  Color fill;
};

// Interior rows 4 to 12 fill from row 12 upwards.
Color expectedPixel(const Expected& e, int x, int y) {
  bool cap = y == 2 && x >= 8 && x <= 11;
  bool frame = (y == 3 || y == 13) ? (x >= 6 && x <= 13) : (y > 3 && y < 13 && (x == 6 || x == 13));
  if (cap || frame) return e.outline;
  bool interior = x >= 7 && x <= 12 && y >= 4 && y <= 12;
  if (interior && y > 12 - e.filledRows) return e.fill;
  return kBlack;
}

bool insideBattery(int x, int y) { return (y == 2 && x >= 8 && x <= 11) || (y >= 3 && y <= 13 && x >= 6 && x <= 13); }

void expectPictures(const tk::ImageList& list, const std::vector<Expected>& pictures, bool masked) {
  ASSERT_EQ(list.count(), static_cast<int>(pictures.size()));
  EXPECT_EQ(list.width(), 16);
  EXPECT_EQ(list.height(), 16);
  for (size_t i = 0; i < pictures.size(); ++i) {
    const Bitmap& bitmap = list.image(static_cast<int>(i));
    ASSERT_EQ(bitmap.width(), 16);
    ASSERT_EQ(bitmap.height(), 16);
    EXPECT_EQ(bitmap.hasMask(), masked) << "picture " << i;
    int wrong = 0;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        if (bitmap.pixel(x, y) != expectedPixel(pictures[i], x, y)) ++wrong;
        if (masked && bitmap.transparent(x, y) == insideBattery(x, y)) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << "picture " << i << " differs in " << wrong << " pixels";
  }
}

// The design's colours, channel by channel, and packed as Windows packs a
// COLORREF (0x00BBGGRR): the pictures' green is the gauge's 43540.
TEST(BatteryPictures, ColoursAreTheDesignsAndPackAsWindowsPacksThem) {
  struct Channels {
    Color color;
    int red, green, blue;
  };
  for (const Channels& c : {Channels{kWhite, 255, 255, 255}, Channels{kGrey, 171, 171, 171},
                            Channels{kDarkGrey, 64, 64, 64}, Channels{kGreen, 20, 170, 0}, Channels{kRed, 254, 0, 0},
                            Channels{kDarkRed, 222, 0, 0}, Channels{kBlack, 0, 0, 0}}) {
    EXPECT_EQ(c.color.red(), c.red);
    EXPECT_EQ(c.color.green(), c.green);
    EXPECT_EQ(c.color.blue(), c.blue);
    EXPECT_EQ(c.color.colorref(), static_cast<uint32_t>(c.red | c.green << 8 | c.blue << 16));
  }
  EXPECT_EQ(kGreen.colorref(), 43540u);
}

// The task bar's large icon: each pixel, its mask included, a sharp square.
TEST(BatteryPictures, EnlargedPicturesTurnEachPixelIntoASquare) {
  const tk::ImageList pictures = statePictures(16).chargeHigh;
  const Bitmap& small = pictures.image(1);
  Bitmap large = small.enlarged(3);
  ASSERT_EQ(large.width(), 48);
  ASSERT_EQ(large.height(), 48);
  int wrong = 0;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 48; ++x) {
      if (large.pixel(x, y) != small.pixel(x / 3, y / 3)) ++wrong;
      if (large.transparent(x, y) != small.transparent(x / 3, y / 3)) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
}

// On the dark task bar of Windows 7 to 10 the pictures are the design's; on
// a light one the white and grey outlines are black and dark grey, and the
// ground around every battery is transparent, so that none vanishes.
TEST(BatteryPictures, EveryStateOnEitherBackdropPixelByPixel) {
  for (Backdrop backdrop : {Backdrop::Dark, Backdrop::Light}) {
    SCOPED_TRACE(backdrop == Backdrop::Dark ? "dark" : "light");
    const bool light = backdrop == Backdrop::Light;
    const Color white = light ? kBlack : kWhite, grey = light ? kDarkGrey : kGrey;
    const StatePictures pictures = statePictures(16, backdrop);
    expectPictures(pictures.noBattery, {{grey, 9, kDarkGrey}}, light);
    expectPictures(pictures.noCharge, {{grey, 7, kGreen}, {grey, 4, kGreen}, {grey, 3, kRed}}, light);
    expectPictures(pictures.chargeLow, {{white, 0, kGreen}, {white, 3, kGreen}}, true);
    expectPictures(pictures.chargeMid, {{white, 3, kGreen}, {white, 5, kGreen}}, true);
    expectPictures(pictures.chargeHigh, {{white, 5, kGreen}, {white, 9, kGreen}}, true);
    expectPictures(pictures.discharge, {{white, 8, kGreen}, {white, 5, kGreen}, {kDarkRed, 2, kRed}}, true);
  }
}

// At 125 %, 150 % and 200 % the shell shows small icons of 20, 24 and 32
// pixels: each picture is drawn at that size in whole pixels of its own
// colours, as symmetric as the design, with an outline as thick on every
// side that grows with the size, and the battery alone not transparent.
TEST(BatteryPictures, AtEverySmallIconSizeThePictureIsDrawnSharpInItsOwnGeometry) {
  const std::vector<Expected> discharging{{kWhite, 8, kGreen}, {kWhite, 5, kGreen}, {kDarkRed, 2, kRed}};
  for (int size : {20, 24, 32}) {
    const tk::ImageList list = statePictures(size).discharge;
    ASSERT_EQ(list.width(), size);
    for (size_t i = 0; i < discharging.size(); ++i) {
      const Bitmap& b = list.image(static_cast<int>(i));
      ASSERT_EQ(b.width(), size);
      const Color outline = discharging[i].outline;
      const int middle = size / 2;
      int left = 0, right = size - 1, top = 0, bottom = size - 1;
      while (b.pixel(left, middle) != outline) ++left;
      while (b.pixel(right, middle) != outline) --right;
      while (b.pixel(middle, top) != outline) ++top;
      while (b.pixel(middle, bottom) != outline) --bottom;
      int bodyTop = top;
      while (b.pixel(left, bodyTop) != outline) ++bodyTop;
      auto run = [&](int x, int y, int dx, int dy) {
        int n = 0;
        while (b.pixel(x + n * dx, y + n * dy) == outline) ++n;
        return n;
      };
      const int edge = run(left, middle, 1, 0);
      EXPECT_EQ(edge, size >= 24 ? 2 : 1) << size;
      EXPECT_EQ(run(right, middle, -1, 0), edge);
      EXPECT_EQ(run(middle, bottom, 0, -1), edge);
      EXPECT_GE(run(middle, top, 0, 1), edge) << "the cap sits on the top edge";
      int wrong = 0;
      for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
          const Color c = b.pixel(x, y);
          if (c != outline && c != discharging[i].fill && c != kBlack) ++wrong;
          const int mirrored = left + right - x;
          if (mirrored >= 0 && mirrored < size && c != b.pixel(mirrored, y)) ++wrong;
          const bool inBody = x >= left && x <= right && y >= bodyTop && y <= bottom;
          if (b.transparent(x, y) && (inBody || c != kBlack)) ++wrong;
          if (!b.transparent(x, y) && !inBody && c == kBlack) ++wrong;
        }
      }
      EXPECT_EQ(wrong, 0) << size << " pixels, picture " << i;
    }
  }
}

}  // namespace
}  // namespace kst::resources

#pragma once
// The pictures of the notification-area icon: an upright battery on black,
// filled from the bottom to show the charge.
#include "toolkit/types.h"

namespace kst::resources {

inline constexpr tk::Color kWhite = tk::Color::rgb(255, 255, 255);
inline constexpr tk::Color kGrey = tk::Color::rgb(171, 171, 171);
inline constexpr tk::Color kDarkGrey = tk::Color::rgb(64, 64, 64);
inline constexpr tk::Color kGreen = tk::Color::rgb(20, 170, 0);
inline constexpr tk::Color kRed = tk::Color::rgb(254, 0, 0);
inline constexpr tk::Color kDarkRed = tk::Color::rgb(222, 0, 0);
inline constexpr tk::Color kBlack = tk::Color::rgb(0, 0, 0);

// A picture size pixels square, its geometry scaled from the 16-pixel
// design in whole pixels, so that the shell never stretches it; filledRows
// counts rows of the design. With a mask, the black around the battery is
// transparent.
tk::Bitmap drawBattery(tk::Color outline, int filledRows, tk::Color fill, bool masked, int size);

// The pictures of each state, size pixels square: the system's small-icon size.
tk::ImageList noBatteryPictures(int size);
tk::ImageList chargeLowPictures(int size);
tk::ImageList chargeMidPictures(int size);
tk::ImageList chargeHighPictures(int size);
tk::ImageList noChargePictures(int size);
tk::ImageList dischargePictures(int size);

}  // namespace kst::resources

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

// With a mask, the black around the battery is transparent.
tk::Bitmap drawBattery(tk::Color outline, int filledRows, tk::Color fill, bool masked);

tk::ImageList noBatteryPictures();
tk::ImageList chargeLowPictures();
tk::ImageList chargeMidPictures();
tk::ImageList chargeHighPictures();
tk::ImageList noChargePictures();
tk::ImageList dischargePictures();

}  // namespace kst::resources

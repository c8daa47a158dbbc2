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

// What the pictures stand on. Windows 10 and 11 in light mode have a light
// task bar and light title bars, where white or grey outlines on a
// transparent ground vanish: there the outlines are black and dark grey,
// and the ground around every battery is transparent. A high-contrast
// theme draws everything in its own few colours: the outline in its text
// colour, the charge in its highlight, a low charge in its link colour and
// an empty battery in its grey text, each taken from the theme when drawn.
enum class Backdrop { Dark, Light, HighContrast };

// The pictures of each state, size pixels square: the small-icon size of
// the monitor they are shown on.
struct StatePictures {
  tk::ImageList noBattery, chargeLow, chargeMid, chargeHigh, noCharge, discharge;
};
StatePictures statePictures(int size, Backdrop backdrop = Backdrop::Dark);

}  // namespace kst::resources

#pragma once
#include <cstdint>
#include <vector>

#include "system/text.h"

namespace kst::tk {

// A colour as Windows keeps it: an RGB triple packed as COLORREF
// (0x00BBGGRR), or one of the system colours. A fixed colour may name a
// system colour to be drawn in instead while Windows shows a high-contrast
// theme, where it could vanish against the theme's background or lose the
// meaning it has among the theme's own colours.
class Color {
 public:
  static constexpr Color rgb(uint8_t r, uint8_t g, uint8_t b) {
    return Color(r | g << 8 | static_cast<uint32_t>(b) << 16);
  }
  static constexpr Color system(int index) { return Color(kSystemFlag | static_cast<uint32_t>(index)); }

  constexpr Color inHighContrast(Color substitute) const {
    return Color((value_ & ~kSubstituteMask) | static_cast<uint32_t>(substitute.systemIndex() + 1) << 24);
  }
  // The colour as it is drawn, in a high-contrast theme or not.
  constexpr Color drawn(bool highContrast) const {
    const uint32_t substitute = (value_ & kSubstituteMask) >> 24;
    if (highContrast && substitute != 0) return system(static_cast<int>(substitute) - 1);
    return Color(value_ & ~kSubstituteMask);
  }

  constexpr bool isSystem() const { return (value_ & kSystemFlag) != 0; }
  constexpr int systemIndex() const { return static_cast<int>(value_ & 0xFF); }
  constexpr uint32_t colorref() const { return value_ & 0xFFFFFF; }
  constexpr uint8_t red() const { return value_ & 0xFF; }
  constexpr uint8_t green() const { return (value_ >> 8) & 0xFF; }
  constexpr uint8_t blue() const { return (value_ >> 16) & 0xFF; }
  constexpr bool operator==(const Color&) const = default;

 private:
  static constexpr uint32_t kSystemFlag = 0x80000000u;
  static constexpr uint32_t kSubstituteMask = 0x3F000000u;
  constexpr explicit Color(uint32_t value) : value_(value) {}
  uint32_t value_;
};

inline constexpr Color kWindowColor = Color::system(5);  // COLOR_WINDOW
inline constexpr Color kWindowText = Color::system(8);   // COLOR_WINDOWTEXT
inline constexpr Color kHighlight = Color::system(13);   // COLOR_HIGHLIGHT
inline constexpr Color kGrayText = Color::system(17);    // COLOR_GRAYTEXT
inline constexpr Color kButtonFace = Color::system(15);  // COLOR_BTNFACE
inline constexpr Color kHotLight = Color::system(26);    // COLOR_HOTLIGHT: links

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  constexpr bool operator==(const Rect&) const = default;
};

struct Font {
  Text name = u"Tahoma";
  int points = 8;
  bool bold = false;
  bool underline = false;
  Color color = kWindowText;
  bool operator==(const Font&) const = default;
};

// A picture as pixels, with a transparency mask where the picture has one.
class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height, Color fill);
  int width() const { return width_; }
  int height() const { return height_; }
  Color pixel(int x, int y) const { return pixels_[index(x, y)]; }
  void setPixel(int x, int y, Color color) { pixels_[index(x, y)] = color; }
  bool hasMask() const { return !transparent_.empty(); }
  bool transparent(int x, int y) const { return hasMask() && transparent_[index(x, y)]; }
  void setTransparent(int x, int y, bool transparent);
  bool empty() const { return pixels_.empty(); }
  // Every pixel, its mask included, as a square of factor by factor pixels:
  // a larger picture that stays as sharp as the small one.
  Bitmap enlarged(int factor) const;
  bool operator==(const Bitmap&) const = default;

 private:
  size_t index(int x, int y) const { return static_cast<size_t>(y) * width_ + x; }
  int width_ = 0, height_ = 0;
  std::vector<Color> pixels_;
  std::vector<bool> transparent_;
};

class ImageList {
 public:
  ImageList() = default;
  ImageList(int width, int height) : width_(width), height_(height) {}
  int width() const { return width_; }
  int height() const { return height_; }
  int count() const { return static_cast<int>(images_.size()); }
  const Bitmap& image(int index) const { return images_.at(static_cast<size_t>(index)); }
  void add(Bitmap bitmap) { images_.push_back(std::move(bitmap)); }

 private:
  int width_ = 0, height_ = 0;
  std::vector<Bitmap> images_;
};

// A length designed at 96 pixels per inch, on a screen of this many pixels
// per inch: rounded to the nearest pixel, a tie going to the even number.
int scaleLength(int value, int pixelsPerInch);
// A rectangle designed at 96 pixels per inch, on such a screen: each of its
// edges is scaled, not its width and height, so that controls that touch
// in the design still touch, and never overlap, at every scale.
Rect scaleRect(const Rect& designed, int pixelsPerInch);

enum class MouseButton { Left, Right, Middle };

enum class ModalResult { None, Ok, Cancel, Yes, No };

enum class DialogButtons { Ok, YesNo, YesNoCancel };

// Virtual-key codes of the keys the forms handle themselves.
namespace key {
inline constexpr int kBack = 0x08;
inline constexpr int kTab = 0x09;
inline constexpr int kReturn = 0x0D;
inline constexpr int kEscape = 0x1B;
inline constexpr int kUp = 0x26;
inline constexpr int kDown = 0x28;
}  // namespace key

}  // namespace kst::tk

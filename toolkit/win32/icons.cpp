#include "toolkit/win32/icons.h"

#include <algorithm>

namespace kst::tk::win32 {

COLORREF resolve(Color color) { return color.isSystem() ? GetSysColor(color.systemIndex()) : color.colorref(); }

namespace {

// A pixel as a 32-bit DIB holds it: alpha, red, green, blue. A system
// colour is the one the theme has now.
uint32_t opaquePixel(Color c) {
  const COLORREF rgb = resolve(c);
  return 0xFF000000u | static_cast<uint32_t>(GetRValue(rgb)) << 16 | GetGValue(rgb) << 8 | GetBValue(rgb);
}

// The pixels of a picture's icon, as Windows draws them now: a transparent
// one is 0, every other opaque.
std::vector<uint32_t> iconPixels(const Bitmap& picture) {
  std::vector<uint32_t> pixels(static_cast<size_t>(picture.width()) * picture.height());
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      pixels[static_cast<size_t>(y) * picture.width() + x] =
          picture.transparent(x, y) ? 0 : opaquePixel(picture.pixel(x, y));
    }
  }
  return pixels;
}

sys::win32::UniqueIcon makeIcon(int width, int height, const std::vector<uint32_t>& pixels) {
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof header;
  header.bV5Width = width;
  header.bV5Height = -height;
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_RGB;
  void* bits = nullptr;
  sys::win32::UniqueBitmap color;
  {
    sys::win32::ScreenDC screen;
    color.reset(
        CreateDIBSection(screen.get(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0));
  }
  if (!color || bits == nullptr) return {};
  std::copy(pixels.begin(), pixels.end(), static_cast<uint32_t*>(bits));
  const int rowBytes = ((width + 15) / 16) * 2;
  std::vector<uint8_t> mask(static_cast<size_t>(rowBytes) * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (pixels[static_cast<size_t>(y) * width + x] == 0) {
        mask[static_cast<size_t>(y) * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  sys::win32::UniqueBitmap monochrome(CreateBitmap(width, height, 1, 1, mask.data()));
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = color.get();
  info.hbmMask = monochrome.get();
  return sys::win32::UniqueIcon(CreateIconIndirect(&info));
}

}  // namespace

DibPixels::DibPixels(const Bitmap& picture) : pixels(static_cast<size_t>(picture.width()) * picture.height()) {
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = picture.width();
  info.bmiHeader.biHeight = -picture.height();
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      pixels[static_cast<size_t>(y) * picture.width() + x] = opaquePixel(picture.pixel(x, y));
    }
  }
}

HICON MadeIcons::iconOf(const Bitmap& picture) {
  std::vector<uint32_t> pixels = iconPixels(picture);
  auto same = std::find_if(made_.begin(), made_.end(), [&](const Made& made) {
    return made.width == picture.width() && made.height == picture.height() && made.pixels == pixels;
  });
  if (same == made_.end()) {
    sys::win32::UniqueIcon icon = makeIcon(picture.width(), picture.height(), pixels);
    if (!icon) return nullptr;
    if (made_.size() == kKept) made_.erase(made_.begin());
    made_.push_back({picture.width(), picture.height(), std::move(pixels), std::move(icon)});
    return made_.back().icon.get();
  }
  std::rotate(same, same + 1, made_.end());
  return made_.back().icon.get();
}

}  // namespace kst::tk::win32

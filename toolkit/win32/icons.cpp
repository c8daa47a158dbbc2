#include "toolkit/win32/icons.h"

namespace kst::tk::win32 {

COLORREF resolve(Color color) { return color.isSystem() ? GetSysColor(color.systemIndex()) : color.colorref(); }

namespace {

// A pixel as a 32-bit DIB holds it: alpha, red, green, blue. A system
// colour is the one the theme has now.
uint32_t opaquePixel(Color c) {
  const COLORREF rgb = resolve(c);
  return 0xFF000000u | static_cast<uint32_t>(GetRValue(rgb)) << 16 | GetGValue(rgb) << 8 | GetBValue(rgb);
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

sys::win32::UniqueIcon makeIcon(const Bitmap& picture) {
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof header;
  header.bV5Width = picture.width();
  header.bV5Height = -picture.height();
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
  auto* pixels = static_cast<uint32_t*>(bits);
  const int rowBytes = ((picture.width() + 15) / 16) * 2;
  std::vector<uint8_t> mask(static_cast<size_t>(rowBytes) * picture.height(), 0);
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const bool clear = picture.transparent(x, y);
      pixels[y * picture.width() + x] = clear ? 0 : opaquePixel(picture.pixel(x, y));
      if (clear) mask[static_cast<size_t>(y) * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  sys::win32::UniqueBitmap monochrome(CreateBitmap(picture.width(), picture.height(), 1, 1, mask.data()));
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = color.get();
  info.hbmMask = monochrome.get();
  return sys::win32::UniqueIcon(CreateIconIndirect(&info));
}

}  // namespace kst::tk::win32

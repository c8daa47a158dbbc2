#include "resources/battery_label.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace kst::resources {
namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf escape;
};

// libjpeg reports fatal errors through a callback that must not return.
[[noreturn]] void leaveDecoder(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

void ignoreMessage(j_common_ptr) {}

// Owns the decompressor for every way out of the decoder.
struct Decompressor {
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  Decompressor() {
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = leaveDecoder;
    errors.base.output_message = ignoreMessage;
    jpeg_create_decompress(&info);
  }
  ~Decompressor() { jpeg_destroy_decompress(&info); }
};

bool decodeInto(Decompressor& decoder, const std::vector<uint8_t>& jpeg, tk::Bitmap& picture,
                std::vector<uint8_t>& row) {
  jpeg_decompress_struct& info = decoder.info;
  if (setjmp(decoder.errors.escape) != 0) return false;
  jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  picture =
      tk::Bitmap(static_cast<int>(info.output_width), static_cast<int>(info.output_height), tk::Color::rgb(0, 0, 0));
  row.resize(static_cast<size_t>(info.output_width) * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[1] = {row.data()};
    int y = static_cast<int>(info.output_scanline);
    jpeg_read_scanlines(&info, rows, 1);
    for (int x = 0; x < picture.width(); ++x) {
      picture.setPixel(x, y, tk::Color::rgb(row[x * 3], row[x * 3 + 1], row[x * 3 + 2]));
    }
  }
  jpeg_finish_decompress(&info);
  return true;
}

}  // namespace

tk::Bitmap decodeJpeg(const std::vector<uint8_t>& jpeg) {
  if (jpeg.empty()) return {};
  Decompressor decoder;
  tk::Bitmap picture;
  std::vector<uint8_t> row;
  if (!decodeInto(decoder, jpeg, picture, row)) return {};
  return picture;
}

tk::Bitmap decodeBatteryLabel() { return decodeJpeg(batteryLabelJpeg()); }

}  // namespace kst::resources

#include "png_file.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace ui_smoke {
namespace {

// libpng reports errors by longjmp: nothing with a destructor lives in this frame.
bool WriteRows(std::FILE* file, png_bytep* rows, int width, int height) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePng(const std::wstring& path, const uint32_t* pixels, int width, int height) {
  if (width <= 0 || height <= 0) return false;
  const size_t w = static_cast<size_t>(width);
  std::vector<png_byte> rgb(w * static_cast<size_t>(height) * 3);
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  for (size_t y = 0; y < rows.size(); ++y) {
    rows[y] = rgb.data() + y * w * 3;
    for (size_t x = 0; x < w; ++x) {
      const uint32_t pixel = pixels[y * w + x];
      rows[y][x * 3] = static_cast<png_byte>((pixel >> 16) & 0xFF);
      rows[y][x * 3 + 1] = static_cast<png_byte>((pixel >> 8) & 0xFF);
      rows[y][x * 3 + 2] = static_cast<png_byte>(pixel & 0xFF);
    }
  }
  std::FILE* file = _wfopen(path.c_str(), L"wb");
  if (file == nullptr) return false;
  const bool written = WriteRows(file, rows.data(), width, height);
  return std::fclose(file) == 0 && written;
}

}  // namespace ui_smoke

// Host bitmaps for whole jobs: 24-bit DIB sections drawn with GDI and 1-bit bitmaps made
// with CreateBitmap. Each picture keeps a copy of its pixels as GDI holds them, so that a
// PNG that reached the printer can be compared with what the host drew.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kdv_test {

constexpr uint32_t kWhite = 0xFFFFFF;

class Picture {
 public:
  // A bottom-up 24-bit DIB section filled white, then drawn by `draw` on a memory DC.
  static Picture Drawn(int width, int height, const std::function<void(HDC)>& draw);
  // A 1-bit bitmap whose pixel (x, y) is white (bit 1) where `white` says so.
  static Picture Mono(int width, int height, const std::function<bool(int x, int y)>& white);

  Picture(Picture&& other) noexcept;
  Picture& operator=(Picture&&) = delete;
  Picture(const Picture&) = delete;
  ~Picture();

  HBITMAP Handle() const { return bitmap_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Bits() const { return bits_; }
  // Pixel (x, y) as 0xRRGGBB; a 1-bit pixel is black or white.
  uint32_t Rgb(int x, int y) const { return rgb_[static_cast<size_t>(y) * width_ + x]; }
  // Whether any pixel inside `rect` is not white (for text drawn there).
  bool HasInk(RECT rect) const;

 private:
  Picture(HBITMAP bitmap, int width, int height, int bits);

  HBITMAP bitmap_;
  int width_, height_, bits_;
  std::vector<uint32_t> rgb_;
};

// GDI drawing on a DC that holds a picture.
void FillBox(HDC dc, RECT rect, COLORREF colour);
void DrawFrame(HDC dc, RECT rect, int thickness, COLORREF colour);
// `text` with its top left at (x, y), `height` pixels high, turned by `tenthsOfDegree`.
void PaintText(HDC dc, int x, int y, const std::wstring& text, int height, COLORREF colour, int tenthsOfDegree = 0);

// Compares a PNG file with the picture less its `cropped` leftmost columns: a complete
// PNG of the right header (RGB for 24-bit pictures, 1-bit grey otherwise) whose decoded
// pixels are the picture's. Empty when they agree, else what differs first.
std::string CompareWithPng(const std::string& png, const Picture& picture, uint32_t cropped);

}  // namespace kdv_test

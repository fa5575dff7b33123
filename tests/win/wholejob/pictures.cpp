#include "win/wholejob/pictures.h"

#include <sstream>
#include <utility>

#include "native/imaging/png_decode.h"
#include "stream/command_stream.h"
#include "stream/png_summary.h"

namespace kdv_test {

Picture::Picture(HBITMAP bitmap, int width, int height, int bits)
    : bitmap_(bitmap), width_(width), height_(height), bits_(bits), rgb_(static_cast<size_t>(width) * height) {}

Picture::Picture(Picture&& other) noexcept
    : bitmap_(std::exchange(other.bitmap_, nullptr)),
      width_(other.width_),
      height_(other.height_),
      bits_(other.bits_),
      rgb_(std::move(other.rgb_)) {}

Picture::~Picture() {
  if (bitmap_ != nullptr) ::DeleteObject(bitmap_);
}

Picture Picture::Drawn(int width, int height, const std::function<void(HDC)>& draw) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as most hosts draw
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  HDC dc = ::CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  Picture picture(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0), width, height, 24);
  if (picture.bitmap_ == nullptr || bits == nullptr) {
    ::DeleteDC(dc);
    return picture;
  }
  HGDIOBJ old = ::SelectObject(dc, picture.bitmap_);
  FillBox(dc, {0, 0, width, height}, RGB(255, 255, 255));
  draw(dc);
  ::GdiFlush();
  ::SelectObject(dc, old);
  ::DeleteDC(dc);

  const size_t stride = (3 * static_cast<size_t>(width) + 3) & ~size_t{3};
  const auto* rows = static_cast<const uint8_t*>(bits);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = rows + static_cast<size_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      const uint8_t* pixel = row + 3 * static_cast<size_t>(x);
      picture.rgb_[static_cast<size_t>(y) * width + x] = uint32_t{pixel[2]} << 16 | uint32_t{pixel[1]} << 8 | pixel[0];
    }
  }
  return picture;
}

Picture Picture::Mono(int width, int height, const std::function<bool(int x, int y)>& white) {
  // CreateBitmap takes rows of whole 16-bit words, leftmost pixel in the top bit.
  const size_t stride = (static_cast<size_t>(width) + 15) / 16 * 2;
  std::vector<uint8_t> bits(stride * height);
  std::vector<uint32_t> rgb(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (!white(x, y)) continue;
      bits[y * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      rgb[static_cast<size_t>(y) * width + x] = kWhite;
    }
  }
  Picture picture(::CreateBitmap(width, height, 1, 1, bits.data()), width, height, 1);
  picture.rgb_ = std::move(rgb);
  return picture;
}

bool Picture::HasInk(RECT rect) const {
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x)
      if (Rgb(x, y) != kWhite) return true;
  return false;
}

void FillBox(HDC dc, RECT rect, COLORREF colour) {
  HBRUSH brush = ::CreateSolidBrush(colour);
  ::FillRect(dc, &rect, brush);
  ::DeleteObject(brush);
}

void DrawFrame(HDC dc, RECT rect, int thickness, COLORREF colour) {
  FillBox(dc, {rect.left, rect.top, rect.right, rect.top + thickness}, colour);
  FillBox(dc, {rect.left, rect.bottom - thickness, rect.right, rect.bottom}, colour);
  FillBox(dc, {rect.left, rect.top, rect.left + thickness, rect.bottom}, colour);
  FillBox(dc, {rect.right - thickness, rect.top, rect.right, rect.bottom}, colour);
}

void PaintText(HDC dc, int x, int y, const std::wstring& text, int height, COLORREF colour, int tenthsOfDegree) {
  HFONT font = ::CreateFontW(-height, 0, tenthsOfDegree, tenthsOfDegree, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma");
  HGDIOBJ old = ::SelectObject(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, colour);
  ::TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
  ::SelectObject(dc, old);
  ::DeleteObject(font);
}

std::string CompareWithPng(const std::string& png, const Picture& picture, uint32_t cropped) {
  std::ostringstream problem;
  const label_stream::PngSummary summary = label_stream::ReadPngSummary(png);
  if (!summary.complete || summary.length != png.size()) {
    problem << "not one complete PNG file of " << png.size() << " bytes: " << summary.problem;
    return problem.str();
  }
  const imaging_test::DecodedPng decoded = imaging_test::DecodePng(std::vector<uint8_t>(png.begin(), png.end()));
  const bool rgb = picture.Bits() == 24;
  const auto width = static_cast<uint32_t>(picture.Width()) - cropped;
  const auto height = static_cast<uint32_t>(picture.Height());
  if (!decoded.ok || decoded.width != width || decoded.height != height || decoded.bitDepth != (rgb ? 8 : 1) ||
      decoded.colourType != (rgb ? 2 : 0)) {
    problem << "decoded " << (decoded.ok ? "" : "(failed) ") << decoded.width << " x " << decoded.height << ", depth "
            << decoded.bitDepth << ", colour type " << decoded.colourType << "; expected " << width << " x " << height
            << (rgb ? " RGB" : " 1-bit grey");
    return problem.str();
  }
  for (uint32_t y = 0; y < height; ++y) {
    const std::vector<uint8_t>& row = decoded.rows[y];
    for (uint32_t x = 0; x < width; ++x) {
      uint32_t got;
      if (rgb) {
        got = uint32_t{row[3 * x]} << 16 | uint32_t{row[3 * x + 1]} << 8 | row[3 * x + 2];
      } else {
        got = (row[x / 8] >> (7 - x % 8) & 1) != 0 ? kWhite : 0;
      }
      const uint32_t drawn = picture.Rgb(static_cast<int>(x + cropped), static_cast<int>(y));
      if (got != drawn) {
        problem << "pixel (" << x << ", " << y << ") is " << std::hex << got << ", drawn " << drawn;
        return problem.str();
      }
    }
  }
  return {};
}

}  // namespace kdv_test

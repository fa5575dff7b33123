// Cropping pixel columns at the left edge, in place.
// Properties: refused (false, nothing changed) exactly when the count passes the width or
// the rows do not lie inside the buffer; otherwise every kept pixel is the one `count`
// columns to its right before, rows are packed to the new stride (a multiple of 4), and
// depths other than 1 and 24 are left alone.
#include <vector>

#include "commands/image_slot.h"
#include "fuzz_input.h"

namespace {

uint64_t PixelBytes(uint64_t width, uint32_t bitsPerPixel) { return bitsPerPixel == 24 ? width * 3 : (width + 7) / 8; }

// Pixel `column` of a row: three bytes for 24 bits, one bit (0 or 1) for 1 bit.
uint32_t Pixel(const uint8_t* row, uint32_t column, uint32_t bitsPerPixel) {
  if (bitsPerPixel == 24) return uint32_t{row[3 * column]} << 16 | uint32_t{row[3 * column + 1]} << 8 | row[3 * column + 2];
  return row[column / 8] >> (7 - column % 8) & 1u;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput input(data, size);
  const uint32_t bitsPerPixel = input.Bool() ? 24 : (input.Bool() ? 1 : input.Take<uint8_t>());
  uint32_t width = input.Below(4) == 0 ? input.Take<uint32_t>() : input.Below(200);
  uint32_t stride = input.Below(4) == 0 ? input.Take<uint32_t>() : static_cast<uint32_t>(
      (PixelBytes(width, bitsPerPixel) + 3) / 4 * 4 + 4 * input.Below(3));
  const uint32_t height = input.Below(4) == 0 ? input.Take<uint32_t>() : input.Below(40);
  const uint32_t count = input.Bool() ? input.Take<uint32_t>()
                                     : static_cast<uint32_t>(input.Take<uint32_t>() % (uint64_t{width} + 1));
  const std::string bytes = input.Bytes(1 << 16);
  std::vector<uint8_t> pixels(bytes.begin(), bytes.end());

  const std::vector<uint8_t> before = pixels;
  const uint32_t oldWidth = width, oldStride = stride;
  const bool ok = commands::CropBitmapLeft(pixels, width, stride, height, bitsPerPixel, count);

  const bool known = bitsPerPixel == 24 || bitsPerPixel == 1;
  const bool inside = PixelBytes(oldWidth, bitsPerPixel) <= oldStride && uint64_t{oldStride} * height <= before.size();
  const bool fits = (PixelBytes(oldWidth - count, bitsPerPixel) + 3) / 4 * 4 <= oldStride;
  const bool expected = count <= oldWidth && (count == 0 || !known || (inside && fits));
  FUZZ_CHECK(ok == expected);
  FUZZ_CHECK(pixels.size() == before.size());
  if (!ok || count == 0 || !known) {
    FUZZ_CHECK(pixels == before && width == oldWidth && stride == oldStride);
    return 0;
  }
  FUZZ_CHECK(width == oldWidth - count);
  FUZZ_CHECK(stride == (PixelBytes(width, bitsPerPixel) + 3) / 4 * 4);
  for (uint32_t r = 0; r < height; ++r) {
    for (uint32_t c = 0; c < width; ++c)
      FUZZ_CHECK(Pixel(&pixels[size_t{r} * stride], c, bitsPerPixel) ==
                 Pixel(&before[size_t{r} * oldStride], c + count, bitsPerPixel));
  }
  return 0;
}

#include <cstring>

#include "commands/image_slot.h"

namespace commands {
namespace {

uint32_t RoundUpTo4(uint64_t bytes) { return static_cast<uint32_t>((bytes + 3) & ~uint64_t{3}); }

// Bytes of a row that hold pixels (no padding).
uint64_t PixelBytes(uint32_t width, uint32_t bitsPerPixel) {
  return bitsPerPixel == 24 ? uint64_t{width} * 3 : (uint64_t{width} + 7) / 8;
}

// Whether rows of `stride` bytes with `pixelBytes` pixel bytes each lie inside the
// buffer and the cropped rows (`newStride`) never start after the rows they come from.
bool FitsInPlace(const std::vector<uint8_t>& pixels, uint64_t pixelBytes, uint32_t stride, uint32_t newStride,
                 uint32_t height) {
  return pixelBytes <= stride && newStride <= stride && uint64_t{stride} * height <= pixels.size();
}

void CropRgbRows(uint8_t* pixels, uint32_t stride, uint32_t newStride, uint32_t height, uint32_t count,
                 uint32_t newWidth) {
  const size_t rowBytes = size_t{newWidth} * 3;
  for (uint32_t r = 0; r < height; ++r) {
    // The target starts no later than the source: a forward move is an in-place copy.
    std::memmove(pixels + size_t{r} * newStride, pixels + size_t{r} * stride + size_t{count} * 3, rowBytes);
  }
}

void CropMonoRows(uint8_t* pixels, uint32_t width, uint32_t stride, uint32_t newStride, uint32_t height,
                  uint32_t count, uint32_t outputBytes) {
  const uint32_t skipBytes = count / 8;
  const uint32_t shift = count % 8;
  for (uint32_t r = 0; r < height; ++r) {
    const uint8_t* source = pixels + size_t{r} * stride + skipBytes;
    uint8_t* target = pixels + size_t{r} * newStride;
    if (shift == 0) {
      std::memmove(target, source, outputBytes);
      continue;
    }
    for (uint32_t m = 0; m < outputBytes; ++m) {
      const unsigned a = source[m];
      // The next source byte only while the row's pixels reach into it; past the
      // row's end the vacated low bits become white.
      const bool continues = uint64_t{width} > 8 * (uint64_t{skipBytes} + m + 1);
      const unsigned b = continues ? source[m + 1] : 0xFFu;
      target[m] = static_cast<uint8_t>(a << shift | b >> (8 - shift));
    }
  }
}

}  // namespace

bool CropBitmapLeft(std::vector<uint8_t>& pixels, uint32_t& width, uint32_t& stride, uint32_t height,
                    uint32_t bitsPerPixel, uint32_t count) {
  if (count > width) return false;
  if (count == 0) return true;
  if (bitsPerPixel != 24 && bitsPerPixel != 1) return true;

  const uint32_t newWidth = width - count;
  const uint64_t newPixelBytes = PixelBytes(newWidth, bitsPerPixel);
  const uint32_t newStride = RoundUpTo4(newPixelBytes);
  if (!FitsInPlace(pixels, PixelBytes(width, bitsPerPixel), stride, newStride, height)) return false;

  if (newWidth != 0) {
    if (bitsPerPixel == 24)
      CropRgbRows(pixels.data(), stride, newStride, height, count, newWidth);
    else
      CropMonoRows(pixels.data(), width, stride, newStride, height, count, static_cast<uint32_t>(newPixelBytes));
  }
  width = newWidth;
  stride = newStride;
  return true;
}

}  // namespace commands

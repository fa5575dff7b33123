// Captured host bitmaps: the image slot, capture from a GDI bitmap, and cropping of
// pixel columns at the left edge in place.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/types.h"

namespace commands {

// One captured image: rows top first, each `stride` bytes, padded to a multiple of 4.
// 24 bits per pixel: blue, green, red per pixel. 1 bit per pixel: leftmost pixel in the
// most significant bit, 0 black, 1 white. `pixels` holds at least stride x height bytes.
struct ImageSlot {
  std::vector<uint8_t> pixels;
  uint32_t width = 0;
  uint32_t stride = 0;
  uint32_t height = 0;
  uint32_t bitsPerPixel = 0;
};

// Reads the whole bitmap into `slot` (GetObjectW, then GetDIBits twice, top-down rows);
// a bitmap of any depth but 1 bit is read as 24-bit rows.
// On any failure the slot is left exactly as it was; allocation failure is also logged.
// Answers that describe no readable image (sizes not positive, an image size too small
// for the rows) count as failures.
bool CaptureBitmap(ImageSlot* slot, platform::DeviceContext dc, platform::BitmapHandle bitmap);

// Removes `count` pixel columns from the left of every row of `pixels`, in place, and
// stores the new width and stride. False (nothing changed) when count > width, and when
// width, stride and height describe rows outside `pixels`; true without change for count 0
// and for depths other than 24 and 1.
bool CropBitmapLeft(std::vector<uint8_t>& pixels, uint32_t& width, uint32_t& stride, uint32_t height,
                    uint32_t bitsPerPixel, uint32_t count);

}  // namespace commands

#include <cstring>
#include <utility>
#include <vector>

#include "commands/image_slot.h"
#include "diag/diagnostic_log.h"
#include "platform/bitmaps.h"

namespace commands {
namespace {

// The parts of GDI's BITMAP record (32 bytes) that the capture uses.
struct BitmapFacts {
  int32_t width;
  int32_t height;
  uint16_t planes;
  uint16_t bitsPerPixel;
};

constexpr int kBitmapRecordSize = 32;

template <class T>
T ReadAt(const unsigned char* bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

template <class T>
void WriteAt(unsigned char* bytes, size_t offset, T value) {
  std::memcpy(bytes + offset, &value, sizeof value);
}

// A BITMAPINFO as GetDIBits reads and fills it: the 40-byte header, then the colour
// table. Two entries are set; the rest is room for the 256 entries GDI writes back for
// an 8-bit bitmap, so no depth makes it write past the record.
struct DibInfo {
  static constexpr size_t kHeaderSize = 40;
  static constexpr size_t kSizeImageOffset = 20;
  alignas(4) unsigned char bytes[kHeaderSize + 256 * 4] = {};

  explicit DibInfo(const BitmapFacts& facts) {
    WriteAt<uint32_t>(bytes, 0, kHeaderSize);
    WriteAt<int32_t>(bytes, 4, facts.width);
    WriteAt<int32_t>(bytes, 8, -facts.height);  // negative: top row first
    WriteAt<uint16_t>(bytes, 12, facts.planes);
    WriteAt<uint16_t>(bytes, 14, facts.bitsPerPixel);
    WriteAt<uint32_t>(bytes, 16, 0);  // BI_RGB
    WriteAt<uint32_t>(bytes, kHeaderSize, 0x00000000u);
    WriteAt<uint32_t>(bytes, kHeaderSize + 4, 0xFFFFFFFFu);
  }
  uint32_t SizeImage() const { return ReadAt<uint32_t>(bytes, kSizeImageOffset); }
};

// Bytes GDI writes per row of a bitmap of this width and depth (rows padded to 4 bytes).
uint64_t RowBytes(uint32_t width, uint32_t bitsPerPixel) {
  return (uint64_t{width} * bitsPerPixel + 31) / 32 * 4;
}

// Sizes GDI never reports for a real bitmap: not positive, or a depth without meaning.
bool Sensible(const BitmapFacts& facts) {
  return facts.width > 0 && facts.height > 0 && facts.bitsPerPixel != 0 && facts.bitsPerPixel <= 32;
}

// The capture proper; throws when memory runs out.
bool Capture(ImageSlot& slot, platform::DeviceContext dc, platform::BitmapHandle bitmap) {
  platform::BitmapReader& reader = platform::GetBitmapReader();

  unsigned char record[kBitmapRecordSize] = {};
  if (reader.GetObject(bitmap, kBitmapRecordSize, record) == 0) return false;
  const BitmapFacts facts{ReadAt<int32_t>(record, 4), ReadAt<int32_t>(record, 8), ReadAt<uint16_t>(record, 16),
                          ReadAt<uint16_t>(record, 18)};
  if (!Sensible(facts)) return false;
  const auto width = static_cast<uint32_t>(facts.width);
  const auto height = static_cast<uint32_t>(facts.height);
  // 1- and 24-bit rows are read as they are; GDI converts every other depth to 24 bits,
  // which prints as drawn (the encoder knows only these two).
  BitmapFacts read = facts;
  if (read.bitsPerPixel != 1) read.bitsPerPixel = 24;

  DibInfo info(read);
  if (reader.GetDIBits(dc, bitmap, 0, height, nullptr, info.bytes) == 0) return false;
  const uint32_t imageSize = info.SizeImage();
  // An image size too small for the rows would let GDI, and later the crop and the
  // encoder, run past the buffer.
  if (RowBytes(width, read.bitsPerPixel) > imageSize / height) return false;

  // Read into new storage, so that a failure leaves the slot as it was.
  std::vector<uint8_t> pixels(imageSize);
  if (reader.GetDIBits(dc, bitmap, 0, height, pixels.data(), info.bytes) == 0) return false;

  slot.pixels = std::move(pixels);
  slot.width = width;
  slot.height = height;
  slot.stride = imageSize / height;
  slot.bitsPerPixel = read.bitsPerPixel;
  return true;
}

}  // namespace

bool CaptureBitmap(ImageSlot* slot, platform::DeviceContext dc, platform::BitmapHandle bitmap) {
  if (slot == nullptr) return false;
  try {
    return Capture(*slot, dc, bitmap);
  } catch (...) {
    diag::LogPainterFailure();
    return false;
  }
}

}  // namespace commands

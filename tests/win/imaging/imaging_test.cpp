// Capture from real GDI bitmaps under Wine: DIB sections drawn with GDI and monochrome
// bitmaps made from bits, their strides and top row first; GDI refusing a bogus handle;
// then a crop and a download of what was captured, decoded again.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "commands/graphic_commands.h"
#include "commands/image_slot.h"
#include "native/imaging/png_decode.h"

namespace {

using Bytes = std::vector<uint8_t>;
using commands::ImageSlot;

constexpr int kWidth = 101;
constexpr int kHeight = 10;

// The picture drawn into the 24-bit bitmaps: white, a red top row, a green block and one
// blue pixel in the bottom right corner.
COLORREF Expected(int x, int y) {
  if (y == 0) return RGB(255, 0, 0);
  if (x >= 40 && x < 60 && y >= 3 && y < 6) return RGB(0, 255, 0);
  if (x == kWidth - 1 && y == kHeight - 1) return RGB(0, 0, 255);
  return RGB(255, 255, 255);
}

void Fill(HDC dc, RECT rect, COLORREF colour) {
  HBRUSH brush = ::CreateSolidBrush(colour);
  ::FillRect(dc, &rect, brush);
  ::DeleteObject(brush);
}

// A memory DC for the test; bitmaps are drawn into it and deselected before capture.
class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override { dc_ = ::CreateCompatibleDC(nullptr); ASSERT_NE(dc_, nullptr); }
  void TearDown() override {
    for (HBITMAP bitmap : bitmaps_) ::DeleteObject(bitmap);
    ::DeleteDC(dc_);
  }

  HBITMAP Keep(HBITMAP bitmap) {
    if (bitmap != nullptr) bitmaps_.push_back(bitmap);
    return bitmap;
  }

  HBITMAP DibSection(int width, int height, WORD bits, void** pixels) {
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = height;  // negative: top-down
    info.header.biPlanes = 1;
    info.header.biBitCount = bits;
    info.header.biCompression = BI_RGB;
    for (int i = 0; i < 256; ++i) info.colours[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
    return Keep(::CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, pixels, nullptr, 0));
  }

  // The picture of Expected() in a 24-bit DIB section, drawn with GDI.
  HBITMAP DrawnPicture(bool topDown) {
    void* bits = nullptr;
    HBITMAP bitmap = DibSection(kWidth, topDown ? -kHeight : kHeight, 24, &bits);
    if (bitmap == nullptr) return nullptr;
    HGDIOBJ old = ::SelectObject(dc_, bitmap);
    Fill(dc_, {0, 0, kWidth, kHeight}, RGB(255, 255, 255));
    Fill(dc_, {0, 0, kWidth, 1}, RGB(255, 0, 0));
    Fill(dc_, {40, 3, 60, 6}, RGB(0, 255, 0));
    ::SetPixel(dc_, kWidth - 1, kHeight - 1, RGB(0, 0, 255));
    ::GdiFlush();
    ::SelectObject(dc_, old);
    return bitmap;
  }

  HDC dc_ = nullptr;
  std::vector<HBITMAP> bitmaps_;
};

// The bytes of pixel (x, y) of a 24-bit slot as red, green, blue.
COLORREF SlotColour(const ImageSlot& slot, int x, int y) {
  const uint8_t* pixel = slot.pixels.data() + size_t(y) * slot.stride + 3 * size_t(x);
  return RGB(pixel[2], pixel[1], pixel[0]);
}

TEST_F(GdiTest, A24BitDibSectionArrivesTopRowFirstInRowsOf304Bytes) {
  for (bool topDown : {false, true}) {
    SCOPED_TRACE(topDown ? "top-down section" : "bottom-up section");
    HBITMAP bitmap = DrawnPicture(topDown);
    ASSERT_NE(bitmap, nullptr);
    ImageSlot slot;
    ASSERT_TRUE(commands::CaptureBitmap(&slot, dc_, bitmap));
    EXPECT_EQ(slot.width, 101u);
    EXPECT_EQ(slot.height, 10u);
    EXPECT_EQ(slot.stride, 304u);
    EXPECT_EQ(slot.bitsPerPixel, 24u);
    ASSERT_GE(slot.pixels.size(), 3040u);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) ASSERT_EQ(SlotColour(slot, x, y), Expected(x, y)) << x << ", " << y;
  }
}

// Rows of a monochrome bitmap: row r, byte b. CreateBitmap takes rows of whole words.
uint8_t MonoByte(int r, int b) { return static_cast<uint8_t>(0x5A ^ (r * 16 + b * 37)); }
constexpr int kWordRow = 14;  // 13 bytes of pixels, padded to a whole word

Bytes MonoBits() {
  Bytes bits(kWordRow * kHeight);
  for (int r = 0; r < kHeight; ++r)
    for (int b = 0; b < kWordRow; ++b) bits[r * kWordRow + b] = MonoByte(r, b);
  return bits;
}

TEST_F(GdiTest, AMonochromeBitmapArrivesAsItsBitsInRowsOf16Bytes) {
  const Bytes bits = MonoBits();
  HBITMAP bitmap = Keep(::CreateBitmap(kWidth, kHeight, 1, 1, bits.data()));
  ASSERT_NE(bitmap, nullptr);

  ImageSlot slot;
  ASSERT_TRUE(commands::CaptureBitmap(&slot, dc_, bitmap));
  EXPECT_EQ(slot.width, 101u);
  EXPECT_EQ(slot.height, 10u);
  EXPECT_EQ(slot.stride, 16u);
  EXPECT_EQ(slot.bitsPerPixel, 1u);
  ASSERT_GE(slot.pixels.size(), 160u);
  for (int r = 0; r < kHeight; ++r) {
    for (int b = 0; b < 13; ++b) {
      // 101 pixels use the top 5 bits of the 13th byte.
      const uint8_t mask = b == 12 ? 0xF8 : 0xFF;
      ASSERT_EQ(slot.pixels[r * 16 + b] & mask, MonoByte(r, b) & mask) << "row " << r << ", byte " << b;
    }
  }
}

// Other depths are read as 24-bit rows that GDI converted: each pixel's colour (the
// grey ramp of the section's colour table for 4 and 8 bits), blue first.
TEST_F(GdiTest, DeeperDibSectionsAreCapturedAs24BitRows) {
  struct Case {
    WORD bits;
    int width;
    uint32_t stride;  // of the section
  };
  for (const Case& c : {Case{8, 50, 52}, Case{4, 33, 20}, Case{32, 7, 28}}) {
    SCOPED_TRACE(testing::Message() << c.bits << "-bit");
    void* pixels = nullptr;
    HBITMAP bitmap = DibSection(c.width, -3, c.bits, &pixels);
    ASSERT_NE(bitmap, nullptr);
    auto* bytes = static_cast<uint8_t*>(pixels);
    for (uint32_t i = 0; i < 3 * c.stride; ++i) bytes[i] = static_cast<uint8_t>(i * 13);
    ::GdiFlush();
    ImageSlot slot;
    ASSERT_TRUE(commands::CaptureBitmap(&slot, dc_, bitmap));
    EXPECT_EQ(slot.bitsPerPixel, 24u);
    EXPECT_EQ(slot.stride, (3u * c.width + 3) & ~3u);
    EXPECT_EQ(slot.height, 3u);
    ASSERT_GE(slot.pixels.size(), 3 * slot.stride);
    for (uint32_t r = 0; r < 3; ++r)
      for (uint32_t j = 0; j < uint32_t(c.width); ++j) {
        const uint8_t* row = bytes + r * c.stride;
        uint8_t want[3];
        if (c.bits == 32) {
          std::memcpy(want, row + 4 * j, 3);
        } else {
          const uint8_t grey = c.bits == 8 ? row[j] : (j % 2 == 0 ? row[j / 2] >> 4 : row[j / 2] & 15);
          want[0] = want[1] = want[2] = grey;
        }
        ASSERT_EQ(0, std::memcmp(slot.pixels.data() + r * slot.stride + 3 * j, want, 3)) << r << "," << j;
      }
  }
}

TEST_F(GdiTest, BogusHandlesFailAndLeaveTheSlot) {
  HBITMAP bitmap = DrawnPicture(false);
  ASSERT_NE(bitmap, nullptr);
  ImageSlot slot;
  ASSERT_TRUE(commands::CaptureBitmap(&slot, dc_, bitmap));
  const ImageSlot before = slot;

  struct Case {
    const char* label;
    HDC dc;
    HBITMAP bitmap;
  };
  const Case cases[] = {
      {"bitmap handle that names nothing", dc_, reinterpret_cast<HBITMAP>(uintptr_t{0x7A5E0})},
      {"device context that names nothing", reinterpret_cast<HDC>(uintptr_t{0x7A5E4}), bitmap},
      {"no device context", nullptr, bitmap},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_FALSE(commands::CaptureBitmap(&slot, c.dc, c.bitmap));
    EXPECT_EQ(slot.pixels, before.pixels);
    EXPECT_EQ(slot.width, before.width);
    EXPECT_EQ(slot.stride, before.stride);
    EXPECT_EQ(slot.height, before.height);
    EXPECT_EQ(slot.bitsPerPixel, before.bitsPerPixel);
  }
}

// Crops `count` columns off a captured slot, downloads it and decodes the PNG again.
imaging_test::DecodedPng CropAndDownload(ImageSlot& slot, uint32_t count, const std::string& name) {
  commands::CommandBuffer buffer;
  if (!commands::CropBitmapLeft(slot.pixels, slot.width, slot.stride, slot.height, slot.bitsPerPixel, count) ||
      !commands::DownloadGraphic(&buffer, slot.pixels, slot.width, slot.stride, slot.height, slot.bitsPerPixel,
                                 name.c_str()))
    return {};
  const std::string_view bytes(reinterpret_cast<const char*>(buffer.data()), buffer.size());
  return imaging_test::DecodePng(imaging_test::DownloadPayload(bytes, name).value_or(Bytes{}));
}

TEST_F(GdiTest, ACroppedCaptureDownloadsAsThePictureLessItsLeftColumns) {
  HBITMAP bitmap = DrawnPicture(false);
  ASSERT_NE(bitmap, nullptr);
  ImageSlot slot;
  ASSERT_TRUE(commands::CaptureBitmap(&slot, dc_, bitmap));
  const auto decoded = CropAndDownload(slot, 35, "BASE");
  EXPECT_EQ(slot.width, 66u);
  EXPECT_EQ(slot.stride, 200u);
  ASSERT_TRUE(decoded.ok);
  EXPECT_EQ(decoded.width, 66u);
  EXPECT_EQ(decoded.height, 10u);
  EXPECT_EQ(decoded.colourType, PNG_COLOR_TYPE_RGB);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < 66; ++x) {
      const uint8_t* rgb = decoded.rows[y].data() + 3 * x;
      ASSERT_EQ(RGB(rgb[0], rgb[1], rgb[2]), Expected(x + 35, y)) << x << ", " << y;
    }
  }
}

TEST_F(GdiTest, ACroppedMonochromeCaptureDownloadsAsItsRemainingPixels) {
  const Bytes bits = MonoBits();
  HBITMAP bitmap = Keep(::CreateBitmap(kWidth, kHeight, 1, 1, bits.data()));
  ASSERT_NE(bitmap, nullptr);
  ImageSlot slot;
  ASSERT_TRUE(commands::CaptureBitmap(&slot, dc_, bitmap));
  const auto decoded = CropAndDownload(slot, 3, "START");
  EXPECT_EQ(slot.width, 98u);
  EXPECT_EQ(slot.stride, 16u);
  ASSERT_TRUE(decoded.ok);
  EXPECT_EQ(decoded.width, 98u);
  EXPECT_EQ(decoded.bitDepth, 1);
  EXPECT_EQ(decoded.colourType, PNG_COLOR_TYPE_GRAY);
  auto bit = [](const uint8_t* row, int x) { return (row[x / 8] >> (7 - x % 8)) & 1; };
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < 98; ++x)
      ASSERT_EQ(bit(decoded.rows[y].data(), x), bit(&bits[y * kWordRow], x + 3)) << x << ", " << y;
}

}  // namespace

// Cropping pixel columns at the left: exact bytes of the defined cases, refusals that
// change nothing, and a comparison with a pixel-by-pixel reference on random images in
// buffers of exactly stride x height bytes (so the sanitizers see any stray access).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "commands/image_slot.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Bitmap {
  Bytes pixels;
  uint32_t width, stride, height, bitsPerPixel;
};

bool Crop(Bitmap& image, uint32_t count) {
  return commands::CropBitmapLeft(image.pixels, image.width, image.stride, image.height, image.bitsPerPixel, count);
}

// Row r's first `length` bytes.
Bytes Row(const Bitmap& image, uint32_t r, size_t length) {
  const auto start = image.pixels.begin() + static_cast<std::ptrdiff_t>(size_t{r} * image.stride);
  return Bytes(start, start + static_cast<std::ptrdiff_t>(length));
}

// A 24-bit image whose byte c of pixel j in row r is 16r + 3j + c + 1 (padding 0xEE).
Bitmap Rgb(uint32_t width, uint32_t height) {
  const uint32_t stride = (3 * width + 3) & ~3u;
  Bitmap image{Bytes(size_t{stride} * height, 0xEE), width, stride, height, 24};
  for (uint32_t r = 0; r < height; ++r)
    for (uint32_t b = 0; b < 3 * width; ++b) image.pixels[r * stride + b] = static_cast<uint8_t>(16 * r + b + 1);
  return image;
}

Bitmap Mono(uint32_t width, const std::vector<Bytes>& rows) {
  const uint32_t stride = ((width + 7) / 8 + 3) & ~3u;
  Bitmap image{Bytes(stride * rows.size(), 0x5A), width, stride, static_cast<uint32_t>(rows.size()), 1};
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t b = 0; b < rows[r].size(); ++b) image.pixels[r * stride + b] = rows[r][b];
  return image;
}

TEST(CropBitmapLeft, Rgb10By3KeepsTheFourthPixelOnwardsInRowsOf24Bytes) {
  Bitmap image = Rgb(10, 3);
  ASSERT_TRUE(Crop(image, 3));
  EXPECT_EQ(image.width, 7u);
  EXPECT_EQ(image.stride, 24u);
  EXPECT_EQ(image.pixels.size(), 3u * 32);  // never resized
  for (uint32_t r = 0; r < 3; ++r) {
    Bytes expected;
    for (uint32_t b = 9; b < 30; ++b) expected.push_back(static_cast<uint8_t>(16 * r + b + 1));
    EXPECT_EQ(Row(image, r, 21), expected) << "row " << r;
  }
}

struct MonoCase {
  const char* label;
  uint32_t width;
  std::vector<Bytes> rows;  // source rows, pixel bytes only
  uint32_t count;
  uint32_t newWidth, newStride;
  std::vector<Bytes> expected;  // output rows, ceil(newWidth / 8) bytes each
};

TEST(CropBitmapLeft, MonoRowsShiftByTheCount) {
  const MonoCase cases[] = {
      {"by 8 moves whole bytes", 24, {{0x12, 0x34, 0x56}, {0xAB, 0xCD, 0xEF}}, 8, 16, 4, {{0x34, 0x56}, {0xCD, 0xEF}}},
      {"by 16 of 20", 20, {{0x12, 0x34, 0x50}}, 16, 4, 4, {{0x50}}},
      // 16 by 3: 10110011 01011100 -> 10011010 11100111 (the three vacated bits white).
      {"by 3 shifts three bits", 16, {{0xB3, 0x5C}, {0x00, 0x00}}, 3, 13, 4, {{0x9A, 0xE7}, {0x00, 0x07}}},
      // 25 by 3: the 22nd pixel kept is pixel 24, the first bit of the fourth byte.
      {"width 25 by 3 keeps pixel 24", 25, {{0xFF, 0x00, 0xFF, 0x80}, {0x00, 0xFF, 0x00, 0x00}}, 3, 22, 4,
       {{0xF8, 0x07, 0xFC}, {0x07, 0xF8, 0x00}}},
      {"width 16 by 1 sets the last bit", 16, {{0x00, 0x00}, {0x80, 0x01}}, 1, 15, 4, {{0x00, 0x01}, {0x00, 0x03}}},
      {"width 9 by 1 stays in the first byte", 9, {{0x7F, 0x80}}, 1, 8, 4, {{0xFF}}},
      {"width 12 by 11 leaves one pixel", 12, {{0x00, 0x10}}, 11, 1, 4, {{0x87}}},
  };
  for (const MonoCase& c : cases) {
    SCOPED_TRACE(c.label);
    Bitmap image = Mono(c.width, c.rows);
    const size_t size = image.pixels.size();
    ASSERT_TRUE(Crop(image, c.count));
    EXPECT_EQ(image.width, c.newWidth);
    EXPECT_EQ(image.stride, c.newStride);
    EXPECT_EQ(image.pixels.size(), size);
    for (uint32_t r = 0; r < c.expected.size(); ++r) EXPECT_EQ(Row(image, r, c.expected[r].size()), c.expected[r]);
  }
}

TEST(CropBitmapLeft, TheWholeWidthLeavesAnEmptyImageAndTouchesNoByte) {
  for (uint32_t bits : {24u, 1u}) {
    Bitmap image = bits == 24 ? Rgb(7, 2) : Mono(13, {{0x12, 0x34}, {0x56, 0x78}});
    const Bytes before = image.pixels;
    ASSERT_TRUE(Crop(image, image.width)) << bits;
    EXPECT_EQ(image.width, 0u);
    EXPECT_EQ(image.stride, 0u);
    EXPECT_EQ(image.pixels, before);
  }
}

// What each call must leave exactly as it was, and what it answers.
TEST(CropBitmapLeft, CallsThatChangeNothing) {
  struct Case {
    const char* label;
    Bitmap image;
    uint32_t count;
    bool result;
  };
  Bitmap rgb = Rgb(10, 3);
  Bitmap mono = Mono(16, {{0xB3, 0x5C}});
  Bitmap eight{Bytes(2 * 12, 0x31), 10, 12, 2, 8};
  Bitmap thirtyTwo{Bytes(2 * 40, 0x42), 10, 40, 2, 32};
  Bitmap rgbShortBuffer = rgb;
  rgbShortBuffer.pixels.pop_back();
  Bitmap rgbNarrowStride = rgb;
  rgbNarrowStride.stride = 28;  // less than 3 x 10
  Bitmap monoNarrowStride{Bytes(8, 0), 17, 2, 4, 1};
  Bitmap monoUnalignedStride{Bytes(9, 0), 9, 3, 3, 1};  // the cropped rows would need 4 bytes each
  const Case cases[] = {
      {"24-bit, count 0", rgb, 0, true},
      {"1-bit, count 0", mono, 0, true},
      {"24-bit, count above the width", rgb, 11, false},
      {"1-bit, count above the width", mono, 17, false},
      {"empty image, count 1", Bitmap{{}, 0, 0, 0, 24}, 1, false},
      {"8-bit", eight, 3, true},
      {"32-bit", thirtyTwo, 3, true},
      {"8-bit, count above the width", eight, 11, false},
      {"24-bit, buffer one byte short", rgbShortBuffer, 3, false},
      {"24-bit, stride below the row", rgbNarrowStride, 3, false},
      {"1-bit, stride below the row", monoNarrowStride, 1, false},
      {"1-bit, stride that cannot hold the cropped rows", monoUnalignedStride, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Bitmap image = c.image;
    EXPECT_EQ(Crop(image, c.count), c.result);
    EXPECT_EQ(image.pixels, c.image.pixels);
    EXPECT_EQ(image.width, c.image.width);
    EXPECT_EQ(image.stride, c.image.stride);
  }
}

// Reference: the pixels count .. width - 1 of each row into fresh rows; a 1-bit output
// bit that lies past the source row's pixel bytes is white.
Bytes ReferenceRow(const Bitmap& source, uint32_t r, uint32_t count) {
  const uint8_t* row = source.pixels.data() + size_t{r} * source.stride;
  const uint32_t kept = source.width - count;
  if (source.bitsPerPixel == 24) return Bytes(row + 3 * count, row + 3 * source.width);
  const uint32_t outputBytes = (kept + 7) / 8;
  const uint32_t sourceBits = 8 * ((source.width + 7) / 8);
  Bytes out(outputBytes, 0);
  for (uint32_t bit = 0; bit < 8 * outputBytes; ++bit) {
    const uint32_t from = count + bit;
    const bool white = from >= sourceBits || (row[from / 8] >> (7 - from % 8) & 1) != 0;
    if (white) out[bit / 8] |= static_cast<uint8_t>(0x80 >> bit % 8);
  }
  return out;
}

TEST(CropBitmapLeft, MatchesAPixelByPixelReferenceOnRandomImages) {
  std::mt19937 random(20240611);
  auto below = [&](uint32_t limit) { return std::uniform_int_distribution<uint32_t>(0, limit - 1)(random); };
  int cropped = 0;
  for (int i = 0; i < 4000; ++i) {
    const uint32_t bits = below(2) == 0 ? 24 : 1;
    const uint32_t width = 1 + below(bits == 24 ? 40 : 120);
    const uint32_t height = below(6);
    const uint32_t pixelBytes = bits == 24 ? 3 * width : (width + 7) / 8;
    // Mostly the stride GDI gives; sometimes wider rows.
    const uint32_t stride = ((pixelBytes + 3) & ~3u) + 4 * (below(4) == 0 ? 1 + below(3) : 0);
    Bitmap source{Bytes(size_t{stride} * height), width, stride, height, bits};
    for (uint8_t& byte : source.pixels) byte = static_cast<uint8_t>(below(256));
    const uint32_t count = below(width + 3);

    SCOPED_TRACE(testing::Message() << "case " << i << ": " << bits << "-bit, width " << width << ", stride "
                                    << stride << ", height " << height << ", count " << count);
    Bitmap image = source;
    const bool result = Crop(image, count);
    ASSERT_EQ(image.pixels.size(), source.pixels.size());
    if (count > width) {
      ASSERT_FALSE(result);
      ASSERT_EQ(image.pixels, source.pixels);
      continue;
    }
    ASSERT_TRUE(result);
    const uint32_t kept = width - count;
    ASSERT_EQ(image.width, kept);
    if (count == 0) {
      ASSERT_EQ(image.stride, stride);
      ASSERT_EQ(image.pixels, source.pixels);
      continue;
    }
    const uint32_t keptBytes = bits == 24 ? 3 * kept : (kept + 7) / 8;
    ASSERT_EQ(image.stride, (keptBytes + 3) & ~3u);
    for (uint32_t r = 0; r < height; ++r)
      ASSERT_EQ(Row(image, r, keptBytes), ReferenceRow(source, r, count)) << "row " << r;
    ++cropped;
  }
  EXPECT_GT(cropped, 3000);
}

}  // namespace

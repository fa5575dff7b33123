// The red-blue exchange of 24-bit rows: the processor's shuffle gives the bytes of the
// portable loop at every length around its 5-pixel steps, touching exactly the row
// (source and target are allocated to the byte, so AddressSanitizer sees any overrun).
#include "commands/rgb_rows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(RgbRows, EveryLengthGivesRedGreenBlueFromBlueGreenRed) {
  for (size_t pixels = 0; pixels <= 64; ++pixels) {
    SCOPED_TRACE(pixels);
    std::vector<uint8_t> source(3 * pixels);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 37 + 11);
    std::vector<uint8_t> expected(3 * pixels);
    for (size_t j = 0; j < pixels; ++j) {
      expected[3 * j] = source[3 * j + 2];
      expected[3 * j + 1] = source[3 * j + 1];
      expected[3 * j + 2] = source[3 * j];
    }
    std::vector<uint8_t> fast(3 * pixels), portable(3 * pixels);
    commands::SwapRedAndBlue(fast.data(), source.data(), pixels);
    commands::SwapRedAndBluePortable(portable.data(), source.data(), pixels);
    EXPECT_EQ(fast, expected);
    EXPECT_EQ(portable, expected);
  }
}

}  // namespace

// Capturing a host bitmap through the bitmap reader: what is asked of GDI, what lands in
// the slot, and that every failure (of a call, of an allocation, or an answer that
// describes no readable image) leaves the slot exactly as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "commands/image_slot.h"
#include "platform/service.h"
#include "support/fake_log_system.h"
#include "support/fake_services.h"
#include "support/fault_alloc.h"
#include "support/log_lines.h"

namespace {

using commands::ImageSlot;
using testing_support::FakeBitmapReader;
using testing_support::FakeLogSystem;
using testing_support::LogLines;

const auto kDc = reinterpret_cast<platform::DeviceContext>(0x1D0);
const auto kBitmap = reinterpret_cast<platform::BitmapHandle>(0xB17);

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  return bytes;
}

void Script(FakeBitmapReader& reader, int32_t width, int32_t height, uint16_t bits, uint32_t stride) {
  reader.width = width;
  reader.height = height;
  reader.bitsPerPixel = bits;
  reader.stride = stride;
  reader.pixels = Pattern(size_t{stride} * static_cast<uint32_t>(height > 0 ? height : 0));
}

// A slot as an earlier capture left it.
ImageSlot EarlierCapture() {
  ImageSlot slot;
  slot.pixels.assign(64, 0xC3);
  slot.width = 5;
  slot.stride = 16;
  slot.height = 4;
  slot.bitsPerPixel = 24;
  return slot;
}

void ExpectUnchanged(const ImageSlot& slot, const ImageSlot& before, const uint8_t* storage) {
  EXPECT_EQ(slot.pixels, before.pixels);
  EXPECT_EQ(slot.pixels.data(), storage);
  EXPECT_EQ(slot.width, before.width);
  EXPECT_EQ(slot.stride, before.stride);
  EXPECT_EQ(slot.height, before.height);
  EXPECT_EQ(slot.bitsPerPixel, before.bitsPerPixel);
}

class Capture : public ::testing::Test {
 protected:
  FakeBitmapReader reader_;
  platform::ScopedService<platform::BitmapReader> readerGuard_{reader_};
  FakeLogSystem log_;
  platform::ScopedService<platform::LogSystem> logGuard_{log_};
};

uint16_t U16(const std::string& bytes, size_t at) {
  uint16_t value;
  std::memcpy(&value, bytes.data() + at, 2);
  return value;
}

TEST_F(Capture, FillsTheSlotWithGdisRowsAndSizes) {
  struct Case {
    int32_t width, height;
    uint16_t bits;
    uint32_t stride;       // of the rows GDI answers with
    uint16_t capturedBits;  // asked of GDI and recorded: other depths are converted to 24 bits
  };
  const Case cases[] = {
      {101, 10, 24, 304, 24}, {101, 10, 1, 16, 1}, {1, 1, 24, 4, 24}, {1, 3, 1, 4, 1},
      {10, 3, 4, 32, 24},     {10, 3, 8, 32, 24},  {3, 2, 16, 12, 24}, {3, 2, 32, 12, 24},
      {101, 10, 24, 320, 24},  // a larger image size than the rows need: the stride follows it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << "-bit " << c.width << " x " << c.height);
    Script(reader_, c.width, c.height, c.bits, c.stride);
    reader_.dibitsCalls.clear();
    ImageSlot slot = EarlierCapture();
    ASSERT_TRUE(commands::CaptureBitmap(&slot, kDc, kBitmap));
    for (const auto& call : reader_.dibitsCalls) EXPECT_EQ(U16(call.info, 14), c.capturedBits);
    EXPECT_EQ(slot.width, static_cast<uint32_t>(c.width));
    EXPECT_EQ(slot.height, static_cast<uint32_t>(c.height));
    EXPECT_EQ(slot.stride, c.stride);
    EXPECT_EQ(slot.bitsPerPixel, c.capturedBits);
    EXPECT_EQ(std::string(slot.pixels.begin(), slot.pixels.end()), reader_.pixels);
  }
  EXPECT_TRUE(LogLines(log_).empty());
}

uint32_t U32(const std::string& bytes, size_t at) {
  uint32_t value;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

TEST_F(Capture, AsksForTopDownRowsWithTheBitmapsDepthAndABlackWhiteColourTable) {
  Script(reader_, 101, 10, 1, 16);
  reader_.planes = 1;
  ImageSlot slot;
  ASSERT_TRUE(commands::CaptureBitmap(&slot, kDc, kBitmap));

  ASSERT_EQ(reader_.objectCalls.size(), 1u);
  EXPECT_EQ(reader_.objectCalls[0].first, kBitmap);
  EXPECT_EQ(reader_.objectCalls[0].second, 32);
  ASSERT_EQ(reader_.dibitsCalls.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i == 0 ? "size query" : "pixel read");
    const auto& call = reader_.dibitsCalls[i];
    EXPECT_EQ(call.dc, kDc);
    EXPECT_EQ(call.bitmap, kBitmap);
    EXPECT_EQ(call.start, 0u);
    EXPECT_EQ(call.lines, 10u);
    EXPECT_EQ(call.withBits, i == 1);
    const std::string& info = call.info;
    EXPECT_EQ(U32(info, 0), 40u);                      // header size
    EXPECT_EQ(U32(info, 4), 101u);                     // width
    EXPECT_EQ(static_cast<int32_t>(U32(info, 8)), -10);  // negative height: top row first
    EXPECT_EQ(U16(info, 12), 1u);                      // planes
    EXPECT_EQ(U16(info, 14), 1u);                      // bits per pixel
    EXPECT_EQ(U32(info, 16), 0u);                      // BI_RGB
    // The image size is GDI's answer to the first call, left in place for the second.
    EXPECT_EQ(U32(info, 20), i == 0 ? 0u : 160u);
    for (size_t at = 24; at < 40; at += 4) EXPECT_EQ(U32(info, at), 0u) << "header offset " << at;
    EXPECT_EQ(U32(info, 40), 0x00000000u);
    EXPECT_EQ(U32(info, 44), 0xFFFFFFFFu);
  }
}

TEST_F(Capture, NullSlotIsFalseWithoutAskingGdi) {
  Script(reader_, 4, 4, 24, 12);
  EXPECT_FALSE(commands::CaptureBitmap(nullptr, kDc, kBitmap));
  EXPECT_TRUE(reader_.objectCalls.empty());
  EXPECT_TRUE(reader_.dibitsCalls.empty());
}

TEST_F(Capture, EveryFailureLeavesTheSlotAsItWas) {
  struct Case {
    const char* label;
    std::function<void(FakeBitmapReader&)> script;
  };
  auto answerImageSize = [](uint32_t size) {
    return [size](const FakeBitmapReader::DIBitsCall&, void* bits, void* info) {
      if (bits == nullptr) std::memcpy(static_cast<char*>(info) + 20, &size, 4);
      return 1;
    };
  };
  const Case cases[] = {
      {"GetObject fails", [](FakeBitmapReader& r) { r.getObjectFails = true; }},
      {"first GetDIBits fails", [](FakeBitmapReader& r) { r.failDIBitsOnCall = 1; }},
      {"second GetDIBits fails", [](FakeBitmapReader& r) { r.failDIBitsOnCall = 2; }},
      {"height 0", [](FakeBitmapReader& r) { r.height = 0; }},
      {"negative height", [](FakeBitmapReader& r) { r.height = -10; }},
      {"width 0", [](FakeBitmapReader& r) { r.width = 0; }},
      {"negative width", [](FakeBitmapReader& r) { r.width = -101; }},
      {"0 bits per pixel", [](FakeBitmapReader& r) { r.bitsPerPixel = 0; }},
      {"48 bits per pixel", [](FakeBitmapReader& r) { r.bitsPerPixel = 48; }},
      {"image size 0", [&](FakeBitmapReader& r) { r.onGetDIBits = answerImageSize(0); }},
      {"image size one byte short of the rows", [&](FakeBitmapReader& r) { r.onGetDIBits = answerImageSize(3039); }},
      {"row of 300 bytes for 101 pixels", [](FakeBitmapReader& r) { r.stride = 300; }},
      // 16 bytes x 2^28 rows is 2^32: the 32-bit image size wraps to 0.
      {"image size wrapped past 32 bits", [](FakeBitmapReader& r) { r.height = 1 << 28; r.stride = 16; }},
      {"width whose rows exceed 32 bits",
       [](FakeBitmapReader& r) { r.width = 0x7FFFFFFF; r.height = 1; r.stride = 0xFFFFFFFC; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FakeBitmapReader reader;
    platform::ScopedService<platform::BitmapReader> guard(reader);
    Script(reader, 101, 10, 24, 304);
    reader.pixels = Pattern(3040);
    c.script(reader);
    ImageSlot slot = EarlierCapture();
    const ImageSlot before = slot;
    const uint8_t* storage = slot.pixels.data();
    EXPECT_FALSE(commands::CaptureBitmap(&slot, kDc, kBitmap));
    ExpectUnchanged(slot, before, storage);
  }
  EXPECT_TRUE(LogLines(log_).empty());
}

TEST_F(Capture, AllocationFailureAnywhereIsLoggedOnceAndLeavesTheSlot) {
  Script(reader_, 101, 10, 24, 304);
  uint64_t failurePoints = 0;
  for (uint64_t k = 1; k < 50; ++k) {
    FakeLogSystem log;
    platform::ScopedService<platform::LogSystem> guard(log);
    ImageSlot slot = EarlierCapture();
    const ImageSlot before = slot;
    const uint8_t* storage = slot.pixels.data();
    bool result, fired;
    {
      testing_support::ScopedAllocationFailure failure(k);
      result = commands::CaptureBitmap(&slot, kDc, kBitmap);
      fired = failure.Fired();
    }
    if (!fired) {
      EXPECT_TRUE(result);
      EXPECT_EQ(slot.stride, 304u);
      EXPECT_TRUE(LogLines(log).empty());
      break;
    }
    ++failurePoints;
    SCOPED_TRACE("allocation " + std::to_string(k));
    EXPECT_FALSE(result);
    ExpectUnchanged(slot, before, storage);
    const auto lines = LogLines(log);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(testing_support::IsPainterFailure(lines[0])) << lines[0];
  }
  EXPECT_GE(failurePoints, 1u);
}

}  // namespace

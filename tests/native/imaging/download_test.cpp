// Graphic download, recall and deletion: the PNG that a download embeds, decoded with
// libpng's reader and compared with the source pixels; its header and chunks; the
// "~DYR" framing; refusals that append nothing; allocation failure at every allocation.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "commands/graphic_commands.h"
#include "native/imaging/png_decode.h"
#include "platform/service.h"
#include "support/fake_log_system.h"
#include "support/fake_services.h"
#include "support/fault_alloc.h"
#include "support/log_lines.h"
#include "support/stream_reader.h"

namespace {

using commands::CommandBuffer;
using Bytes = std::vector<uint8_t>;
using imaging_test::DecodePng;
using imaging_test::PngChunks;
using testing_support::FakeDebugOutput;
using testing_support::FakeLogSystem;
using testing_support::LogLines;

std::string Contents(const CommandBuffer& buffer) {
  return std::string(reinterpret_cast<const char*>(buffer.data()), buffer.size());
}

struct Image {
  Bytes pixels;
  uint32_t width, stride, height, bitsPerPixel;
};

// Deterministic pixel bytes in every byte of the rows, padding included.
Image MakeImage(uint32_t width, uint32_t height, uint32_t bits, uint32_t seed = 1) {
  const uint32_t pixelBytes = bits == 24 ? 3 * width : (width + 7) / 8;
  const uint32_t stride = (pixelBytes + 3) & ~3u;
  Image image{Bytes(size_t{stride} * height), width, stride, height, bits};
  uint32_t state = seed;
  for (uint8_t& byte : image.pixels) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<uint8_t>(state >> 16);
  }
  return image;
}

bool Download(CommandBuffer* buffer, const Image& image, const char* name = "BASE") {
  return commands::DownloadGraphic(buffer, image.pixels, image.width, image.stride, image.height,
                                   image.bitsPerPixel, name);
}

// The PNG bytes of the one download that `bytes` holds after `prefix`, its header checked.
Bytes DownloadedPng(const std::string& bytes, const std::string& name, size_t prefix = 0) {
  auto png = imaging_test::DownloadPayload(bytes, name, prefix);
  EXPECT_TRUE(png.has_value()) << "not one download of " << name << ": " << bytes.substr(prefix, 40);
  return png.value_or(Bytes{});
}

class GraphicDownload : public ::testing::Test {
 protected:
  FakeLogSystem log_;
  platform::ScopedService<platform::LogSystem> logGuard_{log_};
  FakeDebugOutput trace_;
  platform::ScopedService<platform::DebugOutput> traceGuard_{trace_};
};

TEST_F(GraphicDownload, RgbPixelsArriveInRedGreenBlueOrder) {
  const std::vector<std::pair<uint32_t, uint32_t>> sizes = {{1, 1}, {5, 3}, {101, 10}, {300, 200}};
  for (auto [width, height] : sizes) {
    SCOPED_TRACE(testing::Message() << width << " x " << height);
    Image image = MakeImage(width, height, 24);
    image.pixels[0] = 0x01, image.pixels[1] = 0x02, image.pixels[2] = 0x03;
    CommandBuffer buffer;
    ASSERT_TRUE(Download(&buffer, image));
    const auto decoded = DecodePng(DownloadedPng(Contents(buffer), "BASE"));
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.width, width);
    EXPECT_EQ(decoded.height, height);
    EXPECT_EQ(decoded.bitDepth, 8);
    EXPECT_EQ(decoded.colourType, 2);
    ASSERT_EQ(decoded.rows.size(), height);
    EXPECT_EQ(decoded.rows[0][0], 3);  // red
    EXPECT_EQ(decoded.rows[0][1], 2);  // green
    EXPECT_EQ(decoded.rows[0][2], 1);  // blue
    for (uint32_t r = 0; r < height; ++r) {
      const uint8_t* source = image.pixels.data() + size_t{r} * image.stride;
      Bytes expected;
      for (uint32_t j = 0; j < width; ++j) expected.insert(expected.end(), {source[3 * j + 2], source[3 * j + 1], source[3 * j]});
      ASSERT_EQ(decoded.rows[r], expected) << "row " << r;
    }
  }
  EXPECT_TRUE(LogLines(log_).empty());
  EXPECT_TRUE(trace_.lines.empty());
}

TEST_F(GraphicDownload, OtherDepthsBecomeOneBitGreyRowsOfTheSourcesFirstBytes) {
  // 1-bit is the depth in use; an 8- or 32-bit slot takes the same path.
  for (uint32_t bits : {1u, 8u, 32u}) {
    for (uint32_t width : {1u, 8u, 13u, 101u}) {
      SCOPED_TRACE(testing::Message() << bits << "-bit, width " << width);
      Image image = MakeImage(width, 7, 1);
      if (bits != 1) {
        image.stride = (width * bits / 8 + 3) & ~3u;
        image.pixels = MakeImage(8 * image.stride, 7, 1, bits).pixels;  // any bytes, rows of `stride`
        image.bitsPerPixel = bits;
      }
      CommandBuffer buffer;
      ASSERT_TRUE(Download(&buffer, image, "END"));
      const auto decoded = DecodePng(DownloadedPng(Contents(buffer), "END"));
      ASSERT_TRUE(decoded.ok);
      EXPECT_EQ(decoded.bitDepth, 1);
      EXPECT_EQ(decoded.colourType, 0);
      ASSERT_EQ(decoded.rows.size(), 7u);
      // The file holds each row's first bytes as they stand, the bits past the last pixel
      // included; decoded, the pixels are the source bits.
      const auto data = imaging_test::InflateImageData(PngChunks(DownloadedPng(Contents(buffer), "END")));
      ASSERT_TRUE(data.ok);
      const size_t rowBytes = (width + 7) / 8;
      ASSERT_EQ(data.bytes.size(), 7 * (rowBytes + 1));
      const uint8_t lastByteMask = static_cast<uint8_t>(0xFF << (7 - (width - 1) % 8));
      for (uint32_t r = 0; r < 7; ++r) {
        const auto start = image.pixels.begin() + static_cast<std::ptrdiff_t>(size_t{r} * image.stride);
        Bytes source(start, start + static_cast<std::ptrdiff_t>(rowBytes));
        const auto stored = data.bytes.begin() + static_cast<std::ptrdiff_t>(r * (rowBytes + 1));
        ASSERT_EQ(Bytes(stored + 1, stored + 1 + static_cast<std::ptrdiff_t>(rowBytes)), source) << "row " << r;
        source.back() &= lastByteMask;
        ASSERT_EQ(decoded.rows[r], source) << "row " << r;
      }
    }
  }
}

TEST_F(GraphicDownload, OneBitDecodesBlackWhereTheSourceBitIs0) {
  // Rows 10100000 and 01011111 of 3 pixels, expanded by the reader to 8-bit grey.
  Image image{{0xA0, 0, 0, 0, 0x5F, 0, 0, 0}, 3, 4, 2, 1};
  CommandBuffer buffer;
  ASSERT_TRUE(Download(&buffer, image));
  const Bytes png = DownloadedPng(Contents(buffer), "BASE");
  png_image reader{};
  reader.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_memory(&reader, png.data(), png.size()));
  reader.format = PNG_FORMAT_GRAY;
  Bytes grey(PNG_IMAGE_SIZE(reader));
  ASSERT_TRUE(png_image_finish_read(&reader, nullptr, grey.data(), 0, nullptr));
  EXPECT_EQ(grey, (Bytes{255, 0, 255, 0, 255, 0}));
}

TEST_F(GraphicDownload, TheFileHasItsHeaderPhysAndImageDataOnly) {
  for (uint32_t bits : {24u, 1u}) {
    SCOPED_TRACE(testing::Message() << bits << "-bit");
    const Image image = MakeImage(613, 45, bits);
    CommandBuffer buffer;
    ASSERT_TRUE(Download(&buffer, image));
    const auto chunks = PngChunks(DownloadedPng(Contents(buffer), "BASE"));
    const auto types = imaging_test::ChunkTypes(chunks);
    ASSERT_GE(types.size(), 4u);
    EXPECT_EQ(types.front(), "IHDR");
    EXPECT_EQ(types[1], "pHYs");
    EXPECT_EQ(types.back(), "IEND");
    for (size_t i = 2; i + 1 < types.size(); ++i) EXPECT_EQ(types[i], "IDAT") << i;

    const Bytes expectedHeader = {0, 0, 0x02, 0x65, 0, 0, 0, 45, static_cast<uint8_t>(bits == 24 ? 8 : 1),
                                  static_cast<uint8_t>(bits == 24 ? 2 : 0), 0, 0, 0};
    EXPECT_EQ(chunks[0].data, expectedHeader);
    // 11811 pixels per metre (300 dpi) both ways, unit metre; there is no job resolution to follow.
    EXPECT_EQ(chunks[1].data, (Bytes{0, 0, 0x2E, 0x23, 0, 0, 0x2E, 0x23, 1}));
  }
}

// The image data inflates to rows that each start with filter type 0 (None), and is
// exactly what zlib makes of them at level 3, window 2^15, memory level 7, filtered.
TEST_F(GraphicDownload, RowsAreUnfilteredAndDeflatedWithTheFixedSettings) {
  for (uint32_t bits : {24u, 1u}) {
    SCOPED_TRACE(testing::Message() << bits << "-bit");
    // More than 16 KiB of rows: libpng narrows the window for less.
    const uint32_t height = 80;
    const Image image = MakeImage(2000, height, bits);
    CommandBuffer buffer;
    ASSERT_TRUE(Download(&buffer, image));
    const auto chunks = PngChunks(DownloadedPng(Contents(buffer), "BASE"));
    const auto data = imaging_test::InflateImageData(chunks);
    ASSERT_TRUE(data.ok);
    const size_t rowBytes = bits == 24 ? 6000 : 250;
    ASSERT_EQ(data.bytes.size(), height * (rowBytes + 1));
    for (uint32_t r = 0; r < height; ++r) ASSERT_EQ(data.bytes[r * (rowBytes + 1)], 0) << "row " << r;

    // 0x78: deflate with a 32 KiB window; 0x5E: the "fast" level group of levels 2 to 5.
    ASSERT_GE(data.zlibStream.size(), 2u);
    EXPECT_EQ(data.zlibStream[0], 0x78);
    EXPECT_EQ(data.zlibStream[1], 0x5E);

    z_stream stream{};
    ASSERT_EQ(deflateInit2(&stream, 3, Z_DEFLATED, 15, 7, Z_FILTERED), Z_OK);
    Bytes expected(deflateBound(&stream, data.bytes.size()));
    Bytes raw = data.bytes;
    stream.next_in = raw.data();
    stream.avail_in = static_cast<uInt>(raw.size());
    stream.next_out = expected.data();
    stream.avail_out = static_cast<uInt>(expected.size());
    ASSERT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    expected.resize(stream.total_out);
    deflateEnd(&stream);
    EXPECT_EQ(data.zlibStream, expected);
  }
}

TEST_F(GraphicDownload, TheStreamReaderSeesOneWholeDownloadBetweenTheCommandsAroundIt) {
  CommandBuffer buffer;
  buffer.Append("^XA", 3);
  const Image image = MakeImage(40, 12, 24);
  ASSERT_TRUE(Download(&buffer, image, "DYNAMIC"));
  ASSERT_TRUE(commands::RecallGraphic(&buffer, {0, 120}, "DYNAMIC"));
  buffer.Append("^XZ", 3);
  const auto stream = testing_support::ReadCommandStream(Contents(buffer));
  ASSERT_TRUE(stream.ok());
  const std::vector<std::string> texts = {"^XA", "~DYR:DYNAMIC,B,P," + std::to_string(stream.commands.at(1).payload.size()) + ",b,",
                                          "^FO0,120", "^IMR:DYNAMIC.PNG", "^FS", "^XZ"};
  EXPECT_EQ(stream.Texts(), texts);
  EXPECT_TRUE(stream.commands[1].download);
  EXPECT_EQ(stream.commands[1].declaredLength, stream.commands[1].payload.size());
  EXPECT_TRUE(testing_support::FindBadDownloads(stream).empty());
  EXPECT_TRUE(testing_support::FindRecallsWithoutDownload(stream).empty());
}

TEST_F(GraphicDownload, RefusalsAppendNothing) {
  struct Case {
    const char* label;
    Image image;
    const char* name;
    bool compressionFailed;  // the encoder's trace
  };
  const Image rgb = MakeImage(10, 4, 24);
  Image zeroWidth = rgb;
  zeroWidth.width = 0;
  Image zeroHeight = rgb;
  zeroHeight.height = 0;
  Image monoZeroWidth = MakeImage(10, 4, 1);
  monoZeroWidth.width = 0;
  Image never{{}, 10, 32, 4, 24};
  Image neverZero{{}, 0, 0, 0, 0};
  Image shortRows = rgb;
  shortRows.pixels.resize(shortRows.pixels.size() - 3);  // ends inside the last row's pixels
  Image wideRows = rgb;
  wideRows.width = 11;  // 33 bytes in rows of 32
  Image hugeStride = rgb;
  hugeStride.stride = 0xFFFFFFFF;
  Image hugeHeight = rgb;
  hugeHeight.height = 0xFFFFFFFF;
  const Case cases[] = {
      {"width 0", zeroWidth, "BASE", true},
      {"height 0", zeroHeight, "BASE", true},
      {"1-bit width 0", monoZeroWidth, "BASE", true},
      {"never captured", never, "BASE", false},
      {"never captured, no sizes", neverZero, "BASE", false},
      {"null name", rgb, nullptr, false},
      {"buffer ends inside the last row", shortRows, "BASE", false},
      {"width past the stride on the last row", wideRows, "BASE", false},
      {"stride past the buffer", hugeStride, "BASE", false},
      {"height past the buffer", hugeHeight, "BASE", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FakeDebugOutput trace;
    platform::ScopedService<platform::DebugOutput> guard(trace);
    CommandBuffer buffer;
    buffer.Append("^XA", 3);
    EXPECT_FALSE(Download(&buffer, c.image, c.name));
    EXPECT_EQ(Contents(buffer), "^XA");
    if (c.compressionFailed)
      EXPECT_EQ(trace.lines, std::vector<std::u16string>{u"compression failed.\n"});
    else
      EXPECT_TRUE(trace.lines.empty());
  }
  EXPECT_FALSE(Download(nullptr, rgb));
  EXPECT_TRUE(LogLines(log_).empty());
}

TEST_F(GraphicDownload, TheEncoderReplacesItsOutputAndNeedsASourceRow) {
  const commands::PngSettings settings;
  const Image image = MakeImage(9, 3, 24);
  Bytes first, second = {1, 2, 3};
  ASSERT_TRUE(settings.EncodePng(first, image.pixels.data(), 9, 3, image.stride, true));
  ASSERT_TRUE(settings.EncodePng(second, image.pixels.data(), 9, 3, image.stride, true));
  EXPECT_EQ(second, first);
  Bytes untouched = {7};
  EXPECT_FALSE(settings.EncodePng(untouched, nullptr, 9, 3, image.stride, true));
  EXPECT_EQ(untouched, Bytes{7});
  EXPECT_TRUE(trace_.lines.empty());
}

TEST_F(GraphicDownload, TheEncoderRefusesAnEmptyImageBeforeAllocating) {
  // A trace that allocates nothing itself.
  struct Counting final : platform::DebugOutput {
    int failures = 0;
    void Write(const char16_t* text) override { failures += std::u16string_view(text) == u"compression failed.\n"; }
  } trace;
  platform::ScopedService<platform::DebugOutput> guard(trace);
  const commands::PngSettings settings;
  const Image image = MakeImage(9, 3, 24);
  for (const auto& [width, height] : {std::pair{0xFFFFFFFFu, 0u}, std::pair{0u, 0xFFFFFFFFu}}) {
    Bytes output;
    bool encoded = true;
    EXPECT_EQ(testing_support::CountAllocations(
                  [&] { encoded = settings.EncodePng(output, image.pixels.data(), width, height, 0, true); }),
              0u);
    EXPECT_FALSE(encoded);
  }
  EXPECT_EQ(trace.failures, 2);
}

TEST_F(GraphicDownload, AllocationFailureAtEveryPointLeavesTheBufferAndLogsOnce) {
  // Enough rows for several blocks of image data, so the output grows more than once.
  const Image image = MakeImage(700, 90, 24);
  struct BufferState {
    const char* label;
    std::function<void(CommandBuffer&)> prepare;
  };
  const BufferState states[] = {
      {"empty", [](CommandBuffer&) {}},
      {"full to its capacity", [](CommandBuffer& b) { b.Append("^XA", 3); }},
      // Room for the header but not the image: the second append is the one that grows.
      {"room for the header only",
       [](CommandBuffer& b) {
         b.Append(std::string(64, 'x').data(), 64);
         b.Clear();
         b.Append("^XA", 3);
       }},
  };
  for (const BufferState& state : states) {
    SCOPED_TRACE(state.label);
    uint64_t failurePoints = 0;
    for (uint64_t k = 1; k < 200; ++k) {
      FakeLogSystem log;
      platform::ScopedService<platform::LogSystem> guard(log);
      CommandBuffer buffer;
      state.prepare(buffer);
      const std::string before = Contents(buffer);
      bool result, fired;
      {
        testing_support::ScopedAllocationFailure failure(k);
        result = Download(&buffer, image);
        fired = failure.Fired();
      }
      if (!fired) {
        ASSERT_TRUE(result);
        EXPECT_TRUE(DecodePng(DownloadedPng(Contents(buffer), "BASE", before.size())).ok);
        EXPECT_TRUE(LogLines(log).empty());
        break;
      }
      ++failurePoints;
      SCOPED_TRACE("allocation " + std::to_string(k));
      EXPECT_FALSE(result);
      EXPECT_EQ(Contents(buffer), before);
      const auto lines = LogLines(log);
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_TRUE(testing_support::IsPainterFailure(lines[0])) << lines[0];
    }
    // The row buffer, several growths of the image, the header, two appends.
    EXPECT_GE(failurePoints, 5u);
  }
  EXPECT_TRUE(trace_.lines.empty());
}

TEST_F(GraphicDownload, RecallAndDeleteWriteTheNameAsGiven) {
  struct Case {
    const char* label;
    std::function<bool(CommandBuffer*)> write;
    std::string bytes;
  };
  const Case cases[] = {
      {"recall", [](CommandBuffer* b) { return commands::RecallGraphic(b, {0, 120}, "BASE"); },
       "^FO0,120^IMR:BASE.PNG^FS"},
      {"recall, x and y in place", [](CommandBuffer* b) { return commands::RecallGraphic(b, {35, 7}, "END"); },
       "^FO35,7^IMR:END.PNG^FS"},
      {"recall, lower case kept", [](CommandBuffer* b) { return commands::RecallGraphic(b, {1, 2}, "dynamic"); },
       "^FO1,2^IMR:dynamic.PNG^FS"},
      {"recall, largest origin",
       [](CommandBuffer* b) { return commands::RecallGraphic(b, {4294967295u, 4294967295u}, "START"); },
       "^FO4294967295,4294967295^IMR:START.PNG^FS"},
      {"delete", [](CommandBuffer* b) { return commands::DeleteGraphic(b, "DYNAMIC"); }, "^IDR:DYNAMIC.PNG"},
      {"delete, lower case kept", [](CommandBuffer* b) { return commands::DeleteGraphic(b, "Base"); }, "^IDR:Base.PNG"},
      {"delete, empty name", [](CommandBuffer* b) { return commands::DeleteGraphic(b, ""); }, "^IDR:.PNG"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    CommandBuffer buffer;
    buffer.Append("^XA", 3);
    EXPECT_TRUE(c.write(&buffer));
    EXPECT_EQ(Contents(buffer), "^XA" + c.bytes);
    EXPECT_FALSE(c.write(nullptr));
  }
  CommandBuffer buffer;
  EXPECT_FALSE(commands::RecallGraphic(&buffer, {0, 0}, nullptr));
  EXPECT_FALSE(commands::DeleteGraphic(&buffer, nullptr));
  EXPECT_TRUE(buffer.empty());
  EXPECT_TRUE(LogLines(log_).empty());
}

}  // namespace

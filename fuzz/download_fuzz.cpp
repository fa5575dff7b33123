// PNG encoding and the download command, read back with libpng.
// Properties: a download of rows that lie inside the pixels is one well-formed
// "~DYR:" command whose PNG decodes to exactly the source pixels (1-bit rows bit for bit,
// 24-bit BGR as RGB); anything refused or failed leaves the buffer as it was, and is
// refused only for an empty or too-large image or rows outside the buffer.
#include <string>
#include <vector>

#include "commands/graphic_commands.h"
#include "fuzz_input.h"
#include "native/imaging/png_decode.h"
#include "support/fault_alloc.h"
#include "stream/command_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput input(data, size);
  const bool rgb = input.Bool();
  const uint32_t bitsPerPixel = rgb ? 24 : (input.Bool() ? 1 : input.Take<uint8_t>());  // not 24: 1-bit rows
  const auto dimension = [&input](uint32_t small) { return input.Below(8) == 0 ? input.Take<uint32_t>() : input.Below(small); };
  const uint32_t width = dimension(300), height = dimension(60);
  const uint64_t rowBytes = rgb ? uint64_t{width} * 3 : (uint64_t{width} + 7) / 8;
  const uint32_t stride = input.Below(8) == 0 ? input.Take<uint32_t>()
                                              : static_cast<uint32_t>((rowBytes + 3) / 4 * 4 + input.Below(3));
  const uint32_t failAt = input.Below(6);  // 0: no allocation fails
  const std::string bytes = input.Bytes(1 << 16);
  const std::vector<uint8_t> pixels(bytes.begin(), bytes.end());

  commands::CommandBuffer buffer;
  buffer.Append("^XA", 3);
  bool ok, fired;
  {
    testing_support::ScopedAllocationFailure failure(failAt);
    ok = commands::DownloadGraphic(&buffer, pixels, width, stride, height, bitsPerPixel, "BASE");
    fired = failAt != 0 && failure.Fired();
  }
  FUZZ_CHECK(!(ok && fired));
  const std::string stream(reinterpret_cast<const char*>(buffer.data()), buffer.size());
  const bool inside = rowBytes <= pixels.size() &&
                      (stride == 0 || uint64_t{height} - 1 <= (pixels.size() - rowBytes) / stride);
  if (!ok) {
    FUZZ_CHECK(stream == "^XA");
    // Without an allocation failure only images libpng or the bounds refuse fail.
    const bool refusable = width == 0 || height == 0 || width > 1000000 || height > 1000000 || !inside;
    FUZZ_CHECK(refusable || fired);
    return 0;
  }
  FUZZ_CHECK(width != 0 && height != 0 && inside);
  const label_stream::CommandStream read = label_stream::ReadCommandStream(stream);
  FUZZ_CHECK(read.ok() && read.commands.size() == 2 && read.commands[1].download);
  FUZZ_CHECK(label_stream::FindBadDownloads(read).empty());
  const auto payload = imaging_test::DownloadPayload(stream, "BASE", 3);
  FUZZ_CHECK(payload.has_value());
  const imaging_test::DecodedPng decoded = imaging_test::DecodePng(*payload);
  FUZZ_CHECK(decoded.ok && decoded.width == width && decoded.height == height);
  FUZZ_CHECK(decoded.bitDepth == (rgb ? 8 : 1) && decoded.colourType == (rgb ? 2 : 0));
  const uint32_t usedBits = width % 8;
  for (uint32_t r = 0; r < height; ++r) {
    const uint8_t* source = &pixels[size_t{r} * stride];
    const std::vector<uint8_t>& row = decoded.rows[r];
    FUZZ_CHECK(row.size() == rowBytes);
    for (size_t i = 0; i < rowBytes; ++i) {
      uint8_t expected = rgb ? source[i - i % 3 + 2 - i % 3] : source[i];
      if (!rgb && i + 1 == rowBytes && usedBits != 0) expected &= static_cast<uint8_t>(0xFF << (8 - usedBits));
      FUZZ_CHECK(row[i] == expected);
    }
  }
  return 0;
}

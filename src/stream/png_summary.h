// What a downloaded PNG file says about itself, read without decoding it: the signature,
// IHDR first, every chunk's length and CRC, the pHYs resolution, IEND last.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace label_stream {

struct PngSummary {
  bool isPng = false;     // starts with the PNG signature
  bool complete = false;  // a well-formed file ending with IEND
  uint32_t width = 0, height = 0;
  uint8_t bitDepth = 0, colourType = 0;
  bool hasPhys = false;  // a pHYs chunk: pixels per unit both ways, unit 1 = metre
  uint32_t physX = 0, physY = 0;
  uint8_t physUnit = 0;
  size_t length = 0;  // bytes up to the end of IEND when complete
  std::string problem;
};
PngSummary ReadPngSummary(std::string_view bytes);

// The CRC-32 of PNG chunks (zlib's).
uint32_t Crc32(std::string_view bytes);

// "RGB", "grey", ... for a colour type.
std::string ColourTypeName(uint8_t colourType);

}  // namespace label_stream

#include "support/png_builder.h"

#include "stream/png_summary.h"

namespace testing_support {
namespace {

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);

void AppendBigEndian32(std::string& bytes, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((value >> shift) & 0xFF);
}

std::string Png(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType, std::string_view idat,
                bool phys) {
  std::string header;
  AppendBigEndian32(header, width);
  AppendBigEndian32(header, height);
  header += static_cast<char>(bitDepth);
  header += static_cast<char>(colourType);
  header.append(3, '\0');  // compression, filter, interlace
  std::string physData;
  if (phys) {
    AppendBigEndian32(physData, 11811);
    AppendBigEndian32(physData, 11811);
    physData += '\1';
  }
  return std::string(kPngSignature) + PngChunk("IHDR", header) + (phys ? PngChunk("pHYs", physData) : "") +
         PngChunk("IDAT", idat) + PngChunk("IEND", {});
}

}  // namespace

std::string PngChunk(std::string_view type, std::string_view data) {
  std::string chunk;
  AppendBigEndian32(chunk, static_cast<uint32_t>(data.size()));
  chunk.append(type);
  chunk.append(data);
  AppendBigEndian32(chunk, label_stream::Crc32(std::string_view(chunk).substr(4)));
  return chunk;
}

std::string MinimalPng(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType, std::string_view idat) {
  return Png(width, height, bitDepth, colourType, idat, false);
}

std::string MinimalPngWithPhys(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType,
                               std::string_view idat) {
  return Png(width, height, bitDepth, colourType, idat, true);
}

}  // namespace testing_support

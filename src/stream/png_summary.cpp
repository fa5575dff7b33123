#include "stream/png_summary.h"

#include <zlib.h>

#include <climits>

namespace label_stream {
namespace {

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);

uint32_t BigEndian32(std::string_view bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

}  // namespace

uint32_t Crc32(std::string_view bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  while (!bytes.empty()) {
    const size_t count = bytes.size() < UINT_MAX ? bytes.size() : UINT_MAX;
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(count));
    bytes.remove_prefix(count);
  }
  return static_cast<uint32_t>(crc);
}

std::string ColourTypeName(uint8_t colourType) {
  switch (colourType) {
    case 0: return "grey";
    case 2: return "RGB";
    case 3: return "palette";
    case 4: return "grey+alpha";
    case 6: return "RGBA";
    default: return "colour type " + std::to_string(colourType);
  }
}

PngSummary ReadPngSummary(std::string_view bytes) {
  PngSummary summary;
  if (!bytes.starts_with(kPngSignature)) {
    summary.problem = "no PNG signature";
    return summary;
  }
  summary.isPng = true;
  size_t pos = kPngSignature.size();
  bool first = true;
  while (true) {
    if (bytes.size() - pos < 12) {
      summary.problem = "ends inside a chunk at byte " + std::to_string(pos);
      return summary;
    }
    const uint32_t length = BigEndian32(bytes, pos);
    const std::string_view type = bytes.substr(pos + 4, 4);
    if (length > 0x7FFFFFFFu || bytes.size() - pos - 12 < length) {
      summary.problem = "chunk " + std::string(type) + " at byte " + std::to_string(pos) + " runs past the end";
      return summary;
    }
    if (Crc32(bytes.substr(pos + 4, 4 + length)) != BigEndian32(bytes, pos + 8 + length)) {
      summary.problem = "bad CRC in chunk " + std::string(type) + " at byte " + std::to_string(pos);
      return summary;
    }
    if (first) {
      if (type != "IHDR" || length != 13) {
        summary.problem = "first chunk is not a 13-byte IHDR";
        return summary;
      }
      summary.width = BigEndian32(bytes, pos + 8);
      summary.height = BigEndian32(bytes, pos + 12);
      summary.bitDepth = static_cast<uint8_t>(bytes[pos + 16]);
      summary.colourType = static_cast<uint8_t>(bytes[pos + 17]);
      first = false;
    } else if (type == "pHYs" && length == 9) {
      summary.hasPhys = true;
      summary.physX = BigEndian32(bytes, pos + 8);
      summary.physY = BigEndian32(bytes, pos + 12);
      summary.physUnit = static_cast<uint8_t>(bytes[pos + 16]);
    }
    pos += 12 + length;
    if (type == "IEND") break;
  }
  summary.complete = true;
  summary.length = pos;
  return summary;
}

}  // namespace label_stream

#include "commands/graphic_commands.h"

#include <cstdint>
#include <string>

#include "commands/writer_support.h"

namespace commands {
namespace {

using detail::AppendCommand;
using detail::AppendUnsigned;

// Whether `height` rows `stride` bytes apart, of which the encoder reads the pixel bytes,
// lie inside a buffer of `size` bytes (no arithmetic that can wrap).
bool RowsInside(size_t size, uint32_t width, uint32_t stride, uint32_t height, bool rgb) {
  if (width == 0 || height == 0) return true;  // nothing is read; the encoder refuses the header
  const uint64_t rowBytes = rgb ? uint64_t{width} * 3 : (uint64_t{width} + 7) / 8;
  if (rowBytes > size) return false;
  return stride == 0 || uint64_t{height} - 1 <= (size - rowBytes) / stride;
}

// "~DYR:<name>,B,P,<length>,b,", the head of a download.
std::string DownloadHeader(const char* name, uint64_t length) {
  std::string header = "~DYR:";
  header += name;
  header += ",B,P,";
  AppendUnsigned(header, length);
  header += ",b,";
  return header;
}

// More than the longest PNG file these rows can give: every row byte and the filter byte
// of each row, deflate's worst case on top (stored blocks), the chunks around them.
uint64_t PngLengthBound(uint32_t width, uint32_t height, bool rgb) {
  const uint64_t rowBytes = (rgb ? uint64_t{width} * 3 : (uint64_t{width} + 7) / 8) + 1;
  if (height > (uint64_t{1} << 58) / rowBytes) return UINT64_MAX;
  const uint64_t raw = rowBytes * height;
  return raw + raw / 8 + raw / 64 + 4096;
}

}  // namespace

bool DownloadGraphic(CommandBuffer* buffer, const std::vector<uint8_t>& pixels, uint32_t width, uint32_t stride,
                     uint32_t height, uint32_t bitsPerPixel, const char* name) {
  if (buffer == nullptr || name == nullptr) return false;
  const PngSettings settings{8, 3, 7, 1, 15, 8};
  const bool rgb = bitsPerPixel == 24;
  if (pixels.empty() || !RowsInside(pixels.size(), width, stride, height, rgb)) return false;

  const size_t before = buffer->size();
  try {
    // The file is encoded straight into the buffer behind its header, so it is never
    // held twice. The length is known only at the end: the header goes first with room
    // for the longest length, then takes the real one and the file moves up by the
    // digits saved, within the same block.
    const std::string room = DownloadHeader(name, PngLengthBound(width, height, rgb));
    buffer->Append(room.data(), room.size());
    if (!settings.AppendPng(*buffer, pixels.data(), width, height, stride, rgb)) {
      buffer->RestoreSize(before);
      return false;
    }
    const std::string header = DownloadHeader(name, buffer->size() - before - room.size());
    buffer->Replace(before, room.size(), header.data(), header.size());
    return true;
  } catch (...) {
    // A header whose image did not follow would swallow the next commands.
    buffer->RestoreSize(before);
    diag::LogPainterFailure();
    return false;
  }
}

bool RecallGraphic(CommandBuffer* buffer, DotPoint origin, const char* name) {
  if (name == nullptr) return false;
  return AppendCommand(buffer, [&](std::string& text) {
    text = "^FO";
    AppendUnsigned(text, origin.x);
    text += ',';
    AppendUnsigned(text, origin.y);
    text += "^IMR:";
    text += name;
    text += ".PNG^FS";
  });
}

bool DeleteGraphic(CommandBuffer* buffer, const char* name) {
  if (name == nullptr) return false;
  return AppendCommand(buffer, [&](std::string& text) {
    text = "^IDR:";
    text += name;
    text += ".PNG";
  });
}

}  // namespace commands

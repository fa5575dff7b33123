#include "commands/graphic_commands.h"

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

}  // namespace

bool DownloadGraphic(CommandBuffer* buffer, const std::vector<uint8_t>& pixels, uint32_t width, uint32_t stride,
                     uint32_t height, uint32_t bitsPerPixel, const char* name) {
  if (buffer == nullptr || name == nullptr) return false;
  const PngSettings settings{8, 3, 7, 1, 15, 8};
  const bool rgb = bitsPerPixel == 24;
  if (pixels.empty() || !RowsInside(pixels.size(), width, stride, height, rgb)) return false;

  const size_t before = buffer->size();
  try {
    std::vector<uint8_t> png;
    if (!settings.EncodePng(png, pixels.data(), width, height, stride, rgb)) return false;
    std::string header = "~DYR:";
    header += name;
    header += ",B,P,";
    AppendUnsigned(header, png.size());
    header += ",b,";
    buffer->Append(header.data(), header.size());
    buffer->Append(png.data(), png.size());
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

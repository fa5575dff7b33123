// Graphics stored in the printer by name: PNG encoding of captured pixels, download,
// recall at a position and deletion.
#pragma once

#include <cstdint>
#include <vector>

#include "commands/command_buffer.h"
#include "commands/format_commands.h"

namespace commands {

// The fixed encoder settings of every download.
struct PngSettings {
  int32_t filters = 8;           // PNG_FILTER_NONE
  int32_t compressionLevel = 3;
  int32_t memoryLevel = 7;
  int32_t strategy = 1;          // Z_FILTERED
  int32_t windowBits = 15;
  int32_t method = 8;            // deflate

  // Replaces `output` with one complete PNG file of the rows starting at `topRow`:
  // 8-bit RGB from 24-bit BGR pixels when `rgb`, else 1-bit greyscale; pHYs 11811 per metre.
  // False (with a debug trace) when libpng fails, e.g. on a zero width or height; throws
  // std::bad_alloc when memory runs out (libpng's structures are released by then).
  bool EncodePng(std::vector<uint8_t>& output, const uint8_t* topRow, uint32_t width, uint32_t height,
                 uint32_t stride, bool rgb) const;

  // The same file appended to `output` as libpng produces it, so it is never held twice.
  // On false or an exception the buffer may end in part of a file: the caller restores
  // its size.
  bool AppendPng(CommandBuffer& output, const uint8_t* topRow, uint32_t width, uint32_t height, uint32_t stride,
                 bool rgb) const;

 private:
  bool Encode(std::vector<uint8_t>* file, CommandBuffer* buffer, const uint8_t* topRow, uint32_t width,
              uint32_t height, uint32_t stride, bool rgb) const;
};

// "~DYR:<name>,B,P,<length>,b," followed by the PNG. Nothing is appended unless the
// whole download is (a failure after the header returns the buffer to its size before).
// False without a log entry for an empty pixel buffer, rows that do not lie inside it,
// and encoder failures; false with the "bad_alloc" entry when memory runs out.
bool DownloadGraphic(CommandBuffer* buffer, const std::vector<uint8_t>& pixels, uint32_t width, uint32_t stride,
                     uint32_t height, uint32_t bitsPerPixel, const char* name);
// "^FO<x>,<y>^IMR:<name>.PNG^FS"
bool RecallGraphic(CommandBuffer* buffer, DotPoint origin, const char* name);
// "^IDR:<name>.PNG"
bool DeleteGraphic(CommandBuffer* buffer, const char* name);

}  // namespace commands

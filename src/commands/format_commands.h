// Writers that frame a label format and set its geometry.
#pragma once

#include <cstdint>

#include "commands/command_buffer.h"

namespace commands {

struct DotSize {
  uint32_t width;
  uint32_t height;
};

struct DotPoint {
  uint32_t x;
  uint32_t y;
};

bool BeginLabelFormat(CommandBuffer* buffer);
bool EndLabelFormat(CommandBuffer* buffer);
// Label width and length in dots at 600 dpi.
bool WriteLabelSize(CommandBuffer* buffer, DotSize size);
// 300 selects the 300-dpi mode; every other value the 600-dpi mode.
bool WriteResolution(CommandBuffer* buffer, int32_t dpi);
// A rectangle drawn in white; a thickness equal to the width fills it.
bool WriteWhiteBox(CommandBuffer* buffer, DotPoint origin, uint32_t width, uint32_t height, uint32_t thickness);

}  // namespace commands

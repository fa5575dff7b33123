// Text and printer-clock field commands, and the encoding of field text into escaped
// UTF-8 that contains only safe ASCII.
#pragma once

#include <cstdint>
#include <string>

#include "commands/command_buffer.h"

namespace commands {

// Field position in printer coordinates (host pixels), before the orientation adjustment.
struct FieldPoint {
  int32_t x;
  int32_t y;
};

// Budget of encoded field data, in bytes.
inline constexpr size_t kFieldDataBudget = 3072;

// Replaces `*output` with `text` encoded: ASCII other than ^ _ ~ passes through, every
// other character becomes "_XX" per UTF-8 byte (unpaired surrogates as U+FFFD). Stops
// silently at the budget. False for null arguments or a failure (output unchanged).
bool EncodeFieldText(std::string* output, const char16_t* text);

// orientation: the letter N, B, I or R of the font command. colour: four 8-bit
// components, lowest first.
bool WriteTextField(CommandBuffer* buffer, FieldPoint origin, const char16_t* text, char orientation, int32_t width,
                    int32_t height, uint32_t colour);
// The same command with "^FC%" before the font: the printer fills in its clock.
bool WriteClockField(CommandBuffer* buffer, FieldPoint origin, const char16_t* text, char orientation, int32_t width,
                     int32_t height, uint32_t colour);

}  // namespace commands

// Rows of 24-bit pixels turned from the bitmap's blue, green, red order into the red,
// green, blue order of a PNG file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace commands {

// Writes the first `pixels` pixels of `source` to `target` with blue and red exchanged;
// the two rows must not overlap. Reads and writes exactly 3 x `pixels` bytes. Uses the
// processor's byte shuffle when it has one (looked up once), else the portable loop.
void SwapRedAndBlue(uint8_t* target, const uint8_t* source, size_t pixels);

// The same, one pixel at a time, on any processor.
void SwapRedAndBluePortable(uint8_t* target, const uint8_t* source, size_t pixels);

}  // namespace commands

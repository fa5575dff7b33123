// Builders of PNG files for tests: one chunk (length, type, data, CRC), and a file with
// the given header, one IDAT chunk holding `idat` as it stands (not necessarily
// decodable), an optional pHYs and IEND.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace testing_support {

std::string PngChunk(std::string_view type, std::string_view data);
std::string MinimalPng(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType,
                       std::string_view idat = {});
// As MinimalPng, with the pHYs the plug-in writes (11811 pixels per metre both ways) before IDAT.
std::string MinimalPngWithPhys(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType,
                               std::string_view idat = {});

}  // namespace testing_support

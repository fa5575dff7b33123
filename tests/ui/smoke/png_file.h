// Writes a screenshot as an 8-bit RGB PNG file.
#pragma once

#include <cstdint>
#include <string>

namespace ui_smoke {

// `pixels` holds `height` top-down rows of `width` 32-bit BGRX pixels (a GDI DIB).
bool WritePng(const std::wstring& path, const uint32_t* pixels, int width, int height);

}  // namespace ui_smoke

// The job's geometry: the host's layout arguments and the values derived from them
// and from the page size, in host pixels unless noted.
#pragma once

#include <cstdint>

namespace plugin {

// The most label positions a sheet can hold (the largest sheet, 112 x 600 mm, holds
// about 2,600 labels of 5 x 5 mm). A layout with more is invalid, and no loop over the
// positions of a sheet visits more than this many.
inline constexpr uint64_t kMaxLabelsPerSheet = 10000;

struct LabelLayout {
  // As the host sent them to vpiSendLayoutData.
  int32_t orientation = 0;  // 0, 90, 180 or 270; other values are kept as sent
  int32_t labelTotal = 0;
  uint32_t columns = 0;
  uint32_t rows = 0;
  // Derived by the job header and the layout.
  int32_t deviceMargin = 0;  // the unprintable strip at the printer's left edge
  uint32_t pageWidth = 0;    // dots at 600 dpi after the header, host pixels after a rotated layout
  uint32_t pageHeight = 0;
  int32_t leftOffset = 0;
  int32_t topOffset = 0;
  int32_t pitchY = 0;
  int32_t pitchX = 0;
  int32_t countX = 0;
  int32_t countY = 0;

  bool IsSingleUp() const { return columns == 1 && rows == 1; }
  // In 64 bits: a product of two host counts must not wrap to a small (or zero) count.
  uint64_t LabelsPerSheet() const { return uint64_t{columns} * rows; }
  bool FitsOneSheet() const { return LabelsPerSheet() <= kMaxLabelsPerSheet; }
};

}  // namespace plugin

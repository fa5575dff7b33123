// Page composition: captured images placed on the label. The base image is composed
// at once into a format that stores it in the printer; the start, end and variable
// images are placed where the host says, cropped at the unprintable strip.
#include <algorithm>
#include <cstring>
#include <limits>

#include "commands/format_commands.h"
#include "commands/graphic_commands.h"
#include "commands/page_commands.h"
#include "platform/debug_output.h"
#include "plugin/plugin_job.h"
#include "plugin/units.h"

namespace plugin {
namespace {

// A position computed in 64 bits, written as the printer's unsigned 32-bit value.
uint32_t Printer32(int64_t value) { return static_cast<uint32_t>(value); }

// A crop width as the crop's unsigned count; widths beyond 32 bits exceed any image.
uint32_t CropCount(int64_t columns) {
  return static_cast<uint32_t>(std::min<int64_t>(columns, std::numeric_limits<uint32_t>::max()));
}

}  // namespace

bool PluginJob::vpiSendBitmap(platform::DeviceContext dc, platform::BitmapHandle bitmap, const char* name) {
  if (name == nullptr) return false;
  platform::DebugTrace(u"vpiSendBitmap(): start\n");
  commands::ImageSlot* slot = &dynamicImage;
  if (std::strstr(name, "BASE") != nullptr) {
    slot = &baseImage;
  } else if (std::strstr(name, "START") != nullptr) {
    slot = &startImage;
  } else if (std::strstr(name, "END") != nullptr) {
    slot = &endImage;
  }
  const bool captured = commands::CaptureBitmap(slot, dc, bitmap);
  if (slot != &baseImage) return captured;
  if (!captured || baseImage.pixels.empty()) return false;
  return layout.IsSingleUp() ? ComposeBaseSingle() : ComposeBaseMultiUp();
}

bool PluginJob::ComposeBaseSingle() {
  if (!commands::BeginLabelFormat(&commands)) return false;
  const int64_t inStrip = int64_t{layout.deviceMargin} - layout.leftOffset;
  int64_t x = int64_t{layout.leftOffset} - layout.deviceMargin;
  if (inStrip > 0) {
    // The whole image in the unprintable strip (no column left once cropped): the
    // printer discards the base, and the format is left without its end.
    if (baseImage.width <= inStrip) return commands::WriteBaseDiscard(&commands);
    if (!commands::CropBitmapLeft(baseImage.pixels, baseImage.width, baseImage.stride, baseImage.height,
                                  baseImage.bitsPerPixel, CropCount(inStrip))) {
      return false;
    }
    x = 0;
  }
  return commands::DownloadGraphic(&commands, baseImage.pixels, baseImage.width, baseImage.stride, baseImage.height,
                                   baseImage.bitsPerPixel, "BASE") &&
         commands::RecallGraphic(&commands, {Printer32(x), static_cast<uint32_t>(layout.topOffset)}, "BASE") &&
         commands::WriteBaseSave(&commands) && commands::EndLabelFormat(&commands);
}

bool PluginJob::ComposeBaseMultiUp() {
  if (!commands::BeginLabelFormat(&commands) ||
      !commands::DownloadGraphic(&commands, baseImage.pixels, baseImage.width, baseImage.stride, baseImage.height,
                                 baseImage.bitsPerPixel, "BASE")) {
    return false;
  }
  // From the right, the uncropped download serves every column clear of the strip;
  // a column that straddles it gets a cropped download under the same name. The
  // pixel bytes are cropped in place while the slot keeps its recorded size, so a
  // further straddling column crops the already cropped pixels by the difference.
  const int64_t margin = layout.deviceMargin;
  uint32_t croppedWidth = baseImage.width;
  uint32_t croppedStride = baseImage.stride;
  int64_t cropped = 0;
  // Every column visited uses up its rows (at least one) of the positions a sheet can
  // hold, so an oversized grid stops there; a grid that fits is tiled whole.
  const int64_t rows = std::max(layout.countY, 0);
  int64_t positionsLeft = kMaxLabelsPerSheet;
  for (int64_t column = int64_t{layout.countX} - 1; column >= 0 && positionsLeft > 0; --column) {
    const int64_t rowsHere = std::min(rows, positionsLeft);
    positionsLeft -= std::max<int64_t>(rowsHere, 1);
    const int64_t x = column * layout.pitchX + layout.leftOffset;
    if (x < margin && margin - x >= baseImage.width) break;  // this and all further columns lie in the strip
    if (x + layout.pitchX <= margin) continue;
    int64_t printerX = x - margin;
    if (x < margin) {
      if (!commands::CropBitmapLeft(baseImage.pixels, croppedWidth, croppedStride, baseImage.height,
                                    baseImage.bitsPerPixel, CropCount(margin - x - cropped)) ||
          !commands::DownloadGraphic(&commands, baseImage.pixels, croppedWidth, croppedStride, baseImage.height,
                                     baseImage.bitsPerPixel, "BASE")) {
        return false;
      }
      cropped = margin - x;
      printerX = 0;
    }
    for (int64_t row = 0; row < rowsHere; ++row) {
      const int64_t y = row * layout.pitchY + layout.topOffset;
      if (!commands::RecallGraphic(&commands, {Printer32(printerX), Printer32(y)}, "BASE")) return false;
    }
  }
  return commands::WriteBaseSave(&commands) && commands::EndLabelFormat(&commands);
}

bool PluginJob::vpiCreateNewPage() {
  platform::DebugTrace(u"vpiCreateNewPage(): start\n");
  sheetLabelIndex = 1;
  return commands::BeginLabelFormat(&commands);
}

bool PluginJob::vpiReferToBaseBitmap() {
  platform::DebugTrace(u"vpiReferToBaseBitmap(): start\n");
  if (layout.IsSingleUp()) return commands::WriteBaseLoad(&commands);
  // Only the first position of each sheet loads the stored base; the index counts
  // the positions used so far, for the masking of a partial sheet.
  const uint64_t perSheet = layout.LabelsPerSheet();
  if (layout.columns != 0 && layout.rows != 0 && sheetLabelIndex % perSheet == 1 &&
      !commands::WriteBaseLoad(&commands)) {
    return false;
  }
  ++sheetLabelIndex;
  return true;
}

bool PluginJob::vpiAddEmptyPage() {
  platform::DebugTrace(u"vpiAddEmptyPage(): start\n");
  return commands::BeginLabelFormat(&commands) && commands::WriteWhiteBox(&commands, {0, 0}, 100, 100, 100) &&
         CloseSingleLabel(SingleLabel::EmptyPage);
}

bool PluginJob::PlaceImage(commands::ImageSlot& slot, const char* name, int32_t x, int32_t y) {
  const int64_t margin = layout.deviceMargin;
  int64_t printerX = int64_t{x} - margin;
  if (x < margin) {
    // Cropped at the strip; an image wholly inside it (no column left once cropped)
    // is deleted from the printer and its (empty) recall still written.
    const bool whollyInStrip = margin - x >= slot.width;
    if (!whollyInStrip && commands::CropBitmapLeft(slot.pixels, slot.width, slot.stride, slot.height,
                                                   slot.bitsPerPixel, CropCount(margin - x))) {
      if (!commands::DownloadGraphic(&commands, slot.pixels, slot.width, slot.stride, slot.height, slot.bitsPerPixel,
                                     name)) {
        return false;
      }
    } else {
      commands::DeleteGraphic(&commands, name);
    }
    printerX = 0;
  } else if (!commands::DownloadGraphic(&commands, slot.pixels, slot.width, slot.stride, slot.height,
                                        slot.bitsPerPixel, name)) {
    return false;
  }
  return commands::RecallGraphic(&commands, {Printer32(printerX), static_cast<uint32_t>(y)}, name);
}

bool PluginJob::vpiReferToVariableBitmap(void* tag, const HostPoint* point) {
  if (tag == nullptr || point == nullptr) return false;
  int32_t x = point->x;
  if (layout.orientation == 270) {
    x = WrapAdd(x, WrapAdd(WrapMul(WrapSub(layout.countX, 1), layout.pitchX), layout.leftOffset));
  }
  platform::DebugTrace(u"vpiReferToVariableBitmap(): start\n");
  return PlaceImage(dynamicImage, "DYNAMIC", x, point->y);
}

bool PluginJob::vpiReferToStartLabel(const HostPoint* point, void* tag) {
  if (point == nullptr || tag == nullptr) return false;
  platform::DebugTrace(u"vpiReferToStartLabel(): start\n");
  return commands::BeginLabelFormat(&commands) && PlaceImage(startImage, "START", point->x, point->y) &&
         CloseSingleLabel(SingleLabel::Start);
}

bool PluginJob::vpiReferToEndLabel(const HostPoint* point, void* tag) {
  if (point == nullptr || tag == nullptr) return false;
  platform::DebugTrace(u"vpiReferToEndLabel(): end\n");
  return commands::BeginLabelFormat(&commands) && PlaceImage(endImage, "END", point->x, point->y) &&
         CloseSingleLabel(SingleLabel::End);
}

}  // namespace plugin

// Closing a page format: how many labels it prints, when the printer cuts, pauses and
// beeps, and white boxes over the vacant positions of a partial last sheet.
#include <algorithm>

#include "commands/format_commands.h"
#include "commands/page_commands.h"
#include "platform/debug_output.h"
#include "plugin/plugin_job.h"
#include "plugin/units.h"

namespace plugin {

// Counts that are divided by are at least 1, whatever the configuration or layout says.
uint32_t PluginJob::CutIntervalForClosing() const {
  return config.CutInterval < 1 ? 1u : static_cast<uint32_t>(config.CutInterval);
}
uint32_t PluginJob::ColumnsForClosing() const { return std::max(layout.columns, 1u); }
uint32_t PluginJob::RowsForClosing() const { return std::max(layout.rows, 1u); }
uint64_t PluginJob::LabelsPerSheetForClosing() const { return uint64_t{ColumnsForClosing()} * RowsForClosing(); }

uint32_t PluginJob::CutCount(int32_t quantity) const {
  if (!config.DoAutoCut) return 0;
  switch (config.AutoCut) {
    case 0: return 1;
    case 1: return CutIntervalForClosing();
    case 2: return static_cast<uint32_t>(quantity);
    default: return 0;
  }
}

bool PluginJob::CloseSingleLabel(SingleLabel kind) {
  const bool cutsAtTiming = config.AutoCut == 0 || config.AutoCut == 1;
  const bool cut = config.DoAutoCut && (kind == SingleLabel::End || cutsAtTiming);
  return commands::WritePrintQuantity(&commands, 1, cut ? 1 : 0, config.Pause != 0) &&
         commands::WriteBuzzerMode(&commands, false) && commands::EndLabelFormat(&commands);
}

bool PluginJob::vpiCloseNewPageStatic(int32_t quantity) {
  platform::DebugTrace(u"vpiCloseNewPageStatic(): start\n");
  return layout.IsSingleUp() ? CloseStaticSingle(quantity) : CloseStaticMultiUp(quantity);
}

bool PluginJob::CloseStaticSingle(int32_t quantity) {
  if (!commands::WritePrintQuantity(&commands, static_cast<uint32_t>(quantity), CutCount(quantity),
                                    config.Pause == 1) ||
      !commands::WriteBuzzerMode(&commands, config.Buzzer == 1)) {
    return false;
  }
  labelCounter = WrapAdd(labelCounter, quantity);
  return true;
}

bool PluginJob::CloseStaticMultiUp(int32_t quantity) {
  const uint64_t perSheet = LabelsPerSheetForClosing();
  const auto total = static_cast<uint32_t>(layout.labelTotal);
  const auto q = static_cast<uint32_t>(quantity);
  const bool pause = config.Pause == 1;
  const bool firstPageOfWholeSheets = labelCounter == 1 && total >= perSheet;
  bool ok = true;
  if (firstPageOfWholeSheets && total % perSheet == 0) {
    ok = commands::WritePrintQuantity(&commands, q, CutCount(quantity), pause) &&
         commands::WriteBuzzerMode(&commands, config.Buzzer == 1);
  } else if (firstPageOfWholeSheets && !config.DoAutoCut) {
    ok = commands::WriteBuzzerMode(&commands, false) && commands::WritePrintQuantity(&commands, q, 0, pause);
  } else if (firstPageOfWholeSheets) {
    // A partial sheet follows: cut only after whole groups of the cut interval; the
    // remaining pages form a second format on the stored base, without cut or pause.
    const auto interval = static_cast<int32_t>(std::min<uint32_t>(CutIntervalForClosing(), INT32_MAX));
    const int32_t whole = quantity / interval;
    const int32_t rest = quantity % interval;
    const uint32_t cut = config.AutoCut == 2 ? 0 : CutCount(quantity);
    if (whole > 0) {
      ok = commands::WriteBuzzerMode(&commands, false) &&
           commands::WritePrintQuantity(&commands, static_cast<uint32_t>(whole * interval), cut, pause);
      if (ok && rest > 0) {
        ok = commands::EndLabelFormat(&commands) && commands::BeginLabelFormat(&commands) &&
             commands::WriteBaseLoad(&commands) &&
             commands::WritePrintQuantity(&commands, static_cast<uint32_t>(rest), 0, false);
      }
    } else if (rest > 0) {
      ok = commands::WriteBuzzerMode(&commands, false) &&
           commands::WritePrintQuantity(&commands, static_cast<uint32_t>(rest), cut, pause);
    }
  } else {
    // The partial last sheet: one copy, its vacant positions painted over.
    sheetLabelIndex = static_cast<uint32_t>(total % perSheet + 1);
    ok = MaskVacantPositions() &&
         commands::WritePrintQuantity(&commands, 1, config.DoAutoCut ? 1 : 0, pause) &&
         commands::WriteBuzzerMode(&commands, config.Buzzer == 1);
  }
  if (!ok) return false;
  labelCounter = WrapAdd(labelCounter, quantity);
  return true;
}

bool PluginJob::vpiCloseNewPageDynamic(int32_t labelsSoFar) {
  platform::DebugTrace(u"vpiCloseNewPageDynamic(): start\n");
  const bool last = labelsSoFar >= layout.labelTotal;
  if ((layout.columns > 1 || layout.rows > 1) && last && !MaskVacantPositions()) return false;
  uint32_t cut = 0;
  if (config.DoAutoCut) {
    switch (config.AutoCut) {
      case 0:
        cut = 1;
        break;
      case 1: {
        // After every cut interval's worth of sheets, and after the last one.
        // A count too large for 64 bits divides no 32-bit label count but 0.
        uint64_t labelsPerCut = 0;
        if (__builtin_mul_overflow(uint64_t{CutIntervalForClosing()}, LabelsPerSheetForClosing(), &labelsPerCut)) {
          labelsPerCut = UINT64_MAX;
        }
        cut = static_cast<uint32_t>(labelsSoFar) % labelsPerCut == 0 || last ? 1 : 0;
        break;
      }
      case 2:
        cut = last ? 1 : 0;
        break;
      default:
        break;
    }
  }
  if (!commands::WritePrintQuantity(&commands, 1, cut, config.Pause == 1) ||
      !commands::WriteBuzzerMode(&commands, config.Buzzer == 1 && last)) {
    return false;
  }
  labelCounter = WrapAdd(labelCounter, 1);
  return true;
}

bool PluginJob::vpiCloseNewPageFinal() {
  platform::DebugTrace(u"vpiCloseNewPageFinal(): start\n");
  return commands::EndLabelFormat(&commands);
}

bool PluginJob::MaskVacantPositions() {
  const uint32_t columns = ColumnsForClosing();
  const uint32_t rows = RowsForClosing();
  // Positions past what a sheet can hold (only an invalid layout has them) stay unmasked.
  const uint64_t end = std::min(LabelsPerSheetForClosing(), kMaxLabelsPerSheet);
  const int64_t margin = layout.deviceMargin;
  // An index of 0 (wrapped) starts past every position.
  for (uint64_t i = uint64_t{sheetLabelIndex} - 1; i < end; ++i) {
    const int64_t q = i / columns;  // host row of the position
    const int64_t r = i % columns;  // host column
    // The printer column and row that show host position (q, r): the grid turns with
    // the orientation, and 180 and 270 degrees mirror 0 and 90.
    int64_t column = r, row = q;
    switch (layout.orientation) {
      case 90: column = q; row = columns - r - 1; break;
      case 180: column = columns - r - 1; row = rows - q - 1; break;
      case 270: column = rows - q - 1; row = r; break;
      default: break;
    }
    int64_t x = column * layout.pitchX + layout.leftOffset - margin;
    int64_t y = row * layout.pitchY + layout.topOffset;
    int64_t width = baseImage.width;
    int64_t height = baseImage.height;
    if (x < 0) {
      width += x;
      x = 0;
    }
    if (y < 0) {
      height += y;
      y = 0;
    }
    if (width <= 0 || height <= 0) continue;
    const auto w = static_cast<uint32_t>(width);
    if (!commands::WriteWhiteBox(&commands, {static_cast<uint32_t>(x), static_cast<uint32_t>(y)}, w,
                                 static_cast<uint32_t>(height), w)) {
      return false;
    }
  }
  return true;
}

}  // namespace plugin

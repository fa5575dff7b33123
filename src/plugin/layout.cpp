// The label layout: the host's grid converted to host pixels along the printer's x
// and y for each orientation, and the left-margin check.
#include <string>

#include "commands/format_commands.h"
#include "diag/diagnostic_log.h"
#include "platform/debug_output.h"
#include "plugin/plugin_job.h"
#include "plugin/units.h"

namespace plugin {
namespace {

void LogLayoutProblem(const std::string& message) {
  diag::WriteDiagnosticLog(std::u16string(message.begin(), message.end()).c_str(), u"vpiSendLayoutData");
}

}  // namespace

void PluginJob::vpiSendLayoutData(int32_t orientation, int32_t, int32_t, int32_t columnPitch, int32_t rowPitch,
                                      int32_t paperWidth, int32_t paperHeight, int32_t leftMargin, int32_t topMargin,
                                      int32_t labelTotal, int32_t columns, int32_t rows) {
  platform::DebugTrace(u"vpiSendLayoutData(): start\n");
  const int32_t dpi = Resolution();
  const auto P = [dpi](int32_t tenths) { return TenthsMmToPixels(tenths, dpi); };

  layout.orientation = orientation;
  layout.labelTotal = labelTotal;
  layout.columns = static_cast<uint32_t>(columns);
  layout.rows = static_cast<uint32_t>(rows);

  if (orientation == 0 || orientation == 180) {
    layout.countX = columns;
    layout.countY = rows;
    layout.pitchX = P(columnPitch);
    layout.pitchY = P(rowPitch);
  } else {
    layout.countX = rows;
    layout.countY = columns;
    layout.pitchX = P(rowPitch);
    layout.pitchY = P(columnPitch);
    layout.pageWidth = static_cast<uint32_t>(P(paperHeight));
    layout.pageHeight = static_cast<uint32_t>(P(paperWidth));
  }

  const int32_t pageWidth = Wrap(layout.pageWidth);
  const int32_t pageHeight = Wrap(layout.pageHeight);
  const int32_t gridHeight = WrapMul(layout.pitchY, layout.countY);
  switch (orientation) {
    case 0:
      layout.leftOffset = P(leftMargin);
      layout.topOffset = P(topMargin);
      break;
    case 90:
    case 270:
      layout.leftOffset = P(topMargin);
      layout.topOffset = WrapSub(WrapSub(pageHeight, gridHeight), P(leftMargin));
      break;
    case 180:
      layout.leftOffset = WrapSub(WrapSub(pageWidth, WrapMul(layout.countX, layout.pitchX)), P(topMargin));
      layout.topOffset = WrapSub(WrapSub(pageHeight, gridHeight), P(leftMargin));
      break;
    default:
      break;  // other orientations keep the previous origin
  }

  const bool marginOk = IsLeftMarginValid();
  if (!marginOk) {
    LogLayoutProblem("Invlid Left Margin: " + std::to_string(static_cast<uint32_t>(layout.leftOffset)) + "px @ " +
                     std::to_string(dpi) + "dpi\n");
  }
  // More positions than a sheet can hold is handled as a bad margin is, but the error
  // label gets no line of its own. "Invlid" as in the job's other validation entries,
  // which readers of the log search for.
  const bool countOk = layout.FitsOneSheet();
  if (!countOk) {
    LogLayoutProblem("Invlid Labels Per Sheet: " + std::to_string(layout.LabelsPerSheet()) + " (at most " +
                     std::to_string(kMaxLabelsPerSheet) + ")");
  }
  if ((marginOk && countOk) || !config.PrintError) return;
  // The explanation replaces whatever waits in the buffer and is sent at once.
  commands.Clear();
  if (commands::BeginLabelFormat(&commands) && commands::WriteResolution(&commands, 600) && WriteMarginErrorLabel() &&
      commands::EndLabelFormat(&commands)) {
    FlushToPrinter();
  }
}

}  // namespace plugin

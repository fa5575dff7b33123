// The job header: page size and resolution checks, the set-up format sent at once,
// and the validity gate that later decides whether the job's data is sent.
#include <algorithm>
#include <string>

#include "commands/format_commands.h"
#include "diag/diagnostic_log.h"
#include "platform/debug_output.h"
#include "plugin/plugin_job.h"
#include "plugin/units.h"

namespace plugin {
namespace {

// Supported page sizes in dots at 600 dpi.
constexpr uint32_t kMinPageWidth = 1181;   // 50.0 mm
constexpr uint32_t kMaxPageWidth = 2646;   // 112.0 mm
constexpr uint32_t kMinPageHeight = 600;   // 25.4 mm
constexpr uint32_t kMaxPageHeight = 14173; // 600.0 mm
// The printer's label width is the page width less this many dots.
constexpr uint32_t kWidthReduction = 95;

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace

bool PluginJob::IsPaperSizeValid() const {
  return jobPageWidth >= kMinPageWidth && jobPageWidth <= kMaxPageWidth && jobPageHeight >= kMinPageHeight &&
         jobPageHeight <= kMaxPageHeight;
}

bool PluginJob::IsLeftMarginValid() const {
  return OffsetToDots600(layout.leftOffset, Resolution()) >= kUnprintableDots;
}

bool PluginJob::IsJobValid() const {
  return IsSupportedResolution(Resolution()) && IsPaperSizeValid() && IsLeftMarginValid() && layout.FitsOneSheet();
}

bool PluginJob::vpiWritePrintJobHeader(const HostPageSize* size) {
  if (size == nullptr) return false;
  platform::DebugTrace(u"vpiWritePrintJobHeader(): start\n");
  const int32_t dpi = Resolution();
  jobPageWidth = PixelsToDots600(size->width, dpi);
  jobPageHeight = PixelsToDots600(size->height, dpi);
  layout.pageWidth = jobPageWidth;
  layout.pageHeight = jobPageHeight;
  const uint32_t labelWidth = std::clamp(jobPageWidth, kMinPageWidth, kMaxPageWidth) - kWidthReduction;
  const uint32_t labelLength = std::clamp(jobPageHeight, kMinPageHeight, kMaxPageHeight);
  layout.leftOffset = static_cast<int32_t>(kUnprintableDots);

  const bool resolutionOk = IsSupportedResolution(dpi);
  const bool sizeOk = IsPaperSizeValid();
  if (!resolutionOk) {
    diag::WriteDiagnosticLog(Ascii("Invlid Resolution: " + std::to_string(dpi) + "dpi").c_str(),
                             u"vpiWritePrintJobHeader");
  }
  if (!sizeOk) {
    diag::WriteDiagnosticLog(Ascii("Invlid Paper Size: " + std::to_string(jobPageWidth) + "x" +
                                   std::to_string(jobPageHeight) + "px @ 600dpi")
                                 .c_str(),
                             u"vpiWritePrintJobHeader");
  }

  if (!commands::BeginLabelFormat(&commands)) return false;
  if (config.Override && !config.WriteConfigCommands(&commands)) return false;
  if (!commands::WriteResolution(&commands, dpi == 300 ? 300 : 600)) return false;
  if (!commands::WriteLabelSize(&commands, {labelWidth, labelLength})) return false;
  layout.deviceMargin = DeviceMarginPixels(dpi);
  if ((!resolutionOk || !sizeOk) && config.PrintError) {
    if (!commands::WriteResolution(&commands, 600) || !WriteHeaderErrorLabel()) return false;
  }
  if (!commands::EndLabelFormat(&commands)) return false;

  if ((resolutionOk && sizeOk) || config.PrintError || config.ForcePrinting) {
    if (!FlushToPrinter()) return false;
  } else {
    commands.Clear();
  }
  return true;
}

}  // namespace plugin

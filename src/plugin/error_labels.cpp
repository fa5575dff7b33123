// Error labels: a column of text lines explaining why a job cannot be printed as
// laid out, written into a format the caller has opened at 600 dpi.
#include <cstdio>
#include <string>

#include "commands/field_commands.h"
#include "platform/strings.h"
#include "plugin/plugin_job.h"
#include "plugin/units.h"

namespace plugin {
namespace {

constexpr int32_t kLineX = 35;
constexpr int32_t kFirstLineY = 35;
constexpr int32_t kLineStep = 48;
constexpr int32_t kCharacterSize = 40;
constexpr uint32_t kBlack = 0xFF000000;
constexpr double kInchesPerMm = 0.03937;

// `value` in fixed notation with `decimals` places.
std::u16string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

std::u16string Decimal(int64_t value) {
  const std::string text = std::to_string(value);
  return std::u16string(text.begin(), text.end());
}

}  // namespace

bool PluginJob::WriteErrorLine(int32_t y, const std::u16string& text) {
  return commands::WriteTextField(&commands, {kLineX, y}, text.c_str(), 'N', kCharacterSize, kCharacterSize, kBlack);
}

bool PluginJob::WriteHeaderErrorLabel() {
  int32_t y = kFirstLineY;
  const int32_t dpi = Resolution();
  if (!IsSupportedResolution(dpi)) {
    const std::u16string detail = platform::LoadResourceString(152) + u" (" + Decimal(dpi) + u"dpi)";
    if (!WriteErrorLine(y, detail)) return false;
    y += kLineStep;
    if (!WriteErrorLine(y, platform::LoadResourceString(153))) return false;
    y += kLineStep;
  }
  if (!IsPaperSizeValid()) {
    const double width = jobPageWidth / 600.0;
    const double height = jobPageHeight / 600.0;
    const std::u16string detail = platform::LoadResourceString(154) + u" (" +
                                  Fixed(width / kInchesPerMm, 1) + u"x" + Fixed(height / kInchesPerMm, 1) +
                                  u"mm / " + Fixed(width, 2) + u"x" + Fixed(height, 2) + u"inch)";
    if (!WriteErrorLine(y, detail)) return false;
    y += kLineStep;
    if (!WriteErrorLine(y, platform::LoadResourceString(155))) return false;
    y += kLineStep;
    if (!WriteErrorLine(y, platform::LoadResourceString(158))) return false;
  }
  return true;
}

bool PluginJob::WriteMarginErrorLabel() {
  if (IsLeftMarginValid()) return true;
  const int32_t dpi = Resolution();
  // Without a resolution the margin has no length: it reads as 0.
  const double inches = dpi == 0 ? 0.0 : static_cast<uint32_t>(layout.leftOffset) / static_cast<double>(dpi);
  const std::u16string detail = platform::LoadResourceString(156) + u" (" + Fixed(inches * 25.4, 1) + u"mm / " +
                                Fixed(inches, 2) + u"inch)";
  return WriteErrorLine(kFirstLineY, detail) &&
         WriteErrorLine(kFirstLineY + kLineStep, platform::LoadResourceString(157));
}

}  // namespace plugin

// Text and printer-clock fields: the host position turned into printer coordinates
// for the layout's orientation, with the orientation letter of the font.
#include "commands/field_commands.h"
#include "platform/debug_output.h"
#include "plugin/plugin_job.h"
#include "plugin/units.h"

namespace plugin {
namespace {

constexpr uint32_t kOpaque = 0xFF000000;

struct Placement {
  commands::FieldPoint origin;
  char letter;
};

// Letters of the font command by orientation; any other orientation prints upright.
char LetterFor(int32_t orientation) {
  switch (orientation) {
    case 90: return 'B';
    case 180: return 'I';
    case 270: return 'R';
    default: return 'N';
  }
}

const char16_t* DateFragment(int32_t preset) {
  switch (preset) {
    case 1: return u"%b %d, %Y ";
    case 2: return u"%d %b %Y ";
    case 3: return u"%Y/%m/%d ";
    default: return u"";
  }
}

const char16_t* TimeFragment(int32_t preset) {
  switch (preset) {
    case 1: return u"%H:%M:%S";
    case 2: return u"%p %I:%M:%S";
    default: return u"";
  }
}

}  // namespace

bool PluginJob::PlaceTextField(const WideChar* text, const HostPoint* point, int32_t size, void* tag,
                                   uint32_t colour) {
  if (text == nullptr || point == nullptr || tag == nullptr) return false;
  const int32_t x = point->x;
  const int32_t y = point->y;
  const int32_t margin = layout.deviceMargin;
  const int32_t pageWidth = Wrap(layout.pageWidth);
  const int32_t pageHeight = Wrap(layout.pageHeight);
  // Text never starts left of the printable area: x is clamped at 0 (and at 180
  // degrees y as well).
  commands::FieldPoint origin{x, y};
  switch (layout.orientation) {
    case 0:
      origin = {x > margin ? x - margin : 0, y};
      break;
    case 90:
      origin = {y > margin ? y - margin : 0, WrapSub(pageHeight, x)};
      break;
    case 180: {
      const int32_t fromRight = WrapSub(pageWidth, x);
      origin = {static_cast<uint32_t>(fromRight) > static_cast<uint32_t>(margin) ? WrapSub(fromRight, margin) : 0,
                pageHeight > y ? WrapSub(pageHeight, y) : 0};
      break;
    }
    case 270: {
      const int32_t fromRight = WrapSub(pageWidth, y);
      origin = {static_cast<uint32_t>(fromRight) > static_cast<uint32_t>(margin) ? WrapSub(fromRight, margin) : 0, x};
      break;
    }
    default:
      break;
  }
  platform::DebugTrace(u"vpiWriteText(): start\n");
  return commands::WriteTextField(&commands, origin, platform::AsUtf16(text), LetterFor(layout.orientation), size,
                                  size, colour);
}

bool PluginJob::PlaceClockField(void* tag, const HostPoint* point, int32_t size, void* tag2, uint32_t colour) {
  if (tag == nullptr || point == nullptr || tag2 == nullptr) return false;
  platform::DebugTrace(u"vpiWriteClock(): start\n");
  const int32_t x = point->x;
  const int32_t y = point->y;
  const int32_t margin = layout.deviceMargin;
  const int32_t pageWidth = Wrap(layout.pageWidth);
  const int32_t pageHeight = Wrap(layout.pageHeight);
  // Unlike text, the clock is neither clamped nor, when turned over, moved by the margin.
  commands::FieldPoint origin{x, y};
  switch (layout.orientation) {
    case 0: origin = {WrapSub(x, margin), y}; break;
    case 90: origin = {WrapSub(y, margin), WrapSub(pageHeight, x)}; break;
    case 180: origin = {WrapSub(pageWidth, x), WrapSub(pageHeight, y)}; break;
    case 270: origin = {WrapSub(pageWidth, y), x}; break;
    default: break;
  }
  // The printer's clock format: the configured presets joined, or the manual text.
  std::u16string format;
  if (config.TimeFormatChooseFromPreset) {
    format = DateFragment(config.TimeFormatDate);
    format += TimeFragment(config.TimeFormatTime);
  } else {
    format = config.TimeFormatText;  // terminated within its array
  }
  return commands::WriteClockField(&commands, origin, format.c_str(), LetterFor(layout.orientation), size, size,
                                   colour);
}

bool PluginJob::vpiWriteText(const WideChar* text, const HostPoint* point, int32_t size, void* tag) {
  platform::DebugTrace(u"vpiWriteText(): start\n");
  return PlaceTextField(text, point, size, tag, kOpaque);
}

bool PluginJob::vpiWriteText2(const WideChar* text, const HostPoint* point, int32_t size, void* tag,
                                  uint32_t colour) {
  if (text == nullptr || point == nullptr || tag == nullptr) return false;
  platform::DebugTrace(u"vpiWriteText2(): start\n");
  return PlaceTextField(text, point, size, tag, colour | kOpaque);
}

bool PluginJob::vpiWriteClock(void* tag, const HostPoint* point, int32_t size, void* tag2) {
  platform::DebugTrace(u"vpiWriteClock2(): start\n");
  return PlaceClockField(tag, point, size, tag2, kOpaque);
}

bool PluginJob::vpiWriteClock2(void* tag, const HostPoint* point, int32_t size, void* tag2, uint32_t colour) {
  platform::DebugTrace(u"vpiWriteClock2(): start\n");
  return PlaceClockField(tag, point, size, tag2, colour | kOpaque);
}

}  // namespace plugin

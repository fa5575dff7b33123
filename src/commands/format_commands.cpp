#include "commands/format_commands.h"

#include "commands/writer_support.h"

namespace commands {

using detail::AppendCommand;
using detail::AppendUnsigned;

bool BeginLabelFormat(CommandBuffer* buffer) {
  return AppendCommand(buffer, [](std::string& text) { text = "^XA^CI28^S(CMP,U,D"; });
}

bool EndLabelFormat(CommandBuffer* buffer) {
  return AppendCommand(buffer, [](std::string& text) { text = "^XZ"; });
}

bool WriteLabelSize(CommandBuffer* buffer, DotSize size) {
  return AppendCommand(buffer, [&](std::string& text) {
    text = "^S(CLS,P,";
    AppendUnsigned(text, size.width);
    text += "^S(CLS,L,";
    AppendUnsigned(text, size.height);
  });
}

bool WriteResolution(CommandBuffer* buffer, int32_t dpi) {
  return AppendCommand(buffer, [&](std::string& text) {
    text = "^S(CLR,P,600^S(CLR,R,600^S(CLR,Z,600^S(CLR,M,";
    text += dpi == 300 ? 'B' : 'A';
  });
}

bool WriteWhiteBox(CommandBuffer* buffer, DotPoint origin, uint32_t width, uint32_t height, uint32_t thickness) {
  return AppendCommand(buffer, [&](std::string& text) {
    text = "^FO";
    AppendUnsigned(text, origin.x);
    text += ',';
    AppendUnsigned(text, origin.y);
    text += "^GB";
    AppendUnsigned(text, width);
    text += ',';
    AppendUnsigned(text, height);
    text += ',';
    AppendUnsigned(text, thickness);
    text += ",W,0^FS";
  });
}

}  // namespace commands

// The renderer of label_inspect on arbitrary streams.
// Properties: no crash, hang or leak; every page has the size in force clamped to the
// largest label (2646 x 14173 dots at 600 dpi, half that at 300); formats are counted in
// order and only they are printed; what is left undrawn names a command of the stream.
// The first input byte's low bit puts a small 300-dpi label size in front, so most inputs
// draw on a small page.
#include <string>

#include "fuzz_input.h"
#include "label_renderer.h"
#include "stream/command_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::string fontError;
  static const std::unique_ptr<label_inspect::Font> font = label_inspect::Font::Open("", fontError);
  fuzzing::FuzzInput input(data, size);
  const bool small = input.Bool();
  std::string bytes = small ? "^XA^S(CLR,M,B^S(CLS,P,160^S(CLS,L,120^XZ" : "";
  bytes += input.Bytes(1 << 20);

  const label_stream::CommandStream stream = label_stream::ReadCommandStream(bytes);
  size_t seen = 0;
  const label_inspect::JobSummary summary =
      label_inspect::RenderStream(stream, font.get(), [&](const label_inspect::FormatPreview& format) {
        FUZZ_CHECK(format.order == ++seen);
        FUZZ_CHECK(format.firstCommand < format.endCommand && format.endCommand <= stream.commands.size());
        FUZZ_CHECK(format.offset == stream.commands[format.firstCommand].offset);
        const uint32_t scale = format.geometry.dpi == 300 ? 2 : 1;
        FUZZ_CHECK(format.canvas->width() >= 1 && format.canvas->width() <= label_inspect::kMaxLabelWidth600 / scale);
        FUZZ_CHECK(format.canvas->height() >= 1 && format.canvas->height() <= label_inspect::kMaxLabelLength600 / scale);
        FUZZ_CHECK(!(format.printed && format.savesBase));
        for (const label_inspect::Undrawn& item : format.undrawn)
          FUZZ_CHECK(item.offset < bytes.size() && !item.reason.empty());
      });
  FUZZ_CHECK(summary.formats == seen && summary.printed <= seen);
  return 0;
}

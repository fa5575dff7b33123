// What rendering labels costs against what the plug-in spends encoding those labels'
// images, measured in one run, round-robin, as a ratio (times on a shared machine are
// noise; the ratio is the figure). The job: 10 labels of 100 mm x 50 mm at 600 dpi on a
// stored full-size base image (mostly white, strokes, a colour block), each with its own
// variable image, three text fields and a clock field, as the plug-in writes them.
// Rendering reads the stream, decodes every download and draws every label (writing the
// previews is left out: that is the encoder's own work again); the plug-in's side is
// encoding the same images with its download settings.
//
// Both sides run with warm memory: glibc is told to keep freed memory rather than hand it
// back, as a process rendering a long job does with its page and base. On these virtual
// machines the first touch of fresh memory costs about 40 microseconds a page (80 ms for
// one 100 x 50 mm page), which the first, cold round shows apart.
//
//   render_bench [rounds]     prints min and median of both and their ratio; exit 1 when
//                             rendering costs more than encoding
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands/command_buffer.h"
#include "commands/field_commands.h"
#include "commands/format_commands.h"
#include "commands/graphic_commands.h"
#include "commands/page_commands.h"
#include "label_renderer.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Picture {
  uint32_t width, height;
  std::vector<uint8_t> pixels;  // blue, green, red
};

Picture Draw(uint32_t width, uint32_t height, uint8_t seed) {
  Picture p{width, height, std::vector<uint8_t>(size_t{width} * height * 3, 255)};
  auto fill = [&](uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, uint8_t b, uint8_t g, uint8_t r) {
    for (uint32_t y = y0; y < std::min(y1, height); ++y)
      for (uint32_t x = x0; x < std::min(x1, width); ++x) {
        uint8_t* px = &p.pixels[(size_t{y} * width + x) * 3];
        px[0] = b, px[1] = g, px[2] = r;
      }
  };
  fill(40, 40, width / 4, height / 3, 200, 100, 0);
  for (uint32_t line = 0; line < 8; ++line)  // text-like strokes
    for (uint32_t x = width / 3; x + 6 < width - 40; x += 14 + (x * seed) % 9)
      fill(x, height / 3 + line * 60, x + 5, height / 3 + line * 60 + 40, 20, 20, 20);
  return p;
}

constexpr int kLabels = 10;

std::string Stream(const Picture& base, const std::vector<Picture>& numbers) {
  commands::CommandBuffer b;
  commands::BeginLabelFormat(&b);
  commands::WriteResolution(&b, 600);
  commands::WriteLabelSize(&b, {2267, 1181});
  commands::EndLabelFormat(&b);
  commands::BeginLabelFormat(&b);
  commands::DownloadGraphic(&b, base.pixels, base.width, base.width * 3, base.height, 24, "BASE");
  commands::RecallGraphic(&b, {0, 0}, "BASE");
  commands::WriteBaseSave(&b);
  commands::EndLabelFormat(&b);
  for (const Picture& number : numbers) {
  commands::BeginLabelFormat(&b);
  commands::WriteBaseLoad(&b);
  commands::DownloadGraphic(&b, number.pixels, number.width, number.width * 3, number.height, 24, "DYNAMIC");
  commands::RecallGraphic(&b, {1600, 700}, "DYNAMIC");
  commands::WriteTextField(&b, {100, 700}, u"Grüße aus Köln", 'N', 60, 60, 0xFF000000u);
  commands::WriteTextField(&b, {100, 800}, u"Lot 4711-0815", 'N', 80, 80, 0xFF2020C0u);
  commands::WriteTextField(&b, {2000, 100}, u"Best before", 'R', 50, 50, 0xFF000000u);
  commands::WriteClockField(&b, {100, 950}, u"%Y/%m/%d %H:%M:%S", 'N', 48, 48, 0xFF000000u);
  commands::WritePrintQuantity(&b, 1, 1, false);
  commands::WriteBuzzerMode(&b, false);
  commands::EndLabelFormat(&b);
  }
  return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 15;
  mallopt(M_MMAP_THRESHOLD, 512 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  const Picture base = Draw(2267, 1181, 7);
  std::vector<Picture> numbers;
  for (int label = 0; label < kLabels; ++label) numbers.push_back(Draw(480, 240, static_cast<uint8_t>(label + 2)));
  const std::string bytes = Stream(base, numbers);
  std::string error;
  if (label_inspect::Font::Open("", error) == nullptr) {
    std::fprintf(stderr, "render_bench: %s\n", error.c_str());
    return 2;
  }
  const commands::PngSettings settings;  // the plug-in's download settings
  std::vector<double> encode, render;  // round 0 is the cold one, left out of min and median
  size_t printed = 0;
  for (int round = 0; round <= rounds; ++round) {
    Clock::time_point start = Clock::now();
    std::vector<uint8_t> png;
    settings.EncodePng(png, base.pixels.data(), base.width, base.height, base.width * 3, true);
    for (const Picture& number : numbers)
      settings.EncodePng(png, number.pixels.data(), number.width, number.height, number.width * 3, true);
    encode.push_back(Seconds(Clock::now() - start));

    auto font = label_inspect::Font::Open("", error);  // a fresh glyph cache, as for every job
    start = Clock::now();
    const label_stream::CommandStream stream = label_stream::ReadCommandStream(bytes);
    printed = label_inspect::RenderStream(stream, font.get(), [](const label_inspect::FormatPreview&) {}).printed;
    render.push_back(Seconds(Clock::now() - start));
  }
  const double coldEncode = encode.front(), coldRender = render.front();
  encode.erase(encode.begin());
  render.erase(render.begin());
  const double ratio = Median(render) / Median(encode);
  std::printf("job of %zu labels of 100 x 50 mm at 600 dpi on a stored base, %d rounds (round-robin)\n", printed,
              rounds);
  std::printf("%-36s %10s %10s\n", "", "min ms", "median ms");
  std::printf("%-36s %10.2f %10.2f\n", "plug-in encodes the job's images", *std::min_element(encode.begin(), encode.end()) * 1e3,
              Median(encode) * 1e3);
  std::printf("%-36s %10.2f %10.2f\n", "renderer draws the job's labels", *std::min_element(render.begin(), render.end()) * 1e3,
              Median(render) * 1e3);
  std::printf("%-36s %10.2f %10.2f\n", "cold first round: encode / render", coldEncode * 1e3, coldRender * 1e3);
  std::printf("render / encode (medians): %.2f, target at most 1.00: %s\n", ratio, ratio <= 1.0 ? "met" : "NOT met");
  return ratio <= 1.0 ? 0 : 1;
}

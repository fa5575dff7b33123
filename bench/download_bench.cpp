// Speed and memory of the graphic download on two 24-bit labels: a 100 mm x 50 mm label
// at 600 dpi and the largest label the printer takes. DownloadGraphic is set against a
// plain libpng writer with the same settings and against zlib alone deflating the same
// rows with the same parameters, all on the same synthetic pixels (mostly white, lines
// of text-like strokes, one colour block).
//
// The three run interleaved, round-robin (each round in a new order), so that the load
// of a shared machine falls on all three alike; each run is timed in thread CPU time and
// the tables give the minimum and the median of every method and their ratios.
//
//   download_bench [--rounds N]          speed, then memory in a fresh process per case
//   download_bench --memory LABEL METHOD one memory measurement (used by the above)
//
// The first lines of the output are "ratio:" lines for scripts/bench.sh.
#include <png.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "commands/command_buffer.h"
#include "commands/graphic_commands.h"
#include "heap_counter.h"

namespace {

// ---- the synthetic label ----

struct Label {
  const char* name;
  uint32_t width, height, stride;
  std::vector<uint8_t> pixels;  // 24-bit blue, green, red, rows top first
  size_t PixelBytes() const { return size_t{3} * width * height; }
};

struct LabelSize {
  const char* name;
  uint32_t width, height;
};
const LabelSize kLabels[] = {
    {"100x50mm", 2362, 1181},   // 100 mm x 50 mm at 600 dpi
    {"largest", 2646, 14173},  // the widest and longest label
};

void FillRect(Label& label, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, uint8_t b, uint8_t g, uint8_t r) {
  x1 = std::min(x1, label.width);
  y1 = std::min(y1, label.height);
  for (uint32_t y = y0; y < y1; ++y) {
    uint8_t* row = label.pixels.data() + size_t{y} * label.stride;
    for (uint32_t x = x0; x < x1; ++x) {
      row[3 * x] = b;
      row[3 * x + 1] = g;
      row[3 * x + 2] = r;
    }
  }
}

// White, with lines of 40-pixel "characters" built from a few of six strokes each (a
// fixed pseudo-random choice) and a blue-grey block in the upper right corner.
Label MakeLabel(const LabelSize& size) {
  Label label{size.name, size.width, size.height, (3 * size.width + 3) & ~3u, {}};
  label.pixels.assign(size_t{label.stride} * label.height, 0xFF);
  uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return state >> 16;
  };
  const uint32_t margin = 120, cell = 44, glyph = 40, line = 90, stroke = 5;
  for (uint32_t top = margin; top + glyph < label.height - margin; top += line) {
    uint32_t lineEnd = label.width - margin - next() % (label.width / 3);
    for (uint32_t left = margin; left + glyph < lineEnd; left += cell) {
      const uint32_t shape = next();
      if (shape % 9 == 0) continue;  // a space
      if (shape & 1) FillRect(label, left, top, left + stroke, top + glyph, 0, 0, 0);
      if (shape & 2) FillRect(label, left + glyph - stroke, top, left + glyph, top + glyph, 0, 0, 0);
      if (shape & 4) FillRect(label, left, top, left + glyph, top + stroke, 0, 0, 0);
      if (shape & 8) FillRect(label, left, top + glyph / 2, left + glyph, top + glyph / 2 + stroke, 0, 0, 0);
      if (shape & 16) FillRect(label, left, top + glyph - stroke, left + glyph, top + glyph, 0, 0, 0);
      if (shape & 32) FillRect(label, left + glyph / 2, top, left + glyph / 2 + stroke, top + glyph, 0, 0, 0);
    }
  }
  FillRect(label, label.width * 2 / 3, margin / 2, label.width - margin / 2, margin / 2 + 500, 0xB0, 0x70, 0x20);
  return label;
}

const Label& GetLabel(size_t index) {
  static std::map<size_t, Label> labels;
  auto found = labels.find(index);
  if (found == labels.end()) found = labels.emplace(index, MakeLabel(kLabels[index])).first;
  return found->second;
}

// ---- the three ways of compressing a label ----

const commands::PngSettings kSettings{8, 3, 7, 1, 15, 8};

// DownloadGraphic into a command buffer; the PNG bytes (the buffer less its header).
size_t RunDownload(const Label& label, commands::CommandBuffer& buffer) {
  buffer.Clear();
  if (!commands::DownloadGraphic(&buffer, label.pixels, label.width, label.stride, label.height, 24, "BASE"))
    std::abort();
  const auto* bytes = reinterpret_cast<const char*>(buffer.data());
  const char* png = static_cast<const char*>(std::memchr(bytes, 0x89, buffer.size()));
  return buffer.size() - static_cast<size_t>(png - bytes);
}

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

// What a plain libpng user writes: the same settings, libpng swapping blue and red, each
// source row handed over as it stands.
bool WritePlainPng(const Label& label, std::vector<uint8_t>* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) return false;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  out->clear();
  png_set_write_fn(png, out, AppendToVector, nullptr);
  png_set_pHYs(png, info, 11811, 11811, PNG_RESOLUTION_METER);
  png_set_filter(png, 0, kSettings.filters);
  png_set_compression_level(png, kSettings.compressionLevel);
  png_set_compression_mem_level(png, kSettings.memoryLevel);
  png_set_compression_strategy(png, kSettings.strategy);
  png_set_compression_window_bits(png, kSettings.windowBits);
  png_set_compression_method(png, kSettings.method);
  png_set_IHDR(png, info, label.width, label.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  for (uint32_t y = 0; y < label.height; ++y) png_write_row(png, label.pixels.data() + size_t{y} * label.stride);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

size_t RunPlainPng(const Label& label, std::vector<uint8_t>& out) {
  if (!WritePlainPng(label, &out)) std::abort();
  return out.size();
}

// zlib alone: the pixel bytes of every row deflated as one stream into a growing buffer.
size_t RunPlainZlib(const Label& label, std::vector<uint8_t>& out) {
  z_stream stream{};
  if (deflateInit2(&stream, kSettings.compressionLevel, kSettings.method, kSettings.windowBits, kSettings.memoryLevel,
                   kSettings.strategy) != Z_OK)
    std::abort();
  out.clear();
  uint8_t block[65536];
  for (uint32_t y = 0; y < label.height; ++y) {
    stream.next_in = const_cast<uint8_t*>(label.pixels.data() + size_t{y} * label.stride);
    stream.avail_in = 3 * label.width;
    const int flush = y + 1 == label.height ? Z_FINISH : Z_NO_FLUSH;
    do {
      stream.next_out = block;
      stream.avail_out = sizeof block;
      if (deflate(&stream, flush) == Z_STREAM_ERROR) std::abort();
      out.insert(out.end(), block, block + (sizeof block - stream.avail_out));
    } while (stream.avail_out == 0);
  }
  deflateEnd(&stream);
  return out.size();
}

enum Method { kDownload, kPlainPng, kPlainZlib };
const char* const kMethodNames[] = {"DownloadGraphic", "plain libpng", "plain zlib"};

size_t RunMethod(Method method, const Label& label, commands::CommandBuffer& buffer, std::vector<uint8_t>& out) {
  switch (method) {
    case kDownload:
      return RunDownload(label, buffer);
    case kPlainPng:
      return RunPlainPng(label, out);
    case kPlainZlib:
      return RunPlainZlib(label, out);
  }
  return 0;
}

// ---- speed ----

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct Samples {
  std::vector<double> ms;
  size_t outputBytes = 0;
  double Min() const { return *std::min_element(ms.begin(), ms.end()); }
  double Median() const {
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    const size_t n = sorted.size();
    return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
  }
};

// `rounds` rounds of one run of each method, the order rotating from round to round.
std::vector<Samples> RoundRobin(const Label& label, int rounds) {
  std::vector<Samples> samples(3);
  commands::CommandBuffer buffer;
  std::vector<uint8_t> out;
  for (int m = 0; m < 3; ++m) RunMethod(static_cast<Method>(m), label, buffer, out);  // warm up
  for (int round = 0; round < rounds; ++round) {
    for (int k = 0; k < 3; ++k) {
      const int m = (round + k) % 3;
      const double start = ThreadCpuMs();
      samples[m].outputBytes = RunMethod(static_cast<Method>(m), label, buffer, out);
      samples[m].ms.push_back(ThreadCpuMs() - start);
    }
  }
  return samples;
}

void PrintSpeed(const std::vector<std::vector<Samples>>& all, int rounds) {
  for (size_t l = 0; l < all.size(); ++l) {
    const auto& s = all[l];
    for (int m = 1; m < 3; ++m) {
      std::printf("ratio: %s DownloadGraphic / %s: median %.3f min %.3f\n", kLabels[l].name, kMethodNames[m],
                  s[kDownload].Median() / s[m].Median(), s[kDownload].Min() / s[m].Min());
    }
  }
  std::printf("\nSpeed, thread CPU time, %d interleaved rounds (ratio = DownloadGraphic / that method)\n", rounds);
  std::printf("%-10s %-16s %10s %10s %12s %12s %9s %9s\n", "label", "method", "min ms", "median ms", "MB/s median",
              "output B", "ratio min", "ratio med");
  for (size_t l = 0; l < all.size(); ++l) {
    const auto& s = all[l];
    const Label& label = GetLabel(l);
    for (int m = 0; m < 3; ++m) {
      std::printf("%-10s %-16s %10.2f %10.2f %12.1f %12zu %9.3f %9.3f\n", kLabels[l].name, kMethodNames[m],
                  s[m].Min(), s[m].Median(), label.PixelBytes() / 1e3 / s[m].Median(), s[m].outputBytes,
                  s[kDownload].Min() / s[m].Min(), s[kDownload].Median() / s[m].Median());
    }
  }
}

// ---- memory, one fresh process per case ----

long MaxRssKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int MeasureMemory(const char* labelName, const char* methodName) {
  size_t labelIndex = std::size(kLabels);
  for (size_t l = 0; l < std::size(kLabels); ++l)
    if (std::strcmp(kLabels[l].name, labelName) == 0) labelIndex = l;
  int method = -1;
  for (int m = 0; m < 3; ++m)
    if (std::strcmp(kMethodNames[m], methodName) == 0) method = m;
  if (labelIndex == std::size(kLabels) || method < 0) return 2;

  const long atStart = MaxRssKilobytes();
  const Label& label = GetLabel(labelIndex);
  const long withPixels = MaxRssKilobytes();
  commands::CommandBuffer buffer;
  std::vector<uint8_t> out;
  bench::ResetHeapPeak();
  const int64_t heapBefore = bench::HeapLiveBytes();
  const size_t produced = RunMethod(static_cast<Method>(method), label, buffer, out);
  const long atPeak = MaxRssKilobytes();
  std::printf("%zu %zu %ld %ld %lld\n", label.pixels.size(), produced, withPixels - atStart, atPeak - atStart,
              static_cast<long long>(bench::HeapPeakBytes() - heapBefore));
  return 0;
}

void PrintMemoryTable(const char* self) {
  std::printf("\nPeak memory, fresh process per case (MB = 10^6 bytes; RSS over the process start)\n");
  std::printf("%-10s %-16s %9s %9s %11s %11s %12s %13s\n", "label", "method", "pixels", "output", "RSS pixels",
              "RSS peak", "peak/(p+o)", "heap in call");
  for (const LabelSize& size : kLabels) {
    for (const char* method : kMethodNames) {
      const std::string command = std::string("'") + self + "' --memory " + size.name + " '" + method + "'";
      FILE* child = popen(command.c_str(), "r");
      if (child == nullptr) continue;
      size_t pixels = 0, produced = 0;
      long rssPixels = 0, rssPeak = 0;
      long long heap = 0;
      const int read = std::fscanf(child, "%zu %zu %ld %ld %lld", &pixels, &produced, &rssPixels, &rssPeak, &heap);
      pclose(child);
      if (read != 5) continue;
      const double mb = 1e6, rssPeakBytes = 1024.0 * rssPeak;
      std::printf("%-10s %-16s %9.2f %9.2f %11.2f %11.2f %12.3f %13.2f\n", size.name, method, pixels / mb,
                  produced / mb, 1024.0 * rssPixels / mb, rssPeakBytes / mb,
                  rssPeakBytes / static_cast<double>(pixels + produced), heap / mb);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--memory") == 0) return MeasureMemory(argv[2], argv[3]);
  int rounds = 15;
  if (argc == 3 && std::strcmp(argv[1], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[2]));

  std::vector<std::vector<Samples>> all;
  for (size_t l = 0; l < std::size(kLabels); ++l) all.push_back(RoundRobin(GetLabel(l), rounds));
  PrintSpeed(all, rounds);
  std::fflush(stdout);
  char self[PATH_MAX] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) > 0) PrintMemoryTable(self);
  return 0;
}

// What checking a job stream costs: a 1000-label job (header with the settings run, a
// base format, then one page format a label with its own variable image, a number and a
// clock field) written by the plug-in's command writers, checked from memory and from a
// file, set against one zlib crc32 pass over the same bytes. Measured in one run, round
// robin, as ratios of the minimum and the median times (absolute times on a shared
// machine are noise). The target is a ratio of at most 2.
//
//   stream_bench [rounds]   (default 15)
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands/command_buffer.h"
#include "commands/field_commands.h"
#include "commands/format_commands.h"
#include "commands/graphic_commands.h"
#include "commands/page_commands.h"
#include "config/printer_config.h"
#include "stream/command_stream.h"
#include "stream/stream_checker.h"

namespace {

constexpr int kLabels = 1000;

void Require(bool ok) {
  if (!ok) {
    std::fprintf(stderr, "stream_bench: a writer failed\n");
    std::exit(1);
  }
}

// A 24-bit variable image: white with the label's number as blocks of colour, so every
// label's PNG differs.
std::vector<uint8_t> VariableImage(int label, uint32_t width, uint32_t height, uint32_t stride) {
  std::vector<uint8_t> pixels(size_t{stride} * height, 0xFF);
  uint32_t state = 2654435761u * static_cast<uint32_t>(label + 1);
  for (uint32_t block = 0; block < 24; ++block) {
    state = state * 1103515245u + 12345u;
    const uint32_t x0 = (state >> 8) % (width - 40), y0 = (state >> 20) % (height - 20);
    for (uint32_t y = y0; y < y0 + 20; ++y)
      for (uint32_t x = x0; x < x0 + 40; ++x) {
        uint8_t* pixel = pixels.data() + size_t{y} * stride + 3 * x;
        pixel[0] = static_cast<uint8_t>(state), pixel[1] = static_cast<uint8_t>(state >> 8), pixel[2] = 0x20;
      }
  }
  return pixels;
}

std::string JobStream() {
  using namespace commands;
  CommandBuffer buffer;
  Require(BeginLabelFormat(&buffer) && config::PrinterConfig().WriteConfigCommands(&buffer) &&
          WriteResolution(&buffer, 600) && WriteLabelSize(&buffer, {2267, 1181}) && EndLabelFormat(&buffer));
  const uint32_t width = 1100, height = 560, stride = (3 * width + 3) & ~3u;
  Require(BeginLabelFormat(&buffer) &&
          DownloadGraphic(&buffer, VariableImage(-1, width, height, stride), width, stride, height, 24, "BASE") &&
          RecallGraphic(&buffer, {12, 24}, "BASE") && WriteBaseSave(&buffer) && EndLabelFormat(&buffer));
  const uint32_t varWidth = 600, varHeight = 120, varStride = (3 * varWidth + 3) & ~3u;
  for (int label = 0; label < kLabels; ++label) {
    const std::u16string number = u"No. " + std::u16string(1, static_cast<char16_t>(u'0' + label % 10)) + u"_é";
    Require(BeginLabelFormat(&buffer) && WriteBaseLoad(&buffer) &&
            DownloadGraphic(&buffer, VariableImage(label, varWidth, varHeight, varStride), varWidth, varStride,
                            varHeight, 24, "DYNAMIC") &&
            RecallGraphic(&buffer, {60, 300}, "DYNAMIC") &&
            WriteTextField(&buffer, {100, 200}, number.c_str(), 'N', 30, 30, 0xFF000000u) &&
            WriteClockField(&buffer, {100, 450}, u"%Y/%m/%d %H:%M", 'N', 24, 24, 0xFF000000u) &&
            WritePrintQuantity(&buffer, 1, 1, false) && WriteBuzzerMode(&buffer, label + 1 == kLabels) &&
            EndLabelFormat(&buffer));
  }
  return std::string(reinterpret_cast<const char*>(buffer.data()), buffer.size());
}

uint32_t CrcPass(const std::string& bytes) {
  return static_cast<uint32_t>(
      crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

uint64_t Check(label_stream::ByteSource& source) {
  label_stream::StreamChecker checker([](const label_stream::Problem&) {});
  label_stream::CommandReader reader(source);
  label_stream::CommandView command;
  while (reader.Next(command)) checker.Add(command, reader.TakeErrors());
  checker.Finish(reader.TakeErrors());
  return checker.errors();
}

template <class Work>
double Seconds(Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const std::string bytes = JobStream();
  const std::string path = "/tmp/stream_bench_" + std::to_string(::getpid()) + ".prn";
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) {
    std::fprintf(stderr, "stream_bench: cannot write %s\n", path.c_str());
    return 1;
  }
  const label_stream::CommandStream stream = label_stream::ReadCommandStream(bytes);
  std::printf("job stream: %d labels, %zu bytes, %zu commands, %zu formats\n", kLabels, bytes.size(),
              stream.commands.size(), stream.formats.size());

  std::vector<double> crc, memory, file;
  volatile uint32_t sink = 0;
  uint64_t errors = 0;
  for (int round = 0; round < rounds; ++round) {
    crc.push_back(Seconds([&] { sink = sink + CrcPass(bytes); }));
    memory.push_back(Seconds([&] {
      label_stream::MemorySource source(bytes);
      errors += Check(source);
    }));
    file.push_back(Seconds([&] {
      std::FILE* in = std::fopen(path.c_str(), "rb");
      label_stream::FileSource source(in);
      errors += Check(source);
      std::fclose(in);
    }));
  }
  std::remove(path.c_str());
  if (errors != 0) {
    std::fprintf(stderr, "stream_bench: the checker found %llu errors in the job stream\n",
                 static_cast<unsigned long long>(errors));
    return 1;
  }
  const double crcMin = *std::min_element(crc.begin(), crc.end()), crcMedian = Median(crc);
  std::printf("%-28s %10s %10s %12s %12s\n", "", "min ms", "median ms", "min ratio", "median ratio");
  auto row = [&](const char* name, const std::vector<double>& times) {
    const double least = *std::min_element(times.begin(), times.end()), median = Median(times);
    std::printf("%-28s %10.3f %10.3f %12.2f %12.2f\n", name, least * 1e3, median * 1e3, least / crcMin,
                median / crcMedian);
  };
  row("zlib crc32, one pass", crc);
  row("check, from memory", memory);
  row("check, from the file", file);
  std::printf("target: checking costs at most 2 x one crc32 pass (%d rounds, round robin)\n", rounds);
  return 0;
}

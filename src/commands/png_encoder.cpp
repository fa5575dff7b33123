#include <png.h>

#include <cstring>
#include <new>
#include <vector>

#include "commands/graphic_commands.h"
#include "platform/debug_output.h"

namespace commands {
namespace {

// Pixels per metre of every file: 300 dots per inch.
constexpr png_uint_32 kPixelsPerMetre = 11811;

enum class PngOutcome { Written, NoWriteStruct, NoInfoStruct, Failed, OutOfMemory };

// Everything the libpng frame needs, as plain data: nothing in that frame may have a
// destructor, since libpng leaves it by longjmp.
struct PngJob {
  const PngSettings* settings;
  std::vector<uint8_t>* output;
  const uint8_t* topRow;
  uint8_t* row;  // one row of the file, allocated by the caller
  uint32_t width, height, stride;
  bool rgb;
  bool outOfMemory;  // set when growing the output failed
};

// libpng's write function: appends each block to the output. A failure to grow it
// becomes a libpng error, once the exception is over.
void AppendBlock(png_structp png, png_bytep data, png_size_t length) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (data == nullptr) return;
  bool failed = false;
  try {
    job->output->insert(job->output->end(), data, data + length);
  } catch (...) {
    failed = true;
  }
  if (failed) {
    job->outOfMemory = true;
    png_error(png, "out of memory");
  }
}

void FlushNothing(png_structp) {}

void FillRow(const PngJob& job, const uint8_t* source) {
  if (!job.rgb) {
    std::memcpy(job.row, source, (size_t{job.width} + 7) / 8);
    return;
  }
  // Blue, green, red in the bitmap; red, green, blue in the file.
  uint8_t* target = job.row;
  for (uint32_t j = 0; j < job.width; ++j, source += 3, target += 3) {
    target[0] = source[2];
    target[1] = source[1];
    target[2] = source[0];
  }
}

PngOutcome WritePng(PngJob& job) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return PngOutcome::NoWriteStruct;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return PngOutcome::NoInfoStruct;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return job.outOfMemory ? PngOutcome::OutOfMemory : PngOutcome::Failed;
  }

  job.output->clear();
  png_set_write_fn(png, &job, AppendBlock, FlushNothing);
  png_set_pHYs(png, info, kPixelsPerMetre, kPixelsPerMetre, PNG_RESOLUTION_METER);

  const PngSettings& settings = *job.settings;
  png_set_filter(png, PNG_FILTER_TYPE_BASE, settings.filters);
  png_set_compression_level(png, settings.compressionLevel);
  png_set_compression_mem_level(png, settings.memoryLevel);
  png_set_compression_strategy(png, settings.strategy);
  png_set_compression_window_bits(png, settings.windowBits);
  png_set_compression_method(png, settings.method);

  png_set_IHDR(png, info, job.width, job.height, job.rgb ? 8 : 1, job.rgb ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);

  for (uint32_t r = 0; r < job.height; ++r) {
    FillRow(job, job.topRow + size_t{r} * job.stride);
    png_write_row(png, job.row);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return PngOutcome::Written;
}

}  // namespace

bool PngSettings::EncodePng(std::vector<uint8_t>& output, const uint8_t* topRow, uint32_t width, uint32_t height,
                            uint32_t stride, bool rgb) const {
  if (topRow == nullptr) return false;
  // libpng would refuse the header of an empty image only after the row buffer, as
  // wide as the image, was allocated and filled: refused here first, with its trace.
  if (width == 0 || height == 0) {
    platform::DebugTrace(u"compression failed.\n");
    return false;
  }
  std::vector<uint8_t> row(rgb ? size_t{width} * 3 : (size_t{width} + 7) / 8);
  PngJob job{this, &output, topRow, row.data(), width, height, stride, rgb, false};
  switch (WritePng(job)) {
    case PngOutcome::Written:
      return true;
    case PngOutcome::NoWriteStruct:
      platform::DebugTrace(u"png_create_write_struct failed.\n");
      return false;
    case PngOutcome::NoInfoStruct:
      platform::DebugTrace(u"png_create_info_struct failed.\n");
      return false;
    case PngOutcome::OutOfMemory:
      throw std::bad_alloc();
    case PngOutcome::Failed:
      break;
  }
  platform::DebugTrace(u"compression failed.\n");
  return false;
}

}  // namespace commands

// A reader of the label command stream the plug-in sends to the printer: splits the bytes
// into commands (each starts at '^' or '~' and runs to the next one), takes the payload of
// a "~DYR:<name>,B,P,<length>,b," download by its byte count, and reports what does not
// fit. The checks below look at the structure of a whole stream: format framing, download
// lengths and recalls of graphics that were never downloaded. Portable; used by the native
// tests, the Windows tests and the listing tool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

struct StreamCommand {
  size_t offset = 0;   // of the command's first byte in the stream
  std::string text;    // the command's bytes; for a download its header up to and including ",b,"
  bool download = false;
  std::string name;             // download: the graphic name
  uint64_t declaredLength = 0;  // download: the length in the header
  std::string payload;          // download: the bytes taken (fewer than declared when the stream ends)

  // Offset of the first byte after the command (and its payload).
  size_t End() const { return offset + text.size() + payload.size(); }
};

struct StreamError {
  size_t offset;
  std::string message;
};

struct CommandStream {
  std::vector<StreamCommand> commands;
  std::vector<StreamError> errors;

  bool ok() const { return errors.empty(); }
  // The commands' texts in order (download headers without their payloads).
  std::vector<std::string> Texts() const;
};

// Splits `bytes` into commands. Errors: bytes that start no command (before the first
// command or after a download's payload), a download header that cannot be read, a
// download length that runs past the end of the stream.
CommandStream ReadCommandStream(std::string_view bytes);

// What the head of a PNG file says, and whether the file is whole: the signature, an
// IHDR chunk first, every chunk's length and CRC right, and IEND last.
struct PngSummary {
  bool isPng = false;     // starts with the PNG signature
  bool complete = false;  // a well-formed file ending with IEND
  uint32_t width = 0, height = 0;
  uint8_t bitDepth = 0, colourType = 0;
  size_t length = 0;  // bytes up to the end of IEND when complete
  std::string problem;
};
PngSummary ReadPngSummary(std::string_view bytes);

// Builders for tests: one PNG chunk (length, type, data, CRC), and a file with the given
// header, one IDAT chunk holding `idat` as it stands (not necessarily decodable) and IEND.
std::string PngChunk(std::string_view type, std::string_view data);
std::string MinimalPng(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType,
                       std::string_view idat = {});

// Offsets of framing faults: a "^XA" while a format is open, a "^XZ" with none open,
// and a "^XA" still open at the end of the stream.
std::vector<size_t> FindFramingViolations(const CommandStream& stream);

// Offsets of downloads whose declared length is wrong: the payload runs past the end,
// bytes that start no command follow it, or it is not exactly one complete PNG file.
std::vector<size_t> FindBadDownloads(const CommandStream& stream);

// Offsets of recalls "^IMR:<name>.PNG" with no download of <name> earlier in the stream.
std::vector<size_t> FindRecallsWithoutDownload(const CommandStream& stream);

}  // namespace testing_support

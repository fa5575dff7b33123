// command_listing: prints a label command stream (the bytes a job sends to the printer)
// one command per line with its byte offset. A graphic download is shown as its header
// and a summary of its payload; --extract writes each PNG payload to a file.
//
//   command_listing [--extract DIR] <stream.prn> [listing.txt]
//
// Exit status: 0 for a well-formed stream, 1 when the stream is malformed (the listing
// then shows what could be read, followed by the errors), 2 for a usage or file error.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "support/stream_reader.h"

namespace {

using testing_support::CommandStream;
using testing_support::PngSummary;
using testing_support::StreamCommand;

int Usage() {
  std::cerr << "usage: command_listing [--extract DIR] <stream.prn> [listing.txt]\n";
  return 2;
}

// Printable ASCII as it is; every other byte, and the backslash, escaped.
std::string Printable(const std::string& bytes) {
  std::string text;
  for (unsigned char byte : bytes) {
    if (byte == '\\') {
      text += "\\\\";
    } else if (byte >= 0x20 && byte < 0x7F) {
      text += static_cast<char>(byte);
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      text += escaped;
    }
  }
  return text;
}

std::string ColourType(uint8_t type) {
  switch (type) {
    case 0: return "grey";
    case 2: return "RGB";
    case 3: return "palette";
    case 4: return "grey+alpha";
    case 6: return "RGBA";
    default: return "colour type " + std::to_string(type);
  }
}

std::string PayloadSummary(const StreamCommand& command) {
  std::string summary = "<" + std::to_string(command.payload.size()) + " bytes";
  if (command.payload.size() < command.declaredLength)
    summary += " of " + std::to_string(command.declaredLength) + " declared";
  const PngSummary png = testing_support::ReadPngSummary(command.payload);
  if (png.complete) {
    summary += " PNG " + std::to_string(png.width) + "x" + std::to_string(png.height) + " " +
               ColourType(png.colourType) + " " + std::to_string(png.bitDepth) + "-bit";
    if (png.length != command.payload.size()) summary += ", PNG ends at byte " + std::to_string(png.length);
  } else if (png.isPng) {
    summary += ", damaged PNG: " + png.problem;
  }
  return summary + ">";
}

// A file name for the n-th download: its order and the graphic name, reduced to safe characters.
std::string ExtractName(size_t order, const std::string& graphic) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%03zu_", order);
  std::string name = prefix;
  for (unsigned char c : graphic) {
    const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '_' || c == '.';
    name += safe ? static_cast<char>(c) : '_';
  }
  return name + ".png";
}

bool Extract(const CommandStream& stream, const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::cerr << "command_listing: cannot create " << folder << ": " << error.message() << "\n";
    return false;
  }
  size_t order = 0;
  for (const StreamCommand& command : stream.commands) {
    if (!command.download) continue;
    ++order;
    if (!testing_support::ReadPngSummary(command.payload).isPng) continue;
    const std::filesystem::path path = folder / ExtractName(order, command.name);
    std::ofstream file(path, std::ios::binary);
    file.write(command.payload.data(), static_cast<std::streamsize>(command.payload.size()));
    if (!file) {
      std::cerr << "command_listing: cannot write " << path << "\n";
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string extractFolder;
  std::string inputPath;
  std::string outputPath;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--extract") {
      if (++i == argc) return Usage();
      extractFolder = argv[i];
    } else if (!argument.empty() && argument[0] == '-' && argument != "-") {
      return Usage();
    } else if (inputPath.empty()) {
      inputPath = argument;
    } else if (outputPath.empty()) {
      outputPath = argument;
    } else {
      return Usage();
    }
  }
  if (inputPath.empty()) return Usage();

  std::ifstream input(inputPath, std::ios::binary);
  if (!input) {
    std::cerr << "command_listing: cannot read " << inputPath << "\n";
    return 2;
  }
  const std::string bytes((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
  const CommandStream stream = testing_support::ReadCommandStream(bytes);

  std::ostringstream listing;
  for (const StreamCommand& command : stream.commands) {
    char offset[24];
    std::snprintf(offset, sizeof offset, "%10zu  ", command.offset);
    listing << offset << Printable(command.text);
    if (command.download) listing << " " << PayloadSummary(command);
    listing << "\n";
  }

  // Faults in the bytes make the stream malformed; faults in its structure are warnings.
  std::ostringstream problems;
  for (const auto& error : stream.errors) problems << "error at byte " << error.offset << ": " << error.message << "\n";
  const auto badDownloads = testing_support::FindBadDownloads(stream);
  for (size_t offset : badDownloads)
    problems << "error at byte " << offset << ": download payload is not exactly one PNG file of the declared length\n";
  for (size_t offset : testing_support::FindFramingViolations(stream))
    problems << "warning at byte " << offset << ": format framing (^XA ... ^XZ) broken\n";
  for (size_t offset : testing_support::FindRecallsWithoutDownload(stream))
    problems << "warning at byte " << offset << ": recall of a graphic not downloaded before\n";
  listing << problems.str();

  if (outputPath.empty()) {
    std::cout << listing.str();
  } else {
    std::ofstream output(outputPath, std::ios::binary);
    output << listing.str();
    if (!output) {
      std::cerr << "command_listing: cannot write " << outputPath << "\n";
      return 2;
    }
    std::cerr << problems.str();
  }
  if (!extractFolder.empty() && !Extract(stream, extractFolder)) return 2;
  return stream.ok() && badDownloads.empty() ? 0 : 1;
}

// label_inspect list job.prn [--extract DIR]: the stream one command a line with its byte
// offset; a graphic download as its header and a summary of its payload. --extract
// writes each PNG payload to DIR. The stream is read piece by piece, so any size works.
// Exit 1 when the bytes cannot all be read as commands (the errors are listed where
// they occur).
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "inspect_io.h"
#include "stream/command_stream.h"
#include "stream/png_summary.h"
#include "subcommands.h"

namespace label_inspect {
namespace {

using label_stream::Command;

std::string PayloadSummary(const Command& command) {
  std::string summary = "<" + std::to_string(command.payload.size()) + " bytes";
  if (command.payload.size() < command.declaredLength)
    summary += " of " + std::to_string(command.declaredLength) + " declared";
  const label_stream::PngSummary png = label_stream::ReadPngSummary(command.payload);
  if (png.complete) {
    summary += " PNG " + std::to_string(png.width) + "x" + std::to_string(png.height) + " " +
               label_stream::ColourTypeName(png.colourType) + " " + std::to_string(png.bitDepth) + "-bit";
    if (png.length != command.payload.size()) summary += ", PNG ends at byte " + std::to_string(png.length);
  } else if (png.isPng) {
    summary += ", damaged PNG: " + png.problem;
  }
  return summary + ">";
}

// A file name for the n-th download: its order and the graphic name, reduced to safe characters.
std::string ExtractName(size_t order, const std::string& graphic) {
  char prefix[24];
  std::snprintf(prefix, sizeof prefix, "%03zu_", order);
  std::string name = prefix;
  for (unsigned char c : graphic) {
    const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '_' || c == '.';
    name += safe ? static_cast<char>(c) : '_';
  }
  return name + ".png";
}

bool Extract(const Command& command, size_t order, const std::filesystem::path& folder) {
  if (!label_stream::ReadPngSummary(command.payload).isPng) return true;
  const std::filesystem::path path = folder / ExtractName(order, command.name);
  std::ofstream file(path, std::ios::binary);
  file.write(command.payload.data(), static_cast<std::streamsize>(command.payload.size()));
  if (!file) Complain("cannot write " + path.string());
  return static_cast<bool>(file);
}

}  // namespace

int RunList(const Arguments& arguments) {
  std::string inputPath;
  std::string extractFolder;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--extract" && i + 1 < arguments.size()) {
      extractFolder = arguments[++i];
    } else if (inputPath.empty() && !arguments[i].empty() && arguments[i][0] != '-') {
      inputPath = arguments[i];
    } else {
      return Usage("list");
    }
  }
  if (inputPath.empty()) return Usage("list");
  const File file = OpenStream(inputPath);
  if (!file) return kExitUsage;
  if (!extractFolder.empty()) {
    std::error_code error;
    std::filesystem::create_directories(extractFolder, error);
    if (error) {
      Complain("cannot create " + extractFolder + ": " + error.message());
      return kExitUsage;
    }
  }

  label_stream::FileSource source(file.get());
  label_stream::CommandReader reader(source);
  Command command;
  size_t downloads = 0;
  bool malformed = false;
  // Errors before the command (stray bytes) come before its line, those about it after.
  auto listErrors = [&](const std::vector<label_stream::StreamError>& errors, bool before, uint64_t offset) {
    for (const label_stream::StreamError& error : errors) {
      if ((error.offset < offset) != before) continue;
      std::cout << "error at byte " << error.offset << ": " << error.message << "\n";
      malformed = true;
    }
  };
  while (reader.Next(command)) {
    const auto errors = reader.TakeErrors();
    listErrors(errors, true, command.offset);
    char offset[32];
    std::snprintf(offset, sizeof offset, "%10" PRIu64 "  ", command.offset);
    std::cout << offset << label_stream::Printable(command.text);
    if (command.Truncated()) std::cout << " <" << command.size << " bytes, the first " << command.text.size() << " shown>";
    if (command.download) std::cout << " " << PayloadSummary(command);
    std::cout << "\n";
    listErrors(errors, false, command.offset);
    if (command.download && !extractFolder.empty() && !Extract(command, ++downloads, extractFolder)) return kExitUsage;
  }
  listErrors(reader.TakeErrors(), false, 0);
  std::cout.flush();
  if (!std::cout) {
    Complain("cannot write the listing");
    return kExitUsage;
  }
  return malformed ? 1 : 0;
}

}  // namespace label_inspect

#include "render_commands.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>

#include "label_renderer.h"
#include "report_page.h"

namespace label_inspect {
namespace {

namespace fs = std::filesystem;

struct Arguments {
  std::string input, out;
};

bool ParseArguments(const std::vector<std::string>& arguments, const char* name, Arguments& parsed) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--out" && i + 1 < arguments.size()) {
      parsed.out = arguments[++i];
    } else if (parsed.input.empty() && !arguments[i].empty() && arguments[i][0] != '-') {
      parsed.input = arguments[i];
    } else {
      parsed.input.clear();
      break;
    }
  }
  if (parsed.input.empty() || parsed.out.empty()) {
    std::cerr << "usage: label_inspect " << name << " job.prn --out DIR\n";
    return false;
  }
  return true;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

// The font for text fields: $ZOV_LABEL_FONT when set, else DejaVu Sans.
std::unique_ptr<Font> OpenFont() {
  const char* path = std::getenv("ZOV_LABEL_FONT");
  std::string error;
  std::unique_ptr<Font> font = Font::Open(path != nullptr ? path : "", error);
  if (font == nullptr) std::cerr << "label_inspect: " << error << "\n";
  return font;
}

std::string PreviewName(const FormatPreview& format) {
  char name[48];
  std::snprintf(name, sizeof name, "label_%03zu_at_%zu.png", format.order, format.offset);
  return name;
}

// Reads the stream and opens the font and the output folder; false after saying why.
struct Job {
  std::string bytes;
  StreamCommands stream;
  std::unique_ptr<Font> font;
};
bool Prepare(const Arguments& arguments, const fs::path& folder, Job& job) {
  if (!ReadFile(arguments.input, job.bytes)) {
    std::cerr << "label_inspect: cannot read " << arguments.input << "\n";
    return false;
  }
  job.font = OpenFont();
  if (job.font == nullptr) return false;
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) {
    std::cerr << "label_inspect: cannot create " << folder << ": " << error.message() << "\n";
    return false;
  }
  job.stream = ReadStream(job.bytes);
  return true;
}

void PrintUndrawn(const std::vector<Undrawn>& undrawn) {
  for (const Undrawn& item : undrawn)
    std::cout << "  not drawn at byte " << item.offset << ": " << item.command << ": " << item.reason << "\n";
}

}  // namespace

int RenderCommand(const std::vector<std::string>& arguments) {
  Arguments parsed;
  if (!ParseArguments(arguments, "render", parsed)) return 2;
  Job job;
  const fs::path folder = parsed.out;
  if (!Prepare(parsed, folder, job)) return 2;
  bool written = true;
  const JobSummary summary = RenderStream(job.stream, job.font.get(), [&](const FormatPreview& format) {
    if (!format.printed) return;
    std::vector<uint8_t> png;
    const fs::path path = folder / PreviewName(format);
    if (!format.canvas->EncodePng(png) || !WriteFile(path, png)) {
      std::cerr << "label_inspect: cannot write " << path << "\n";
      written = false;
      return;
    }
    std::cout << path.string() << ": format " << format.order << " at byte " << format.offset << ", "
              << format.canvas->width() << " x " << format.canvas->height() << " at " << format.geometry.dpi
              << " dpi\n";
    PrintUndrawn(format.undrawn);
  });
  PrintUndrawn(summary.outside);
  if (summary.geometry.clamped) std::cout << "label size clamped to the largest label, 2646 x 14173 dots at 600 dpi\n";
  std::cout << summary.printed << " printed of " << summary.formats << " formats\n";
  return written ? 0 : 2;
}

int ReportCommand(const std::vector<std::string>& arguments) {
  Arguments parsed;
  if (!ParseArguments(arguments, "report", parsed)) return 2;
  Job job;
  const fs::path folder = parsed.out;
  if (!Prepare(parsed, folder, job)) return 2;
  const fs::path files = folder / "report_files";
  std::error_code error;
  fs::remove_all(files, error);
  fs::create_directories(files, error);
  ReportPage page(fs::path(parsed.input).filename().string(), job.bytes.size(), job.stream, files, "report_files");
  bool written = !error;
  const JobSummary summary = RenderStream(job.stream, job.font.get(), [&](const FormatPreview& format) {
    std::string preview;
    if (format.printed || format.savesBase) {
      std::vector<uint8_t> png;
      preview = PreviewName(format);
      written = written && format.canvas->EncodePng(png) && WriteFile(files / preview, png);
    }
    page.AddFormat(format, preview);
  });
  written = written && page.thumbnailsWritten();
  const fs::path html = folder / "report.html";
  std::ofstream file(html, std::ios::binary);
  file << page.Html(summary);
  if (!written || !file) {
    std::cerr << "label_inspect: cannot write the report in " << folder << "\n";
    return 2;
  }
  std::cout << html.string() << "\n";
  return 0;
}

}  // namespace label_inspect

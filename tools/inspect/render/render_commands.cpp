// label_inspect render and report: the stream is read piece by piece (CommandReader), so
// memory holds the page, the stored base and the latest download of each graphic name,
// whatever the size of the file.
//
//   render job.prn --out DIR   one PNG per printed format, DIR/label_<order>_at_<offset>.png
//   report job.prn --out DIR [--open]   DIR/report.html, its previews and thumbnails in
//                                        DIR/report_files/; --open shows it in the browser
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "common/host_system.h"
#include "inspect_io.h"
#include "label_renderer.h"
#include "report_page.h"
#include "settings_words.h"
#include "stream/command_stream.h"
#include "stream/stream_checker.h"
#include "subcommands.h"

namespace label_inspect {
namespace {

namespace fs = std::filesystem;

// "job.prn --out DIR" in any order, and "--open" where `open` is given.
bool ParseArguments(const Arguments& arguments, std::string& input, std::string& out, bool* open = nullptr) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--out" && i + 1 < arguments.size() && out.empty()) {
      out = arguments[++i];
    } else if (arguments[i] == "--open" && open != nullptr) {
      *open = true;
    } else if (input.empty() && !arguments[i].empty() && arguments[i][0] != '-') {
      input = arguments[i];
    } else {
      return false;
    }
  }
  return !input.empty() && !out.empty();
}

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

bool WritePreview(const fs::path& path, const FormatPreview& format) {
  std::vector<uint8_t> png;
  if (format.canvas->EncodePng(png) && WriteFile(path, png)) return true;
  Complain("cannot write " + path.string());
  return false;
}

std::string PreviewName(const FormatPreview& format) {
  char name[64];
  std::snprintf(name, sizeof name, "label_%03zu_at_%llu.png", format.order,
                static_cast<unsigned long long>(format.offset));
  return name;
}

// Everything a subcommand needs before it reads: the file, the fonts (from fonts/ beside
// the program as the release lays them out, else from their Debian packages;
// ZOV_LABEL_FONT replaces the main font) and the output folder. Null after saying what is
// missing.
struct Job {
  File file;
  std::unique_ptr<Font> font;
};
std::unique_ptr<Job> Prepare(const std::string& input, const fs::path& folder) {
  auto job = std::make_unique<Job>();
  job->file = OpenStream(input);
  if (!job->file) return nullptr;
  std::string error;
  const char* fontPath = std::getenv("ZOV_LABEL_FONT");
  job->font = Font::Open(fontPath != nullptr ? fontPath : "", error, host_system::ProgramFolder() / "fonts");
  if (job->font == nullptr) {
    Complain(error);
    return nullptr;
  }
  std::error_code created;
  fs::create_directories(folder, created);
  if (created) {
    Complain("cannot create " + folder.string() + ": " + created.message());
    return nullptr;
  }
  return job;
}

// Feeds every command of the file to `take`; false after saying so when the file could
// not be read to its end.
template <class Take>
bool ReadAll(Job& job, const std::string& input, Take&& take) {
  label_stream::FileSource source(job.file.get());
  label_stream::CommandReader reader(source);
  label_stream::Command command;
  while (reader.Next(command)) take(command, reader.TakeErrors());
  take.Finish(reader.TakeErrors(), reader.Position());
  if (source.Failure().empty()) return true;
  Complain("cannot read " + input + " to its end: " + source.Failure());
  return false;
}

void PrintUndrawn(const std::vector<Undrawn>& undrawn) {
  for (const Undrawn& item : undrawn)
    std::cout << "  byte " << item.offset << ": " << item.command << ": " << item.reason << "\n";
}

}  // namespace

int RunRender(const Arguments& arguments) {
  std::string input, out;
  if (!ParseArguments(arguments, input, out)) return Usage("render");
  const fs::path folder = out;
  const std::unique_ptr<Job> job = Prepare(input, folder);
  if (!job) return kExitUsage;

  bool written = true;
  LabelRenderer renderer(job->font.get(), [&](const FormatPreview& format) {
    if (!format.printed) return;
    const fs::path path = folder / PreviewName(format);
    written = WritePreview(path, format) && written;
    std::cout << path.string() << ": format " << format.order << " at byte " << format.offset << ", "
              << format.canvas->width() << " x " << format.canvas->height() << " at " << format.geometry.dpi
              << " dpi\n";
    PrintUndrawn(format.undrawn);
  });
  struct Take {
    LabelRenderer& renderer;
    void operator()(const label_stream::Command& command, const std::vector<label_stream::StreamError>&) {
      renderer.Add(command);
    }
    void Finish(const std::vector<label_stream::StreamError>&, uint64_t) {}
  };
  if (!ReadAll(*job, input, Take{renderer})) return kExitUsage;
  const JobSummary summary = renderer.Finish();
  PrintUndrawn(summary.outside);
  if (summary.geometry.clamped) std::cout << "label size clamped to the largest label, 2646 x 14173 dots at 600 dpi\n";
  std::cout << "render: " << summary.printed << " printed of " << summary.formats << " formats\n";
  return written ? 0 : kExitUsage;
}

int RunReport(const Arguments& arguments) {
  std::string input, out;
  bool open = false;
  if (!ParseArguments(arguments, input, out, &open)) return Usage("report");
  const fs::path folder = out;
  const std::unique_ptr<Job> job = Prepare(input, folder);
  if (!job) return kExitUsage;
  const fs::path files = folder / "report_files";
  std::error_code error;
  fs::remove_all(files, error);
  fs::create_directories(files, error);
  if (error) {
    Complain("cannot create " + files.string() + ": " + error.message());
    return kExitUsage;
  }

  ReportPage page(fs::path(input).filename().string(), files, "report_files");
  bool written = true;
  LabelRenderer renderer(job->font.get(), [&](const FormatPreview& format) {
    std::string preview;
    if (format.printed || format.savesBase) {
      preview = PreviewName(format);
      written = WritePreview(files / preview, format) && written;
    }
    page.AddFormat(format, preview);
  });
  label_stream::StreamChecker checker([&](const label_stream::Problem& problem) { page.AddProblem(problem); });
  SettingsReader settings;
  struct Take {
    LabelRenderer& renderer;
    label_stream::StreamChecker& checker;
    SettingsReader& settings;
    ReportPage& page;
    uint64_t bytes = 0;
    void operator()(const label_stream::Command& command, const std::vector<label_stream::StreamError>& errors) {
      checker.Add(command.View(), errors);
      settings.Add(command);
      page.AddCommand(command);
      renderer.Add(command);
    }
    void Finish(const std::vector<label_stream::StreamError>& errors, uint64_t position) {
      checker.Finish(errors);
      bytes = position;
    }
  } take{renderer, checker, settings, page};
  if (!ReadAll(*job, input, take)) return kExitUsage;
  const JobSummary summary = renderer.Finish();

  const fs::path html = folder / "report.html";
  std::ofstream file(html, std::ios::binary);
  file << page.Html(take.bytes, summary, settings.Finish());
  if (!written || !page.thumbnailsWritten() || !file) {
    Complain("cannot write the report in " + folder.string());
    return kExitUsage;
  }
  std::cout << html.string() << "\n";
  if (open && !host_system::OpenWithDefaultProgram(html)) Complain("the report could not be opened in a browser");
  return 0;
}

}  // namespace label_inspect

// label_inspect render and report: the stream is read piece by piece (CommandReader), so
// memory holds the page, the stored base and the latest download of each graphic name,
// whatever the size of the file.
//
//   render job.prn --out DIR   one PNG per printed format, DIR/label_<order>_at_<offset>.png
//   report job.prn --out DIR   DIR/report.html, its previews and thumbnails in DIR/report_files/
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "inspect_io.h"
#include "job_report.h"
#include "label_renderer.h"
#include "report_page.h"
#include "settings_words.h"
#include "stream/command_stream.h"
#include "stream/stream_checker.h"
#include "subcommands.h"

namespace label_inspect {
namespace {

namespace fs = std::filesystem;

// "job.prn --out DIR" in either order.
bool ParseArguments(const Arguments& arguments, std::string& input, std::string& out) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--out" && i + 1 < arguments.size() && out.empty()) {
      out = arguments[++i];
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
  return format.canvas->EncodePng(png) && WriteFile(path, png);
}

std::string PreviewName(const FormatPreview& format) {
  char name[64];
  std::snprintf(name, sizeof name, "label_%03zu_at_%llu.png", format.order,
                static_cast<unsigned long long>(format.offset));
  return name;
}

}  // namespace

std::shared_ptr<Font> OpenReportFont(std::string& error) {
  const char* fontPath = std::getenv("ZOV_LABEL_FONT");
  return Font::Open(fontPath != nullptr ? fontPath : "", error);
}

namespace {

// Everything a subcommand needs before it reads: the file, the font (ZOV_LABEL_FONT, or
// DejaVu Sans) and the output folder. Null after saying what is missing.
struct Job {
  File file;
  std::shared_ptr<Font> font;
};
std::unique_ptr<Job> Prepare(const std::string& input, const fs::path& folder) {
  auto job = std::make_unique<Job>();
  job->file = OpenStream(input);
  if (!job->file) return nullptr;
  std::string error;
  job->font = OpenReportFont(error);
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

// Feeds every command of the file to `take`; false and `error` when the file could not be
// read to its end.
template <class Take>
bool ReadAll(std::FILE* file, const std::string& input, Take&& take, std::string& error) {
  label_stream::FileSource source(file);
  label_stream::CommandReader reader(source);
  label_stream::Command command;
  while (reader.Next(command)) take(command, reader.TakeErrors());
  take.Finish(reader.TakeErrors(), reader.Position());
  if (source.Failure().empty()) return true;
  error = "cannot read " + input + " to its end: " + source.Failure();
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
    if (!WritePreview(path, format)) {
      Complain("cannot write " + path.string());
      written = false;
    }
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
  std::string error;
  if (!ReadAll(job->file.get(), input, Take{renderer}, error)) {
    Complain(error);
    return kExitUsage;
  }
  const JobSummary summary = renderer.Finish();
  PrintUndrawn(summary.outside);
  if (summary.geometry.clamped) std::cout << "label size clamped to the largest label, 2646 x 14173 dots at 600 dpi\n";
  std::cout << "render: " << summary.printed << " printed of " << summary.formats << " formats\n";
  return written ? 0 : kExitUsage;
}

namespace {

// The report of the stream open in `file` (named `input`), written into `folder`.
bool WriteReport(std::FILE* file, const fs::path& input, const fs::path& folder, Font* font,
                 ReportSummary& summary, std::string& error) {
  const fs::path files = folder / "report_files";
  std::error_code failure;
  fs::remove_all(files, failure);
  fs::create_directories(files, failure);
  if (failure) {
    error = "cannot create " + files.string() + ": " + failure.message();
    return false;
  }

  ReportPage page(input.filename().string(), files, "report_files");
  std::string unwritten;
  LabelRenderer renderer(font, [&](const FormatPreview& format) {
    std::string preview;
    if (format.printed || format.savesBase) {
      preview = PreviewName(format);
      if (!WritePreview(files / preview, format) && unwritten.empty()) unwritten = (files / preview).string();
    }
    if (format.printed && summary.firstPreview.empty()) summary.firstPreview = "report_files/" + preview;
    if (format.printed) summary.labels += format.closing.hasQuantity ? format.closing.quantity : 1;
    page.AddFormat(format, preview);
  });
  label_stream::StreamChecker checker([&](const label_stream::Problem& problem) {
    ++(problem.severity == label_stream::Severity::kError ? summary.errors : summary.warnings);
    if (summary.firstProblem.empty()) summary.firstProblem = label_stream::FormatProblem(problem);
    page.AddProblem(problem);
  });
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
  if (!ReadAll(file, input.string(), take, error)) return false;
  const JobSummary rendered = renderer.Finish();
  summary.bytes = take.bytes;
  summary.formats = rendered.formats;
  summary.printed = rendered.printed;

  const fs::path html = folder / "report.html";
  std::ofstream page_file(html, std::ios::binary);
  page_file << page.Html(take.bytes, rendered, settings.Finish());
  page_file.close();
  if (!unwritten.empty()) error = "cannot write " + unwritten;
  if (!page.thumbnailsWritten()) error = "cannot write the thumbnails in " + files.string();
  if (!page_file) error = "cannot write " + html.string();
  return error.empty();
}

}  // namespace

bool WriteJobReport(const fs::path& input, const fs::path& folder, Font* font, ReportSummary& summary,
                    std::string& error) {
  const File file(std::fopen(input.string().c_str(), "rb"));
  if (!file) {
    error = "cannot read " + input.string() + ": " + std::strerror(errno);
    return false;
  }
  std::error_code created;
  fs::create_directories(folder, created);
  if (created) {
    error = "cannot create " + folder.string() + ": " + created.message();
    return false;
  }
  return WriteReport(file.get(), input, folder, font, summary, error);
}

int RunReport(const Arguments& arguments) {
  std::string input, out;
  if (!ParseArguments(arguments, input, out)) return Usage("report");
  const fs::path folder = out;
  const std::unique_ptr<Job> job = Prepare(input, folder);
  if (!job) return kExitUsage;
  ReportSummary summary;
  std::string error;
  if (!WriteReport(job->file.get(), input, folder, job->font.get(), summary, error)) {
    Complain(error);
    return kExitUsage;
  }
  std::cout << (folder / "report.html").string() << "\n";
  return 0;
}

}  // namespace label_inspect

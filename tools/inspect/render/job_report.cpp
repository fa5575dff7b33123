#include "job_report.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "common/host_system.h"
#include "label_renderer.h"
#include "report_page.h"
#include "settings_words.h"
#include "stream/stream_checker.h"
#include "text_raster.h"

namespace label_inspect {

namespace fs = std::filesystem;

namespace {

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace

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

std::shared_ptr<Font> OpenReportFont(std::string& error) {
  const char* fontPath = std::getenv("ZOV_LABEL_FONT");
  return Font::Open(fontPath != nullptr ? fontPath : "", error, host_system::ProgramFolder() / "fonts");
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
    const bool error = problem.severity == label_stream::Severity::kError;
    if (summary.firstProblem.empty() || (error && summary.errors == 0))
      summary.firstProblem = label_stream::FormatProblem(problem);
    ++(error ? summary.errors : summary.warnings);
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
  if (!ReadCommands(file, input.string(), take, error)) return false;
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
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(input.string().c_str(), "rb"), std::fclose);
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

}  // namespace label_inspect

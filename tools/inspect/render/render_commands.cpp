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
#include "job_report.h"
#include "label_renderer.h"
#include "stream/command_stream.h"
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

// Everything a subcommand needs before it reads: the file, the fonts (OpenReportFont) and
// the output folder. Null after saying what is missing.
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
  if (!ReadCommands(job->file.get(), input, Take{renderer}, error)) {
    Complain(error);
    return kExitUsage;
  }
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
  std::string error;
  const std::shared_ptr<Font> font = OpenReportFont(error);
  ReportSummary summary;
  if (font == nullptr || !WriteJobReport(input, folder, font.get(), summary, error)) {
    Complain(error);
    return kExitUsage;
  }
  const fs::path html = folder / "report.html";
  std::cout << html.string() << "\n";
  if (open && !host_system::OpenWithDefaultProgram(html)) Complain("the report could not be opened in a browser");
  return 0;
}

}  // namespace label_inspect

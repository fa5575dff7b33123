// The job report as a function: what `label_inspect report` writes, for other callers
// (the virtual printer writes one per job it receives).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace label_inspect {

class Font;

// What a report found, for a line or a table row about the job.
struct ReportSummary {
  uint64_t bytes = 0;
  size_t formats = 0, printed = 0;
  uint64_t labels = 0;       // printed formats times their quantity (1 when none is set)
  size_t errors = 0, warnings = 0;
  std::string firstProblem;  // as `check` prints it; empty when there is none
  std::string firstPreview;  // the first printed label, relative to the folder; empty when none
};

// The font of the previews: ZOV_LABEL_FONT, or DejaVu Sans. Null and `error` when it is
// missing; null with no error in a build without text rendering.
std::shared_ptr<Font> OpenReportFont(std::string& error);

// Writes folder/report.html with its previews and thumbnails in folder/report_files/ for
// the stream in `input` (title: its file name). `font` may be null (text is then listed
// as undrawn). False and `error` when the stream cannot be read or a file not written.
bool WriteJobReport(const std::filesystem::path& input, const std::filesystem::path& folder, Font* font,
                    ReportSummary& summary, std::string& error);

}  // namespace label_inspect

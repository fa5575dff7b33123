// The job report: one HTML page that works offline (nothing loaded from outside, the
// previews and downloaded graphics as files beside it), readable on a phone and a desktop.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "label_renderer.h"
#include "settings_words.h"
#include "stream/stream_checker.h"

namespace label_inspect {

// Built while the stream is read: every command (AddCommand, before the renderer sees
// it), every finished format, the checker's problems; the page is put together at the end.
class ReportPage {
 public:
  // `files` is the folder beside the page (named `filesLink` from the page) that
  // receives every download that decodes, shown as a thumbnail.
  ReportPage(std::string title, std::filesystem::path files, std::string filesLink);

  void AddCommand(const label_stream::Command& command);
  void AddProblem(const label_stream::Problem& problem);
  // One format with its preview file name inside the files folder (empty: none).
  void AddFormat(const FormatPreview& format, const std::string& preview);
  // False when a thumbnail could not be written.
  bool thumbnailsWritten() const { return thumbnailsWritten_; }
  std::string Html(uint64_t streamBytes, const JobSummary& summary, const std::vector<JobSettings>& jobs) const;

 private:
  struct Line {
    size_t index;
    std::string html;
  };
  std::string TakeLines(size_t end);  // the pending lines of commands before `end`

  std::string title_;
  std::filesystem::path files_;
  std::string filesLink_;
  std::vector<label_stream::Problem> problems_;
  uint64_t moreProblems_ = 0;
  std::vector<Line> pending_;  // lines of commands not yet placed in a format
  size_t commands_ = 0;
  uint64_t skipped_ = 0;       // lines left out of the pending ones beyond the limit
  std::string formatsHtml_;
  std::string outsideHtml_;
  size_t downloads_ = 0;
  bool thumbnailsWritten_ = true;
};

// Text with &, <, >, " and ' escaped for HTML.
std::string HtmlText(std::string_view text);

}  // namespace label_inspect

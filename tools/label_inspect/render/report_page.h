// The job report: one HTML page that works offline (nothing loaded from outside, the
// previews and downloaded graphics as files beside it), readable on a phone and a desktop.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "label_renderer.h"

namespace label_inspect {

struct Finding {
  std::string severity;  // "error" or "warning"
  std::string line;      // "offset: command: what is wrong"
};

class ReportPage {
 public:
  // `files` is the folder beside the page (its name relative to the page: `filesLink`)
  // that receives every download that decodes, as a thumbnail.
  ReportPage(std::string title, size_t streamBytes, const StreamCommands& stream, std::filesystem::path files,
             std::string filesLink);

  void SetFindings(std::vector<Finding> findings) { findings_ = std::move(findings); }
  // One format with its preview file name inside the files folder (empty: none).
  void AddFormat(const FormatPreview& format, const std::string& preview);
  // The whole page; false when a thumbnail could not be written.
  bool thumbnailsWritten() const { return thumbnailsWritten_; }
  std::string Html(const JobSummary& summary) const;

 private:
  std::string CommandLines(size_t first, size_t end);

  std::string title_;
  size_t streamBytes_;
  const StreamCommands& stream_;
  std::filesystem::path files_;
  std::string filesLink_;
  std::vector<Finding> findings_;
  std::string formatsHtml_;
  size_t covered_ = 0;  // commands before this index are shown
  std::string outsideHtml_;
  size_t downloads_ = 0;
  bool thumbnailsWritten_ = true;
};

// Text with &, <, >, " and ' escaped for HTML.
std::string HtmlText(std::string_view text);

}  // namespace label_inspect

#include "report_page.h"

#include <cstdio>
#include <fstream>

#include "settings_words.h"

namespace label_inspect {
namespace {

constexpr const char* kStyle = R"(
:root { color-scheme: light; }
body { font-family: system-ui, -apple-system, "Segoe UI", sans-serif; margin: 0 auto; padding: 0.75rem;
       max-width: 1400px; color: #1d1d1d; background: #f4f4f2; line-height: 1.4; }
h1 { font-size: 1.4rem; margin: 0.2rem 0; word-break: break-all; }
h2 { font-size: 1.15rem; margin: 1.2rem 0 0.4rem; }
h3 { font-size: 1rem; margin: 0 0 0.5rem; }
section, article { background: #fff; border-radius: 6px; padding: 0.75rem; margin: 0.75rem 0;
                   box-shadow: 0 1px 2px rgba(0,0,0,.12); }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; vertical-align: top; padding: 0.25rem 0.5rem; border-bottom: 1px solid #e3e3e3; }
th { width: 30%; font-weight: 600; }
.pair { display: flex; flex-wrap: wrap; gap: 1rem; }
.preview { flex: 1 1 340px; min-width: 0; margin: 0; }
.preview img { display: block; max-width: 100%; height: auto; border: 1px solid #888; background: #fff; }
.commands { flex: 1 1 340px; min-width: 0; }
.lines { font-family: ui-monospace, Menlo, Consolas, monospace; font-size: 0.8rem; max-height: 26rem; overflow: auto;
         background: #fafafa; border: 1px solid #ddd; padding: 0.3rem; }
.lines div { white-space: pre-wrap; word-break: normal; overflow-wrap: normal; }
.offset { color: #777; display: inline-block; min-width: 6ch; text-align: right; margin-right: 1ch; }
img.thumb { max-height: 3rem; max-width: 8rem; vertical-align: middle; border: 1px solid #bbb; background: #fff; }
.error { color: #a40000; } .warning { color: #8a5a00; } .ok { color: #1d6b1d; }
.facts { margin: 0 0 0.5rem; padding-left: 1.2rem; }
)";

// Lines of one format shown at most; a broken stream can hold millions of commands.
constexpr size_t kMaxLines = 2000;
constexpr size_t kMaxProblems = 1000;

std::string SafeName(std::string_view name) {
  std::string safe;
  for (unsigned char c : name.substr(0, 40))
    safe += (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ? static_cast<char>(c) : '_';
  return safe;
}

std::string ClosingFacts(const FormatPreview& format) {
  std::string facts;
  const Closing& closing = format.closing;
  if (closing.hasQuantity) {
    facts += "<li>Quantity " + std::to_string(closing.quantity) + ", " +
             (closing.cutEvery == 0 ? std::string("no cut") : "cut every " + std::to_string(closing.cutEvery) + " label(s)") +
             (closing.pauseAtCut && closing.cutEvery != 0 ? ", pause at cut" : "") + "</li>";
  } else if (format.printed) {
    facts += "<li>No quantity command</li>";
  }
  if (closing.beepSet) facts += std::string("<li>Beep: ") + (closing.beep ? "yes" : "no") + "</li>";
  if (format.loadsBase) facts += "<li>Loads the stored base beneath its content</li>";
  if (format.savesBase) facts += "<li>Stored as the base (not printed by itself)</li>";
  if (format.discardsBase) facts += "<li>Discards the stored base</li>";
  if (format.endedByStream) facts += "<li class=\"warning\">Not ended by ^XZ</li>";
  for (const Undrawn& item : format.undrawn)
    facts += "<li class=\"warning\">Not drawn, byte " + std::to_string(item.offset) + ": <code>" +
             HtmlText(item.command) + "</code>: " + HtmlText(item.reason) + "</li>";
  return facts.empty() ? "" : "<ul class=\"facts\">" + facts + "</ul>";
}

}  // namespace

std::string HtmlText(std::string_view text) {
  std::string html;
  for (char c : text) {
    switch (c) {
      case '&': html += "&amp;"; break;
      case '<': html += "&lt;"; break;
      case '>': html += "&gt;"; break;
      case '"': html += "&quot;"; break;
      case '\'': html += "&#39;"; break;
      default: html += c;
    }
  }
  return html;
}

ReportPage::ReportPage(std::string title, std::filesystem::path files, std::string filesLink)
    : title_(std::move(title)), files_(std::move(files)), filesLink_(std::move(filesLink)) {}

void ReportPage::AddProblem(const label_stream::Problem& problem) {
  if (problems_.size() < kMaxProblems) problems_.push_back(problem);
  else ++moreProblems_;
}

void ReportPage::AddCommand(const label_stream::Command& command) {
  const size_t index = commands_++;
  if (pending_.size() >= kMaxLines) {
    ++skipped_;
    return;
  }
  std::string html = "<div><span class=\"offset\">" + std::to_string(command.offset) + "</span>" +
                     HtmlText(label_stream::Printable(std::string_view(command.text).substr(0, 400)));
  if (command.download) {
    html += " &lt;" + std::to_string(command.payload.size()) + " bytes";
    Image image;
    std::string problem;
    if (DecodePng(command.payload, kMaxLabelWidth600, kMaxLabelLength600, image, problem)) {
      char name[80];
      std::snprintf(name, sizeof name, "download_%03zu_%s.png", ++downloads_, SafeName(command.name).c_str());
      std::ofstream file(files_ / name, std::ios::binary);
      file.write(command.payload.data(), static_cast<std::streamsize>(command.payload.size()));
      thumbnailsWritten_ = thumbnailsWritten_ && static_cast<bool>(file);
      html += ", PNG " + std::to_string(image.width) + " x " + std::to_string(image.height) +
              "&gt; <img class=\"thumb\" src=\"" + filesLink_ + "/" + name + "\" alt=\"download " +
              HtmlText(command.name) + "\">";
    } else {
      html += "&gt; <span class=\"warning\">" + HtmlText(problem) + "</span>";
    }
  }
  pending_.push_back({index, html + "</div>\n"});
}

std::string ReportPage::TakeLines(size_t end) {
  std::string html;
  size_t taken = 0;
  while (taken < pending_.size() && pending_[taken].index < end) html += pending_[taken++].html;
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(taken));
  if (skipped_ > 0 && pending_.empty()) {
    html += "<div>... " + std::to_string(skipped_) + " more commands not shown</div>\n";
    skipped_ = 0;
  }
  return html;
}

void ReportPage::AddFormat(const FormatPreview& format, const std::string& preview) {
  outsideHtml_ += TakeLines(format.firstCommand);
  std::string& html = formatsHtml_;
  const std::string state = format.savesBase ? "stored base" : format.printed ? "printed" : "prints nothing";
  html += "<article id=\"format-" + std::to_string(format.order) + "\"><h3>Format " + std::to_string(format.order) +
          " at byte " + std::to_string(format.offset) + ": " + state + "</h3>\n<div class=\"pair\">";
  if (!preview.empty() && format.canvas != nullptr) {
    const std::string file = filesLink_ + "/" + preview;
    html += "<figure class=\"preview\"><a href=\"" + file + "\"><img src=\"" + file + "\" width=\"" +
            std::to_string(format.canvas->width()) + "\" height=\"" + std::to_string(format.canvas->height()) +
            "\" alt=\"preview of format " + std::to_string(format.order) + "\"></a><figcaption>" +
            std::to_string(format.canvas->width()) + " x " + std::to_string(format.canvas->height()) + " dots at " +
            std::to_string(format.geometry.dpi) + " dpi, <a href=\"" + file + "\">full size</a></figcaption></figure>";
  }
  html += "<div class=\"commands\">" + ClosingFacts(format) + "<div class=\"lines\">\n" +
          TakeLines(format.endCommand) + "</div></div></div></article>\n";
}

std::string ReportPage::Html(uint64_t streamBytes, const JobSummary& summary, const std::vector<JobSettings>& jobs) const {
  std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                     "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>Job report: " +
                     HtmlText(title_) + "</title>\n<style>" + kStyle + "</style></head><body>\n";
  html += "<h1>" + HtmlText(title_) + "</h1>\n<p>" + std::to_string(streamBytes) + " bytes, " +
          std::to_string(summary.formats) + " formats, " + std::to_string(summary.printed) +
          " printed. Clock fields show the sample time 17 Apr 2015 16:45:06.</p>\n";

  size_t errors = 0;
  for (const label_stream::Problem& problem : problems_) errors += problem.severity == label_stream::Severity::kError;
  html += "<section id=\"check\"><h2>Check</h2>";
  if (problems_.empty()) {
    html += "<p class=\"ok\">No problem found.</p>";
  } else {
    html += "<p>" + std::to_string(errors) + " error(s), " + std::to_string(problems_.size() - errors) +
            " warning(s)" + (moreProblems_ > 0 ? ", and " + std::to_string(moreProblems_) + " more not shown" : "") +
            "</p><ul>";
    for (const label_stream::Problem& problem : problems_)
      html += std::string("<li class=\"") + (problem.severity == label_stream::Severity::kError ? "error" : "warning") +
              "\"><code>" + HtmlText(label_stream::FormatProblem(problem)) + "</code></li>";
    html += "</ul>";
  }
  html += "</section>\n";

  for (const JobSettings& job : jobs) {
    html += "<section class=\"settings\"><h2>Job settings (header at byte " + std::to_string(job.offset) +
            ")</h2><table>\n";
    for (const SettingRow& row : job.rows)
      html += "<tr><th>" + HtmlText(row.name) + "</th><td>" + HtmlText(row.value) + "</td></tr>\n";
    html += "</table></section>\n";
  }
  if (summary.geometry.clamped)
    html += "<p class=\"warning\">The label size is clamped to the largest label, 2646 x 14173 dots at 600 dpi.</p>\n";

  html += "<h2>Formats</h2>\n" + formatsHtml_;
  std::string outside = outsideHtml_;
  for (const Line& line : pending_) outside += line.html;
  for (const Undrawn& item : summary.outside)
    outside += "<div class=\"warning\">byte " + std::to_string(item.offset) + ": " + HtmlText(item.command) + ": " +
               HtmlText(item.reason) + "</div>\n";
  if (!outside.empty())
    html += "<section><h2>Outside formats</h2><div class=\"lines\">\n" + outside + "</div></section>\n";
  return html + "</body></html>\n";
}

}  // namespace label_inspect

#include "job_index.h"

#include <chrono>
#include <fstream>
#include <system_error>

#include "report_page.h"

namespace label_serve {
namespace {

namespace fs = std::filesystem;
using label_inspect::HtmlText;

std::string Plural(uint64_t count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// The connection's end in a few words; empty for a complete job.
std::string EndingWords(const JobRecord& job) {
  switch (job.ending) {
    case Ending::kReceiving: return "receiving";
    case Ending::kComplete: return "";
    case Ending::kNotSaved: return "not saved: " + job.why;
    default: return "cut: " + job.why + "; kept what arrived";
  }
}

std::string RenderingWords(const JobRecord& job) {
  switch (job.rendering) {
    case Rendering::kNone: return "";
    case Rendering::kWaiting: return "waiting to be rendered";
    case Rendering::kDone:
      return Plural(job.report.labels, "label") + ", " + Plural(job.report.errors, "error");
    case Rendering::kFailed: return "no report: " + job.renderFailure;
    case Rendering::kQueueFull: return "not yet rendered (the render queue was full)";
    case Rendering::kStopped: return "not yet rendered (the server stopped)";
  }
  return "";
}

std::string Row(const JobRecord& job) {
  const std::string folder = "jobs/" + job.name;
  std::string html = "<tr><td>" + HtmlText(job.arrived) + "</td><td>" + HtmlText(job.peer) + "</td><td>" +
                     std::to_string(job.bytes) + "</td><td>";
  if (job.rendering == Rendering::kDone)
    html += std::to_string(job.report.formats) + " / " + std::to_string(job.report.labels);
  html += "</td><td>";
  if (job.rendering == Rendering::kDone) {
    html += std::to_string(job.report.errors) + " / " + std::to_string(job.report.warnings);
    if (!job.report.firstProblem.empty()) html += "<br><small>" + HtmlText(job.report.firstProblem) + "</small>";
  }
  html += "</td><td class=state>";
  const std::string ending = EndingWords(job);
  html += ending.empty() ? "complete<br>" : "<span class=cut>" + HtmlText(ending) + "</span><br>";
  if (job.rendering != Rendering::kDone) html += HtmlText(RenderingWords(job));
  html += "</td><td>";
  if (job.rendering == Rendering::kDone && !job.report.firstPreview.empty())
    html += "<img src=\"" + HtmlText(folder + "/" + job.report.firstPreview) + "\" alt=\"first label\">";
  html += "</td><td>";
  if (job.rendering == Rendering::kDone)
    html += "<a href=\"" + HtmlText(folder + "/report.html") + "\">report</a><br>";
  if (job.ending != Ending::kReceiving && job.ending != Ending::kNotSaved)
    html += "<a href=\"" + HtmlText(JobFile(job.name)) + "\">" + HtmlText(job.name) + ".prn</a>";
  return html + "</td></tr>\n";
}

}  // namespace

std::string JobFile(const std::string& name) { return "jobs/" + name + ".prn"; }

std::string ConsoleLine(const JobRecord& job) {
  if (job.ending == Ending::kNotSaved)
    return "job from " + job.peer + " not saved: " + job.why + "; the server goes on";
  std::string line = "received " + std::to_string(job.bytes) + " bytes from " + job.peer + " -> " +
                     JobFile(job.name);
  const std::string ending = EndingWords(job);
  if (!ending.empty()) line += " (" + ending + ")";
  return line + "; " + RenderingWords(job);
}

JobIndex::JobIndex(fs::path folder, Console console) : folder_(std::move(folder)), console_(std::move(console)) {
  writer_ = std::thread([this] { Work(); });
}

JobIndex::~JobIndex() { Close(); }

bool JobIndex::Write(std::string& error) {
  std::string html;
  {
    const std::lock_guard lock(mutex_);
    html = Html();
  }
  return WritePage(html, error);
}

void JobIndex::Update(const JobRecord& job, const std::string& line) {
  {
    const std::lock_guard lock(mutex_);
    jobs_[job.number] = job;
    if (!line.empty()) lines_.push_back(line);
    dirty_ = true;
  }
  changed_.notify_one();
}

void JobIndex::Close() {
  {
    const std::lock_guard lock(mutex_);
    closed_ = true;
  }
  changed_.notify_one();
  if (writer_.joinable()) writer_.join();
}

void JobIndex::Work() {
  constexpr auto kPause = std::chrono::milliseconds(100);  // changes within it share one write
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return dirty_ || closed_; });
    if (!dirty_) return;
    const std::string html = Html();
    std::vector<std::string> lines;
    lines.swap(lines_);
    dirty_ = false;
    lock.unlock();
    std::string error;
    if (!WritePage(html, error)) console_(error + "; the server goes on");
    for (const std::string& line : lines) console_(line);
    lock.lock();
    changed_.wait_for(lock, kPause, [this] { return closed_; });
  }
}

bool JobIndex::WritePage(const std::string& html, std::string& error) {
  const std::lock_guard lock(writing_);
  const fs::path page = folder_ / "index.html", temporary = folder_ / "index.html.part";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << html;
    file.close();
    if (!file) {
      error = "cannot write " + temporary.string();
      return false;
    }
  }
  std::error_code renamed;
  fs::rename(temporary, page, renamed);
  if (renamed) error = "cannot write " + page.string() + ": " + renamed.message();
  return !renamed;
}

std::string JobIndex::Html() const {
  // The page reloads itself every few seconds: a browser left open on it shows new jobs.
  std::string html =
      "<!DOCTYPE html>\n<html lang=en><head><meta charset=utf-8><meta http-equiv=refresh content=3>\n"
      "<meta name=viewport content=\"width=device-width, initial-scale=1\"><title>Received jobs</title>\n"
      "<style>body{font:14px sans-serif;margin:1em}table{border-collapse:collapse}"
      "td,th{border:1px solid #ccc;padding:.3em .5em;vertical-align:top;text-align:left}"
      "img{max-width:12em;max-height:8em;border:1px solid #999}.cut{color:#a00}small{color:#555}</style>\n"
      "</head><body>\n<h1>Received jobs</h1>\n<p>" +
      Plural(jobs_.size(), "job") + ", newest first; this page reloads itself every 3 seconds.</p>\n";
  if (jobs_.empty()) return html + "<p>No job yet.</p>\n</body></html>\n";
  html += "<table id=jobs><tr><th>Arrived</th><th>From</th><th>Bytes</th><th>Formats / labels</th>"
          "<th>Errors / warnings</th><th>State</th><th>First label</th><th>Files</th></tr>\n";
  for (auto job = jobs_.rbegin(); job != jobs_.rend(); ++job) html += Row(job->second);
  return html + "</table>\n</body></html>\n";
}

}  // namespace label_serve

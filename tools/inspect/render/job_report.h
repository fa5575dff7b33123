// The job report as a function: what `label_inspect report` writes, for other callers
// (the virtual printer writes one per job it receives).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <cstdio>
#include <string>

#include "stream/command_stream.h"

namespace label_inspect {

class Font;
struct FormatPreview;

// What a report found, for a line or a table row about the job.
struct ReportSummary {
  uint64_t bytes = 0;
  size_t formats = 0, printed = 0;
  uint64_t labels = 0;       // printed formats times their quantity (1 when none is set)
  size_t errors = 0, warnings = 0;
  std::string firstProblem;  // the first error, else warning, as `check` prints it; empty: none
  std::string firstPreview;  // the first printed label, relative to the folder; empty when none
};

// The fonts of the previews: from fonts/ beside the program as the release lays them out,
// else from their Debian packages; ZOV_LABEL_FONT replaces the main font. Null and
// `error` when missing.
std::shared_ptr<Font> OpenReportFont(std::string& error);

// Writes folder/report.html with its previews and thumbnails in folder/report_files/ for
// the stream in `input` (title: its file name). `font` may be null (text is then listed
// as undrawn). False and `error` when the stream cannot be read or a file not written.
bool WriteJobReport(const std::filesystem::path& input, const std::filesystem::path& folder, Font* font,
                    ReportSummary& summary, std::string& error);

// The preview of a format: "label_<order>_at_<offset>.png", and writing it as PNG.
std::string PreviewName(const FormatPreview& format);
bool WritePreview(const std::filesystem::path& path, const FormatPreview& format);

// Feeds every command of the file to `take` (and its reader's errors), then calls
// take.Finish(errors, bytes read); false and `error` when the file could not be read to its end.
template <class Take>
bool ReadCommands(std::FILE* file, const std::string& input, Take&& take, std::string& error) {
  label_stream::FileSource source(file);
  label_stream::CommandReader reader(source);
  label_stream::Command command;
  while (reader.Next(command)) take(command, reader.TakeErrors());
  take.Finish(reader.TakeErrors(), reader.Position());
  if (source.Failure().empty()) return true;
  error = "cannot read " + input + " to its end: " + source.Failure();
  return false;
}

}  // namespace label_inspect

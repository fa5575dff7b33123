// The settings a job sends, in the words of the plug-in's own dialogs: each job header's
// settings run read back into the configuration values that produce it, named by the
// plug-in's value labels, with the closing and clock settings its formats show and the
// error labels printed for it. What the stream does not carry is inferred only where
// every setting that fits agrees, and said to be inferred.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <memory>

#include "stream/command_stream.h"

namespace label_inspect {

struct SettingRow {
  std::string name;
  std::string value;
};

struct JobSettings {
  uint64_t offset = 0;  // of the header format
  std::vector<SettingRow> rows;
};

// Takes a stream's commands in order; one entry per job header (a format that sets the
// label size), with what the formats after it show. A format that sets only the
// resolution and writes text is the job's left-margin error label.
class SettingsReader {
 public:
  SettingsReader();
  ~SettingsReader();
  void Add(const label_stream::Command& command);
  std::vector<JobSettings> Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// All commands of a stream in memory, through a SettingsReader.
std::vector<JobSettings> DescribeSettings(const label_stream::CommandStream& stream);

// UTF-16 to UTF-8.
std::string Utf8(const std::u16string& text);

// The clock format in words: a preset pair by its labels, or the manual text, with the
// sample time it shows.
std::string DescribeClockFormat(const std::string& format);

}  // namespace label_inspect

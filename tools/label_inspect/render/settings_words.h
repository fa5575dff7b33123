// The settings a job sends, in the words of the plug-in's own dialogs: each job header's
// settings run read back into the configuration values that produce it, named by the
// plug-in's value labels, with the closing and clock settings its formats show.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "stream_input.h"

namespace label_inspect {

struct SettingRow {
  std::string name;
  std::string value;
};

struct JobSettings {
  size_t offset = 0;  // of the header format
  std::vector<SettingRow> rows;
};

// One entry per job header (a format that sets the resolution or the label size).
std::vector<JobSettings> DescribeSettings(const StreamCommands& stream);

// The clock format in words: a preset pair by its labels, or the manual text, with the
// sample time it shows.
std::string DescribeClockFormat(const std::string& format);

}  // namespace label_inspect

// label_inspect's subcommands. Each lives in its own file and gets the arguments after
// its name; main.cpp lists them. Exit status: 0 done (and, for check, no error found),
// 1 problems found in the stream, 2 usage or file error.
#pragma once

#include <string>
#include <vector>

namespace label_inspect {

using Arguments = std::vector<std::string>;

struct Subcommand {
  const char* name;
  const char* usage;    // the arguments after the name
  const char* summary;  // one line for the help text
  int (*run)(const Arguments& arguments);
};

int RunList(const Arguments& arguments);
int RunCheck(const Arguments& arguments);
int RunRender(const Arguments& arguments);
int RunReport(const Arguments& arguments);
int RunServe(const Arguments& arguments);

}  // namespace label_inspect

// label_inspect check job.prn: every problem of the stream as one line
// "<offset>: <command>: error: ..." or "...: warning: ...", then a summary line. The
// stream is read piece by piece: memory stays within the largest single download.
// Exit 0 when there is no error (warnings allowed), 1 when there is one, 2 for a usage
// or file error.
#include <iostream>
#include <string>

#include "inspect_io.h"
#include "stream/command_stream.h"
#include "stream/stream_checker.h"
#include "subcommands.h"

namespace label_inspect {
namespace {

// A broken stream can hold a problem every few bytes; beyond this many lines only the count grows.
constexpr uint64_t kMaxLines = 1000;

}  // namespace

int RunCheck(const Arguments& arguments) {
  if (arguments.size() != 1 || arguments[0].empty() || arguments[0][0] == '-') return Usage("check");
  const File file = OpenStream(arguments[0]);
  if (!file) return kExitUsage;

  uint64_t lines = 0;
  label_stream::StreamChecker checker([&](const label_stream::Problem& problem) {
    if (++lines <= kMaxLines) std::cout << label_stream::FormatProblem(problem) << "\n";
  });
  label_stream::FileSource source(file.get());
  label_stream::CommandReader reader(source);
  label_stream::CommandView command;
  uint64_t commands = 0;
  while (reader.Next(command)) {
    checker.Add(command, reader.TakeErrors());
    ++commands;
  }
  checker.Finish(reader.TakeErrors());
  if (!source.Failure().empty()) {
    Complain("cannot read " + arguments[0] + " to its end");
    return kExitUsage;
  }
  if (lines > kMaxLines) std::cout << "... " << lines - kMaxLines << " more problems not shown\n";
  std::cout << "check: " << checker.errors() << (checker.errors() == 1 ? " error, " : " errors, ")
            << checker.warnings() << (checker.warnings() == 1 ? " warning" : " warnings") << " in " << commands
            << " commands, " << reader.Position() << " bytes\n";
  std::cout.flush();
  if (!std::cout) {
    Complain("cannot write the report");
    return kExitUsage;
  }
  return checker.errors() == 0 ? 0 : 1;
}

}  // namespace label_inspect

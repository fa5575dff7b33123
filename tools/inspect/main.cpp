// label_inspect: looks into a label command stream (the bytes a job sends to the
// printer). `label_inspect <subcommand> ...`; without arguments it lists the subcommands.
#include <iostream>
#include <iterator>
#include <string>

#include "inspect_io.h"
#include "subcommands.h"

namespace label_inspect {

extern const Subcommand kSubcommands[] = {
    {"list", "job.prn [--extract DIR]",
     "one command a line with its byte offset, downloads summarised; --extract writes each PNG to DIR", RunList},
    {"check", "job.prn", "every problem of the stream, one a line; exit 1 when one of them is an error", RunCheck},
    {"render", "job.prn --out DIR",
     "one PNG per printed format in DIR, drawn as the printer would; what cannot be drawn is listed", RunRender},
    {"report", "job.prn --out DIR [--open]",
     "DIR/report.html: settings in words, each format's preview beside its commands, the check's findings; "
     "--open shows it in the default browser",
     RunReport},
    {"serve", "--out DIR [--listen ADDR:PORT] [--idle-timeout SECONDS] [--max-bytes N] [--queue N]",
     "a raw network printer (default 127.0.0.1:9100): saves each job in DIR/jobs, reports it, lists all in "
     "DIR/index.html",
     RunServe},
};
extern const size_t kSubcommandCount = std::size(kSubcommands);

}  // namespace label_inspect

int main(int argc, char** argv) {
  using namespace label_inspect;
  if (argc >= 2) {
    const std::string name = argv[1];
    for (const Subcommand& subcommand : kSubcommands)
      if (name == subcommand.name) return subcommand.run(Arguments(argv + 2, argv + argc));
  }
  std::cerr << "usage: label_inspect <subcommand> ...\n";
  for (const Subcommand& subcommand : kSubcommands)
    std::cerr << "  " << subcommand.name << " " << subcommand.usage << "\n      " << subcommand.summary << "\n";
  return kExitUsage;
}

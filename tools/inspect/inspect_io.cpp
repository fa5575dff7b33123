#include "inspect_io.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include "subcommands.h"

namespace label_inspect {

extern const Subcommand kSubcommands[];
extern const size_t kSubcommandCount;

File OpenStream(const std::string& path) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) Complain("cannot read " + path + ": " + std::strerror(errno));
  return file;
}

void Complain(const std::string& message) { std::cerr << "label_inspect: " << message << "\n"; }

int Usage(std::string_view name) {
  for (size_t i = 0; i < kSubcommandCount; ++i)
    if (kSubcommands[i].name == name)
      std::cerr << "usage: label_inspect " << name << " " << kSubcommands[i].usage << "\n";
  return kExitUsage;
}

}  // namespace label_inspect

// What label_inspect's subcommands share: opening the stream file, messages on stderr,
// usage errors.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace label_inspect {

inline constexpr int kExitUsage = 2;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens `path` for reading in binary mode; on failure says so on stderr and returns null.
File OpenStream(const std::string& path);

// "label_inspect: <message>" on stderr.
void Complain(const std::string& message);

// Prints the usage of subcommand `name` on stderr and returns kExitUsage.
int Usage(std::string_view name);

}  // namespace label_inspect

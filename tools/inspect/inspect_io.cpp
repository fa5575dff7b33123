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

std::string Printable(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size());
  for (unsigned char byte : bytes) {
    if (byte == '\\') {
      text += "\\\\";
    } else if (byte >= 0x20 && byte < 0x7F) {
      text += static_cast<char>(byte);
    } else {
      text += "\\x";
      text += kHex[byte >> 4];
      text += kHex[byte & 0xF];
    }
  }
  return text;
}

}  // namespace label_inspect

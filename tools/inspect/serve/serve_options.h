// `label_inspect serve`: a virtual raw network printer. Each connection is one job, saved
// as it arrives under DIR/jobs/, then checked and rendered into a report beside it;
// DIR/index.html lists every job. This folder: the options, the acceptor (server), one
// session per connection, the render queue and the index.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace label_serve {

struct ServeOptions {
  std::string address = "127.0.0.1";  // loopback unless --listen names another address
  uint16_t port = 9100;                // 0: any free port (tests)
  std::filesystem::path out;
  std::chrono::milliseconds idleTimeout{60'000};
  uint64_t maxBytes = uint64_t{2} << 30;
  size_t queueLength = 8;  // jobs waiting to be rendered; more are saved and listed unrendered
};

// "--listen ADDR:PORT --out DIR --idle-timeout SECONDS --max-bytes N --queue N", any
// order, --out required; an IPv6 address goes in brackets. False and `error` otherwise.
bool ParseServeOptions(const std::vector<std::string>& arguments, ServeOptions& options, std::string& error);

}  // namespace label_serve

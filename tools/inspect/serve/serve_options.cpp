#include "serve_options.h"

#include <charconv>
#include <cmath>

namespace label_serve {
namespace {

bool ParseNumber(const std::string& text, uint64_t& value) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

// "ADDR:PORT" or "[V6ADDR]:PORT".
bool ParseListen(const std::string& text, ServeOptions& options) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string address = text.substr(0, colon);
  if (address.front() == '[') {
    if (address.size() < 3 || address.back() != ']') return false;
    address = address.substr(1, address.size() - 2);
  }
  uint64_t port = 0;
  if (!ParseNumber(text.substr(colon + 1), port) || port > 65535) return false;
  options.address = address;
  options.port = static_cast<uint16_t>(port);
  return true;
}

// Seconds with an optional fraction, at least a millisecond, at most a day.
bool ParseSeconds(const std::string& text, std::chrono::milliseconds& value) {
  size_t used = 0;
  double seconds = 0;
  try {
    seconds = std::stod(text, &used);
  } catch (const std::exception&) {
    return false;
  }
  if (used != text.size() || !(seconds >= 0.001 && seconds <= 86400)) return false;
  value = std::chrono::milliseconds(std::llround(seconds * 1000));
  return true;
}

}  // namespace

bool ParseServeOptions(const std::vector<std::string>& arguments, ServeOptions& options, std::string& error) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    if (i + 1 >= arguments.size()) {
      error = "missing value after " + name;
      return false;
    }
    const std::string& value = arguments[++i];
    uint64_t number = 0;
    bool good = true;
    if (name == "--listen") {
      good = ParseListen(value, options);
    } else if (name == "--out") {
      options.out = value;
    } else if (name == "--idle-timeout") {
      good = ParseSeconds(value, options.idleTimeout);
    } else if (name == "--max-bytes") {
      good = ParseNumber(value, number) && number > 0;
      options.maxBytes = number;
    } else if (name == "--queue") {
      good = ParseNumber(value, number) && number > 0 && number <= 1000;
      options.queueLength = static_cast<size_t>(number);
    } else {
      error = "unknown option " + name;
      return false;
    }
    if (!good) {
      error = "bad value for " + name + ": " + value;
      return false;
    }
  }
  if (options.out.empty()) error = "--out DIR is required";
  return error.empty();
}

}  // namespace label_serve

// How every command writer works: build the whole command text privately, append it
// in one step, and turn any failure into false plus one log entry.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>

#include "commands/command_buffer.h"
#include "diag/diagnostic_log.h"

namespace commands::detail {

inline void AppendUnsigned(std::string& text, uint64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  text.append(digits, result.ptr);
}

inline void AppendSigned(std::string& text, int32_t value) {
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  text.append(digits, result.ptr);
}

enum class OnFailure { Log, Quiet };

// Runs `build(text)` and appends the text to `buffer`. False for a null buffer (nothing
// logged) and for any failure while building or appending (buffer unchanged; logged as
// the writers' "bad_alloc" entry unless `onFailure` is Quiet).
template <class Build>
bool AppendCommand(CommandBuffer* buffer, Build&& build, OnFailure onFailure = OnFailure::Log) noexcept {
  if (buffer == nullptr) return false;
  try {
    std::string text;
    build(text);
    buffer->Append(text.data(), text.size());
    return true;
  } catch (...) {
    if (onFailure == OnFailure::Log) diag::LogPainterFailure();
    return false;
  }
}

}  // namespace commands::detail

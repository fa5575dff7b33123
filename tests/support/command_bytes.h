// The bytes of a command buffer as a string, for comparing with expected command text.
#pragma once

#include <string>

#include "commands/command_buffer.h"

namespace testing_support {

inline std::string BufferBytes(const commands::CommandBuffer& buffer) {
  return std::string(reinterpret_cast<const char*>(buffer.data()), buffer.size());
}

}  // namespace testing_support

// The debug trace (OutputDebugStringW).
#pragma once

#include "platform/service.h"

namespace platform {

class DebugOutput {
 public:
  virtual ~DebugOutput() = default;
  virtual void Write(const char16_t* text) = 0;
};

inline void DebugTrace(const char16_t* text) { Service<DebugOutput>::Get().Write(text); }

}  // namespace platform

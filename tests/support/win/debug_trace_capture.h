// Captures the debug trace (OutputDebugStringW) of the whole process, the DLL's
// included, through a vectored exception handler. Under Wine the call raises the
// narrow DBG_PRINTEXCEPTION_C; Windows raises the wide one first. Both are taken and
// execution continues, so nothing reaches a debugger.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

class DebugTraceCapture {
 public:
  // Installs the handler; only one capture may exist at a time.
  DebugTraceCapture();
  ~DebugTraceCapture();
  DebugTraceCapture(const DebugTraceCapture&) = delete;
  DebugTraceCapture& operator=(const DebugTraceCapture&) = delete;

  // The lines captured so far, in order, each as written (with its line feed).
  std::vector<std::string> Lines() const;
  // All lines concatenated.
  std::string Text() const;
  void Clear();

 private:
  void* handler_;
};

}  // namespace testing_support

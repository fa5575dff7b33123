#include "plugin/printer_output.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/spooler.h"

namespace plugin {

bool SendToPrinter(platform::PrinterHandle printer, commands::CommandBuffer& buffer) {
  if (buffer.empty()) return true;
  // One WritePrinter call in the ordinary case. A short write is continued from where
  // the spooler stopped, and a buffer beyond a 32-bit count goes in pieces; a failed
  // call, or one that makes no progress, ends the send with false.
  bool ok = true;
  const uint8_t* next = buffer.data();
  size_t remaining = buffer.size();
  while (remaining > 0) {
    const auto piece = static_cast<uint32_t>(std::min<size_t>(remaining, std::numeric_limits<uint32_t>::max()));
    uint32_t written = 0;
    if (!platform::GetSpooler().WritePrinter(printer, next, piece, &written) || written == 0) {
      ok = false;
      break;
    }
    const size_t advanced = std::min<size_t>(written, piece);
    next += advanced;
    remaining -= advanced;
  }
  buffer.Clear();
  return ok;
}

}  // namespace plugin

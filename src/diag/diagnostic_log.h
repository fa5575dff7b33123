// diag: the machine-wide diagnostic log file shared by every process that loads the
// plug-in, and the entry the command writers record when building a command fails.
#pragma once

namespace diag {

// Records one entry (message, source). Never throws, never reports failure, and never
// waits more than a bounded time for other writers.
void WriteDiagnosticLog(const char16_t* message, const char16_t* source) noexcept;

// The entry of a command writer or the bitmap capture whose allocation failed.
inline void LogPainterFailure() noexcept { WriteDiagnosticLog(u"bad_alloc", u"Painter"); }

}  // namespace diag

// Reading the diagnostic log that the writers record into a FakeLogSystem (whose
// application-data folder is C:\ProgramData).
#pragma once

#include <string>
#include <vector>

#include "support/fake_log_system.h"

namespace testing_support {

inline const std::u16string kFakeLogPath = u"C:\\ProgramData\\ORVEX\\ORVEX_ZOV\\ZOV_PLUGIN_KD-V62x0G.log";

inline std::vector<std::string> LogLines(const FakeLogSystem& log) { return log.Lines(kFakeLogPath); }

// The entry a command writer records when building or appending a command fails.
inline bool IsPainterFailure(const std::string& line) { return line.ends_with(",Painter,bad_alloc"); }

}  // namespace testing_support

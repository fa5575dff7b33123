// The checker's errors on a whole stream, one line each (warnings left out), for tests
// that expect a stream the plug-in wrote to pass: EXPECT_EQ(CheckerErrors(bytes), "").
#pragma once

#include <string>
#include <string_view>

#include "stream/stream_checker.h"

namespace testing_support {

inline std::string CheckerErrors(std::string_view bytes) {
  std::string lines;
  for (const label_stream::Problem& problem : label_stream::CheckStream(bytes))
    if (problem.severity == label_stream::Severity::kError) lines += label_stream::FormatProblem(problem) + "\n";
  return lines;
}

}  // namespace testing_support

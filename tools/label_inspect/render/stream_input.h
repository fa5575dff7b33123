// The stream as the renderer reads it.
#pragma once

#include "support/stream_reader.h"

namespace label_inspect {
using StreamCommands = testing_support::CommandStream;
using StreamCommand = testing_support::StreamCommand;
}  // namespace label_inspect

namespace label_inspect {
inline StreamCommands ReadStream(std::string_view bytes) { return testing_support::ReadCommandStream(bytes); }
}  // namespace label_inspect

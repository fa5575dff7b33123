#include <csignal>

#include "console_stop.h"

namespace tool_common {

std::vector<int> StopSignals() { return {SIGINT, SIGTERM, SIGHUP}; }
void WatchConsoleClose(std::function<void()>) {}
void ConsoleStopDone() {}

}  // namespace tool_common

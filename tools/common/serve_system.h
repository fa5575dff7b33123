// What the virtual printer (label_inspect serve) does differently on the two systems.
//
// Hearing that it is asked to stop: Ctrl-C and the like arrive as signals, which Asio's
// signal_set takes on both systems. Closing the console window is no signal on Windows:
// the system ends the process once the console handler returns, so the handler asks the
// program to stop and waits until it says it is done.
#pragma once

#include <functional>
#include <vector>

namespace tool_common {

// SIGINT and SIGTERM; natively also SIGHUP, which a closing terminal sends.
std::vector<int> StopSignals();

// Windows: calls `stop` (on the system's handler thread) when the console closes, then
// holds the closing back until ConsoleStopDone() or the few seconds the system allows.
// Natively nothing: the closing terminal is SIGHUP.
void WatchConsoleClose(std::function<void()> stop);
void ConsoleStopDone();

// Gives the calling thread a lower scheduling priority, so that the work it does (the
// reports) yields the processor to receiving jobs.
void LowerThisThreadsPriority();

}  // namespace tool_common

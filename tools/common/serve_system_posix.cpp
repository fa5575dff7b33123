#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>

#include "serve_system.h"

namespace tool_common {

std::vector<int> StopSignals() { return {SIGINT, SIGTERM, SIGHUP}; }
void WatchConsoleClose(std::function<void()>) {}
void ConsoleStopDone() {}

void LowerThisThreadsPriority() {
  // On Linux the nice value belongs to the thread named by its id.
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
}

}  // namespace tool_common

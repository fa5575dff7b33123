#include <windows.h>

#include <csignal>

#include "serve_system.h"

namespace tool_common {
namespace {

std::function<void()> stopRequested;
HANDLE stopDone = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_CLOSE_EVENT && event != CTRL_LOGOFF_EVENT && event != CTRL_SHUTDOWN_EVENT) return FALSE;
  stopRequested();
  WaitForSingleObject(stopDone, 4500);  // the system ends the process after about 5 s anyway
  return TRUE;
}

}  // namespace

std::vector<int> StopSignals() { return {SIGINT, SIGTERM, SIGBREAK}; }

void WatchConsoleClose(std::function<void()> stop) {
  stopRequested = std::move(stop);
  stopDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void ConsoleStopDone() {
  if (stopDone != nullptr) SetEvent(stopDone);
}

void LowerThisThreadsPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL); }

}  // namespace tool_common

// label_inspect serve: a virtual raw network printer (see serve/serve_options.h).
//
//   serve --out DIR [--listen ADDR:PORT] [--idle-timeout SECONDS] [--max-bytes N] [--queue N]
#include <exception>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include "inspect_io.h"
#include "job_report.h"
#include "serve/server.h"
#include "serve_system.h"
#include "subcommands.h"

namespace label_inspect {
namespace {

// Runs `io` on eight threads, this one included: receiving then keeps its share of a
// machine busy with other work (the reports, other programs), as eight clients at once
// would each have a thread; idle threads cost nothing. An exception on any of them ends
// the run and is thrown here.
void RunOnThreads(asio::io_context& io) {
  constexpr unsigned count = 8;
  std::exception_ptr failure;
  std::mutex mutex;
  const auto run = [&] {
    try {
      io.run();
    } catch (...) {
      const std::lock_guard lock(mutex);
      failure = std::current_exception();
      io.stop();
    }
  };
  std::vector<std::thread> threads;
  for (unsigned i = 1; i < count; ++i) threads.emplace_back(run);
  run();
  for (std::thread& thread : threads) thread.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

int RunServe(const Arguments& arguments) {
  label_serve::ServeOptions options;
  std::string error;
  if (!label_serve::ParseServeOptions(arguments, options, error)) {
    Complain(error);
    return Usage("serve");
  }
  try {
    const std::shared_ptr<Font> font = OpenReportFont(error);
    if (font == nullptr) {
      Complain(error);
      return kExitUsage;
    }
    asio::io_context io;
    label_serve::Server server(io, options, font.get(),
                               [](const std::string& line) { std::cout << line << std::endl; });
    if (!server.Start(error)) {
      Complain(error);
      return kExitUsage;
    }
    std::cout << "listening on " << options.address << ":" << server.Port() << "; jobs in "
              << (options.out / "jobs").string() << ", the list in " << (options.out / "index.html").string()
              << "; Ctrl-C stops" << std::endl;

    const auto control = asio::make_strand(io);
    asio::signal_set signals(control);
    std::error_code unsupported;  // a signal the system lacks is left out
    for (const int signal : tool_common::StopSignals()) signals.add(signal, unsupported);
    const auto stop = [&] {
      server.Stop();
      signals.cancel();
    };
    signals.async_wait([&](const std::error_code& failure, int) {
      if (!failure) stop();
    });
    tool_common::WatchConsoleClose([&] { asio::post(control, stop); });
    RunOnThreads(io);
    server.Finish();
    std::cout << "stopped; the list is in " << (options.out / "index.html").string() << std::endl;
    tool_common::ConsoleStopDone();
    return 0;
  } catch (const std::exception& failure) {  // out of memory, or a system error Asio throws
    Complain(std::string("serve stopped: ") + failure.what());
    return kExitUsage;
  }
}

}  // namespace label_inspect

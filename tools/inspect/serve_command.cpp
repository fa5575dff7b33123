// label_inspect serve: a virtual raw network printer (see serve/serve_options.h).
//
//   serve --out DIR [--listen ADDR:PORT] [--idle-timeout SECONDS] [--max-bytes N] [--queue N]
#include <iostream>

#include "inspect_io.h"
#include "job_report.h"
#include "serve/serve_run.h"
#include "serve_system.h"
#include "subcommands.h"

namespace label_inspect {

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
    const auto listening = [&](uint16_t port) {
      std::cout << "listening on " << options.address << ":" << port << "; jobs in "
                << (options.out / "jobs").string() << ", the list in " << (options.out / "index.html").string()
                << "; Ctrl-C stops" << std::endl;
    };
    if (!label_serve::Serve(options, font.get(), [](const std::string& line) { std::cout << line << std::endl; },
                            listening, error)) {
      Complain(error);
      return kExitUsage;
    }
    std::cout << "stopped; the list is in " << (options.out / "index.html").string() << std::endl;
    tool_common::ConsoleStopDone();
    return 0;
  } catch (const std::exception& failure) {  // out of memory, or a system error Asio throws
    Complain(std::string("serve stopped: ") + failure.what());
    return kExitUsage;
  }
}

}  // namespace label_inspect

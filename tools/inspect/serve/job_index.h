// The jobs the server has seen and DIR/index.html, which lists them newest first and
// reloads itself, so a browser left open on it shows each job as it arrives.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "job_report.h"

namespace label_serve {

// How the connection of a job ended.
enum class Ending { kReceiving, kComplete, kLost, kSilent, kSizeLimit, kNotSaved, kStopped };
// Where its report stands.
enum class Rendering { kNone, kWaiting, kDone, kFailed, kQueueFull, kStopped };

struct JobRecord {
  uint64_t number = 0;     // 1, 2, ... in order of arrival
  std::string name;        // "<date>-<time>-<n>": made by the server, never from the network
  std::string arrived;     // local time, "YYYY-MM-DD HH:MM:SS"
  std::string peer;        // the client's address
  uint64_t bytes = 0;
  Ending ending = Ending::kReceiving;
  std::string why;         // what cut or failed, in words
  Rendering rendering = Rendering::kNone;
  std::string renderFailure;
  label_inspect::ReportSummary report;
};

// "received 47183 bytes from 127.0.0.1 -> jobs/<name>.prn; 6 labels, 0 errors" and the
// like: the console's line about a job whose story has ended.
std::string ConsoleLine(const JobRecord& job);

// "jobs/<name>.prn", relative to the output folder.
std::string JobFile(const std::string& name);

// The page is written on a thread of its own, a little after each change and several
// changes at once, so that neither receiving nor rendering waits for it; it goes to a
// temporary name and is renamed, so that a browser never reads half a page.
class JobIndex {
 public:
  // `console` hears the lines given to Update, each after the page that shows its job,
  // and what fails in writing the page.
  using Console = std::function<void(const std::string& line)>;
  JobIndex(std::filesystem::path folder, Console console);
  ~JobIndex();

  // Writes the page at once; false and `error` when it cannot be written.
  bool Write(std::string& error);
  // Adds or replaces the job; `line` (when not empty) goes to the console once the page
  // that shows the change is written.
  void Update(const JobRecord& job, const std::string& line = "");
  // Writes what is pending and ends the page's thread.
  void Close();

 private:
  void Work();
  std::string Html() const;
  bool WritePage(const std::string& html, std::string& error);

  std::filesystem::path folder_;
  Console console_;
  std::mutex mutex_;  // guards the jobs and what waits to be written
  std::condition_variable changed_;
  std::map<uint64_t, JobRecord> jobs_;
  std::vector<std::string> lines_;
  bool dirty_ = false, closed_ = false;
  std::mutex writing_;  // one writer of the page at a time
  std::thread writer_;
};

}  // namespace label_serve

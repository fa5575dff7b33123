// The jobs the server has seen and DIR/index.html, which lists them newest first and
// reloads itself, so a browser left open on it shows each job as it arrives.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>

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

class JobIndex {
 public:
  explicit JobIndex(std::filesystem::path folder) : folder_(std::move(folder)) {}

  // Adds or replaces the job and rewrites the page (under a temporary name, then renamed,
  // so that a browser never reads half a page). False and `error` when it cannot be written.
  bool Update(const JobRecord& job, std::string& error);
  bool Write(std::string& error);
  JobRecord Find(uint64_t number) const;

 private:
  bool WriteLocked(std::string& error);
  std::string Html() const;

  std::filesystem::path folder_;
  mutable std::mutex mutex_;
  std::map<uint64_t, JobRecord> jobs_;
};

}  // namespace label_serve

// Checks and renders the saved jobs on a worker thread behind a bounded queue, so that
// rendering never delays receiving: a job that finds the queue full stays unrendered.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "job_index.h"

namespace label_inspect {
class Font;
}

namespace label_serve {

class RenderQueue {
 public:
  // `done` hears of every job whose report was written or failed, on the worker.
  RenderQueue(std::filesystem::path folder, size_t capacity, label_inspect::Font* font,
              std::function<void(const JobRecord&)> done);
  ~RenderQueue();

  // False when the queue is full (or closed): the job is not taken.
  bool Push(const JobRecord& job);
  // Lets the worker finish the job in hand and returns the jobs still waiting.
  std::deque<JobRecord> Close();

 private:
  void Work();
  void Render(JobRecord& job);

  std::filesystem::path folder_;
  size_t capacity_;
  label_inspect::Font* font_;
  std::function<void(const JobRecord&)> done_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<JobRecord> waiting_;
  bool closed_ = false;
  std::thread worker_;
};

}  // namespace label_serve

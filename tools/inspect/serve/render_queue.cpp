#include "render_queue.h"

#include <system_error>

#include "serve_system.h"

namespace label_serve {

namespace fs = std::filesystem;

RenderQueue::RenderQueue(fs::path folder, size_t capacity, label_inspect::Font* font,
                         std::function<void(const JobRecord&)> done)
    : folder_(std::move(folder)), capacity_(capacity), font_(font), done_(std::move(done)) {
  worker_ = std::thread([this] { Work(); });
}

RenderQueue::~RenderQueue() { Close(); }

bool RenderQueue::Push(const JobRecord& job) {
  {
    const std::lock_guard lock(mutex_);
    if (closed_ || waiting_.size() >= capacity_) return false;
    waiting_.push_back(job);
  }
  wake_.notify_one();
  return true;
}

std::deque<JobRecord> RenderQueue::Close() {
  std::deque<JobRecord> left;
  {
    const std::lock_guard lock(mutex_);
    closed_ = true;
    left.swap(waiting_);
  }
  wake_.notify_one();
  if (worker_.joinable()) worker_.join();
  return left;
}

void RenderQueue::Work() {
  tool_common::LowerThisThreadsPriority();  // reports wait; receiving does not
  for (;;) {
    JobRecord job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return closed_ || !waiting_.empty(); });
      if (waiting_.empty()) return;
      job = std::move(waiting_.front());
      waiting_.pop_front();
    }
    Render(job);
    done_(job);
  }
}

// The report goes to a temporary folder that is renamed when complete, so the index never
// links to half a report.
void RenderQueue::Render(JobRecord& job) {
  const fs::path jobs = folder_ / "jobs";
  const fs::path final = jobs / job.name, temporary = jobs / (job.name + ".rendering");
  std::error_code ignored;
  fs::remove_all(temporary, ignored);
  std::string error;
  try {
    if (label_inspect::WriteJobReport(folder_ / JobFile(job.name), temporary, font_, job.report, error)) {
      fs::remove_all(final, ignored);
      std::error_code renamed;
      fs::rename(temporary, final, renamed);
      if (renamed) error = "cannot rename " + temporary.string() + ": " + renamed.message();
    }
  } catch (const std::exception& exception) {  // out of memory or a file system error
    error = exception.what();
  }
  if (!error.empty()) fs::remove_all(temporary, ignored);
  job.rendering = error.empty() ? Rendering::kDone : Rendering::kFailed;
  job.renderFailure = error;
}

}  // namespace label_serve

#include "session.h"

#include <asio/buffer.hpp>
#include <asio/error.hpp>
#include <asio/post.hpp>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "server.h"

namespace label_serve {

namespace fs = std::filesystem;

Session::Session(asio::ip::tcp::socket socket, Server& server)
    : socket_(std::move(socket)), silence_(socket_.get_executor()), server_(server) {}

Session::~Session() {
  if (file_ != nullptr) std::fclose(file_);
}

void Session::Start() {
  asio::post(socket_.get_executor(), [self = shared_from_this()] { self->Open(); });
}

void Session::Open() {
  std::error_code unknown;
  const std::string peer = socket_.remote_endpoint(unknown).address().to_string();
  job_ = server_.NewJob(unknown ? "unknown" : peer);
  const fs::path part = server_.options().out / (JobFile(job_.name) + ".part");
  std::error_code created;
  fs::create_directories(part.parent_path(), created);
  file_ = std::fopen(part.string().c_str(), "wb");
  if (file_ == nullptr) {
    const std::string reason = created ? created.message() : std::strerror(errno);
    Cut(Ending::kNotSaved, "cannot write " + part.string() + ": " + reason);
    End();
    return;
  }
  std::setvbuf(file_, nullptr, _IONBF, 0);  // each read goes to the file as it is: one write per read
  server_.Received(shared_from_this(), job_);
  WatchSilence();
  Read();
}

void Session::Stop() {
  asio::post(socket_.get_executor(), [self = shared_from_this()] { self->Cut(Ending::kStopped, "the server stopped"); });
}

void Session::Read() {
  socket_.async_read_some(asio::buffer(buffer_), [self = shared_from_this()](const std::error_code& error,
                                                                              size_t count) {
    self->Take(error, count);
  });
}

void Session::Take(const std::error_code& error, size_t count) {
  if (count > 0 && job_.ending == Ending::kReceiving && !Store(buffer_.data(), count)) {
    End();
    return;
  }
  if (error == asio::error::eof) {
    Cut(Ending::kComplete, "");
  } else if (error) {
    Cut(Ending::kLost, "the connection was lost (" + error.message() + ")");
  }
  if (job_.ending != Ending::kReceiving) {
    End();
    return;
  }
  WatchSilence();
  Read();
}

// Writes what fits under the size limit; false when the job has ended here (the limit
// reached, or the disk refused the bytes).
bool Session::Store(const char* bytes, size_t count) {
  const uint64_t room = server_.options().maxBytes - job_.bytes;
  const size_t taken = count < room ? count : static_cast<size_t>(room);
  if (std::fwrite(bytes, 1, taken, file_) != taken) {
    Cut(Ending::kNotSaved, "cannot write " + JobFile(job_.name) + ".part: " + std::strerror(errno));
    return false;
  }
  job_.bytes += taken;
  if (job_.bytes < server_.options().maxBytes) return true;
  Cut(Ending::kSizeLimit, "reached the size limit of " + std::to_string(server_.options().maxBytes) + " bytes");
  return false;
}

void Session::WatchSilence() {
  silence_.expires_after(server_.options().idleTimeout);
  silence_.async_wait([self = shared_from_this()](const std::error_code& error) {
    if (error || self->ended_) return;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", self->server_.options().idleTimeout.count() / 1000.0);
    self->Cut(Ending::kSilent, std::string("silent for ") + seconds + " s");
  });
}

void Session::Cut(Ending ending, const std::string& why) {
  if (job_.ending == Ending::kReceiving) {
    job_.ending = ending;
    job_.why = why;
  }
  std::error_code ignored;
  socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
  socket_.close(ignored);
}

// The file gets its final name once closed; a job whose bytes could not all be written is
// removed rather than left half-written.
void Session::End() {
  if (ended_) return;
  ended_ = true;
  silence_.cancel();
  const fs::path final = server_.options().out / JobFile(job_.name);
  const fs::path part = final.string() + ".part";
  if (file_ != nullptr) {
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed && job_.ending != Ending::kNotSaved) {
      job_.ending = Ending::kNotSaved;
      job_.why = "cannot write " + JobFile(job_.name) + ".part: " + std::strerror(errno);
    }
    std::error_code failed;
    if (job_.ending != Ending::kNotSaved) fs::rename(part, final, failed);
    if (failed) {
      job_.ending = Ending::kNotSaved;
      job_.why = "cannot rename " + part.string() + ": " + failed.message();
    }
    if (job_.ending == Ending::kNotSaved) fs::remove(part, failed);
  }
  server_.Saved(shared_from_this(), job_);
}

}  // namespace label_serve

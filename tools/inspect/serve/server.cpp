#include "server.h"

#include <ctime>
#include <filesystem>
#include <system_error>

#include "session.h"

namespace label_serve {
namespace {

namespace fs = std::filesystem;

// "YYYYMMDD-HHMMSS" and "YYYY-MM-DD HH:MM:SS" of the local time now.
void Now(std::string& stamp, std::string& readable) {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);  // the network thread is the only caller
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", local);
  stamp = text;
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
  readable = text;
}

}  // namespace

Server::Server(asio::io_context& io, ServeOptions options, label_inspect::Font* font, Console console)
    : io_(io),
      options_(std::move(options)),
      console_(std::move(console)),
      acceptor_(io),
      index_(options_.out),
      queue_(options_.out, options_.queueLength, font, [this](const JobRecord& job) { Rendered(job); }) {}

Server::~Server() { queue_.Close(); }

bool Server::Start(std::string& error) {
  std::error_code failure;
  fs::create_directories(options_.out / "jobs", failure);
  if (failure) {
    error = "cannot create " + (options_.out / "jobs").string() + ": " + failure.message();
    return false;
  }
  if (!index_.Write(error)) return false;
  const asio::ip::address address = asio::ip::make_address(options_.address, failure);
  if (failure) {
    error = "not an address: " + options_.address;
    return false;
  }
  const asio::ip::tcp::endpoint endpoint(address, options_.port);
  acceptor_.open(endpoint.protocol(), failure);
  if (!failure) acceptor_.set_option(asio::ip::tcp::acceptor::reuse_address(true), failure);
  if (!failure) acceptor_.bind(endpoint, failure);
  if (!failure) acceptor_.listen(asio::socket_base::max_listen_connections, failure);
  if (failure) {
    error = "cannot listen on " + options_.address + ":" + std::to_string(options_.port) + ": " + failure.message();
    return false;
  }
  port_ = acceptor_.local_endpoint(failure).port();
  Accept();
  return true;
}

void Server::Accept() {
  acceptor_.async_accept([this](const std::error_code& error, asio::ip::tcp::socket socket) {
    if (stopping_) return;
    if (error) {
      Say("cannot accept a connection: " + error.message());
    } else {
      std::error_code unknown;
      const std::string peer = socket.remote_endpoint(unknown).address().to_string();
      const auto session = std::make_shared<Session>(std::move(socket), *this);
      sessions_.insert(session);
      session->Start(unknown ? "unknown" : peer);
    }
    Accept();
  });
}

JobRecord Server::NewJob(const std::string& peer) {
  JobRecord job;
  std::string stamp;
  Now(stamp, job.arrived);
  job.peer = peer;
  // The name comes from the clock and a counter only; a name an earlier run left is skipped.
  do {
    job.number = ++jobs_;
    job.name = stamp + "-" + std::to_string(job.number);
  } while (fs::exists(options_.out / JobFile(job.name)) || fs::exists(options_.out / "jobs" / job.name));
  return job;
}

void Server::Received(const std::shared_ptr<Session>&, JobRecord job) { UpdateIndex(job); }

void Server::Saved(const std::shared_ptr<Session>& session, JobRecord job) {
  sessions_.erase(session);
  if (job.ending != Ending::kNotSaved) {
    job.rendering = Rendering::kWaiting;
    UpdateIndex(job);  // before the worker can see it, so its result is never overwritten
    if (!stopping_ && queue_.Push(job)) return;
    job.rendering = stopping_ ? Rendering::kStopped : Rendering::kQueueFull;
  }
  UpdateIndex(job);
  Say(ConsoleLine(job));
}

void Server::Rendered(const JobRecord& job) {
  UpdateIndex(job);
  Say(ConsoleLine(job));
}

void Server::Stop() {
  stopping_ = true;
  std::error_code ignored;
  acceptor_.close(ignored);
  for (const auto& session : std::set(sessions_)) session->Stop();
}

void Server::Finish() {
  for (JobRecord& job : queue_.Close()) {
    job.rendering = Rendering::kStopped;
    UpdateIndex(job);
    Say(ConsoleLine(job));
  }
  std::string error;
  if (!index_.Write(error)) Say(error);
}

void Server::UpdateIndex(const JobRecord& job) {
  std::string error;
  if (!index_.Update(job, error)) Say(error + "; the server goes on");
}

void Server::Say(const std::string& line) {
  const std::lock_guard lock(consoleMutex_);
  console_(line);
}

}  // namespace label_serve

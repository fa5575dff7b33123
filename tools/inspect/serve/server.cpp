#include "server.h"

#include <asio/ip/address.hpp>
#include <asio/post.hpp>
#include <asio/signal_set.hpp>

#include <ctime>
#include <exception>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "serve_system.h"
#include "session.h"

namespace label_serve {
namespace {

namespace fs = std::filesystem;

// "YYYYMMDD-HHMMSS" and "YYYY-MM-DD HH:MM:SS" of the local time now.
void Now(std::string& stamp, std::string& readable) {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);  // called under the server's mutex only
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", local);
  stamp = text;
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
  readable = text;
}

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

bool Serve(const ServeOptions& options, label_inspect::Font* font, Console console,
           const std::function<void(uint16_t port)>& listening, std::string& error) {
  asio::io_context io;
  Server server(io, options, font, std::move(console));
  if (!server.Start(error)) return false;
  listening(server.Port());

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
  return true;
}

Server::Server(asio::io_context& io, ServeOptions options, label_inspect::Font* font, Console console)
    : io_(io),
      options_(std::move(options)),
      console_(std::move(console)),
      strand_(asio::make_strand(io)),
      acceptor_(strand_),
      index_(options_.out, [this](const std::string& line) { Say(line); }),
      queue_(options_.out, options_.queueLength, font, [this](const JobRecord& job) { Rendered(job); }) {}

Server::~Server() {
  queue_.Close();
  index_.Close();
}

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
  acceptor_.async_accept(asio::make_strand(io_), [this](const std::error_code& error, asio::ip::tcp::socket socket) {
    std::shared_ptr<Session> session;
    {
      const std::lock_guard lock(mutex_);
      if (stopping_) return;
      if (!error) session = *sessions_.insert(std::make_shared<Session>(std::move(socket), *this)).first;
    }
    if (error) Say("cannot accept a connection: " + error.message());
    if (session) session->Start();
    Accept();
  });
}

JobRecord Server::NewJob(const std::string& peer) {
  const std::lock_guard lock(mutex_);
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

void Server::Received(const std::shared_ptr<Session>&, JobRecord job) { index_.Update(job); }

void Server::Saved(const std::shared_ptr<Session>& session, JobRecord job) {
  bool stopping = false;
  {
    const std::lock_guard lock(mutex_);
    sessions_.erase(session);
    stopping = stopping_;
  }
  if (job.ending != Ending::kNotSaved) {
    job.rendering = Rendering::kWaiting;
    index_.Update(job);  // before the worker can see it, so its result is never overwritten
    if (!stopping && queue_.Push(job)) return;
    job.rendering = stopping ? Rendering::kStopped : Rendering::kQueueFull;
  }
  index_.Update(job, ConsoleLine(job));
}

void Server::Rendered(const JobRecord& job) { index_.Update(job, ConsoleLine(job)); }

void Server::Stop() {
  asio::post(strand_, [this] {
    std::set<std::shared_ptr<Session>> open;
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
      open = sessions_;
    }
    std::error_code ignored;
    acceptor_.close(ignored);
    for (const auto& session : open) session->Stop();
  });
}

void Server::Finish() {
  for (JobRecord& job : queue_.Close()) {
    job.rendering = Rendering::kStopped;
    index_.Update(job, ConsoleLine(job));
  }
  index_.Close();
}

void Server::Say(const std::string& line) {
  const std::lock_guard lock(consoleMutex_);
  console_(line);
}

}  // namespace label_serve

// The acceptor: listens (loopback unless told otherwise), starts one session per
// connection, hands each finished job to the render queue and keeps the index and the
// console up to date. The io_context may run on several threads: the acceptor and each
// session have a strand of their own, and the server's own state a mutex. The render
// queue has its own thread.
#pragma once

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/strand.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "job_index.h"
#include "render_queue.h"
#include "serve_options.h"
#include "serve_run.h"

namespace label_serve {

class Session;

class Server {
 public:
  // `font` may be null: text fields are then listed as undrawn.
  Server(asio::io_context& io, ServeOptions options, label_inspect::Font* font, Console console);
  ~Server();

  // Creates the folders, writes the empty index and listens; false and `error` when one
  // of them fails.
  bool Start(std::string& error);
  uint16_t Port() const { return port_; }
  // Stops accepting and closes the open connections, keeping what arrived; once the
  // io_context has run out, the caller calls Finish. Any thread.
  void Stop();
  // After the io_context has run out: lets the render in hand finish, lists the jobs still
  // waiting as unrendered and writes the index a last time.
  void Finish();

  // For the sessions.
  const ServeOptions& options() const { return options_; }
  // A new connection's job: its number, name and arrival time.
  JobRecord NewJob(const std::string& peer);
  void Received(const std::shared_ptr<Session>& session, JobRecord job);
  void Saved(const std::shared_ptr<Session>& session, JobRecord job);

 private:
  void Accept();
  void Rendered(const JobRecord& job);
  void Say(const std::string& line);

  asio::io_context& io_;
  ServeOptions options_;
  Console console_;
  std::mutex consoleMutex_;
  asio::strand<asio::io_context::executor_type> strand_;  // the acceptor's
  asio::ip::tcp::acceptor acceptor_;
  uint16_t port_ = 0;
  JobIndex index_;
  RenderQueue queue_;
  std::mutex mutex_;  // guards the three below
  std::set<std::shared_ptr<Session>> sessions_;
  uint64_t jobs_ = 0;
  bool stopping_ = false;
};

}  // namespace label_serve

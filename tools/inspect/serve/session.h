// One connection: one job. Its bytes go to DIR/jobs/<name>.prn.part as they arrive
// (one fixed buffer, never the whole job in memory); the file gets its final name when
// the connection ends, whether the client closed it, went silent, passed the size limit
// or the server stopped. Everything but Start and Stop runs on the socket's strand.
#pragma once

#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>

#include <array>
#include <cstdio>
#include <memory>
#include <string>

#include "job_index.h"

namespace label_serve {

class Server;

class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(asio::ip::tcp::socket socket, Server& server);
  ~Session();
  // Opens the job's file and starts reading, on the session's strand; a job that cannot
  // be saved ends at once.
  void Start();
  // The server stops: the job ends with what arrived. Any thread.
  void Stop();

 private:
  void Open();
  void Read();
  void Take(const std::error_code& error, size_t count);
  bool Store(const char* bytes, size_t count);
  void WatchSilence();
  // Closes the connection for `ending` (the first reason wins).
  void Cut(Ending ending, const std::string& why);
  void End();

  asio::ip::tcp::socket socket_;
  asio::steady_timer silence_;
  Server& server_;
  JobRecord job_;
  std::FILE* file_ = nullptr;
  std::array<char, 256 * 1024> buffer_{};
  bool ended_ = false;
};

}  // namespace label_serve

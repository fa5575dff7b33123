// The virtual printer in-process on an ephemeral loopback port, with clients in the test:
// jobs arrive byte for byte, are listed and reported; cut, silent, oversized and unsaved
// jobs end as the console and the index say, and the server goes on.
#include <gtest/gtest.h>

#include <asio/buffer.hpp>
#include <asio/post.hpp>
#include <asio/write.hpp>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "commands/format_commands.h"
#include "commands/graphic_commands.h"
#include "commands/page_commands.h"
#include "serve_options.h"
#include "server.h"

namespace label_serve {
namespace {

namespace fs = std::filesystem;
using asio::ip::tcp;
using commands::CommandBuffer;

// A 300-dpi job of three labels, each recalling a 160 x 160 download of noise, so the
// job spans several of the server's reads.
std::string SampleJob() {
  CommandBuffer b;
  commands::BeginLabelFormat(&b);
  commands::WriteResolution(&b, 300);
  commands::WriteLabelSize(&b, {400, 400});
  commands::EndLabelFormat(&b);
  std::vector<uint8_t> pixels(160 * 480);
  uint32_t noise = 17;
  for (uint8_t& pixel : pixels) pixel = static_cast<uint8_t>((noise = noise * 1103515245u + 12345u) >> 24);
  for (uint32_t label = 0; label < 3; ++label) {
    commands::BeginLabelFormat(&b);
    commands::DownloadGraphic(&b, pixels, 160, 480, 160, 24, "DYNAMIC");
    commands::RecallGraphic(&b, {10 * label, 10}, "DYNAMIC");
    commands::WritePrintQuantity(&b, 1, 1, false);
    commands::EndLabelFormat(&b);
  }
  return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}
const std::string kJob = SampleJob();

std::string Read(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class Serve : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() / ("serve_test_" + std::to_string(::getpid()) + "_" + test->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    options_.port = 0;
    options_.out = folder_ / "out";
  }
  void TearDown() override {
    StopServer();
    fs::remove_all(folder_);
  }

  void StartServer() {
    server_ = std::make_unique<Server>(io_, options_, nullptr, [this](const std::string& line) {
      const std::lock_guard lock(mutex_);
      lines_.push_back(line);
      said_.notify_all();
    });
    std::string error;
    ASSERT_TRUE(server_->Start(error)) << error;
    network_ = std::thread([this] { io_.run(); });
  }
  // What Ctrl-C does: stop on the network thread, then finish.
  void StopServer() {
    if (!server_) return;
    asio::post(io_, [this] { server_->Stop(); });
    network_.join();
    server_->Finish();
    server_.reset();
  }
  tcp::socket Connect() {
    tcp::socket socket(client_);
    socket.connect({asio::ip::make_address("127.0.0.1"), server_->Port()});
    return socket;
  }
  // Sends a job and closes; a server that closes first (a job it cannot save) is no failure here.
  void Send(const std::string& bytes) {
    tcp::socket socket = Connect();
    std::error_code refused;
    asio::write(socket, asio::buffer(bytes), refused);
  }
  // The console's first `count` lines, waiting for them (at most a minute).
  std::vector<std::string> Lines(size_t count) {
    std::unique_lock lock(mutex_);
    said_.wait_for(lock, std::chrono::seconds(60), [&] { return lines_.size() >= count; });
    return lines_;
  }
  // Waits (at most 10 s) until the server has written `size` bytes of a job in progress.
  void AwaitPart(size_t size) const {
    for (int wait = 0; wait < 1000; ++wait, std::this_thread::sleep_for(std::chrono::milliseconds(10)))
      for (const auto& entry : fs::directory_iterator(options_.out / "jobs"))
        if (entry.path().extension() == ".part" && fs::file_size(entry.path()) == size) return;
  }
  // The saved jobs (final names only).
  std::vector<fs::path> Jobs() const {
    std::vector<fs::path> jobs;
    for (const auto& entry : fs::directory_iterator(options_.out / "jobs"))
      if (entry.path().extension() != ".prn" || entry.is_directory()) continue;
      else jobs.push_back(entry.path());
    std::sort(jobs.begin(), jobs.end());
    return jobs;
  }
  // The index's row of a job.
  std::string Row(const fs::path& job) const {
    const std::string index = Read(options_.out / "index.html");
    const size_t at = index.find(job.filename().string() + "</a>");
    if (at == std::string::npos) return "";
    const size_t begin = index.rfind("<tr>", at);
    return index.substr(begin, index.find("</tr>", at) - begin);
  }

  fs::path folder_;
  ServeOptions options_;
  asio::io_context io_, client_;
  std::unique_ptr<Server> server_;
  std::thread network_;
  std::mutex mutex_;
  std::condition_variable said_;
  std::vector<std::string> lines_;
};

TEST_F(Serve, JobArrivesByteForByteIsListedAndReported) {
  StartServer();
  Send(kJob);
  const std::vector<std::string> lines = Lines(1);
  ASSERT_EQ(Jobs().size(), 1u);
  const fs::path job = Jobs()[0];
  const std::string name = job.stem().string();
  EXPECT_EQ(lines.at(0), "received " + std::to_string(kJob.size()) + " bytes from 127.0.0.1 -> jobs/" + name +
                             ".prn; 3 labels, 0 errors");
  EXPECT_EQ(Read(job), kJob);
  EXPECT_NE(Row(job).find("href=\"jobs/" + name + "/report.html\""), std::string::npos) << Row(job);
  EXPECT_NE(Row(job).find("<img src=\"jobs/" + name + "/report_files/label_"), std::string::npos);
  EXPECT_TRUE(fs::exists(job.parent_path() / name / "report.html"));
}

TEST_F(Serve, ConnectionCutMidDownloadIsKeptAndListedAsCut) {
  StartServer();
  const std::string half = kJob.substr(0, kJob.size() / 2);
  tcp::socket socket = Connect();
  asio::write(socket, asio::buffer(half));
  AwaitPart(half.size());
  socket.set_option(asio::socket_base::linger(true, 0));
  socket.close();

  const std::vector<std::string> lines = Lines(1);
  ASSERT_EQ(Jobs().size(), 1u);
  EXPECT_EQ(Read(Jobs()[0]), half);
  EXPECT_NE(lines.at(0).find("(cut: the connection was lost"), std::string::npos) << lines.at(0);
  EXPECT_NE(Row(Jobs()[0]).find("cut: the connection was lost"), std::string::npos);
  EXPECT_NE(Row(Jobs()[0]).find("declares"), std::string::npos) << "the checker's finding about the download";
}

TEST_F(Serve, StoppingKeepsTheJobInProgressUnderItsFinalName) {
  StartServer();
  tcp::socket socket = Connect();
  asio::write(socket, asio::buffer(kJob.substr(0, 1000)));
  AwaitPart(1000);
  StopServer();
  ASSERT_EQ(Lines(1).size(), 1u);
  EXPECT_NE(lines_[0].find("received 1000 bytes from 127.0.0.1 -> jobs/"), std::string::npos) << lines_[0];
  EXPECT_NE(lines_[0].find("(cut: the server stopped; kept what arrived)"), std::string::npos) << lines_[0];
  for (const auto& entry : fs::recursive_directory_iterator(options_.out))
    EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
  ASSERT_EQ(Jobs().size(), 1u);
  EXPECT_NE(Row(Jobs()[0]).find("cut: the server stopped"), std::string::npos);
}

TEST_F(Serve, EightClientsAtOnceGiveEightCompleteJobs) {
  StartServer();
  std::set<std::string> sent;
  std::vector<std::thread> clients;
  for (int client = 0; client < 8; ++client) {
    const std::string job = kJob + "^FX client " + std::to_string(client) + "^FS";
    sent.insert(job);
    clients.emplace_back([this, job] { Send(job); });
  }
  for (std::thread& client : clients) client.join();
  EXPECT_EQ(Lines(8).size(), 8u);
  std::set<std::string> saved;
  for (const fs::path& job : Jobs()) saved.insert(Read(job));
  EXPECT_EQ(saved, sent);
}

// The server ends a job itself, keeps what arrived, and takes the next job.
TEST_F(Serve, SilentOrOversizedJobIsCutAndTheServerGoesOn) {
  options_.idleTimeout = std::chrono::milliseconds(200);
  options_.maxBytes = kJob.size() + 5;
  StartServer();
  {
    tcp::socket silent = Connect();
    asio::write(silent, asio::buffer(kJob.substr(0, 100)));
    ASSERT_EQ(Lines(1).size(), 1u);  // while the client still holds the connection
  }
  Send(kJob + "^XA^XZ");
  Send(kJob);

  const std::vector<std::string> lines = Lines(3);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("received 100 bytes from 127.0.0.1 -> jobs/"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("(cut: silent for 0.2 s; kept what arrived)"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("(cut: reached the size limit of " + std::to_string(kJob.size() + 5) + " bytes"),
            std::string::npos) << lines[1];
  EXPECT_EQ(lines[2].find("cut"), std::string::npos) << lines[2];
  const std::vector<fs::path> jobs = Jobs();
  ASSERT_EQ(jobs.size(), 3u);
  EXPECT_EQ(fs::file_size(jobs[1]), kJob.size() + 5);
  EXPECT_EQ(Read(jobs[2]), kJob);
}

TEST_F(Serve, UnwritableFolderIsSaidAndTheServerGoesOn) {
  StartServer();
  fs::remove_all(options_.out / "jobs");
  std::ofstream(options_.out / "jobs") << "a file where the jobs folder was";
  Send(kJob);
  const std::vector<std::string> first = Lines(1);
  EXPECT_NE(first.at(0).find("job from 127.0.0.1 not saved: cannot write "), std::string::npos) << first.at(0);
  EXPECT_NE(Read(options_.out / "index.html").find("not saved: cannot write"), std::string::npos);

  fs::remove(options_.out / "jobs");
  Send(kJob);
  ASSERT_EQ(Lines(2).size(), 2u);
  ASSERT_EQ(Jobs().size(), 1u);
  EXPECT_EQ(Read(Jobs()[0]), kJob);
}

TEST_F(Serve, OutputFolderThatCannotBeMadeStopsTheStart) {
  std::ofstream(folder_ / "out") << "a file, not a folder";
  Server server(io_, options_, nullptr, [](const std::string&) {});
  std::string error;
  EXPECT_FALSE(server.Start(error));
  EXPECT_NE(error.find("cannot create " + (options_.out / "jobs").string()), std::string::npos) << error;
}

TEST(ServeOptions, ParsesWhatThePersonTypes) {
  struct Case {
    std::vector<std::string> arguments;
    bool good;
    std::string address;
    uint16_t port;
  } cases[] = {
      {{"--out", "d"}, true, "127.0.0.1", 9100},
      {{"--listen", "0.0.0.0:9101", "--out", "d"}, true, "0.0.0.0", 9101},
      {{"--out", "d", "--listen", "[::1]:0"}, true, "::1", 0},
      {{"--listen", "127.0.0.1:65536", "--out", "d"}, false, "", 0},
      {{"--listen", "9100", "--out", "d"}, false, "", 0},
      {{"--out", "d", "--idle-timeout", "0"}, false, "", 0},
      {{"--out", "d", "--max-bytes", "12x"}, false, "", 0},
      {{"--listen", "127.0.0.1:9100"}, false, "", 0},
      {{"--out"}, false, "", 0},
  };
  for (const Case& c : cases) {
    ServeOptions options;
    std::string error;
    EXPECT_EQ(ParseServeOptions(c.arguments, options, error), c.good) << c.arguments[0] << " " << error;
    if (!c.good) continue;
    EXPECT_EQ(options.address, c.address);
    EXPECT_EQ(options.port, c.port);
  }
}

}  // namespace
}  // namespace label_serve

// The virtual printer under load: small jobs (the sample job's bytes) and large ones sent by
// several clients at once over loopback to `label_inspect serve`, against a plain loopback
// copy of the same bytes to files in the same run (round-robin, several rounds). Every job
// saved is compared with what was sent by its CRC; the server's peak resident memory is read
// from /proc before it is stopped.
//
//   serve_bench LABEL_INSPECT SAMPLE.prn WORK_DIR [--small N] [--large N] [--large-mb N]
//               [--clients N] [--rounds N]
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <zlib.h>

#include <algorithm>
#include <asio.hpp>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using asio::ip::tcp;
using Clock = std::chrono::steady_clock;

// Job n: the sample job with its number appended as a comment (small), or formats that
// each download 1 MiB of pseudo-random bytes, made while sending (large), so that no job is
// ever held whole by the client.
struct Jobs {
  static constexpr uint64_t kBlock = 1 << 20;
  std::string sample;
  size_t small = 200, large = 20;
  uint64_t largeBytes = 50ull << 20;
  size_t Count() const { return small + large; }
  uint64_t Bytes() const {
    uint64_t total = 0;
    for (size_t n = 0; n < Count(); ++n) total += Size(n);
    return total;
  }
  static std::string BlockHead(size_t n) {
    return "^XA~DYR:IMAGE" + std::to_string(n) + ",B,P," + std::to_string(kBlock) + ",b,";
  }
  uint64_t Size(size_t n) const {
    if (n < small) return sample.size() + Comment(n).size();
    return largeBytes / kBlock * (BlockHead(n).size() + kBlock + 3);
  }
  static std::string Comment(size_t n) { return "^FXbench job " + std::to_string(n) + "^FS"; }
  // Calls `put` with the job's bytes piece by piece; returns their CRC-32.
  template <class Put>
  uint32_t Produce(size_t n, Put&& put) const {
    uLong crc = crc32(0, nullptr, 0);
    const auto give = [&](const std::string& piece) {
      crc = crc32(crc, reinterpret_cast<const Bytef*>(piece.data()), static_cast<uInt>(piece.size()));
      put(piece);
    };
    if (n < small) {
      give(sample + Comment(n));
      return static_cast<uint32_t>(crc);
    }
    uint64_t state = 0x9E3779B97F4A7C15ull * (n + 1);
    std::string block(kBlock, '\0');
    for (uint64_t left = largeBytes / kBlock; left > 0; --left) {
      give(BlockHead(n));
      for (char& c : block)
        c = static_cast<char>((state = state * 6364136223846793005ull + 1442695040888963407ull) >> 56);
      give(block);
      give("^XZ");
    }
    return static_cast<uint32_t>(crc);
  }
};

uint32_t FileCrc(const fs::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  uLong crc = crc32(0, nullptr, 0);
  if (file == nullptr) return 0;
  std::vector<char> buffer(1 << 20);
  for (size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;)
    crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(got));
  std::fclose(file);
  return static_cast<uint32_t>(crc);
}

// Sends every job with `clients` connections at once; the CRCs sent, in any order.
std::vector<uint32_t> SendAll(const Jobs& jobs, uint16_t port, size_t clients) {
  std::atomic<size_t> next{0};
  std::mutex mutex;
  std::vector<uint32_t> sent;
  std::vector<std::thread> threads;
  for (size_t c = 0; c < clients; ++c)
    threads.emplace_back([&] {
      asio::io_context io;
      for (size_t n; (n = next++) < jobs.Count();) {
        tcp::socket socket(io);
        socket.connect({asio::ip::make_address("127.0.0.1"), port});
        const uint32_t crc = jobs.Produce(n, [&](const std::string& piece) { asio::write(socket, asio::buffer(piece)); });
        socket.shutdown(tcp::socket::shutdown_send);
        char ignored[16];
        std::error_code closed;
        while (socket.read_some(asio::buffer(ignored), closed) > 0) {
        }
        const std::lock_guard lock(mutex);
        sent.push_back(crc);
      }
    });
  for (std::thread& thread : threads) thread.join();
  return sent;
}

std::vector<uint32_t> SavedCrcs(const fs::path& folder) {
  std::vector<uint32_t> crcs;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file() && entry.path().extension() == ".prn") crcs.push_back(FileCrc(entry.path()));
  return crcs;
}

bool SameJobs(std::vector<uint32_t> sent, std::vector<uint32_t> saved) {
  std::sort(sent.begin(), sent.end());
  std::sort(saved.begin(), saved.end());
  return sent == saved;
}

// The plain copy: one thread per connection reads into a 64 KiB buffer and writes each read
// to its file unbuffered, as the server does, with nothing else around it.
double PlainCopy(const Jobs& jobs, const fs::path& folder, size_t clients, bool& same) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  asio::io_context io;
  tcp::acceptor acceptor(io, {asio::ip::make_address("127.0.0.1"), 0});
  std::vector<std::thread> receivers;
  std::thread accepting([&] {
    for (size_t n = 0; n < jobs.Count(); ++n) {
      auto socket = std::make_shared<tcp::socket>(acceptor.accept());
      receivers.emplace_back([socket, path = folder / (std::to_string(n) + ".prn")] {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::setvbuf(file, nullptr, _IONBF, 0);
        std::vector<char> buffer(64 * 1024);
        std::error_code end;
        for (size_t got; (got = socket->read_some(asio::buffer(buffer), end)) > 0;) std::fwrite(buffer.data(), 1, got, file);
        std::fclose(file);
      });
    }
  });
  const auto start = Clock::now();
  const std::vector<uint32_t> sent = SendAll(jobs, acceptor.local_endpoint().port(), clients);
  accepting.join();
  for (std::thread& receiver : receivers) receiver.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  same = SameJobs(sent, SavedCrcs(folder));
  fs::remove_all(folder);
  return seconds;
}

long PeakKilobytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

struct ServerRun {
  double seconds = 0;
  bool same = false;
  long peakKb = -1;
};

// The server in its own process; the time runs until the last job has its final name.
ServerRun Serve(const std::string& tool, const Jobs& jobs, const fs::path& folder, size_t clients) {
  ServerRun run;
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string console = (folder / "console.txt").string(), out = (folder / "out").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<std::string> arguments = {tool, "serve", "--listen", "127.0.0.1:0", "--out", out};
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ) != 0) return run;
  posix_spawn_file_actions_destroy(&actions);
  uint16_t port = 0;
  for (int wait = 0; wait < 600 && port == 0; ++wait) {
    std::ifstream file(console);
    std::string line;
    std::getline(file, line);
    const size_t colon = line.find("127.0.0.1:");
    if (colon != std::string::npos) port = static_cast<uint16_t>(std::stoi(line.substr(colon + 10)));
    else std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (port != 0) {
    const auto start = Clock::now();
    const std::vector<uint32_t> sent = SendAll(jobs, port, clients);
    const fs::path saved = fs::path(out) / "jobs";
    for (int wait = 0; wait < 60000; ++wait) {  // at most a minute after the last send
      size_t count = 0;
      for (const auto& entry : fs::directory_iterator(saved)) count += entry.path().extension() == ".prn";
      if (count >= jobs.Count()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.peakKb = PeakKilobytes(pid);
    run.same = SameJobs(sent, SavedCrcs(saved));
  }
  kill(pid, SIGINT);
  int status = 0;
  waitpid(pid, &status, 0);
  fs::remove_all(folder);
  return run;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: serve_bench LABEL_INSPECT SAMPLE.prn WORK_DIR [--small N] [--large N] [--large-mb N]"
                 " [--clients N] [--rounds N]\n";
    return 2;
  }
  Jobs jobs;
  {
    std::ifstream sample(argv[2], std::ios::binary);
    jobs.sample.assign(std::istreambuf_iterator<char>(sample), std::istreambuf_iterator<char>());
  }
  size_t clients = 8, rounds = 3;
  for (int i = 4; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const uint64_t value = std::stoull(argv[i + 1]);
    if (name == "--small") jobs.small = value;
    else if (name == "--large") jobs.large = value;
    else if (name == "--large-mb") jobs.largeBytes = value << 20;
    else if (name == "--clients") clients = value;
    else if (name == "--rounds") rounds = value;
  }
  if (jobs.sample.empty()) {
    std::cerr << "serve_bench: no sample job in " << argv[2] << "\n";
    return 2;
  }
  const fs::path work = argv[3];
  std::vector<double> plain, served, ratios;
  bool allSame = true;
  long peakKb = 0;
  for (size_t round = 0; round < rounds; ++round) {
    bool same = false;
    plain.push_back(PlainCopy(jobs, work / "plain", clients, same));
    allSame = allSame && same;
    const ServerRun run = Serve(argv[1], jobs, work / "serve", clients);
    allSame = allSame && run.same;
    served.push_back(run.seconds);
    ratios.push_back(run.seconds > 0 ? plain.back() / run.seconds : 0);
    peakKb = std::max(peakKb, run.peakKb);
  }
  const double megabytes = static_cast<double>(jobs.Bytes()) / (1 << 20);
  std::printf("serve: %zu jobs of %zu bytes and %zu of %llu MB, %zu clients at once, %zu rounds, %.0f MB a round\n",
              jobs.small, jobs.sample.size(), jobs.large,
              static_cast<unsigned long long>(jobs.largeBytes >> 20), clients, rounds, megabytes);
  std::printf("serve: every job saved byte for byte (CRC-32 compared): %s\n", allSame ? "yes" : "NO");
  std::printf("serve: plain loopback copy %.0f MB/s, label_inspect serve %.0f MB/s (medians)\n",
              megabytes / Median(plain), megabytes / Median(served));
  std::printf("ratio: serve / plain copy throughput: median %.3f min %.3f\n", Median(ratios),
              *std::min_element(ratios.begin(), ratios.end()));
  std::printf("serve: peak resident memory of the server %.1f MB\n", peakKb / 1024.0);
  return allSame ? 0 : 1;
}

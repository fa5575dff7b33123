// label_inspect.exe serve under Wine, as a person runs it: sample_job.exe writes the sample
// job, a client in the test sends it to the server on an ephemeral loopback port, and the
// job and its report come out as `label_inspect.exe report` writes them of the same file.
// Asio first: windows.h without WIN32_LEAN_AND_MEAN would bring the old WinSock header.
#include <asio/buffer.hpp>
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/write.hpp>

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "common/win_files.h"

namespace {

namespace fs = std::filesystem;
constexpr DWORD kChildTimeout = 120000;

struct Child {
  HANDLE process = nullptr;
  ~Child() { End(); }
  void End() {
    if (process == nullptr) return;
    TerminateProcess(process, 99);
    WaitForSingleObject(process, kChildTimeout);
    CloseHandle(process);
    process = nullptr;
  }
};

// Starts a program beside this one with its output in `output`.
bool Start(Child& child, const std::wstring& program, const std::wstring& arguments, const fs::path& output) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const HANDLE file = CreateFileW(output.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::wstring command = L"\"" + win_tools::ExecutableFolder() + L"\\" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = file;
  PROCESS_INFORMATION process{};
  const bool started =
      CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  CloseHandle(file);
  if (!started) return false;
  CloseHandle(process.hThread);
  child.process = process.hProcess;
  return true;
}

DWORD Finish(Child& child) {
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(child.process, kChildTimeout) == WAIT_OBJECT_0) GetExitCodeProcess(child.process, &code);
  return code;
}

// The first match of `pattern` in the file, waiting for it (at most two minutes).
std::smatch Await(const fs::path& file, const std::regex& pattern, std::string& text) {
  std::smatch match;
  for (int wait = 0; wait < 1200; ++wait, Sleep(100)) {
    text = win_tools::ReadFileBytes(file.wstring());
    if (std::regex_search(text, match, pattern)) break;
  }
  return match;
}

TEST(ServeUnderWine, ReceivesTheSampleJobAndWritesItsReport) {
  const fs::path folder = fs::path(win_tools::TempFilePath(L"serve_win_test", L"d"));
  fs::remove_all(folder);
  fs::create_directories(folder);
  const fs::path sample = folder / "sample_job.prn";
  Child writer;
  ASSERT_TRUE(Start(writer, L"sample_job.exe", L"\"" + sample.wstring() + L"\"", folder / "sample_job.txt"));
  ASSERT_EQ(Finish(writer), 0u) << win_tools::ReadFileBytes((folder / "sample_job.txt").wstring());
  const std::string job = win_tools::ReadFileBytes(sample.wstring());

  Child server;
  const fs::path console = folder / "serve.txt", out = folder / "out";
  ASSERT_TRUE(Start(server, L"label_inspect.exe", L"serve --listen 127.0.0.1:0 --out \"" + out.wstring() + L"\"",
                    console));
  std::string said;
  const std::smatch listening = Await(console, std::regex("listening on 127\\.0\\.0\\.1:(\\d+)"), said);
  ASSERT_FALSE(listening.empty()) << said;
  {
    asio::io_context io;
    asio::ip::tcp::socket client(io);
    client.connect({asio::ip::make_address("127.0.0.1"), static_cast<uint16_t>(std::stoi(listening[1]))});
    asio::write(client, asio::buffer(job));
  }
  const std::smatch received = Await(console, std::regex("received (\\d+) bytes from 127\\.0\\.0\\.1 -> "
                                                         "jobs/([0-9-]+)\\.prn; (.*)"), said);
  ASSERT_FALSE(received.empty()) << said;
  EXPECT_EQ(received[1], std::to_string(job.size()));
  const fs::path saved = out / "jobs" / (received[2].str() + ".prn");
  EXPECT_EQ(win_tools::ReadFileBytes(saved.wstring()), job);
  EXPECT_EQ(received[3].str().find("no report"), std::string::npos) << received[3];

  Child report;
  ASSERT_TRUE(Start(report, L"label_inspect.exe", L"report \"" + saved.wstring() + L"\" --out \"" +
                    (folder / "direct").wstring() + L"\"", folder / "report.txt"));
  ASSERT_EQ(Finish(report), 0u) << win_tools::ReadFileBytes((folder / "report.txt").wstring());
  const fs::path reported = out / "jobs" / received[2].str();
  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder / "direct")) {
    if (entry.is_directory()) continue;
    ++files;
    const fs::path relative = fs::relative(entry.path(), folder / "direct");
    EXPECT_EQ(win_tools::ReadFileBytes((reported / relative).wstring()),
              win_tools::ReadFileBytes(entry.path().wstring())) << relative.string();
  }
  EXPECT_GT(files, 2u);
  server.End();
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

}  // namespace

// The diagnostic log with the real Win32 services under Wine: the common app-data folder
// of the prefix, real files, the named mutex shared with child processes of this same
// executable (started with a --child-... switch), and the ANSI code page.
#include <windows.h>
#include <aclapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "diag/diagnostic_log.h"
#include "platform/log_system.h"

namespace {

constexpr wchar_t kMutexName[] = L"ORVEX_KD-V1800";
constexpr DWORD kChildTimeout = 120000;

std::wstring MakerFolder() {
  wchar_t folder[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
  return std::wstring(folder) + L"\\ORVEX";
}
std::wstring ApplicationFolder() { return MakerFolder() + L"\\ORVEX_ZOV"; }
std::wstring LogPath() { return ApplicationFolder() + L"\\ZOV_PLUGIN_KD-V62x0G.log"; }
std::wstring BackupPath() { return LogPath() + L".bak"; }

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The whole file, or `missing` when it cannot be opened.
std::string ReadAll(const std::wstring& path, bool* missing = nullptr) {
  std::string content;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (missing != nullptr) *missing = file == INVALID_HANDLE_VALUE;
  if (file == INVALID_HANDLE_VALUE) return content;
  char chunk[65536];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) content.append(chunk, read);
  CloseHandle(file);
  return content;
}

bool IsMissing(const std::wstring& path) {
  bool missing = false;
  ReadAll(path, &missing);
  return missing;
}

void WriteAll(const std::wstring& path, const std::string& content) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
  ASSERT_EQ(written, content.size());
  CloseHandle(file);
}

// Lines split at "\r\n"; `rest` gets whatever follows the last one.
std::vector<std::string> SplitLines(const std::string& content, std::string* rest = nullptr) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(content.substr(start, end - start));
  if (rest != nullptr) *rest = content.substr(start);
  return lines;
}

// "YYYY/MM/DD hh:mm:ss.mmm,ORVEX_ZOV,ZOV_PLUGIN_KD-V62x0G,<source>,<message>"
const std::regex kLine(R"(^(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\.\d{3}),ORVEX_ZOV,ZOV_PLUGIN_KD-V62x0G,([^,]*),(.*)$)");

std::wstring ExecutablePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

// Starts this executable with `arguments`; the process handle, or null.
HANDLE StartChild(const std::wstring& arguments) {
  std::wstring command = L"\"" + ExecutablePath() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return nullptr;
  CloseHandle(process.hThread);
  return process.hProcess;
}

// Waits for the child and returns its exit code (STILL_ACTIVE when it did not end).
DWORD FinishChild(HANDLE process) {
  if (WaitForSingleObject(process, kChildTimeout) != WAIT_OBJECT_0) TerminateProcess(process, 99);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return code;
}

// Event names unique to this run, so a rerun never meets a stale one.
std::wstring EventName(const wchar_t* what) {
  return L"ZovLogTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" + what;
}

class LogTest : public ::testing::Test {
 protected:
  // The log's folders are this test's alone while it runs: start from none.
  void SetUp() override {
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::path(MakerFolder()), error);
    ASSERT_FALSE(FolderExists(MakerFolder()));
  }
  void TearDown() override {
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::path(MakerFolder()), error);
  }
  // Creates the folders with one entry, then sets the log's content.
  void PrepareLog(const std::string& content) {
    diag::WriteDiagnosticLog(u"prepare", u"test");
    WriteAll(LogPath(), content);
  }
};

TEST_F(LogTest, FirstEntryCreatesTheFoldersAndOneLine) {
  diag::WriteDiagnosticLog(u"bad_alloc", u"Painter");
  EXPECT_TRUE(FolderExists(MakerFolder()));
  EXPECT_TRUE(FolderExists(ApplicationFolder()));
  std::string rest;
  const std::vector<std::string> lines = SplitLines(ReadAll(LogPath()), &rest);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(rest, "");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(lines[0], match, kLine)) << lines[0];
  EXPECT_EQ(match[2], "Painter");
  EXPECT_EQ(match[3], "bad_alloc");
  EXPECT_TRUE(IsMissing(BackupPath()));
}

TEST_F(LogTest, RotatesOnlyPastTheLimitLessTheMargin) {
  PrepareLog(std::string(5238782, 'x') + "\r\n");
  diag::WriteDiagnosticLog(u"kept", u"test");
  std::string content = ReadAll(LogPath());
  EXPECT_TRUE(IsMissing(BackupPath()));
  ASSERT_GT(content.size(), 5238784u);
  EXPECT_EQ(content.find_first_not_of('x'), 5238782u);
  EXPECT_EQ(SplitLines(content.substr(5238784)).size(), 1u);

  WriteAll(LogPath(), std::string(5238785, 'y'));
  diag::WriteDiagnosticLog(u"fresh", u"test");
  EXPECT_EQ(ReadAll(BackupPath()), std::string(5238785, 'y'));
  content = ReadAll(LogPath());
  const std::vector<std::string> lines = SplitLines(content);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(content.size(), lines[0].size() + 2);
  EXPECT_TRUE(lines[0].ends_with(",test,fresh")) << lines[0];
}

TEST_F(LogTest, RotationReplacesTheBackup) {
  PrepareLog(std::string(5238785, 'n'));
  WriteAll(BackupPath(), "an older backup\r\n");
  diag::WriteDiagnosticLog(u"fresh", u"test");
  EXPECT_EQ(ReadAll(BackupPath()), std::string(5238785, 'n'));
  EXPECT_EQ(SplitLines(ReadAll(LogPath())).size(), 1u);
}

// Another process holding the backup open: neither deleted nor copied over, so the
// log is not emptied either; the entry joins the full log.
TEST_F(LogTest, ABackupHeldOpenKeepsEveryEntry) {
  const std::string full = std::string(5238783, 'k') + "\r\n";
  PrepareLog(full);
  WriteAll(BackupPath(), "held\r\n");
  const HANDLE held = CreateFileW(BackupPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  diag::WriteDiagnosticLog(u"kept", u"test");
  CloseHandle(held);
  EXPECT_EQ(ReadAll(BackupPath()), "held\r\n");
  const std::string content = ReadAll(LogPath());
  ASSERT_GT(content.size(), full.size());
  EXPECT_EQ(content.compare(0, full.size(), full), 0);
  const std::vector<std::string> lines = SplitLines(content.substr(full.size()));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].ends_with(",test,kept")) << lines[0];
}

// What cuts a torn entry back, on a real file through the handle already open.
TEST_F(LogTest, TheLogFileIsReadAndCutBackThroughItsHandle) {
  PrepareLog("whole\r\ntorn");
  const std::wstring path = LogPath();
  std::unique_ptr<platform::LogFile> file =
      platform::GetLogSystem().OpenFile(std::u16string(path.begin(), path.end()), false);
  ASSERT_NE(file, nullptr);
  uint64_t size = 0;
  ASSERT_TRUE(file->Size(size));
  ASSERT_EQ(size, 11u);
  char last = 0;
  EXPECT_TRUE(file->ReadAt(size - 1, &last, 1));
  EXPECT_EQ(last, 'n');
  EXPECT_FALSE(file->ReadAt(size, &last, 1));
  EXPECT_TRUE(file->CutBackTo(7));
  EXPECT_TRUE(file->AppendAtEnd("next\r\n", 6));
  file.reset();
  EXPECT_EQ(ReadAll(path), "whole\r\nnext\r\n");
}

TEST_F(LogTest, UnmappableCharactersBecomeTheDefaultCharacter) {
  CPINFO info{};
  ASSERT_TRUE(GetCPInfo(GetACP(), &info));
  ASSERT_EQ(info.MaxCharSize, 1u) << "expects a single-byte ANSI code page, got " << GetACP();
  // A snowman exists in no single-byte code page, and has no best-fit stand-in.
  diag::WriteDiagnosticLog(u"a\u2603b", u"test");
  const std::vector<std::string> lines = SplitLines(ReadAll(LogPath()));
  ASSERT_EQ(lines.size(), 1u);
  const std::string expected{'a', static_cast<char>(info.DefaultChar[0]), 'b'};
  EXPECT_EQ(lines[0].substr(lines[0].size() - 3), expected);
  if (GetACP() == 1252) {
    diag::WriteDiagnosticLog(u"caf\u00e9", u"test");
    EXPECT_TRUE(SplitLines(ReadAll(LogPath())).back().ends_with("caf\xe9"));
  }
}

TEST_F(LogTest, MutexGrantsEveryoneFullAccess) {
  const auto mutex = platform::GetLogSystem().OpenMutex(u"ORVEX_KD-V1800");
  ASSERT_TRUE(mutex);
  const HANDLE handle = OpenMutexW(READ_CONTROL, FALSE, kMutexName);
  ASSERT_NE(handle, nullptr);
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(GetSecurityInfo(handle, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl, nullptr,
                            &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_NE(acl, nullptr);
  ASSERT_EQ(acl->AceCount, 1u);
  void* ace = nullptr;
  ASSERT_TRUE(GetAce(acl, 0, &ace));
  const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
  EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
  EXPECT_EQ(allowed->Mask, 0x1F01FFu);
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
  EXPECT_TRUE(EqualSid(const_cast<DWORD*>(&allowed->SidStart), everyone));
  FreeSid(everyone);
  LocalFree(descriptor);
  CloseHandle(handle);
}

TEST_F(LogTest, TwoProcessesWriteCompleteLines) {
  constexpr int kEntries = 500;
  const std::wstring go = EventName(L"go");
  const HANDLE goEvent = CreateEventW(nullptr, TRUE, FALSE, go.c_str());
  ASSERT_NE(goEvent, nullptr);
  std::vector<HANDLE> children;
  for (const wchar_t* name : {L"A", L"B"}) {
    const HANDLE child = StartChild(L"--child-write " + std::wstring(name) + L" " + std::to_wstring(kEntries) +
                                    L" " + go);
    ASSERT_NE(child, nullptr);
    children.push_back(child);
  }
  SetEvent(goEvent);
  for (HANDLE child : children) EXPECT_EQ(FinishChild(child), 0u);
  CloseHandle(goEvent);

  std::string rest;
  const std::vector<std::string> lines = SplitLines(ReadAll(LogPath()), &rest);
  EXPECT_EQ(rest, "");
  ASSERT_EQ(lines.size(), 2u * kEntries);
  std::map<std::string, int> next{{"A", 0}, {"B", 0}};
  std::string previousTime;
  for (const std::string& line : lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, kLine)) << line;
    EXPECT_EQ(match[2], "writer");
    // Entries are stamped while the mutex is held, so they appear in time order.
    EXPECT_GE(match[1].str(), previousTime);
    previousTime = match[1];
    const std::string message = match[3];
    const size_t space = message.find(' ');
    ASSERT_NE(space, std::string::npos) << line;
    const std::string writer = message.substr(0, space);
    ASSERT_EQ(next.count(writer), 1u) << line;
    EXPECT_EQ(message.substr(space + 1), std::to_string(next[writer])) << line;
    ++next[writer];
  }
  EXPECT_EQ(next["A"], kEntries);
  EXPECT_EQ(next["B"], kEntries);
}

TEST_F(LogTest, MutexHeldElsewhereDropsTheEntry) {
  const std::wstring held = EventName(L"held");
  const std::wstring letGo = EventName(L"let-go");
  const HANDLE heldEvent = CreateEventW(nullptr, TRUE, FALSE, held.c_str());
  const HANDLE letGoEvent = CreateEventW(nullptr, TRUE, FALSE, letGo.c_str());
  ASSERT_NE(heldEvent, nullptr);
  ASSERT_NE(letGoEvent, nullptr);
  const HANDLE child = StartChild(L"--child-hold " + held + L" " + letGo);
  ASSERT_NE(child, nullptr);
  ASSERT_EQ(WaitForSingleObject(heldEvent, kChildTimeout), WAIT_OBJECT_0);

  diag::WriteDiagnosticLog(u"dropped", u"test");
  // The folders come first; the file is only opened under the mutex.
  EXPECT_TRUE(FolderExists(ApplicationFolder()));
  EXPECT_TRUE(IsMissing(LogPath()));

  SetEvent(letGoEvent);
  EXPECT_EQ(FinishChild(child), 0u);
  diag::WriteDiagnosticLog(u"after", u"test");
  const std::vector<std::string> lines = SplitLines(ReadAll(LogPath()));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].ends_with(",test,after")) << lines[0];
  CloseHandle(heldEvent);
  CloseHandle(letGoEvent);
}

// A handle kept open here keeps the mutex alive after the child dies owning it.
TEST_F(LogTest, MutexAbandonedByADeadProcessIsTakenOver) {
  const auto keep = platform::GetLogSystem().OpenMutex(u"ORVEX_KD-V1800");
  ASSERT_TRUE(keep);
  for (int round = 0; round < 2; ++round) {
    const HANDLE child = StartChild(L"--child-abandon");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(FinishChild(child), 0u);
    if (round == 0) {
      diag::WriteDiagnosticLog(u"taken over", u"test");
    } else {
      EXPECT_EQ(keep->Wait(5000), platform::WaitResult::Abandoned);
      keep->Release();
    }
  }
  const std::vector<std::string> lines = SplitLines(ReadAll(LogPath()));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].ends_with(",test,taken over")) << lines[0];
}

// Child roles. Each exits 0 when it did its part.
std::u16string Utf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }
std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

HANDLE OpenEventNamed(const std::string& name) {
  return OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, Wide(name).c_str());
}

// --child-write NAME COUNT GO: after GO is set, writes COUNT entries "NAME i".
int ChildWrite(const std::string& name, int count, const std::string& go) {
  const HANDLE goEvent = OpenEventNamed(go);
  if (goEvent == nullptr || WaitForSingleObject(goEvent, kChildTimeout) != WAIT_OBJECT_0) return 2;
  for (int i = 0; i < count; ++i) diag::WriteDiagnosticLog(Utf16(name + " " + std::to_string(i)).c_str(), u"writer");
  return 0;
}

// --child-hold HELD LET-GO: owns the log's mutex from HELD being set until LET-GO is.
int ChildHold(const std::string& held, const std::string& letGo) {
  const HANDLE heldEvent = OpenEventNamed(held);
  const HANDLE letGoEvent = OpenEventNamed(letGo);
  const auto mutex = platform::GetLogSystem().OpenMutex(u"ORVEX_KD-V1800");
  if (heldEvent == nullptr || letGoEvent == nullptr || !mutex) return 2;
  if (mutex->Wait(5000) != platform::WaitResult::Acquired) return 3;
  SetEvent(heldEvent);
  const DWORD waited = WaitForSingleObject(letGoEvent, kChildTimeout);
  mutex->Release();
  return waited == WAIT_OBJECT_0 ? 0 : 4;
}

// --child-abandon: takes the log's mutex and ends without releasing it.
int ChildAbandon() {
  const auto mutex = platform::GetLogSystem().OpenMutex(u"ORVEX_KD-V1800");
  if (!mutex || mutex->Wait(5000) != platform::WaitResult::Acquired) return 2;
  ExitProcess(0);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string role = argc > 1 ? argv[1] : "";
  if (role == "--child-write" && argc == 5) return ChildWrite(argv[2], std::atoi(argv[3]), argv[4]);
  if (role == "--child-hold" && argc == 4) return ChildHold(argv[2], argv[3]);
  if (role == "--child-abandon") return ChildAbandon();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

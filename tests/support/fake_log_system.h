// An in-memory stand-in for the log's operating-system services: folders and files
// live in maps, the mutex answers as told, the clock is fixed, and the "ANSI code page"
// is Latin-1 with '?' for everything else. Every call is counted so tests can check
// what happened and inject failures.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/log_system.h"

namespace testing_support {

class FakeLogSystem final : public platform::LogSystem {
 public:
  // Knobs.
  std::u16string appDataFolder = u"C:\\ProgramData";
  bool appDataFails = false;
  bool createFolderFails = false;
  bool openMutexFails = false;
  platform::WaitResult waitResult = platform::WaitResult::Acquired;
  bool openFileFails = false;
  bool truncateFails = false;
  bool conversionFails = false;
  platform::LocalTime now{2026, 12, 9, 8, 5, 3, 7};

  // State and observations.
  std::set<std::u16string> folders;
  std::map<std::u16string, std::string> files;
  int mutexWaits = 0;
  int mutexReleases = 0;
  int mutexesOpen = 0;
  uint32_t lastWaitMilliseconds = 0;
  std::u16string lastMutexName;

  bool CommonAppDataFolder(std::u16string& path) override {
    if (appDataFails) return false;
    path = appDataFolder;
    return true;
  }
  bool FolderExists(const std::u16string& path) override { return folders.count(path) != 0; }
  bool CreateFolder(const std::u16string& path) override {
    if (createFolderFails) return false;
    folders.insert(path);
    return true;
  }
  std::unique_ptr<platform::LogMutex> OpenMutex(const char16_t* name) override {
    if (openMutexFails) return nullptr;
    lastMutexName = name;
    return std::make_unique<Mutex>(*this);
  }
  std::unique_ptr<platform::LogFile> OpenFile(const std::u16string& path, bool truncate) override {
    if (openFileFails || (truncate && truncateFails)) return nullptr;
    if (truncate) files[path].clear();
    files.try_emplace(path);
    return std::make_unique<File>(files[path]);
  }
  void DeleteFile(const std::u16string& path) override { files.erase(path); }
  void CopyFile(const std::u16string& from, const std::u16string& to) override {
    auto found = files.find(from);
    if (found != files.end()) files[to] = found->second;
  }
  platform::LocalTime Now() override { return now; }
  bool ToAnsiCodePage(const std::u16string& text, std::string& bytes) override {
    if (conversionFails) return false;
    bytes.clear();
    for (char16_t unit : text) bytes.push_back(unit < 0x100 ? static_cast<char>(unit) : '?');
    return true;
  }

  // The log lines of one file, split at "\r\n".
  std::vector<std::string> Lines(const std::u16string& path) const {
    std::vector<std::string> lines;
    auto found = files.find(path);
    if (found == files.end()) return lines;
    const std::string& content = found->second;
    size_t start = 0;
    for (size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(content.substr(start, end - start));
    return lines;
  }

 private:
  class Mutex final : public platform::LogMutex {
   public:
    explicit Mutex(FakeLogSystem& owner) : owner_(owner) { ++owner_.mutexesOpen; }
    ~Mutex() override { --owner_.mutexesOpen; }
    platform::WaitResult Wait(uint32_t milliseconds) override {
      ++owner_.mutexWaits;
      owner_.lastWaitMilliseconds = milliseconds;
      return owner_.waitResult;
    }
    void Release() override { ++owner_.mutexReleases; }

   private:
    FakeLogSystem& owner_;
  };

  class File final : public platform::LogFile {
   public:
    explicit File(std::string& content) : content_(content) {}
    uint64_t Size() override { return content_.size(); }
    bool AppendAtEnd(const void* data, uint32_t size) override {
      content_.append(static_cast<const char*>(data), size);
      return true;
    }

   private:
    std::string& content_;
  };
};

}  // namespace testing_support

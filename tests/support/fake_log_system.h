// An in-memory stand-in for the log's operating-system services: folders and files
// live in maps, the mutex answers as told, the clock is fixed, and the "ANSI code page"
// is Latin-1 with `unmappable` for everything else. Calls are counted and recorded in
// `events` so tests can check what happened, in which order, and inject failures.
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <utility>
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
  // Files another process holds open without sharing: they can be neither deleted nor overwritten.
  std::set<std::u16string> heldOpen;
  bool conversionFails = false;
  std::string unmappable = "?";
  // Added to every file's reported size, to stand for files too large to hold in memory.
  uint64_t extraSize = 0;
  bool sizeFails = false;
  // Bytes the disk still has room for (none: unlimited): a write beyond it comes up short
  // with what fits on disk, and cutting a file back gives its bytes back.
  std::optional<uint64_t> room;
  bool nowThrows = false;
  platform::LocalTime now{2026, 12, 9, 8, 5, 3, 7};

  // State and observations.
  std::set<std::u16string> folders;
  std::map<std::u16string, std::string> files;
  // "mutex-open", "wait", "release", "mutex-close", "open", "open-truncate", "file-close",
  // "delete", "copy", "now", "append", "cut", in the order they happened.
  std::vector<std::string> events;
  int mutexWaits = 0;
  int mutexReleases = 0;
  int mutexesOpen = 0;
  int filesOpen = 0;
  uint32_t lastWaitMilliseconds = 0;
  std::u16string lastMutexName;
  std::u16string lastBackupPath;

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
    events.push_back(truncate ? "open-truncate" : "open");
    if (openFileFails || (truncate && truncateFails)) return nullptr;
    if (truncate) {
      auto found = files.find(path);
      if (found == files.end()) return nullptr;
      found->second.clear();
    }
    files.try_emplace(path);
    return std::make_unique<File>(*this, path);
  }
  void RemoveFile(const std::u16string& path) override {
    events.push_back("delete");
    lastBackupPath = path;
    if (heldOpen.count(path) == 0) files.erase(path);
  }
  bool CopyFileOver(const std::u16string& from, const std::u16string& to) override {
    events.push_back("copy");
    auto found = files.find(from);
    if (heldOpen.count(to) != 0 || found == files.end()) return false;
    files[to] = found->second;
    return true;
  }
  platform::LocalTime Now() override {
    events.push_back("now");
    if (nowThrows) throw std::bad_alloc();
    return now;
  }
  bool ToAnsiCodePage(const std::u16string& text, std::string& bytes) override {
    if (conversionFails) return false;
    bytes.clear();
    for (char16_t unit : text) {
      if (unit < 0x100)
        bytes.push_back(static_cast<char>(unit));
      else
        bytes += unmappable;
    }
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
    explicit Mutex(FakeLogSystem& owner) : owner_(owner) {
      ++owner_.mutexesOpen;
      owner_.events.push_back("mutex-open");
    }
    ~Mutex() override {
      --owner_.mutexesOpen;
      owner_.events.push_back("mutex-close");
    }
    platform::WaitResult Wait(uint32_t milliseconds) override {
      ++owner_.mutexWaits;
      owner_.lastWaitMilliseconds = milliseconds;
      owner_.events.push_back("wait");
      return owner_.waitResult;
    }
    void Release() override {
      ++owner_.mutexReleases;
      owner_.events.push_back("release");
    }

   private:
    FakeLogSystem& owner_;
  };

  // Looks its content up on every call, so a file deleted while open is simply gone.
  class File final : public platform::LogFile {
   public:
    File(FakeLogSystem& owner, std::u16string path) : owner_(owner), path_(std::move(path)) { ++owner_.filesOpen; }
    ~File() override {
      --owner_.filesOpen;
      owner_.events.push_back("file-close");
    }
    bool Size(uint64_t& size) override {
      if (owner_.sizeFails) return false;
      const std::string* content = Content();
      size = owner_.extraSize + (content == nullptr ? 0 : content->size());
      return true;
    }
    bool ReadAt(uint64_t offset, void* data, uint32_t size) override {
      const std::string* content = Content();
      if (content == nullptr || offset > content->size() || content->size() - offset < size) return false;
      std::copy_n(content->data() + offset, size, static_cast<char*>(data));
      return true;
    }
    bool AppendAtEnd(const void* data, uint32_t size) override {
      owner_.events.push_back("append");
      std::string* content = Content();
      if (content == nullptr) return false;
      const uint64_t fits = std::min<uint64_t>(size, owner_.room.value_or(size));
      content->append(static_cast<const char*>(data), fits);
      if (owner_.room) *owner_.room -= fits;
      return fits == size;
    }
    bool CutBackTo(uint64_t size) override {
      owner_.events.push_back("cut");
      std::string* content = Content();
      if (content == nullptr || size > content->size()) return false;
      if (owner_.room) *owner_.room += content->size() - size;
      content->resize(size);
      return true;
    }

   private:
    std::string* Content() {
      auto found = owner_.files.find(path_);
      return found == owner_.files.end() ? nullptr : &found->second;
    }

    FakeLogSystem& owner_;
    std::u16string path_;
  };
};

}  // namespace testing_support

// The services the diagnostic log needs: the common application-data folder, folders,
// the machine-wide named mutex, the log file, the local time and the ANSI code page.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/service.h"

namespace platform {

struct LocalTime {
  uint16_t year, month, day, hour, minute, second, milliseconds;
};

enum class WaitResult { Acquired, Abandoned, TimedOut, Failed };

// A named mutex shared by all processes; the handle closes on destruction.
class LogMutex {
 public:
  virtual ~LogMutex() = default;
  // Waits at most `milliseconds` to own the mutex.
  virtual WaitResult Wait(uint32_t milliseconds) = 0;
  // Gives up ownership after a wait that acquired it.
  virtual void Release() = 0;
};

// An open log file (read and write access, reading and writing shared); closes on destruction.
class LogFile {
 public:
  virtual ~LogFile() = default;
  // The whole size in bytes; false when it cannot be read.
  virtual bool Size(uint64_t& size) = 0;
  // Reads `size` bytes from `offset`; false unless all of them were read.
  virtual bool ReadAt(uint64_t offset, void* data, uint32_t size) = 0;
  // Moves to the end of the file and writes all bytes; false when the write fails or
  // comes up short (part of the bytes may then be on disk).
  virtual bool AppendAtEnd(const void* data, uint32_t size) = 0;
  // Cuts the file back to `size` bytes; false when that fails.
  virtual bool CutBackTo(uint64_t size) = 0;
};

class LogSystem {
 public:
  virtual ~LogSystem() = default;
  virtual bool CommonAppDataFolder(std::u16string& path) = 0;
  virtual bool FolderExists(const std::u16string& path) = 0;
  virtual bool CreateFolder(const std::u16string& path) = 0;
  // Creates or opens the mutex with an access list that grants Everyone full access; null on failure.
  virtual std::unique_ptr<LogMutex> OpenMutex(const char16_t* name) = 0;
  // Opens the file, creating it when missing; with `truncate` reopens an existing file
  // emptied (a missing file is then a failure). Null on failure.
  virtual std::unique_ptr<LogFile> OpenFile(const std::u16string& path, bool truncate) = 0;
  // Deletes a file (whether that succeeds is not reported), and copies one over
  // another, true when the copy is complete.
  // (Not DeleteFile/CopyFile: <windows.h> defines those names as macros.)
  virtual void RemoveFile(const std::u16string& path) = 0;
  virtual bool CopyFileOver(const std::u16string& from, const std::u16string& to) = 0;
  virtual LocalTime Now() = 0;
  // Converts to the system's ANSI code page (unmappable characters become its default
  // character); false when the conversion fails.
  virtual bool ToAnsiCodePage(const std::u16string& text, std::string& bytes) = 0;
};

inline LogSystem& GetLogSystem() { return Service<LogSystem>::Get(); }

}  // namespace platform

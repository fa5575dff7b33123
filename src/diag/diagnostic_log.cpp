// The diagnostic log: one line per entry, appended to a file that every process on the
// machine shares, serialised by a named mutex and rotated to one backup when it grows
// past 5 MiB. Nothing is kept between entries; every failure drops the entry silently.
#include "diag/diagnostic_log.h"

#include <cstdint>
#include <memory>
#include <string>

#include "platform/log_system.h"

namespace diag {
namespace {

constexpr char16_t kMakerFolder[] = u"\\ORVEX";
constexpr char16_t kApplicationFolder[] = u"\\ORVEX_ZOV";
constexpr char16_t kApplicationName[] = u"ORVEX_ZOV";
constexpr char16_t kPluginName[] = u"ZOV_PLUGIN_KD-V62x0G";
constexpr char16_t kMutexName[] = u"ORVEX_KD-V1800";
constexpr uint32_t kSizeLimit = 5242880;
constexpr uint64_t kRotationMargin = 4096;
// Buffer sizes of the entry, each without its terminating null.
constexpr size_t kMaxPathUnits = 259;
constexpr size_t kMaxMessageUnits = 1663;
constexpr size_t kMaxLineUnits = 2047;
constexpr size_t kMaxConvertedBytes = 4095;
// A print job must not hang on a writer that keeps the mutex: after this the entry is dropped.
constexpr uint32_t kMutexWaitMilliseconds = 5000;

struct LogSettings {
  uint32_t sizeLimit = 0;
  std::u16string logPath;
  std::u16string applicationName;
};

void CutTo(std::u16string& text, size_t units) {
  if (text.size() > units) text.resize(units);
}

// Appends `value` in decimal, zero-filled to at least `width` digits.
void AppendNumber(std::u16string& line, unsigned value, size_t width) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  if (digits.size() < width) line.append(width - digits.size(), u'0');
  line += digits;
}

// "YYYY/MM/DD hh:mm:ss.mmm,application,plug-in,source,message", cut to the line buffer.
std::u16string FormatLine(const platform::LocalTime& time, const std::u16string& applicationName,
                          const char16_t* pluginName, const char16_t* source, const std::u16string& message) {
  const struct {
    unsigned value;
    size_t width;
    char16_t separator;  // written after the number
  } parts[] = {{time.year, 4, u'/'},   {time.month, 2, u'/'},  {time.day, 2, u' '},         {time.hour, 2, u':'},
               {time.minute, 2, u':'}, {time.second, 2, u'.'}, {time.milliseconds, 3, u','}};
  std::u16string line;
  for (const auto& part : parts) {
    AppendNumber(line, part.value, part.width);
    line += part.separator;
  }
  line.append(applicationName).append(u",").append(pluginName).append(u",").append(source).append(u",").append(message);
  CutTo(line, kMaxLineUnits);
  return line;
}

// What goes before an entry so that it starts a line of its own: nothing after a line
// feed (or in an empty file), a line feed after a lone carriage return, else both. A log
// that does not end a line was left so by a crash, a power loss or an older build.
std::string LineStart(platform::LogFile& file, uint64_t size) {
  char last = '\n';
  if (size == 0 || !file.ReadAt(size - 1, &last, 1) || last == '\n') return "";
  return last == '\r' ? "\n" : "\r\n";
}

// Writes the entry whole or not at all: a write that comes up short (a full disk) is cut
// back to the size the log had before it, so its fragment cannot spoil the next entry.
void AppendWhole(platform::LogFile& file, uint64_t size, const std::string& entry) {
  if (!file.AppendAtEnd(entry.data(), static_cast<uint32_t>(entry.size()))) file.CutBackTo(size);
}

// Opens the log (rotating it first when it is full) and appends one entry. Runs while
// the mutex is held, so the size check, the rotation and the append are one step.
void AppendLogLine(platform::LogSystem& system, const LogSettings& settings, const char16_t* pluginName,
                   const char16_t* source, const std::u16string& message) {
  if (pluginName == nullptr || source == nullptr) return;
  std::unique_ptr<platform::LogFile> file = system.OpenFile(settings.logPath, false);
  // Without its size a short write could not be cut back: the entry is dropped.
  uint64_t size = 0;
  if (!file || !file->Size(size)) return;
  std::u16string backupPath = settings.logPath + u".bak";
  CutTo(backupPath, kMaxPathUnits);
  // A log path at the maximum length leaves no room for the backup's extension: its
  // name would be the log's own, and rotating would delete the log. It keeps growing.
  const bool canRotate = backupPath != settings.logPath;
  // In 64 bits so a huge file cannot wrap the sum.
  if (canRotate && size + kRotationMargin > settings.sizeLimit) {
    file.reset();
    system.RemoveFile(backupPath);
    // The log is emptied only once its copy is safe. When the copy fails (another
    // process holds the backup open) the entry goes onto the full log, and a later
    // rotation copies it.
    const bool copied = system.CopyFileOver(settings.logPath, backupPath);
    file = system.OpenFile(settings.logPath, copied);
    if (!file || !file->Size(size)) return;
  }
  const std::u16string line = FormatLine(system.Now(), settings.applicationName, pluginName, source, message);
  std::string bytes;
  if (!system.ToAnsiCodePage(line, bytes) || bytes.empty() || bytes.size() > kMaxConvertedBytes) return;
  AppendWhole(*file, size, LineStart(*file, size) + bytes + "\r\n");
}

std::unique_ptr<platform::LogMutex> OpenLogMutex(platform::LogSystem& system) {
  return system.OpenMutex(kMutexName);
}

// The message is plain text: it is cut to the message buffer and written as it stands.
void WriteLogEntry(platform::LogSystem& system, const LogSettings& settings, const char16_t* pluginName,
                   const char16_t* source, const char16_t* message) {
  if (pluginName == nullptr || source == nullptr || message == nullptr) return;
  std::unique_ptr<platform::LogMutex> mutex = OpenLogMutex(system);
  if (!mutex) return;
  const platform::WaitResult wait = mutex->Wait(kMutexWaitMilliseconds);
  // A mutex whose owner ended without releasing it is ours now.
  if (wait != platform::WaitResult::Acquired && wait != platform::WaitResult::Abandoned) return;
  struct Releaser {
    platform::LogMutex& mutex;
    ~Releaser() { mutex.Release(); }
  } releaser{*mutex};
  std::u16string text(message);
  CutTo(text, kMaxMessageUnits);
  AppendLogLine(system, settings, pluginName, source, text);
}

// Appends `name` to `path` and creates that folder when it is missing; false when the
// path grows too long or the folder cannot be created.
bool EnterFolder(platform::LogSystem& system, std::u16string& path, const char16_t* name) {
  path += name;
  if (path.size() > kMaxPathUnits) return false;
  return system.FolderExists(path) || system.CreateFolder(path);
}

}  // namespace

void WriteDiagnosticLog(const char16_t* message, const char16_t* source) noexcept {
  try {
    platform::LogSystem& system = platform::GetLogSystem();
    LogSettings settings;
    if (!system.CommonAppDataFolder(settings.logPath)) return;
    if (!EnterFolder(system, settings.logPath, kMakerFolder)) return;
    if (!EnterFolder(system, settings.logPath, kApplicationFolder)) return;
    settings.logPath += u"\\";
    settings.logPath += kPluginName;
    settings.logPath += u".log";
    if (settings.logPath.size() > kMaxPathUnits) return;
    settings.sizeLimit = kSizeLimit;
    settings.applicationName = kApplicationName;
    WriteLogEntry(system, settings, kPluginName, source, message);
  } catch (...) {
    // The log never reports its own failures.
  }
}

}  // namespace diag

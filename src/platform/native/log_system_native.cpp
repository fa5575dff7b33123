// The log's services off Windows: there is no machine-wide log folder, so the folder
// lookup fails and every entry is dropped; the rest is never reached and only reports failure.
#include "platform/log_system.h"

namespace platform {
namespace {

class NoLogSystem final : public LogSystem {
 public:
  bool CommonAppDataFolder(std::u16string&) override { return false; }
  bool FolderExists(const std::u16string&) override { return false; }
  bool CreateFolder(const std::u16string&) override { return false; }
  std::unique_ptr<LogMutex> OpenMutex(const char16_t*) override { return nullptr; }
  std::unique_ptr<LogFile> OpenFile(const std::u16string&, bool) override { return nullptr; }
  void RemoveFile(const std::u16string&) override {}
  bool CopyFileOver(const std::u16string&, const std::u16string&) override { return false; }
  LocalTime Now() override { return LocalTime{}; }
  bool ToAnsiCodePage(const std::u16string&, std::string&) override { return false; }
};

}  // namespace

template <>
LogSystem& Service<LogSystem>::Default() {
  static NoLogSystem instance;
  return instance;
}

}  // namespace platform

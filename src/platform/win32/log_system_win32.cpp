// Win32 services of the diagnostic log: the common application-data folder, folders,
// the named mutex with an access list open to Everyone, the log file, local time and
// conversion to the ANSI code page.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "platform/log_system.h"

namespace platform {
namespace {

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// Full access for Everyone, so processes of every user share the one mutex.
constexpr DWORD kEveryoneAccess = 0x1F01FF;

class Win32LogMutex final : public LogMutex {
 public:
  explicit Win32LogMutex(HANDLE handle) : handle_(handle) {}
  ~Win32LogMutex() override { ::CloseHandle(handle_); }
  WaitResult Wait(uint32_t milliseconds) override {
    switch (::WaitForSingleObject(handle_, milliseconds)) {
      case WAIT_OBJECT_0: return WaitResult::Acquired;
      case WAIT_ABANDONED: return WaitResult::Abandoned;
      case WAIT_TIMEOUT: return WaitResult::TimedOut;
      default: return WaitResult::Failed;
    }
  }
  void Release() override { ::ReleaseMutex(handle_); }

 private:
  HANDLE handle_;
};

class Win32LogFile final : public LogFile {
 public:
  explicit Win32LogFile(HANDLE handle) : handle_(handle) {}
  ~Win32LogFile() override { ::CloseHandle(handle_); }
  bool Size(uint64_t& size) override {
    LARGE_INTEGER bytes{};
    if (!::GetFileSizeEx(handle_, &bytes)) return false;
    size = static_cast<uint64_t>(bytes.QuadPart);
    return true;
  }
  bool ReadAt(uint64_t offset, void* data, uint32_t size) override {
    DWORD read = 0;
    return MoveTo(offset) && ::ReadFile(handle_, data, size, &read, nullptr) != FALSE && read == size;
  }
  bool AppendAtEnd(const void* data, uint32_t size) override {
    LARGE_INTEGER none{};
    if (!::SetFilePointerEx(handle_, none, nullptr, FILE_END)) return false;
    DWORD written = 0;
    return ::WriteFile(handle_, data, size, &written, nullptr) != FALSE && written == size;
  }
  bool CutBackTo(uint64_t size) override { return MoveTo(size) && ::SetEndOfFile(handle_) != FALSE; }

 private:
  bool MoveTo(uint64_t offset) {
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(handle_, position, nullptr, FILE_BEGIN) != FALSE;
  }

  HANDLE handle_;
};

class Win32LogSystem final : public LogSystem {
 public:
  bool CommonAppDataFolder(std::u16string& path) override {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return false;
    path = reinterpret_cast<const char16_t*>(folder);
    return true;
  }
  bool FolderExists(const std::u16string& path) override { return ::PathFileExistsW(W(path)) != FALSE; }
  bool CreateFolder(const std::u16string& path) override { return ::CreateDirectoryW(W(path), nullptr) != FALSE; }

  std::unique_ptr<LogMutex> OpenMutex(const char16_t* name) override {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return nullptr;
    HANDLE handle = nullptr;
    SECURITY_DESCRIPTOR descriptor;
    // The list header, one access-allowed entry without its SidStart, and the SID.
    const DWORD aclSize = ::GetLengthSid(everyone) + 16;
    auto* acl = static_cast<PACL>(::HeapAlloc(::GetProcessHeap(), 0, aclSize));
    if (acl != nullptr && ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
        ::InitializeAcl(acl, aclSize, ACL_REVISION) &&
        ::AddAccessAllowedAce(acl, ACL_REVISION, kEveryoneAccess, everyone) &&
        ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
      SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
      handle = ::CreateMutexW(&attributes, FALSE, reinterpret_cast<const wchar_t*>(name));
    }
    if (acl != nullptr) ::HeapFree(::GetProcessHeap(), 0, acl);
    ::FreeSid(everyone);
    if (handle == nullptr) return nullptr;
    return std::make_unique<Win32LogMutex>(handle);
  }

  std::unique_ptr<LogFile> OpenFile(const std::u16string& path, bool truncate) override {
    const HANDLE handle = ::CreateFileW(W(path), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, truncate ? TRUNCATE_EXISTING : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                        nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32LogFile>(handle);
  }
  void RemoveFile(const std::u16string& path) override { ::DeleteFileW(W(path)); }
  bool CopyFileOver(const std::u16string& from, const std::u16string& to) override {
    return ::CopyFileW(W(from), W(to), FALSE) != FALSE;
  }

  LocalTime Now() override {
    SYSTEMTIME time{};
    ::GetLocalTime(&time);
    return LocalTime{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond,
                     time.wMilliseconds};
  }

  bool ToAnsiCodePage(const std::u16string& text, std::string& bytes) override {
    bytes.clear();
    if (text.empty()) return true;
    const auto* units = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const UINT codePage = ::GetACP();
    const int needed = ::WideCharToMultiByte(codePage, 0, units, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return false;
    bytes.resize(static_cast<size_t>(needed));
    const int converted = ::WideCharToMultiByte(codePage, 0, units, length, bytes.data(), needed, nullptr, nullptr);
    if (converted <= 0) return false;
    bytes.resize(static_cast<size_t>(converted));
    return true;
  }
};

}  // namespace

template <>
LogSystem& Service<LogSystem>::Default() {
  static Win32LogSystem instance;
  return instance;
}

}  // namespace platform

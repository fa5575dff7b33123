#include "common/win_files.h"

#include <windows.h>

namespace win_tools {

std::wstring TempFilePath(const std::wstring& stem, const std::wstring& extension) {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  std::wstring path(folder, length);
  path += stem + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"." + extension;
  return path;
}

std::string ReadFileBytes(const std::wstring& path, bool* ok) {
  if (ok != nullptr) *ok = false;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char chunk[4096];
  DWORD count = 0;
  bool good = true;
  while ((good = ::ReadFile(file, chunk, sizeof chunk, &count, nullptr) != FALSE) && count > 0) {
    bytes.append(chunk, count);
  }
  ::CloseHandle(file);
  if (ok != nullptr) *ok = good;
  return bytes;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int size =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                          nullptr);
  }
  return result;
}

std::wstring ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return L".";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

bool CreateFolders(const std::wstring& folder) {
  if (folder.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const size_t slash = folder.find_last_of(L"\\/");
  if (slash != std::wstring::npos && slash > 0 && folder[slash - 1] != L':') {
    if (!CreateFolders(folder.substr(0, slash))) return false;
  }
  return ::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace win_tools

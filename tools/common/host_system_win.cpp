// host_system on Windows: GetModuleFileNameW (through win_files) and ShellExecuteW.
#include <windows.h>
#include <shellapi.h>

#include "common/host_system.h"
#include "common/win_files.h"

namespace host_system {

std::filesystem::path ProgramFolder() { return std::filesystem::path(win_tools::ExecutableFolder()); }

bool OpenWithDefaultProgram(const std::filesystem::path& file) {
  // ShellExecuteW reports success as a value above 32.
  const HINSTANCE result = ::ShellExecuteW(nullptr, L"open", file.wstring().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace host_system

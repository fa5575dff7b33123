#include "common/plugin_loader.h"

#include <cstdint>

#include "common/win_files.h"

namespace win_tools {
namespace {

template <class Function>
Function Resolve(HMODULE module, const char* nameOrOrdinal) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, nameOrOrdinal)));
}

}  // namespace

PluginLibrary::PluginLibrary(const std::wstring& folder) {
  path_ = (folder.empty() ? ExecutableFolder() : folder) + L"\\" + kFileName;
  module_ = ::LoadLibraryW(path_.c_str());
  if (module_ == nullptr) {
    error_ = "LoadLibraryW(" + Narrow(path_) + ") failed, error " + std::to_string(::GetLastError());
    return;
  }
  const auto createByName = Resolve<CreateFunction>(module_, "CreatePluginObject");
  const auto deleteByName = Resolve<DeleteFunction>(module_, "DeletePluginObject");
  const auto createByOrdinal = Resolve<CreateFunction>(module_, MAKEINTRESOURCEA(1));
  const auto deleteByOrdinal = Resolve<DeleteFunction>(module_, MAKEINTRESOURCEA(2));
  if (createByName == nullptr || deleteByName == nullptr) {
    error_ = "CreatePluginObject or DeletePluginObject is not exported by name";
  } else if (createByOrdinal == nullptr || deleteByOrdinal == nullptr) {
    error_ = "ordinal 1 or 2 is not exported";
  } else if (createByName != createByOrdinal || deleteByName != deleteByOrdinal) {
    error_ = "the exports by name and by ordinal differ (CreatePluginObject must be 1, DeletePluginObject 2)";
  } else {
    create_ = createByName;
    delete_ = deleteByName;
  }
}

PluginLibrary::~PluginLibrary() {
  if (module_ != nullptr) ::FreeLibrary(module_);
}

bool PluginLibrary::Contains(const void* address) const {
  if (module_ == nullptr) return false;
  const auto* base = reinterpret_cast<const unsigned char*>(module_);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const auto start = reinterpret_cast<uintptr_t>(base);
  const auto at = reinterpret_cast<uintptr_t>(address);
  return at >= start && at - start < nt->OptionalHeader.SizeOfImage;
}

}  // namespace win_tools

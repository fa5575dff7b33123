// Loads ZOV_PLUGIN_KDV6200.dll from the executable's folder and resolves its two
// exports both by name and by ordinal (1 and 2); loading fails unless both ways
// find the same functions. The types here are the loader's own: the object is an
// opaque pointer whose first word is its slot table.
#pragma once

#include <windows.h>

#include <string>

namespace win_tools {

class PluginLibrary {
 public:
  using CreateFunction = void* (*)();
  using DeleteFunction = void (*)(void*);

  static constexpr wchar_t kFileName[] = L"ZOV_PLUGIN_KDV6200.dll";

  // Loads the DLL from `folder` (default: the executable's folder).
  explicit PluginLibrary(const std::wstring& folder = {});
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  bool Loaded() const { return create_ != nullptr; }
  const std::string& Error() const { return error_; }
  HMODULE Module() const { return module_; }
  const std::wstring& Path() const { return path_; }

  void* Create() const { return create_(); }
  void Delete(void* object) const { delete_(object); }
  CreateFunction CreateExport() const { return create_; }
  DeleteFunction DeleteExport() const { return delete_; }

  // Whether `address` lies inside the loaded image.
  bool Contains(const void* address) const;

 private:
  HMODULE module_ = nullptr;
  std::wstring path_;
  std::string error_;
  CreateFunction create_ = nullptr;
  DeleteFunction delete_ = nullptr;
};

}  // namespace win_tools

// Small file and text helpers of the Windows tests and tools.
#pragma once

#include <string>

namespace win_tools {

// A path in the temporary folder, unique to this process: <temp>\<stem>-<pid>.<extension>.
std::wstring TempFilePath(const std::wstring& stem, const std::wstring& extension = L"prn");
// The file's whole content; `ok` (if given) tells whether it could be read.
std::string ReadFileBytes(const std::wstring& path, bool* ok = nullptr);
// UTF-16 to UTF-8, for messages and the debug trace.
std::string Narrow(const std::wstring& text);
// The folder of the running executable, without a trailing separator.
std::wstring ExecutableFolder();
// Creates `folder` and its missing parents; true when it exists afterwards.
bool CreateFolders(const std::wstring& folder);

}  // namespace win_tools

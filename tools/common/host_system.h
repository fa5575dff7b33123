// What label_inspect needs from the operating system beyond the standard library, the
// same calls on both systems: the folder of the running program (where the release
// keeps the fonts) and opening a file in the user's default browser.
#pragma once

#include <filesystem>

namespace host_system {

// The folder that holds the running executable; empty when it cannot be told.
std::filesystem::path ProgramFolder();

// Hands `file` to the desktop to open with its default program (a browser for a page);
// true when the desktop took it. Does not wait for the browser.
bool OpenWithDefaultProgram(const std::filesystem::path& file);

}  // namespace host_system

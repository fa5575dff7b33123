// host_system natively: /proc/self/exe and xdg-open.
#include <spawn.h>
#include <sys/wait.h>

#include "common/host_system.h"

extern char** environ;

namespace host_system {

std::filesystem::path ProgramFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : program.parent_path();
}

bool OpenWithDefaultProgram(const std::filesystem::path& file) {
  // xdg-open hands the file to the desktop's program and returns; its status says whether
  // one was found.
  const std::string path = file.string();
  char program[] = "xdg-open";
  char* const arguments[] = {program, const_cast<char*>(path.c_str()), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, program, nullptr, nullptr, arguments, environ) != 0) return false;
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace host_system

// Runs a fuzz target's entry point once on every file named on the command line or
// found in a folder named there (in name order), as the native tests replay the committed
// corpus and past findings. A missing folder counts as empty. Any failure aborts the run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> InputsIn(const std::filesystem::path& path) {
  std::vector<std::filesystem::path> inputs;
  if (std::filesystem::is_directory(path)) {
    for (const auto& entry : std::filesystem::directory_iterator(path))
      if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
  } else if (std::filesystem::exists(path)) {
    inputs.push_back(path);
  }
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& input : InputsIn(argv[i])) {
      std::ifstream file(input, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
      if (!file.good() && !file.eof()) {
        std::fprintf(stderr, "replay: cannot read %s\n", input.c_str());
        return 1;
      }
      std::fprintf(stderr, "replay: %s\n", input.c_str());
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      ++replayed;
    }
  }
  std::printf("replay: %zu inputs passed\n", replayed);
  return 0;
}

// Shared by the fuzz targets: reading typed values off the fuzz input, and the check
// that turns a broken property into a failure libFuzzer (and the replay) reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// Aborts with the failed property, the file and the line.
#define FUZZ_CHECK(condition)                                                                         \
  do {                                                                                                \
    if (!(condition)) {                                                                               \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);          \
      std::abort();                                                                                   \
    }                                                                                                 \
  } while (false)

namespace fuzzing {

// Takes values off the front of the input; past its end every value reads as 0, so every
// input is a valid program.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return at_ >= size_; }
  size_t remaining() const { return size_ - at_; }

  template <class T>
  T Take() {
    T value{};
    const size_t count = sizeof(T) < remaining() ? sizeof(T) : remaining();
    std::memcpy(&value, data_ + at_, count);
    at_ += count;
    return value;
  }
  bool Bool() { return (Take<uint8_t>() & 1) != 0; }
  // A value in [0, bound), bound > 0; one byte is taken for bounds up to 256.
  uint32_t Below(uint32_t bound) { return (bound <= 256 ? Take<uint8_t>() : Take<uint32_t>()) % bound; }
  // Up to `most` bytes, their count taken first.
  std::string Bytes(size_t most) {
    size_t count = Take<uint16_t>() % (most + 1);
    if (count > remaining()) count = remaining();
    std::string bytes(reinterpret_cast<const char*>(data_ + at_), count);
    at_ += count;
    return bytes;
  }
  // Up to `most` UTF-16 units (any values, unpaired surrogates included).
  std::u16string Text(size_t most) {
    const std::string bytes = Bytes(2 * most);
    std::u16string text(bytes.size() / 2, u'\0');
    std::memcpy(text.data(), bytes.data(), 2 * text.size());
    return text;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace fuzzing

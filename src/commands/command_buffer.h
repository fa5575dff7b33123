// commands: the command buffer and the writers of the printer's label command
// language, the field text encoder, bitmap capture and cropping, the PNG encoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace commands {

// Bytes of the label command language waiting to be sent, commands back to back.
// Writers only append; the plug-in object reads it whole and empties it.
class CommandBuffer {
 public:
  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  void Clear() { bytes_.clear(); }

  // Appends all `count` bytes or, when growing fails (std::bad_alloc, std::length_error),
  // throws and leaves the buffer exactly as it was.
  void Append(const void* bytes, size_t count);

  // Undoes appends made since the buffer held `size` bytes (a writer whose command is
  // appended in parts uses it when a later part fails). Never grows the buffer.
  void RestoreSize(size_t size) {
    if (size < bytes_.size()) bytes_.resize(size);
  }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace commands

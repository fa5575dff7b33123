#include "commands/command_buffer.h"

#include <algorithm>
#include <stdexcept>

namespace commands {

void CommandBuffer::Append(const void* bytes, size_t count) {
  if (count == 0) return;
  const size_t used = bytes_.size();
  if (count > bytes_.max_size() - used) throw std::length_error("command buffer full");
  if (bytes_.capacity() - used < count) {
    // reserve() either succeeds or leaves the vector untouched, so the insert below
    // never allocates and the append is all or nothing.
    const size_t doubled = bytes_.capacity() > bytes_.max_size() / 2 ? bytes_.max_size() : bytes_.capacity() * 2;
    bytes_.reserve(std::max(used + count, doubled));
  }
  const auto* first = static_cast<const uint8_t*>(bytes);
  bytes_.insert(bytes_.end(), first, first + count);
}

}  // namespace commands

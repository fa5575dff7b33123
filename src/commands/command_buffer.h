// commands: the command buffer and the writers of the printer's label command
// language, the field text encoder, bitmap capture and cropping, the PNG encoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace commands {

// Bytes of the label command language waiting to be sent, commands back to back, in one
// contiguous block (the spooler takes them in one call). Writers only append; the
// plug-in object reads it whole and empties it.
//
// The block lives on the heap and doubles while it is small. Beyond 4 MiB it moves, once,
// into address space reserved for far more than any job and grows there in place, so a
// large job never stops to copy everything it has so far into a block twice the size.
class CommandBuffer {
 public:
  CommandBuffer() = default;
  ~CommandBuffer();
  CommandBuffer(const CommandBuffer&) = delete;
  CommandBuffer& operator=(const CommandBuffer&) = delete;

  const uint8_t* data() const { return bytes_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Empties the buffer; its storage is kept for the next job.
  void Clear() { size_ = 0; }

  // Appends all `count` bytes or, when growing fails (std::bad_alloc, std::length_error),
  // throws and leaves the buffer exactly as it was.
  void Append(const void* bytes, size_t count);

  // Undoes appends made since the buffer held `size` bytes (a writer whose command is
  // appended in parts uses it when a later part fails). Never grows the buffer.
  void RestoreSize(size_t size) {
    if (size < size_) size_ = size;
  }

  // Replaces the `count` bytes at `offset` with the `newCount` bytes at `bytes`, moving
  // what follows; all or nothing as Append. A replacement no longer than the original
  // cannot fail. Throws std::out_of_range when the range lies outside the buffer.
  void Replace(size_t offset, size_t count, const void* bytes, size_t newCount);

 private:
  // Makes room for `needed` bytes; throws and changes nothing when it cannot.
  void Reserve(size_t needed);
  void MoveToReservation(size_t needed);

  uint8_t* bytes_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
  size_t reserved_ = 0;  // the reservation that holds bytes_; 0 while they live on the heap
};

}  // namespace commands

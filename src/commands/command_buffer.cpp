#include "commands/command_buffer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "platform/address_space.h"

namespace commands {
namespace {

// Up to this size the bytes live on the heap: copying them on growth takes about a ms.
constexpr size_t kHeapLimit = size_t{4} << 20;
// Beyond it, address space for this much is reserved; a job larger still moves once more.
constexpr size_t kReservation = size_t{64} << 30;
// Reserved address space is made usable in steps of whole MiB (a multiple of the 64 KiB
// that Windows commits in).
constexpr size_t kCommitStep = size_t{1} << 20;
// The longest buffer: far beyond any memory, and small enough that no size computed
// here can wrap.
constexpr size_t kMaxSize = std::numeric_limits<size_t>::max() / 8;

size_t RoundUpToStep(size_t bytes) { return (bytes + kCommitStep - 1) / kCommitStep * kCommitStep; }

}  // namespace

CommandBuffer::~CommandBuffer() {
  if (reserved_ != 0) {
    platform::GetAddressSpace().Release(bytes_, reserved_);
  } else {
    ::operator delete(bytes_);
  }
}

void CommandBuffer::Reserve(size_t needed) {
  if (needed <= capacity_) return;
  if (needed > kMaxSize) throw std::length_error("command buffer full");
  if (reserved_ != 0 && needed <= reserved_) {
    // In place: more of the reservation becomes usable and nothing moves.
    const size_t target = std::min(RoundUpToStep(std::max(needed, capacity_ + capacity_ / 4)), reserved_);
    if (!platform::GetAddressSpace().Commit(bytes_ + capacity_, target - capacity_)) throw std::bad_alloc();
    capacity_ = target;
    return;
  }
  if (reserved_ != 0 || needed > kHeapLimit) {
    MoveToReservation(needed);
    return;
  }
  const size_t target = std::max(needed, std::min(capacity_ * 2, kHeapLimit));
  auto* block = static_cast<uint8_t*>(::operator new(target));
  if (size_ != 0) std::memcpy(block, bytes_, size_);
  ::operator delete(bytes_);
  bytes_ = block;
  capacity_ = target;
}

void CommandBuffer::MoveToReservation(size_t needed) {
  platform::AddressSpace& space = platform::GetAddressSpace();
  const size_t committed = RoundUpToStep(std::max(needed, capacity_ + capacity_ / 4));
  size_t reservation = std::max(kReservation, 2 * committed);
  void* start = space.Reserve(reservation);
  if (start == nullptr) {
    // Less address space than hoped for: twice what is needed now.
    reservation = 2 * committed;
    start = space.Reserve(reservation);
  }
  if (start == nullptr) throw std::bad_alloc();
  if (!space.Commit(start, committed)) {
    space.Release(start, reservation);
    throw std::bad_alloc();
  }
  if (size_ != 0) std::memcpy(start, bytes_, size_);
  if (reserved_ != 0) {
    space.Release(bytes_, reserved_);
  } else {
    ::operator delete(bytes_);
  }
  bytes_ = static_cast<uint8_t*>(start);
  capacity_ = committed;
  reserved_ = reservation;
}

void CommandBuffer::Append(const void* bytes, size_t count) {
  if (count == 0) return;
  if (count > kMaxSize - size_) throw std::length_error("command buffer full");
  Reserve(size_ + count);
  std::memcpy(bytes_ + size_, bytes, count);
  size_ += count;
}

void CommandBuffer::Replace(size_t offset, size_t count, const void* bytes, size_t newCount) {
  if (offset > size_ || count > size_ - offset) throw std::out_of_range("outside the command buffer");
  if (newCount > count) {
    if (newCount - count > kMaxSize - size_) throw std::length_error("command buffer full");
    Reserve(size_ + (newCount - count));
  }
  const size_t tail = size_ - offset - count;
  if (tail != 0 && newCount != count) std::memmove(bytes_ + offset + newCount, bytes_ + offset + count, tail);
  if (newCount != 0) std::memcpy(bytes_ + offset, bytes, newCount);
  size_ = size_ - count + newCount;
}

}  // namespace commands

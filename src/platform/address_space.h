// Address space reserved up front and made usable piece by piece (VirtualAlloc), so a
// block of memory can grow in place, without moving its bytes.
#pragma once

#include <cstddef>

#include "platform/service.h"

namespace platform {

class AddressSpace {
 public:
  virtual ~AddressSpace() = default;
  // Reserves `bytes` of address space, none of it usable yet; null when refused.
  virtual void* Reserve(size_t bytes) = 0;
  // Makes [start, start + bytes) of a reservation readable and writable, zero-filled on
  // first use; false when refused. `start` and `bytes` are multiples of 64 KiB.
  virtual bool Commit(void* start, size_t bytes) = 0;
  // Gives back a whole reservation of `bytes` that begins at `start`.
  virtual void Release(void* start, size_t bytes) = 0;
};

inline AddressSpace& GetAddressSpace() { return Service<AddressSpace>::Get(); }

}  // namespace platform

// Reading the pixels of a host bitmap (GetObjectW and GetDIBits).
#pragma once

#include <cstdint>

#include "platform/service.h"
#include "platform/types.h"

namespace platform {

class BitmapReader {
 public:
  virtual ~BitmapReader() = default;
  // GetObjectW on the bitmap: bytes stored into `record`, 0 on failure.
  virtual int GetObject(BitmapHandle bitmap, int size, void* record) = 0;
  // GetDIBits with DIB_RGB_COLORS; `info` is a BITMAPINFO laid out as Windows does.
  virtual int GetDIBits(DeviceContext dc, BitmapHandle bitmap, uint32_t start, uint32_t lines, void* bits,
                        void* info) = 0;
};

inline BitmapReader& GetBitmapReader() { return Service<BitmapReader>::Get(); }

}  // namespace platform

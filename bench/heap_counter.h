// Live and peak bytes of the C++ heap, counted by the replacement operator new and delete
// in heap_counter.cpp (libpng and zlib allocate with malloc and show only in the RSS).
#pragma once

#include <cstdint>

namespace bench {

int64_t HeapLiveBytes();
int64_t HeapPeakBytes();
// Starts a new peak at the bytes live now.
void ResetHeapPeak();

}  // namespace bench

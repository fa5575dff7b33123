// Unit conversions of the job: host pixels, 600-dpi dots and tenths of a millimetre.
// All arithmetic is defined for any host value; a resolution of 0 divides nothing.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace plugin {

// The printer's unprintable strip at the left edge, in dots at 600 dpi.
inline constexpr uint32_t kUnprintableDots = 35;

inline bool IsSupportedResolution(int32_t dpi) { return dpi == 300 || dpi == 600; }

// Host pixels to dots at 600 dpi, truncating. Computed in 64 bits: a size too large
// for 32 bits saturates (and so is never mistaken for a small valid size). 0 when the
// resolution is 0.
inline uint32_t PixelsToDots600(uint32_t pixels, int32_t dpi) {
  const auto divisor = static_cast<uint32_t>(dpi);
  if (divisor == 0) return 0;
  const uint64_t dots = uint64_t{pixels} * 600u / divisor;
  return dots > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                     : static_cast<uint32_t>(dots);
}

// Host pixels as dots at 600 dpi in the printer's own 32-bit arithmetic (the margin
// check): the product wraps, the quotient truncates; 0 when the resolution is 0.
inline uint32_t OffsetToDots600(int32_t pixels, int32_t dpi) {
  const auto divisor = static_cast<uint32_t>(dpi);
  if (divisor == 0) return 0;
  return static_cast<uint32_t>(pixels) * 600u / divisor;
}

// The unprintable strip in host pixels: resolution x 35 / 600, unsigned, truncating.
inline int32_t DeviceMarginPixels(int32_t dpi) {
  return static_cast<int32_t>(static_cast<uint32_t>(dpi) * kUnprintableDots / 600u);
}

// A length in tenths of a millimetre as host pixels, rounded half up:
// L x 0.03937 x resolution / 10 + 0.5, truncated; kept within 32 bits.
inline int32_t TenthsMmToPixels(int32_t tenths, int32_t dpi) {
  const double pixels = std::trunc(tenths * 0.03937 * dpi / 10 + 0.5);
  if (pixels >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (pixels <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(pixels);
}

// 32-bit wrapping arithmetic on layout values.
inline int32_t Wrap(uint32_t value) { return static_cast<int32_t>(value); }
inline int32_t WrapSub(int32_t a, int32_t b) { return Wrap(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
inline int32_t WrapAdd(int32_t a, int32_t b) { return Wrap(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
inline int32_t WrapMul(int32_t a, int32_t b) { return Wrap(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }

}  // namespace plugin

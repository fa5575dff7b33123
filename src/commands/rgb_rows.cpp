#include "commands/rgb_rows.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZOV_HAVE_SHUFFLE 1
#endif

namespace commands {
namespace {

using SwapFunction = void (*)(uint8_t*, const uint8_t*, size_t);

#ifdef ZOV_HAVE_SHUFFLE
// Five pixels per step: one 16-byte load, a byte shuffle, one 16-byte store. The 16th
// byte stored is the next pixel's blue, unswapped, and the next step overwrites it; the
// steps stop while 16 bytes still lie inside both rows, the portable loop does the rest.
__attribute__((target("ssse3"))) void SwapWithShuffle(uint8_t* target, const uint8_t* source, size_t pixels) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  size_t done = 0;
  for (; done + 6 <= pixels; done += 5) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 3 * done));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 3 * done), _mm_shuffle_epi8(block, order));
  }
  SwapRedAndBluePortable(target + 3 * done, source + 3 * done, pixels - done);
}
#endif

SwapFunction ChooseSwap() {
#ifdef ZOV_HAVE_SHUFFLE
  __builtin_cpu_init();
  if (__builtin_cpu_supports("ssse3")) return SwapWithShuffle;
#endif
  return SwapRedAndBluePortable;
}

}  // namespace

void SwapRedAndBluePortable(uint8_t* target, const uint8_t* source, size_t pixels) {
  for (size_t j = 0; j < pixels; ++j, source += 3, target += 3) {
    target[0] = source[2];
    target[1] = source[1];
    target[2] = source[0];
  }
}

void SwapRedAndBlue(uint8_t* target, const uint8_t* source, size_t pixels) {
  static const SwapFunction swap = ChooseSwap();
  swap(target, source, pixels);
}

}  // namespace commands

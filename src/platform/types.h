// The seam to the operating system: handle and text types shared by the core and
// the Windows layer. Handles are opaque to the core; only src/platform/win32 looks inside.
#pragma once

#include <cstdint>
#include <string>

struct HDC__;
struct HBITMAP__;

namespace platform {

// Spooler printer handle (HANDLE on Windows).
using PrinterHandle = void*;
// GDI device context and bitmap handles (HDC, HBITMAP on Windows with STRICT).
using DeviceContext = HDC__*;
using BitmapHandle = HBITMAP__*;

// The 16-bit text unit of the host interface: wchar_t on Windows, char16_t elsewhere.
#ifdef _WIN32
using WideChar = wchar_t;
static_assert(sizeof(wchar_t) == 2, "Windows wide characters are UTF-16 units");
#else
using WideChar = char16_t;
#endif

// Host text seen as UTF-16 units; the core works on char16_t throughout.
inline const char16_t* AsUtf16(const WideChar* text) { return reinterpret_cast<const char16_t*>(text); }
inline const WideChar* AsWide(const char16_t* text) { return reinterpret_cast<const WideChar*>(text); }

}  // namespace platform

// The module (DLL or executable) that this code is linked into.
#pragma once

#include <windows.h>

namespace platform::win32 {

HMODULE ThisModule();

}  // namespace platform::win32

// resources: the module's string table as data, for code that cannot read the DLL's
// resources (the native build and its tests). The texts live in strings.inc.
#pragma once

#include <cstdint>

namespace resources {

struct StringEntry {
  uint32_t id;
  const char16_t* text;
};

inline constexpr StringEntry kStringTable[] = {
#define ZOV_STRING(id, text) {id, u"" text},
#include "resources/strings.inc"
#undef ZOV_STRING
};

}  // namespace resources

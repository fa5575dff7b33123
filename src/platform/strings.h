// Texts of the module's string table (LoadStringW on the plug-in's own module).
#pragma once

#include <cstdint>
#include <string>

#include "platform/service.h"

namespace platform {

class StringTable {
 public:
  virtual ~StringTable() = default;
  // True and the text when the entry exists; false when it cannot be loaded.
  virtual bool Load(uint32_t id, std::u16string& text) = 0;
};

// The text of entry `id`, or an empty text when it cannot be loaded.
std::u16string LoadResourceString(uint32_t id);

}  // namespace platform

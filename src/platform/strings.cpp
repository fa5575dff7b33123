#include "platform/strings.h"

namespace platform {

std::u16string LoadResourceString(uint32_t id) {
  std::u16string text;
  if (!Service<StringTable>::Get().Load(id, text)) text.clear();
  return text;
}

}  // namespace platform

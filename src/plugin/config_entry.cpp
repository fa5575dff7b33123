// The configuration entry point: the host's request to edit a printer's settings.
#include "platform/debug_output.h"
#include "plugin/kdv6200_plugin.h"

namespace plugin {

// The configuration dialog is not built yet: the request is refused as if the
// printer could not be opened.
int32_t KDV6200Plugin::vpiConfigPlugin(const WideChar* /*printerName*/) {
  platform::DebugTrace(u"vpiConfigPlugin(): start\n");
  return 1;
}

}  // namespace plugin

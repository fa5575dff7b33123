// Handing the command buffer to the spooler.
#pragma once

#include "commands/command_buffer.h"
#include "platform/types.h"

namespace plugin {

// Sends the whole buffer to `printer` and empties it, whatever the outcome. An empty
// buffer makes no spooler call. True when every byte was accepted.
bool SendToPrinter(platform::PrinterHandle printer, commands::CommandBuffer& buffer);

}  // namespace plugin

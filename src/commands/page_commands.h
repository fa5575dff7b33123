// Commands that end a page format: quantity and cut, notification, and the stored
// base format.
#pragma once

#include <cstdint>

#include "commands/command_buffer.h"

namespace commands {

// "^S(CMP,M,C" (cut) or "^S(CMP,M,T" (cut count 0), then "^PQ<q>,<cut>,1,<N|Y>": N pauses.
bool WritePrintQuantity(CommandBuffer* buffer, uint32_t quantity, uint32_t cutCount, bool pause);
// "^S(CUB,S,L" to beep at the end, "^S(CUB,S,N" not to.
bool WriteBuzzerMode(CommandBuffer* buffer, bool buzzer);
bool WriteBaseSave(CommandBuffer* buffer);     // "^C(SN"
bool WriteBaseLoad(CommandBuffer* buffer);     // "^C(L"
bool WriteBaseDiscard(CommandBuffer* buffer);  // "^C(D"

}  // namespace commands

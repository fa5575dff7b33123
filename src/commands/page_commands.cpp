#include "commands/page_commands.h"

#include "commands/writer_support.h"

namespace commands {

using detail::AppendCommand;
using detail::AppendUnsigned;

bool WritePrintQuantity(CommandBuffer* buffer, uint32_t quantity, uint32_t cutCount, bool pause) {
  return AppendCommand(buffer, [&](std::string& text) {
    text = cutCount != 0 ? "^S(CMP,M,C^PQ" : "^S(CMP,M,T^PQ";
    AppendUnsigned(text, quantity);
    text += ',';
    AppendUnsigned(text, cutCount);
    text += pause ? ",1,N" : ",1,Y";
  });
}

bool WriteBuzzerMode(CommandBuffer* buffer, bool buzzer) {
  return AppendCommand(buffer, [&](std::string& text) { text = buzzer ? "^S(CUB,S,L" : "^S(CUB,S,N"; });
}

bool WriteBaseSave(CommandBuffer* buffer) {
  return AppendCommand(buffer, [](std::string& text) { text = "^C(SN"; });
}

bool WriteBaseLoad(CommandBuffer* buffer) {
  return AppendCommand(buffer, [](std::string& text) { text = "^C(L"; });
}

bool WriteBaseDiscard(CommandBuffer* buffer) {
  return AppendCommand(buffer, [](std::string& text) { text = "^C(D"; });
}

}  // namespace commands

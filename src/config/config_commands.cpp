// The settings run of the job header: the record's media, colour, feed, speed and
// head-maintenance settings as one string of "^S(" commands.
#include "commands/writer_support.h"
#include "config/printer_config.h"

namespace config {
namespace {

const char* MediaCode(int32_t mediaType) {
  switch (mediaType) {
    case 1: return "S1";
    case 2: return "M1";
    case 3: return "M2";
    case 4: return "G1";
    default: return "P1";
  }
}

const char* FormCode(int32_t mediaForm) {
  switch (mediaForm) {
    case 2: return "CL";
    case 3: return "CP";
    default: return "DL";
  }
}

}  // namespace

bool PrinterConfig::WriteConfigCommands(commands::CommandBuffer* buffer) const {
  using commands::detail::AppendSigned;
  return commands::detail::AppendCommand(
      buffer,
      [this](std::string& text) {
        text = "^S(CLS,G,35^S(CLW,B,0^S(CLW,T,0^S(CLW,L,0^S(CLW,R,0";
        text += "^S(CLM,T,";
        text += MediaCode(MediaType);
        text += "^S(CPC,C,";
        text += UseAdvancedInkProfile && ColorCorrection == 1 ? "E" : "N";
        text += "^S(CPC,D,";
        AppendSigned(text, UseAdvancedInkProfile ? InkAmount : 0);
        text += "^S(CPC,P,";
        AppendSigned(text, UseAdvancedInkProfile ? RatioOfBlack : 0);
        text += "^S(CPC,B,";
        AppendSigned(text, UseAdvancedInkProfile ? BandingReduction : 0);
        text += "^S(CLP,M,";
        AppendSigned(text, PaperFeedAdjustment);
        text += "^S(CLM,D,";
        text += MediaForm == 0 ? "W" : "M";
        text += "^S(CLM,F,";
        text += FormCode(MediaForm);
        text += "^S(CLM,P,";
        text += MediaSource == 1 ? "ER" : "IR";
        text += "^S(CLM,S,";
        text += MediaSource == 1 ? "FP" : "RP";
        text += "^S(CMP,S,";
        text += PrintSpeed == 0 ? "6" : "12";
        text += "^S(CMP,F,";
        text += HeadMaintenance == 1 ? "2" : "1";
      },
      commands::detail::OnFailure::Quiet);
}

}  // namespace config

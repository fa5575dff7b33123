#include "plugin/kdv6200_plugin.h"

#include <cstring>

#include "platform/debug_output.h"
#include "commands/format_commands.h"
#include "commands/page_commands.h"
#include "plugin/printer_output.h"

namespace plugin {

using platform::DebugTrace;

KDV6200Plugin::KDV6200Plugin() { DebugTrace(u"KDV6200Plugin(): start\n"); }

KDV6200Plugin::~KDV6200Plugin() { DebugTrace(u"~KDV6200Plugin(): start\n"); }

void* KDV6200Plugin::DeletingDestructor(unsigned int flags) {
  if ((flags & 1u) != 0) {
    delete this;
  } else {
    this->~KDV6200Plugin();
  }
  return this;
}

void KDV6200Plugin::vpiInitialize(platform::PrinterHandle printerHandle, const HostSettingsRecord* settings,
                                  const HostExtraRecord* extra) {
  DebugTrace(u"vpiInitialize(): start\n");
  printer = printerHandle;
  config = config::PrinterConfig::Load(printer);
  if (settings != nullptr) std::memcpy(&hostSettings, settings, sizeof hostSettings);
  if (extra != nullptr) std::memcpy(&hostExtra, extra, sizeof hostExtra);
  commands.Clear();
}

bool KDV6200Plugin::FlushToPrinter() { return SendToPrinter(printer, commands); }

bool KDV6200Plugin::vpiWritePrinter() {
  DebugTrace(u"vpiWritePrinter(): start\n");
  if (IsJobValid()) return FlushToPrinter();
  // An invalid job is sent only when forced and no error label explains it instead.
  if (!config.PrintError && config.ForcePrinting) return FlushToPrinter();
  commands.Clear();
  return true;
}

bool KDV6200Plugin::vpiEject() {
  DebugTrace(u"vpiEject(): start\n");
  return true;
}

bool KDV6200Plugin::vpiClear() {
  DebugTrace(u"vpiClear(): start\n");
  return true;
}

bool KDV6200Plugin::vpiWriteRFID(void* tag) {
  if (tag == nullptr) return false;
  DebugTrace(u"vpiWriteRFID(): start\n");
  return true;
}

bool KDV6200Plugin::vpiReferToBarcode(const WideChar* text, void* tag) {
  if (text == nullptr || tag == nullptr) return false;
  DebugTrace(u"vpiReferToBarcode(): start\n");
  return true;
}

// The operations below are composed by the configuration, header, layout, page and
// field code that follows; until then each announces itself and reports failure
// without touching the command buffer.

int32_t KDV6200Plugin::vpiConfigPlugin(const WideChar* /*printerName*/) {
  DebugTrace(u"vpiConfigPlugin(): start\n");
  return 1;
}

bool KDV6200Plugin::vpiSendBitmap(platform::DeviceContext, platform::BitmapHandle, const char* name) {
  if (name == nullptr) return false;
  DebugTrace(u"vpiSendBitmap(): start\n");
  return false;
}

bool KDV6200Plugin::vpiCreateNewPage() {
  DebugTrace(u"vpiCreateNewPage(): start\n");
  sheetLabelIndex = 1;
  return commands::BeginLabelFormat(&commands);
}

bool KDV6200Plugin::vpiReferToBaseBitmap() {
  DebugTrace(u"vpiReferToBaseBitmap(): start\n");
  if (layout.IsSingleUp()) return commands::WriteBaseLoad(&commands);
  // Only the first position of each sheet loads the stored base; the index counts
  // the positions used so far, for the masking of a partial sheet.
  const uint32_t perSheet = layout.LabelsPerSheet();
  if (layout.columns != 0 && layout.rows != 0 && perSheet != 0 && sheetLabelIndex % perSheet == 1 &&
      !commands::WriteBaseLoad(&commands)) {
    return false;
  }
  ++sheetLabelIndex;
  return true;
}

bool KDV6200Plugin::vpiReferToVariableBitmap(void* tag, const HostPoint* point) {
  if (tag == nullptr || point == nullptr) return false;
  DebugTrace(u"vpiReferToVariableBitmap(): start\n");
  return false;
}

bool KDV6200Plugin::vpiAddEmptyPage() {
  DebugTrace(u"vpiAddEmptyPage(): start\n");
  return commands::BeginLabelFormat(&commands) && commands::WriteWhiteBox(&commands, {0, 0}, 100, 100, 100) &&
         CloseSingleLabel(SingleLabel::EmptyPage);
}

bool KDV6200Plugin::vpiReferToEndLabel(const HostPoint* point, void* tag) {
  if (point == nullptr || tag == nullptr) return false;
  DebugTrace(u"vpiReferToEndLabel(): end\n");
  return false;
}

bool KDV6200Plugin::vpiReferToStartLabel(const HostPoint* point, void* tag) {
  if (point == nullptr || tag == nullptr) return false;
  DebugTrace(u"vpiReferToStartLabel(): start\n");
  return false;
}

}  // namespace plugin

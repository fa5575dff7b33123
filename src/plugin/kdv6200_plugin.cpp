#include "plugin/kdv6200_plugin.h"

#include <cstring>

#include "platform/debug_output.h"
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

}  // namespace plugin

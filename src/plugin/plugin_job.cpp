// The job's state over the plug-in's life: initialisation, sending the command buffer
// to the spooler, and the operations that accept a request without output.
#include <cstring>

#include "platform/debug_output.h"
#include "plugin/plugin_job.h"
#include "plugin/printer_output.h"

namespace plugin {

using platform::DebugTrace;

void PluginJob::vpiInitialize(platform::PrinterHandle printerHandle, const HostSettingsRecord* settings,
                                  const HostExtraRecord* extra) {
  DebugTrace(u"vpiInitialize(): start\n");
  printer = printerHandle;
  config = config::PrinterConfig::Load(printer);
  if (settings != nullptr) std::memcpy(&hostSettings, settings, sizeof hostSettings);
  if (extra != nullptr) std::memcpy(&hostExtra, extra, sizeof hostExtra);
  commands.Clear();
}

bool PluginJob::FlushToPrinter() { return SendToPrinter(printer, commands); }

bool PluginJob::vpiWritePrinter() {
  DebugTrace(u"vpiWritePrinter(): start\n");
  if (IsJobValid()) return FlushToPrinter();
  // An invalid job is sent only when forced and no error label explains it instead.
  if (!config.PrintError && config.ForcePrinting) return FlushToPrinter();
  commands.Clear();
  return true;
}

bool PluginJob::vpiEject() {
  DebugTrace(u"vpiEject(): start\n");
  return true;
}

bool PluginJob::vpiClear() {
  DebugTrace(u"vpiClear(): start\n");
  return true;
}

bool PluginJob::vpiWriteRFID(void* tag) {
  if (tag == nullptr) return false;
  DebugTrace(u"vpiWriteRFID(): start\n");
  return true;
}

bool PluginJob::vpiReferToBarcode(const WideChar* text, void* tag) {
  if (text == nullptr || tag == nullptr) return false;
  DebugTrace(u"vpiReferToBarcode(): start\n");
  return true;
}

}  // namespace plugin

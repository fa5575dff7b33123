// The configuration entry point: the host's request to edit a printer's settings.
#include "config/printer_config.h"
#include "platform/debug_output.h"
#include "platform/spooler.h"
#include "plugin/plugin_job.h"
#include "ui/configuration_ui.h"

namespace plugin {

// Opens the printer by name for administration, runs the configuration dialog over a
// freshly loaded record and closes the printer again. The object's own configuration
// and job state are not touched: jobs initialised afterwards load what was saved.
int32_t PluginJob::vpiConfigPlugin(const WideChar* printerName) {
  platform::DebugTrace(u"vpiConfigPlugin(): start\n");
  ui::ConfigurationUi& userInterface = ui::GetConfigurationUi();
  platform::Spooler& spooler = platform::GetSpooler();

  // A missing name names no printer (OpenPrinterW would open the print server instead).
  platform::PrinterHandle printer = nullptr;
  if (printerName == nullptr || !spooler.OpenPrinterForAdmin(platform::AsUtf16(printerName), &printer)) {
    if (!userInterface.ShowMessage(userInterface.ActiveWindow(), u"Cannot open the printer", u"Error")) {
      platform::DebugTrace(u"MessageBox Error");
    }
    return 1;
  }
  try {
    const config::PrinterConfig record = config::PrinterConfig::Load(printer);
    userInterface.RunConfigDialog(record, userInterface.ActiveWindow());
  } catch (...) {
    // Nothing may leave the DLL; the dialog reports its own failures.
  }
  spooler.ClosePrinter(printer);
  return 0;
}

}  // namespace plugin

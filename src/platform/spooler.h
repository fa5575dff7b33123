// Spooler services: writing raw bytes to a printer handle the host opened, and
// opening a printer by name for the configuration dialog.
#pragma once

#include <cstdint>

#include "platform/service.h"
#include "platform/types.h"

namespace platform {

class Spooler {
 public:
  virtual ~Spooler() = default;
  // WritePrinter: true on success; `written` receives the count the spooler reports.
  virtual bool WritePrinter(PrinterHandle printer, const void* data, uint32_t size, uint32_t* written) = 0;
  // OpenPrinterW with no data type, no device mode and PRINTER_ACCESS_ADMINISTER.
  virtual bool OpenPrinterForAdmin(const char16_t* name, PrinterHandle* printer) = 0;
  virtual bool ClosePrinter(PrinterHandle printer) = 0;
};

inline Spooler& GetSpooler() { return Service<Spooler>::Get(); }

}  // namespace platform

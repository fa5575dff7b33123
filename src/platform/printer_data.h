// Printer data in the spooler (GetPrinterDataExW / SetPrinterDataExW), where the
// printer's configuration is kept.
#pragma once

#include <cstdint>

#include "platform/service.h"
#include "platform/types.h"

namespace platform {

constexpr uint32_t kRegSz = 1;      // REG_SZ
constexpr uint32_t kRegDword = 4;   // REG_DWORD
constexpr uint32_t kErrorSuccess = 0;
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorMoreData = 234;

class PrinterData {
 public:
  virtual ~PrinterData() = default;
  // Returns the Win32 status code; `type` and `needed` receive what the spooler reports.
  virtual uint32_t GetValue(PrinterHandle printer, const char16_t* key, const char16_t* name, uint32_t* type,
                            void* data, uint32_t size, uint32_t* needed) = 0;
  virtual uint32_t SetValue(PrinterHandle printer, const char16_t* key, const char16_t* name, uint32_t type,
                            const void* data, uint32_t size) = 0;
};

inline PrinterData& GetPrinterData() { return Service<PrinterData>::Get(); }

}  // namespace platform

// Services of the native build, which runs the portable core off Windows: there is no
// spooler, printer data or GDI, so those report failure; the debug trace goes nowhere;
// the string table is the one the module's resources are built from; address space is
// reserved and committed with mmap and mprotect.
#include <sys/mman.h>

#include <algorithm>
#include <iterator>

#include "platform/address_space.h"
#include "platform/bitmaps.h"
#include "platform/debug_output.h"
#include "platform/printer_data.h"
#include "platform/spooler.h"
#include "platform/strings.h"
#include "resources/string_table.h"

namespace platform {
namespace {

class NoSpooler final : public Spooler {
 public:
  bool WritePrinter(PrinterHandle, const void*, uint32_t, uint32_t* written) override {
    if (written != nullptr) *written = 0;
    return false;
  }
  bool OpenPrinterForAdmin(const char16_t*, PrinterHandle*) override { return false; }
  bool ClosePrinter(PrinterHandle) override { return false; }
};

class NoPrinterData final : public PrinterData {
 public:
  uint32_t GetValue(PrinterHandle, const char16_t*, const char16_t*, uint32_t*, void*, uint32_t, uint32_t*) override {
    return kErrorFileNotFound;
  }
  uint32_t SetValue(PrinterHandle, const char16_t*, const char16_t*, uint32_t, const void*, uint32_t) override {
    return kErrorFileNotFound;
  }
};

class NoBitmaps final : public BitmapReader {
 public:
  int GetObject(BitmapHandle, int, void*) override { return 0; }
  int GetDIBits(DeviceContext, BitmapHandle, uint32_t, uint32_t, void*, void*) override { return 0; }
};

class SilentDebugOutput final : public DebugOutput {
 public:
  void Write(const char16_t*) override {}
};

class BuiltInStringTable final : public StringTable {
 public:
  bool Load(uint32_t id, std::u16string& text) override {
    const auto& table = resources::kStringTable;
    const auto* entry = std::find_if(std::begin(table), std::end(table),
                                     [id](const resources::StringEntry& e) { return e.id == id; });
    if (entry == std::end(table)) return false;
    text = entry->text;
    return true;
  }
};

class MappedAddressSpace final : public AddressSpace {
 public:
  void* Reserve(size_t bytes) override {
    void* start = ::mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return start == MAP_FAILED ? nullptr : start;
  }
  bool Commit(void* start, size_t bytes) override { return ::mprotect(start, bytes, PROT_READ | PROT_WRITE) == 0; }
  void Release(void* start, size_t bytes) override { ::munmap(start, bytes); }
};

}  // namespace

template <>
Spooler& Service<Spooler>::Default() {
  static NoSpooler instance;
  return instance;
}
template <>
PrinterData& Service<PrinterData>::Default() {
  static NoPrinterData instance;
  return instance;
}
template <>
BitmapReader& Service<BitmapReader>::Default() {
  static NoBitmaps instance;
  return instance;
}
template <>
DebugOutput& Service<DebugOutput>::Default() {
  static SilentDebugOutput instance;
  return instance;
}
template <>
StringTable& Service<StringTable>::Default() {
  static BuiltInStringTable instance;
  return instance;
}
template <>
AddressSpace& Service<AddressSpace>::Default() {
  static MappedAddressSpace instance;
  return instance;
}

}  // namespace platform

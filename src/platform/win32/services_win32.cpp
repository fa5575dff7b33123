// Win32 implementations of the spooler, printer-data, bitmap, debug, string and
// address-space services.
#include <windows.h>
#include <winspool.h>

#include "platform/address_space.h"
#include "platform/bitmaps.h"
#include "platform/debug_output.h"
#include "platform/printer_data.h"
#include "platform/spooler.h"
#include "platform/strings.h"
#include "platform/win32/module.h"

namespace platform {
namespace {

const wchar_t* W(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

class Win32Spooler final : public Spooler {
 public:
  bool WritePrinter(PrinterHandle printer, const void* data, uint32_t size, uint32_t* written) override {
    DWORD count = 0;
    const BOOL ok = ::WritePrinter(printer, const_cast<void*>(data), size, &count);
    if (written != nullptr) *written = count;
    return ok != FALSE;
  }
  bool OpenPrinterForAdmin(const char16_t* name, PrinterHandle* printer) override {
    PRINTER_DEFAULTSW defaults{};
    defaults.pDatatype = nullptr;
    defaults.pDevMode = nullptr;
    defaults.DesiredAccess = PRINTER_ACCESS_ADMINISTER;
    HANDLE handle = nullptr;
    if (!::OpenPrinterW(const_cast<wchar_t*>(W(name)), &handle, &defaults)) return false;
    *printer = handle;
    return true;
  }
  bool ClosePrinter(PrinterHandle printer) override { return ::ClosePrinter(printer) != FALSE; }
};

class Win32PrinterData final : public PrinterData {
 public:
  uint32_t GetValue(PrinterHandle printer, const char16_t* key, const char16_t* name, uint32_t* type, void* data,
                    uint32_t size, uint32_t* needed) override {
    DWORD reportedType = 0;
    DWORD reportedSize = 0;
    const DWORD status = ::GetPrinterDataExW(printer, W(key), W(name), &reportedType,
                                             static_cast<LPBYTE>(data), size, &reportedSize);
    if (type != nullptr) *type = reportedType;
    if (needed != nullptr) *needed = reportedSize;
    return status;
  }
  uint32_t SetValue(PrinterHandle printer, const char16_t* key, const char16_t* name, uint32_t type,
                    const void* data, uint32_t size) override {
    return ::SetPrinterDataExW(printer, W(key), W(name), type,
                               static_cast<LPBYTE>(const_cast<void*>(data)), size);
  }
};

class Win32BitmapReader final : public BitmapReader {
 public:
  int GetObject(BitmapHandle bitmap, int size, void* record) override { return ::GetObjectW(bitmap, size, record); }
  int GetDIBits(DeviceContext dc, BitmapHandle bitmap, uint32_t start, uint32_t lines, void* bits,
                void* info) override {
    return ::GetDIBits(dc, bitmap, start, lines, bits, static_cast<BITMAPINFO*>(info), DIB_RGB_COLORS);
  }
};

class Win32DebugOutput final : public DebugOutput {
 public:
  void Write(const char16_t* text) override { ::OutputDebugStringW(W(text)); }
};

class Win32StringTable final : public StringTable {
 public:
  bool Load(uint32_t id, std::u16string& text) override {
    // With a zero buffer size LoadStringW hands out the resource's own text and its length.
    const wchar_t* resource = nullptr;
    const int length = ::LoadStringW(win32::ThisModule(), id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0 || resource == nullptr) return false;
    text.assign(reinterpret_cast<const char16_t*>(resource), static_cast<size_t>(length));
    return true;
  }
};

class Win32AddressSpace final : public AddressSpace {
 public:
  void* Reserve(size_t bytes) override { return ::VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS); }
  bool Commit(void* start, size_t bytes) override {
    return ::VirtualAlloc(start, bytes, MEM_COMMIT, PAGE_READWRITE) != nullptr;
  }
  void Release(void* start, size_t) override { ::VirtualFree(start, 0, MEM_RELEASE); }
};

}  // namespace

template <>
Spooler& Service<Spooler>::Default() {
  static Win32Spooler instance;
  return instance;
}
template <>
PrinterData& Service<PrinterData>::Default() {
  static Win32PrinterData instance;
  return instance;
}
template <>
BitmapReader& Service<BitmapReader>::Default() {
  static Win32BitmapReader instance;
  return instance;
}
template <>
DebugOutput& Service<DebugOutput>::Default() {
  static Win32DebugOutput instance;
  return instance;
}
template <>
StringTable& Service<StringTable>::Default() {
  static Win32StringTable instance;
  return instance;
}
template <>
AddressSpace& Service<AddressSpace>::Default() {
  static Win32AddressSpace instance;
  return instance;
}

namespace win32 {

HMODULE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

}  // namespace win32
}  // namespace platform

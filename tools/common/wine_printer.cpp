#include "common/wine_printer.h"

#include <winspool.h>

#include <cstdio>

#include "common/win_files.h"

namespace win_tools {
namespace {

constexpr wchar_t kDriver[] = L"ZOV Wine Test Driver";
constexpr wchar_t kDriverFile[] = L"wineps.drv";
constexpr wchar_t kEnvironment[] = L"Windows x64";

wchar_t* Mutable(const wchar_t* text) { return const_cast<wchar_t*>(text); }

HANDLE OpenWithAllAccess(const std::wstring& name) {
  PRINTER_DEFAULTSW defaults{};
  defaults.DesiredAccess = PRINTER_ALL_ACCESS;
  HANDLE handle = nullptr;
  if (!::OpenPrinterW(Mutable(name.c_str()), &handle, &defaults)) return nullptr;
  return handle;
}

}  // namespace

WinePrinter::WinePrinter(std::wstring name) : name_(std::move(name)) {}

WinePrinter::~WinePrinter() { Delete(); }

const wchar_t* WinePrinter::DriverName() { return kDriver; }

bool WinePrinter::Fail(const char* what) {
  const DWORD code = ::GetLastError();
  char text[160];
  std::snprintf(text, sizeof text, "%s failed for printer \"%s\" (error %lu)", what, Narrow(name_).c_str(),
                static_cast<unsigned long>(code));
  lastError_ = text;
  return false;
}

bool WinePrinter::InstallDriver() {
  DRIVER_INFO_3W driver{};
  driver.cVersion = 3;
  driver.pName = Mutable(kDriver);
  driver.pEnvironment = Mutable(kEnvironment);
  driver.pDriverPath = Mutable(kDriverFile);
  driver.pDataFile = Mutable(kDriverFile);
  driver.pConfigFile = Mutable(kDriverFile);
  if (::AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&driver))) return true;
  if (::GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) return true;
  return Fail("AddPrinterDriverW");
}

bool WinePrinter::Open() {
  handle_ = OpenWithAllAccess(name_);
  return handle_ != nullptr || Fail("OpenPrinterW");
}

bool WinePrinter::Create() {
  if (handle_ != nullptr) return true;
  if (!InstallDriver()) return false;
  PRINTER_INFO_2W info{};
  info.pPrinterName = Mutable(name_.c_str());
  info.pPortName = Mutable(L"FILE:");
  info.pDriverName = Mutable(kDriver);
  info.pPrintProcessor = Mutable(L"winprint");
  info.pDatatype = Mutable(L"RAW");
  HANDLE added = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  if (added != nullptr) {
    ::ClosePrinter(added);
  } else if (::GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
    return Fail("AddPrinterW");
  }
  return Open();
}

bool WinePrinter::StartDocument(const std::wstring& outputFile, const std::wstring& documentName) {
  if (handle_ == nullptr && !Create()) return false;
  DOC_INFO_1W document{};
  document.pDocName = Mutable(documentName.c_str());
  document.pOutputFile = Mutable(outputFile.c_str());
  document.pDatatype = Mutable(L"RAW");
  if (::StartDocPrinterW(handle_, 1, reinterpret_cast<BYTE*>(&document)) == 0) return Fail("StartDocPrinterW");
  documentOpen_ = true;
  return true;
}

bool WinePrinter::EndDocument() {
  if (!documentOpen_) return true;
  documentOpen_ = false;
  return ::EndDocPrinter(handle_) != FALSE || Fail("EndDocPrinter");
}

bool WinePrinter::Delete() {
  bool ok = EndDocument();
  if (handle_ != nullptr) {
    ::ClosePrinter(handle_);
    handle_ = nullptr;
  }
  if (!PrinterExists(name_)) return ok;
  HANDLE handle = OpenWithAllAccess(name_);
  if (handle == nullptr) return Fail("OpenPrinterW before DeletePrinter");
  if (!::DeletePrinter(handle)) ok = Fail("DeletePrinter");
  ::ClosePrinter(handle);
  return ok;
}

bool PrinterExists(const std::wstring& name) {
  HANDLE handle = nullptr;
  PRINTER_DEFAULTSW defaults{};
  defaults.DesiredAccess = PRINTER_ACCESS_USE;
  if (!::OpenPrinterW(Mutable(name.c_str()), &handle, &defaults)) return false;
  ::ClosePrinter(handle);
  return true;
}

}  // namespace win_tools

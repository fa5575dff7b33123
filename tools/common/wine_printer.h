// A printer in the Wine prefix for tests and tools: a driver on wineps.drv and a
// printer on port FILE: with the RAW data type, so a document's bytes land in the
// output file named when the document starts. Creation is idempotent (a printer
// left by an earlier run is reused); the printer is deleted when the object goes.
#pragma once

#include <windows.h>

#include <string>

namespace win_tools {

class WinePrinter {
 public:
  explicit WinePrinter(std::wstring name);
  // Ends an open document, closes the handle and deletes the printer.
  ~WinePrinter();
  WinePrinter(const WinePrinter&) = delete;
  WinePrinter& operator=(const WinePrinter&) = delete;

  // Installs the driver and the printer if missing and opens the printer.
  bool Create();
  // Starts a RAW document whose bytes go to `outputFile` (a Windows path).
  bool StartDocument(const std::wstring& outputFile, const std::wstring& documentName = L"zov test document");
  bool EndDocument();
  // Closes the handle and deletes the printer; true when it is gone.
  bool Delete();

  HANDLE Handle() const { return handle_; }
  const std::wstring& Name() const { return name_; }
  bool DocumentOpen() const { return documentOpen_; }
  // What failed last, with the Win32 error code.
  const std::string& LastError() const { return lastError_; }

  static const wchar_t* DriverName();

 private:
  bool Fail(const char* what);
  bool InstallDriver();
  bool Open();

  std::wstring name_;
  HANDLE handle_ = nullptr;
  bool documentOpen_ = false;
  std::string lastError_;
};

// Whether a printer of this name exists in the prefix.
bool PrinterExists(const std::wstring& name);

}  // namespace win_tools

// sample_job.exe: prints a small job through the real plug-in DLL, the way the host
// does, into a Wine printer on FILE:, and reports every call with its result.
//
//   sample_job.exe [OUTPUT.prn]     (default: build\demo\sample_job.prn beside the build tree)
//
// Exit status: 0 when the job ran (operations that report false are listed, not
// fatal); 2 when the DLL cannot be loaded; 3 when the printer or its document fails.
// The job is a list of steps: add bitmaps, fields and labels by adding steps in
// BuildJob (or a page's steps in AddPage).
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "plugin/host_interface.h"
#include "support/win/plugin_loader.h"
#include "support/win/win_files.h"
#include "support/win/wine_printer.h"

namespace {

using testing_support::Narrow;

constexpr wchar_t kPrinterName[] = L"ZOV Sample Job";

// What the job prints: page, resolution and label layout (lengths in tenths of a millimetre).
struct JobSettings {
  int16_t resolution = 600;
  plugin::HostPageSize page{2362, 1181};  // 100 mm x 50 mm at 600 dpi
  int32_t orientation = 0;
  int32_t columnPitch = 500;
  int32_t rowPitch = 250;
  int32_t paperWidth = 1000;
  int32_t paperHeight = 500;
  int32_t leftMargin = 15;
  int32_t topMargin = 0;
  int32_t labelTotal = 4;
  int32_t columns = 2;
  int32_t rows = 2;
  int32_t pages = 1;
};

// One host call: its description, and the call itself giving the result (none for
// the operations without one).
struct Step {
  std::string call;
  std::function<std::optional<bool>()> run;
};

std::optional<bool> NoResult(const std::function<void()>& call) {
  call();
  return std::nullopt;
}

// Records the host keeps alive for the whole job.
struct HostRecords {
  plugin::HostSettingsRecord settings{};
  plugin::HostExtraRecord extra{};
};

void AddPage(std::vector<Step>& steps, plugin::IPlugin2& p, const JobSettings& job, int32_t page) {
  steps.push_back({"vpiCreateNewPage()", [&p] { return p.vpiCreateNewPage(); }});
  const int32_t positions = job.columns * job.rows;
  for (int32_t i = 1; i <= positions; ++i) {
    steps.push_back({"vpiReferToBaseBitmap()  [label " + std::to_string(i) + " of page " + std::to_string(page) + "]",
                     [&p] { return p.vpiReferToBaseBitmap(); }});
  }
  steps.push_back({"vpiCloseNewPageStatic(1)", [&p] { return p.vpiCloseNewPageStatic(1); }});
  steps.push_back({"vpiCloseNewPageFinal()", [&p] { return p.vpiCloseNewPageFinal(); }});
}

// The host's call order: initialise, header, layout, [bitmaps], pages, send.
std::vector<Step> BuildJob(plugin::IPlugin2& p, HANDLE printer, const JobSettings& job, const HostRecords& records) {
  std::vector<Step> steps;
  steps.push_back({"vpiInitialize(printer, settings @ " + std::to_string(job.resolution) + " dpi, extra)",
                   [&p, printer, &records] {
                     return NoResult([&] { p.vpiInitialize(printer, &records.settings, &records.extra); });
                   }});
  steps.push_back({"vpiWritePrintJobHeader(" + std::to_string(job.page.width) + " x " +
                       std::to_string(job.page.height) + " px)",
                   [&p, &job] { return p.vpiWritePrintJobHeader(&job.page); }});
  char layout[200];
  std::snprintf(layout, sizeof layout, "vpiSendLayoutData(%d, 0, 0, %d, %d, %d, %d, %d, %d, %d, %d, %d)",
                job.orientation, job.columnPitch, job.rowPitch, job.paperWidth, job.paperHeight, job.leftMargin,
                job.topMargin, job.labelTotal, job.columns, job.rows);
  steps.push_back({layout, [&p, &job] {
                     return NoResult([&] {
                       p.vpiSendLayoutData(job.orientation, 0, 0, job.columnPitch, job.rowPitch, job.paperWidth,
                                           job.paperHeight, job.leftMargin, job.topMargin, job.labelTotal,
                                           job.columns, job.rows);
                     });
                   }});
  for (int32_t page = 1; page <= job.pages; ++page) AddPage(steps, p, job, page);
  steps.push_back({"vpiWritePrinter()", [&p] { return p.vpiWritePrinter(); }});
  return steps;
}

std::wstring DefaultOutput() { return testing_support::ExecutableFolder() + L"\\..\\demo\\sample_job.prn"; }

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 2 || (argc == 2 && (std::wcscmp(argv[1], L"-h") == 0 || std::wcscmp(argv[1], L"--help") == 0))) {
    std::printf("usage: sample_job.exe [OUTPUT.prn]\n");
    return argc > 2 ? 1 : 0;
  }
  const std::wstring output = argc == 2 ? std::wstring(argv[1]) : DefaultOutput();
  const std::wstring folder = FolderOf(output);
  if (!folder.empty() && !testing_support::CreateFolders(folder)) {
    std::printf("error: cannot create the folder %s\n", Narrow(folder).c_str());
    return 3;
  }

  testing_support::PluginLibrary library;
  if (!library.Loaded()) {
    std::printf("error: %s\n", library.Error().c_str());
    return 2;
  }
  std::printf("loaded %s\n", Narrow(library.Path()).c_str());

  testing_support::WinePrinter printer(kPrinterName);
  if (!printer.Create() || !printer.StartDocument(output, L"ZOV sample job")) {
    std::printf("error: %s\n", printer.LastError().c_str());
    return 3;
  }
  std::printf("printer \"%s\" on FILE:, output %s\n", Narrow(printer.Name()).c_str(), Narrow(output).c_str());

  const JobSettings job;
  HostRecords records;
  std::memcpy(records.settings.bytes + plugin::HostSettingsRecord::kResolutionOffset, &job.resolution,
              sizeof job.resolution);

  auto* object = static_cast<plugin::IPlugin2*>(library.Create());
  std::printf("CreatePluginObject() -> %p\n", static_cast<void*>(object));
  if (object == nullptr) return 2;

  std::vector<std::string> failed;
  const std::vector<Step> steps = BuildJob(*object, printer.Handle(), job, records);
  for (const Step& step : steps) {
    const std::optional<bool> result = step.run();
    std::printf("%s -> %s\n", step.call.c_str(), !result.has_value() ? "(no result)" : *result ? "true" : "false");
    if (result.has_value() && !*result) failed.push_back(step.call);
  }
  library.Delete(object);
  std::printf("DeletePluginObject(object)\n");

  if (!printer.EndDocument()) {
    std::printf("error: %s\n", printer.LastError().c_str());
    return 3;
  }
  bool readable = false;
  const std::string bytes = testing_support::ReadFileBytes(output, &readable);
  std::printf("EndDocPrinter: %zu bytes in %s\n", bytes.size(), Narrow(output).c_str());
  if (!printer.Delete()) std::printf("warning: %s\n", printer.LastError().c_str());

  std::printf("%zu calls, %zu returned false\n", steps.size(), failed.size());
  for (const std::string& call : failed) std::printf("  false: %s\n", call.c_str());
  return 0;
}

// Every allocation of four small jobs fails in turn, through the slot table as the host
// calls it: no exception reaches the host, and a failure is logged at most once.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "plugin/kdv6200_plugin.h"
#include "support/fake_platform.h"
#include "support/fault_alloc.h"
#include "support/log_lines.h"

namespace {

using plugin::HostPoint;
using plugin::IPlugin2;
using testing_support::FakePlatform;

const std::u16string kKey = u"ORVEX_KD-V62x0G_Config";

// The host: calls the object through IPlugin2 and counts false results.
struct Host {
  IPlugin2& plugin;
  int falses = 0;
  int tagStorage = 0;
  void* tag = &tagStorage;
  HostPoint point{20, 40};

  void Expect(bool result) { falses += result ? 0 : 1; }
  void Start(int16_t dpi, uint32_t width, uint32_t height) {
    plugin::HostSettingsRecord settings{};
    std::memcpy(settings.bytes + plugin::HostSettingsRecord::kResolutionOffset, &dpi, sizeof dpi);
    plugin.vpiInitialize(reinterpret_cast<platform::PrinterHandle>(1), &settings, nullptr);
    const plugin::HostPageSize size{width, height};
    Expect(plugin.vpiWritePrintJobHeader(&size));
  }
  void Layout(int32_t leftMargin, int32_t total, int32_t columns, int32_t rows) {
    plugin.vpiSendLayoutData(0, 0, 0, 500, 300, 1000, 500, leftMargin, 30, total, columns, rows);
  }
  void Send(const char* name) { Expect(plugin.vpiSendBitmap(nullptr, nullptr, name)); }
};

struct Job {
  const char* label;
  std::function<void(Host&)> run;
};

const Job kJobs[] = {
    {"invalid header with its error label",
     [](Host& host) {
       host.Start(200, 300, 100);
       host.Expect(host.plugin.vpiWritePrinter());
     }},
    {"margin too small with its error label",
     [](Host& host) {
       host.Start(600, 2362, 1181);
       host.Layout(8, 1, 1, 1);
       host.Expect(host.plugin.vpiWritePrinter());
     }},
    {"text and clock fields",
     [](Host& host) {
       host.Start(600, 2362, 1181);
       host.Layout(50, 1, 1, 1);
       host.Expect(host.plugin.vpiCreateNewPage());
       host.Expect(host.plugin.vpiWriteText(u"Lot 7 \u00e9\u65e5", &host.point, 30, host.tag));
       host.Expect(host.plugin.vpiWriteText2(u"Lot 8", &host.point, 30, host.tag, 0x123456));
       host.Expect(host.plugin.vpiWriteClock(host.tag, &host.point, 30, host.tag));
       host.Expect(host.plugin.vpiWriteClock2(host.tag, &host.point, 30, host.tag, 0x654321));
       host.Expect(host.plugin.vpiCloseNewPageStatic(2));
       host.Expect(host.plugin.vpiCloseNewPageFinal());
       host.Expect(host.plugin.vpiWritePrinter());
     }},
    {"images on a 2 x 2 sheet",
     [](Host& host) {
       host.Start(600, 2362, 1181);
       host.Layout(8, 6, 2, 2);
       for (const char* name : {"BASE", "START", "END", "NUMBER"}) host.Send(name);
       host.Expect(host.plugin.vpiReferToStartLabel(&host.point, host.tag));
       host.Expect(host.plugin.vpiCreateNewPage());
       for (int i = 0; i < 4; ++i) host.Expect(host.plugin.vpiReferToBaseBitmap());
       host.Expect(host.plugin.vpiReferToVariableBitmap(host.tag, &host.point));
       host.Expect(host.plugin.vpiCloseNewPageStatic(1));
       host.Expect(host.plugin.vpiCloseNewPageFinal());
       host.Expect(host.plugin.vpiCreateNewPage());
       host.Expect(host.plugin.vpiCloseNewPageDynamic(6));
       host.Expect(host.plugin.vpiCloseNewPageFinal());
       host.Expect(host.plugin.vpiReferToEndLabel(&host.point, host.tag));
       host.Expect(host.plugin.vpiAddEmptyPage());
       host.Expect(host.plugin.vpiWritePrinter());
     }},
};

TEST(HostBoundary, AllocationFailureAnywhereStaysInsideTheOperation) {
  for (const Job& job : kJobs) {
    SCOPED_TRACE(job.label);
    testing_support::AllocationFailureWalk walk;
    int failedRuns = 0;
    while (walk.Next()) {
      FakePlatform fakes;
      fakes.printerData.PutDword(kKey, u"Override", 1);
      fakes.printerData.PutDword(kKey, u"PrintError", 1);
      fakes.printerData.PutDword(kKey, u"TimeFormatChooseFromPreset", 1);
      fakes.printerData.PutDword(kKey, u"TimeFormatDate", 1);
      fakes.printerData.PutDword(kKey, u"TimeFormatTime", 2);
      fakes.bitmaps.width = 40;
      fakes.bitmaps.height = 3;
      fakes.bitmaps.stride = 120;
      fakes.bitmaps.pixels.assign(360, '\x5a');
      plugin::KDV6200Plugin object;
      Host host{object};
      bool escaped = false;
      walk.Run([&] {
        try {
          job.run(host);
        } catch (...) {
          escaped = true;
        }
      });
      if (!walk.Fired()) break;
      EXPECT_FALSE(escaped) << "allocation " << walk.Point();
      int painterEntries = 0;
      for (const std::string& line : testing_support::LogLines(fakes.log))
        painterEntries += testing_support::IsPainterFailure(line) ? 1 : 0;
      EXPECT_LE(painterEntries, 1) << "allocation " << walk.Point();
      failedRuns += host.falses > 0 && painterEntries == 1 ? 1 : 0;
    }
    EXPECT_GT(walk.FailurePoints(), 50u);
    EXPECT_GT(failedRuns, 0);
  }
}

}  // namespace

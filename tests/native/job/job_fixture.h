// A plug-in object over fakes of the spooler, printer data, debug trace and log, with
// helpers to set the job's resolution and configuration and read what was sent.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "plugin/kdv6200_plugin.h"
#include "support/fake_log_system.h"
#include "support/fake_services.h"

namespace job_testing {

inline const std::u16string kConfigKey = u"ORVEX_KD-V62x0G_Config";
inline const std::u16string kLogPath = u"C:\\ProgramData\\ORVEX\\ORVEX_ZOV\\ZOV_PLUGIN_KD-V62x0G.log";
// The resolution commands a 600-dpi job sends.
inline const std::string kRes600 = "^S(CLR,P,600^S(CLR,R,600^S(CLR,Z,600^S(CLR,M,A";
inline const auto kPrinter = reinterpret_cast<platform::PrinterHandle>(0x1234);

class JobTest : public ::testing::Test {
 protected:
  testing_support::FakeSpooler spooler;
  testing_support::FakePrinterData printerData;
  testing_support::FakeDebugOutput trace;
  testing_support::FakeLogSystem log;
  platform::ScopedService<platform::Spooler> spoolerGuard{spooler};
  platform::ScopedService<platform::PrinterData> dataGuard{printerData};
  platform::ScopedService<platform::DebugOutput> traceGuard{trace};
  platform::ScopedService<platform::LogSystem> logGuard{log};
  std::unique_ptr<plugin::KDV6200Plugin> plugin = std::make_unique<plugin::KDV6200Plugin>();

  // A fresh object: one object serves one job, and its counters never reset.
  void NewObject() { plugin = std::make_unique<plugin::KDV6200Plugin>(); }

  // Stores a configuration switch or value as the printer's data.
  void Setting(const std::u16string& name, uint32_t value) { printerData.PutDword(kConfigKey, name, value); }

  // vpiInitialize with a settings record carrying `dpi`.
  void Initialize(int16_t dpi) {
    plugin::HostSettingsRecord settings{};
    std::memcpy(settings.bytes + plugin::HostSettingsRecord::kResolutionOffset, &dpi, sizeof dpi);
    plugin->vpiInitialize(kPrinter, &settings, nullptr);
  }

  bool Header(uint32_t width, uint32_t height) {
    const plugin::HostPageSize size{width, height};
    return plugin->vpiWritePrintJobHeader(&size);
  }

  // A layout at 0 degrees, one label, with the given left margin in tenths of a millimetre.
  void LayoutWithLeftMargin(int32_t leftMargin) {
    plugin->vpiSendLayoutData(0, 0, 0, 500, 300, 1000, 500, leftMargin, 30, 1, 1, 1);
  }

  std::string Sent() const { return spooler.AllBytes(); }
  std::string Buffered() const {
    return std::string(reinterpret_cast<const char*>(plugin->Commands().data()), plugin->Commands().size());
  }
  std::vector<std::string> LogLines() const { return log.Lines(kLogPath); }
};

// The "source,message" end of a log line.
inline std::string LogTail(const std::string& line) {
  const std::string prefix = ",ORVEX_ZOV,ZOV_PLUGIN_KD-V62x0G,";
  const size_t at = line.find(prefix);
  return at == std::string::npos ? line : line.substr(at + prefix.size());
}

}  // namespace job_testing

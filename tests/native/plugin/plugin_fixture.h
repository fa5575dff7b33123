// The plug-in object over fakes of the spooler, printer data, debug trace and log.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/service.h"
#include "plugin/kdv6200_plugin.h"
#include "support/fake_log_system.h"
#include "support/fake_services.h"

namespace plugin_testing {

inline const auto kPrinter = reinterpret_cast<platform::PrinterHandle>(0x1234);

inline std::string Contents(const commands::CommandBuffer& buffer) {
  return std::string(reinterpret_cast<const char*>(buffer.data()), buffer.size());
}

// A settings record whose every byte differs from its neighbours, carrying `dpi`.
inline plugin::HostSettingsRecord SettingsRecord(int16_t dpi, uint8_t seed = 1) {
  plugin::HostSettingsRecord record;
  for (size_t i = 0; i < sizeof record.bytes; ++i) record.bytes[i] = static_cast<uint8_t>(seed + 7 * i);
  std::memcpy(record.bytes + plugin::HostSettingsRecord::kResolutionOffset, &dpi, sizeof dpi);
  return record;
}

inline plugin::HostExtraRecord ExtraRecord(uint8_t seed = 3) {
  plugin::HostExtraRecord record;
  for (size_t i = 0; i < sizeof record.bytes; ++i) record.bytes[i] = static_cast<uint8_t>(seed + 13 * i);
  return record;
}

// The fakes are installed before the object is built, so its constructor's trace is seen.
class PluginObjectTest : public ::testing::Test {
 protected:
  testing_support::FakeSpooler spooler;
  testing_support::FakePrinterData printerData;
  testing_support::FakeDebugOutput trace;
  testing_support::FakeLogSystem log;
  platform::ScopedService<platform::Spooler> spoolerGuard{spooler};
  platform::ScopedService<platform::PrinterData> dataGuard{printerData};
  platform::ScopedService<platform::DebugOutput> traceGuard{trace};
  platform::ScopedService<platform::LogSystem> logGuard{log};
  plugin::KDV6200Plugin plugin;

  void Initialize(int16_t dpi) {
    const auto settings = SettingsRecord(dpi);
    plugin.vpiInitialize(kPrinter, &settings, nullptr);
  }
  // A valid 600-dpi job whose header has been sent: later flushes reach the spooler.
  void StartValidJob() {
    Initialize(600);
    const plugin::HostPageSize size{2362, 1181};
    ASSERT_TRUE(plugin.vpiWritePrintJobHeader(&size));
    spooler.writes.clear();
  }
  std::string Buffered() const { return Contents(plugin.Commands()); }
};

}  // namespace plugin_testing

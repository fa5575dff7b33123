// The plug-in object over fakes of the spooler, printer data, debug trace and log.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plugin/kdv6200_plugin.h"
#include "support/command_bytes.h"
#include "support/fake_platform.h"

namespace plugin_testing {

inline const auto kPrinter = reinterpret_cast<platform::PrinterHandle>(0x1234);

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
  testing_support::FakePlatform fakes;
  testing_support::FakeSpooler& spooler = fakes.spooler;
  testing_support::FakePrinterData& printerData = fakes.printerData;
  testing_support::FakeDebugOutput& trace = fakes.trace;
  testing_support::FakeBitmapReader& bitmaps = fakes.bitmaps;
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
  std::string Buffered() const { return testing_support::BufferBytes(plugin.Commands()); }
};

}  // namespace plugin_testing

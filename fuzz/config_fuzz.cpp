// Configuration loading from arbitrary printer data, and the settings run.
// Every value the loader asks for is given a fuzzed type, size and content, or a fuzzed
// failure status. Properties: loading never reads or writes outside its buffers and
// leaves the clock text terminated; what is loaded saves and loads back to the same
// record; the settings run is one append of "^S(" commands, or, when an allocation
// fails, false with the buffer as it was.
#include <algorithm>
#include <string>

#include "config/printer_config.h"
#include "fuzz_input.h"
#include "support/fake_services.h"
#include "support/fault_alloc.h"
#include "stream/command_stream.h"

namespace {

const auto kPrinter = reinterpret_cast<platform::PrinterHandle>(0x1234);

// The record with the units after the clock text's terminator cleared: they are never used.
config::PrinterConfig Normalised(config::PrinterConfig record) {
  const size_t length = std::char_traits<char16_t>::length(record.TimeFormatText);
  std::fill(record.TimeFormatText + length, record.TimeFormatText + config::kTimeFormatUnits, u'\0');
  return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput input(data, size);
  testing_support::FakePrinterData printerData;
  platform::ScopedService<platform::PrinterData> guard(printerData);

  // The values the loader reads, learnt from a load of empty printer data.
  config::PrinterConfig::Load(kPrinter);
  const auto asked = printerData.gets;
  printerData.gets.clear();
  for (const auto& get : asked) {
    switch (input.Below(4)) {
      case 0: break;  // missing
      case 1: printerData.getStatusFor[get.name] = input.Take<uint32_t>(); break;
      case 2: printerData.Put(get.key, get.name, input.Below(8), input.Bytes(8)); break;
      default: printerData.Put(get.key, get.name, input.Below(8), input.Bytes(7000)); break;
    }
  }
  const config::PrinterConfig loaded = config::PrinterConfig::Load(kPrinter);
  FUZZ_CHECK(printerData.gets.size() == asked.size());
  FUZZ_CHECK(std::char_traits<char16_t>::find(loaded.TimeFormatText, config::kTimeFormatUnits, u'\0') != nullptr);

  // Saved and loaded back, the record is the same (the two barcode values are never saved).
  testing_support::FakePrinterData saved;
  {
    platform::ScopedService<platform::PrinterData> savedGuard(saved);
    FUZZ_CHECK(loaded.Save());
    config::PrinterConfig expected = loaded;
    const config::PrinterConfig defaults;
    expected.CahngeBarcodeThickness = defaults.CahngeBarcodeThickness;
    expected.BarcodeThickness = defaults.BarcodeThickness;
    FUZZ_CHECK(Normalised(config::PrinterConfig::Load(kPrinter)) == Normalised(expected));
  }

  commands::CommandBuffer buffer;
  buffer.Append("^XA", 3);
  const uint32_t failAt = input.Below(4);  // 0: no allocation fails
  bool ok, fired;
  {
    testing_support::ScopedAllocationFailure failure(failAt);
    ok = loaded.WriteConfigCommands(&buffer);
    fired = failAt != 0 && failure.Fired();
  }
  FUZZ_CHECK(ok != fired);
  const std::string bytes(reinterpret_cast<const char*>(buffer.data()), buffer.size());
  if (!ok) {
    FUZZ_CHECK(bytes == "^XA");
    return 0;
  }
  const label_stream::CommandStream stream = label_stream::ReadCommandStream(bytes);
  FUZZ_CHECK(stream.ok() && stream.commands.size() == 18);
  for (size_t i = 1; i < stream.commands.size(); ++i) FUZZ_CHECK(stream.commands[i].text.rfind("^S(", 0) == 0);
  return 0;
}

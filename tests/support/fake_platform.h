// All the fakes a plug-in object meets, installed for as long as this lives: the
// spooler, printer data, the debug trace, bitmap reading and the log's services.
#pragma once

#include "platform/service.h"
#include "support/fake_log_system.h"
#include "support/fake_services.h"

namespace testing_support {

struct FakePlatform {
  FakeSpooler spooler;
  FakePrinterData printerData;
  FakeDebugOutput trace;
  FakeBitmapReader bitmaps;
  FakeLogSystem log;
  platform::ScopedService<platform::Spooler> spoolerGuard{spooler};
  platform::ScopedService<platform::PrinterData> printerDataGuard{printerData};
  platform::ScopedService<platform::DebugOutput> traceGuard{trace};
  platform::ScopedService<platform::BitmapReader> bitmapsGuard{bitmaps};
  platform::ScopedService<platform::LogSystem> logGuard{log};
};

}  // namespace testing_support

// The plug-in object driven as a hostile host would drive it: a fuzzed sequence of host
// operations with fuzzed arguments (layouts with negative, zero and huge values,
// quantities, points, sizes, orientations, resolutions, printer configuration, bitmaps
// of any size and depth through the fake bitmap reader), with one allocation failure
// injected at a fuzzed point of a fuzzed operation.
// Properties: no exception crosses the host interface; the buffer only ever holds whole
// commands and every download in it and in each flushed stream is well formed and
// decodes; a call never grows the buffer past a sheet's worth of work; a call that hits
// the injected failure keeps what the buffer held, unless it sent or replaced it whole.
// An input whose first byte is kValidJobMark or above drives instead a valid job in the
// host's documented order of calls (see ValidJob): every image it places is placed, and
// everything it sends, flush after flush, passes the stream checker without an error.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "native/imaging/png_decode.h"
#include "plugin/kdv6200_plugin.h"
#include "support/fake_platform.h"
#include "support/fault_alloc.h"
#include "support/stream_check.h"
#include "stream/command_stream.h"

namespace {

const auto kPrinter = reinterpret_cast<platform::PrinterHandle>(0x1234);
constexpr size_t kMaxOperations = 48;
// Most bytes one call may add: 10,000 positions of a sheet with their recalls, and the
// downloads of images the fake reader can hold.
constexpr size_t kMaxGrowthPerCall = size_t{16} << 20;
// Most bytes the fake bitmap reader hands out for one bitmap.
constexpr uint32_t kMaxBitmapBytes = 1u << 20;
constexpr uint8_t kValidJobMark = 0xC0;

// Host values: mostly small, often at the edges of 32 bits.
int32_t HostValue(fuzzing::FuzzInput& input) {
  static constexpr int32_t kEdges[] = {0, 1, -1, 2, 65536, INT_MAX, INT_MIN, 20000, 3000, 10000, 10001, 600, 300};
  switch (input.Below(4)) {
    case 0: return kEdges[input.Below(sizeof kEdges / sizeof kEdges[0])];
    case 1: return input.Take<int32_t>();
    default: return static_cast<int32_t>(input.Below(3000)) - 100;
  }
}

// No stray or cut bytes in `bytes`, and every download is one whole PNG file that libpng
// decodes. Read a command at a time: one flush may hold millions of commands.
void CheckStream(const std::string& bytes) {
  label_stream::MemorySource source(bytes);
  label_stream::CommandReader reader(source);
  label_stream::CommandView command;
  while (reader.Next(command)) {
    if (!command.download) continue;
    FUZZ_CHECK(label_stream::WholePngDownload(command));
    const std::vector<uint8_t> png(command.payload.begin(), command.payload.end());
    FUZZ_CHECK(imaging_test::DecodePng(png).ok);
  }
  FUZZ_CHECK(reader.TakeErrors().empty());
}

std::string Buffered(const plugin::KDV6200Plugin& plugin) {
  return std::string(reinterpret_cast<const char*>(plugin.Commands().data()), plugin.Commands().size());
}

// Scripts the fake reader with a bitmap of fuzzed facts; the pixels it hands out stay small.
void ScriptBitmap(fuzzing::FuzzInput& input, testing_support::FakeBitmapReader& bitmaps) {
  static constexpr uint16_t kDepths[] = {1, 4, 8, 16, 24, 32};
  bitmaps.onGetDIBits = nullptr;
  bitmaps.dibitsCalls.clear();
  bitmaps.getObjectFails = input.Below(16) == 0;
  bitmaps.failDIBitsOnCall = input.Below(8) == 0 ? 1 + input.Below(2) : 0;
  bitmaps.planes = input.Below(8) == 0 ? input.Take<uint16_t>() : 1;
  bitmaps.bitsPerPixel = input.Below(8) == 0 ? input.Take<uint16_t>() : kDepths[input.Below(6)];
  bitmaps.width = input.Below(8) == 0 ? HostValue(input) : static_cast<int32_t>(input.Below(700));
  bitmaps.height = input.Below(8) == 0 ? HostValue(input) : static_cast<int32_t>(input.Below(200));
  const uint64_t rowBytes = (uint64_t{static_cast<uint32_t>(bitmaps.width)} * bitmaps.bitsPerPixel + 31) / 32 * 4;
  bitmaps.stride = input.Below(8) == 0 ? input.Below(4096) : static_cast<uint32_t>(rowBytes % (1u << 20));
  if (uint64_t{bitmaps.stride} * static_cast<uint32_t>(bitmaps.height) > kMaxBitmapBytes) {
    bitmaps.height = static_cast<int32_t>(kMaxBitmapBytes / (bitmaps.stride == 0 ? 1 : bitmaps.stride));
  }
  // The pixels: a fuzzed pattern repeated over the image.
  const std::string pattern = input.Bytes(64);
  bitmaps.pixels.assign(uint64_t{bitmaps.stride} * static_cast<uint32_t>(bitmaps.height), '\xFF');
  for (size_t i = 0; !pattern.empty() && i < bitmaps.pixels.size(); ++i) bitmaps.pixels[i] = pattern[i % pattern.size()];
}

// Stores fuzzed values for the configuration the object loads at vpiInitialize: the
// switches mostly 0 or 1, the rest anything.
void ScriptConfig(fuzzing::FuzzInput& input, testing_support::FakePrinterData& printerData) {
  testing_support::FakePrinterData names;
  {
    platform::ScopedService<platform::PrinterData> guard(names);
    config::PrinterConfig::Load(kPrinter);
  }
  for (const auto& get : names.gets) {
    if (get.name == u"TimeFormatText") {
      if (input.Bool()) printerData.PutString(get.key, get.name, input.Text(40));
      continue;
    }
    switch (input.Below(4)) {
      case 0: break;
      case 1: printerData.PutDword(get.key, get.name, 0); break;
      case 2: printerData.PutDword(get.key, get.name, 1); break;
      default: printerData.PutDword(get.key, get.name, static_cast<uint32_t>(HostValue(input))); break;
    }
  }
}

// The fakes the object meets, but the debug trace keeps its silent default: recording
// it would put the fake's own allocations (which OutputDebugStringW never makes) in the
// way of the injected failure. The fakes' guard restores the default when it goes.
struct Fakes : testing_support::FakePlatform {
  Fakes() { platform::Service<platform::DebugOutput>::Replace(nullptr); }
};

class Host {
 public:
  Host(fuzzing::FuzzInput& input, Fakes& fakes) : input_(input), fakes_(fakes) {}

  // Runs one operation chosen by the input, failing its allocation `failAt` (0: none);
  // true when that allocation was reached.
  bool Operate(plugin::KDV6200Plugin& plugin, uint32_t failAt) {
    failAt_ = failAt;
    fired_ = false;
    Step(plugin);
    return fired_;
  }

 private:
  void Step(plugin::KDV6200Plugin& plugin) {
    const plugin::HostPoint point{HostValue(input_), HostValue(input_)};
    const plugin::HostPoint* pointOrNull = input_.Below(16) == 0 ? nullptr : &point;
    void* tag = input_.Below(16) == 0 ? nullptr : &tag_;
    switch (input_.Below(20)) {
      case 0: {
        plugin::HostSettingsRecord settings{};
        static constexpr int16_t kResolutions[] = {600, 300, 200, 0, -600};
        const int16_t dpi = input_.Below(4) == 0 ? input_.Take<int16_t>() : kResolutions[input_.Below(5)];
        std::memcpy(settings.bytes + plugin::HostSettingsRecord::kResolutionOffset, &dpi, sizeof dpi);
        const platform::PrinterHandle printer = input_.Below(8) == 0 ? nullptr : kPrinter;
        const plugin::HostSettingsRecord* settingsOrNull = input_.Below(16) == 0 ? nullptr : &settings;
        Call([&] { plugin.vpiInitialize(printer, settingsOrNull, nullptr); return true; });
        return;
      }
      case 1: {
        const plugin::HostPageSize size{static_cast<uint32_t>(HostValue(input_)), static_cast<uint32_t>(HostValue(input_))};
        Call([&] { return plugin.vpiWritePrintJobHeader(input_.Below(16) == 0 ? nullptr : &size); });
        return;
      }
      case 2: {
        int32_t v[12];
        for (int32_t& value : v) value = HostValue(input_);
        v[0] = input_.Below(4) == 0 ? v[0] : static_cast<int32_t>(90 * input_.Below(4));
        Call([&] { plugin.vpiSendLayoutData(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11]); return true; });
        return;
      }
      case 3: {
        static const char* const kNames[] = {"BASE", "START", "END", "VARIABLE", "xBASEx", ""};
        ScriptBitmap(input_, fakes_.bitmaps);
        const char* name = input_.Below(16) == 0 ? nullptr : kNames[input_.Below(6)];
        Call([&] { return plugin.vpiSendBitmap(nullptr, reinterpret_cast<platform::BitmapHandle>(0x77), name); });
        return;
      }
      case 4: Call([&] { return plugin.vpiCreateNewPage(); }); return;
      case 5: Call([&] { return plugin.vpiReferToBaseBitmap(); }); return;
      case 6: Call([&] { return plugin.vpiReferToVariableBitmap(tag, pointOrNull); }); return;
      case 7: Call([&] { return plugin.vpiCloseNewPageStatic(HostValue(input_)); }); return;
      case 8: Call([&] { return plugin.vpiCloseNewPageDynamic(HostValue(input_)); }); return;
      case 9: Call([&] { return plugin.vpiCloseNewPageFinal(); }); return;
      case 10: Call([&] { return plugin.vpiAddEmptyPage(); }); return;
      case 11: Call([&] { return plugin.vpiReferToEndLabel(pointOrNull, tag); }); return;
      case 12: Call([&] { return plugin.vpiReferToStartLabel(pointOrNull, tag); }); return;
      case 13: {
        const std::u16string text = input_.Text(200);
        const platform::WideChar* textOrNull = input_.Below(16) == 0 ? nullptr : reinterpret_cast<const platform::WideChar*>(text.c_str());
        const int32_t fontSize = HostValue(input_);
        Call([&] { return input_.Bool() ? plugin.vpiWriteText(textOrNull, pointOrNull, fontSize, tag)
                             : plugin.vpiWriteText2(textOrNull, pointOrNull, fontSize, tag, input_.Take<uint32_t>()); });
        return;
      }
      case 14: {
        const int32_t fontSize = HostValue(input_);
        Call([&] { return input_.Bool() ? plugin.vpiWriteClock(tag, pointOrNull, fontSize, tag)
                             : plugin.vpiWriteClock2(tag, pointOrNull, fontSize, tag, input_.Take<uint32_t>()); });
        return;
      }
      case 15:
      case 16: {
        const size_t sent = fakes_.spooler.writes.size();
        fakes_.spooler.failOnCall = input_.Below(16) == 0 ? static_cast<uint32_t>(sent + 1) : 0;
        Call([&] { return plugin.vpiWritePrinter(); });
        std::string flushed;
        for (size_t i = sent; i < fakes_.spooler.writes.size(); ++i) flushed += fakes_.spooler.writes[i].bytes;
        CheckStream(flushed);
        return;
      }
      case 17: Call([&] { return plugin.vpiReferToBarcode(u"1234", tag); }); return;
      case 18: Call([&] { return plugin.vpiWriteRFID(tag); }); return;
      default: Call([&] { return plugin.vpiEject() && plugin.vpiClear(); }); return;
    }
  }

  // Calls the object with the armed allocation failure (if any); no exception may come back.
  template <class Operation>
  void Call(Operation&& operation) {
    try {
      testing_support::ScopedAllocationFailure failure(failAt_);
      operation();
      fired_ = fired_ || (failAt_ != 0 && failure.Fired());
    } catch (...) {
      FUZZ_CHECK(!"an exception crossed the host interface");
    }
  }

  fuzzing::FuzzInput& input_;
  Fakes& fakes_;
  int tag_ = 0;
  uint32_t failAt_ = 0;
  bool fired_ = false;
};

// A job as a host that keeps the rules drives it: the documented order of calls, a
// supported resolution and page size, a grid at 0 degrees that fits the label, images
// sent before they are placed, points on the label (images also close to or inside the
// unprintable strip; fields at or right of it, since a clock left of it is documented to
// wrap), no failing service. The error-handling switches are fuzzed, so a left margin in
// the strip prints forced, explained or not at all.
class ValidJob {
 public:
  ValidJob(fuzzing::FuzzInput& input, Fakes& fakes) : input_(input), fakes_(fakes) {}

  void Run() {
    for (const char16_t* name : {u"PrintError", u"ForcePrinting", u"Override", u"DoAutoCut"}) {
      const uint32_t choice = input_.Below(3);
      if (choice != 0) fakes_.printerData.PutDword(u"ORVEX_KD-V62x0G_Config", name, choice - 1);
    }
    const int16_t dpi = input_.Bool() ? 600 : 300;
    const uint32_t scale = 600 / static_cast<uint32_t>(dpi);
    margin_ = dpi * 35 / 600;
    plugin::HostSettingsRecord settings{};
    std::memcpy(settings.bytes + plugin::HostSettingsRecord::kResolutionOffset, &dpi, sizeof dpi);
    plugin_.vpiInitialize(kPrinter, &settings, nullptr);
    // Supported page sizes in 600-dpi dots, as host pixels rounded up so they stay supported.
    const plugin::HostPageSize page{(1181 + input_.Below(1466) + scale - 1) / scale,
                                    (600 + input_.Below(2400) + scale - 1) / scale};
    plugin_.vpiWritePrintJobHeader(&page);
    labelWidth_ = static_cast<int32_t>((page.width * scale - 95) / scale);
    labelLength_ = static_cast<int32_t>(page.height);
    Layout(dpi);
    Send("BASE", base_);
    Send("START", start_);
    Send("END", end_);
    Send("VARIABLE", variable_);
    if (start_ != 0 && input_.Bool())
      Place([&](const plugin::HostPoint* at) { return plugin_.vpiReferToStartLabel(at, &tag_); }, start_);
    Pages();
    if (end_ != 0 && input_.Bool())
      Place([&](const plugin::HostPoint* at) { return plugin_.vpiReferToEndLabel(at, &tag_); }, end_);
    if (input_.Bool()) plugin_.vpiAddEmptyPage();
    plugin_.vpiWritePrinter();
    const std::string errors = testing_support::CheckerErrors(fakes_.spooler.AllBytes());
    if (!errors.empty()) std::fprintf(stderr, "%s", errors.c_str());
    FUZZ_CHECK(errors.empty());
  }

 private:
  // Tenths of a millimetre of the grid: columns x rows positions from the margins, the
  // pitches chosen so that the last position still starts on the label.
  void Layout(int16_t dpi) {
    columns_ = 1 + static_cast<int32_t>(input_.Below(3));
    rows_ = 1 + static_cast<int32_t>(input_.Below(3));
    const auto tenths = [dpi](int32_t pixels) { return static_cast<int32_t>(pixels * 10 / (0.03937 * dpi)); };
    const int32_t left = static_cast<int32_t>(input_.Below(60));
    const int32_t top = static_cast<int32_t>(input_.Below(60));
    const int32_t roomX = std::max(tenths(labelWidth_) - left - 2, columns_) / columns_;
    const int32_t roomY = std::max(tenths(labelLength_) - top - 2, rows_) / rows_;
    const int32_t pitchX = 1 + static_cast<int32_t>(input_.Below(256)) * (roomX - 1) / 256;
    const int32_t pitchY = 1 + static_cast<int32_t>(input_.Below(256)) * (roomY - 1) / 256;
    const int32_t total = 1 + static_cast<int32_t>(input_.Below(static_cast<uint32_t>(3 * columns_ * rows_)));
    plugin_.vpiSendLayoutData(0, 0, 0, pitchX, pitchY, tenths(labelWidth_), tenths(labelLength_), left, top, total,
                              columns_, rows_);
  }

  // Sends an image of fuzzed size, depth and pattern under `name`, or not; `width` keeps its width (0: not sent).
  void Send(const char* name, int32_t& width) {
    if (!input_.Bool()) return;
    testing_support::FakeBitmapReader& bitmaps = fakes_.bitmaps;
    bitmaps.width = width = 1 + static_cast<int32_t>(input_.Below(128));
    bitmaps.height = 1 + static_cast<int32_t>(input_.Below(32));
    bitmaps.bitsPerPixel = input_.Bool() ? 24 : 1;
    bitmaps.stride = (static_cast<uint32_t>(bitmaps.width) * bitmaps.bitsPerPixel + 31) / 32 * 4;
    const std::string pattern = input_.Bytes(16);
    bitmaps.pixels.assign(size_t{bitmaps.stride} * static_cast<uint32_t>(bitmaps.height), '\x5A');
    for (size_t i = 0; !pattern.empty() && i < bitmaps.pixels.size(); ++i)
      bitmaps.pixels[i] = pattern[i % pattern.size()];
    plugin_.vpiSendBitmap(nullptr, reinterpret_cast<platform::BitmapHandle>(0x77), name);
  }

  // An image `width` wide at a point on the label: often ending at, inside or just past the strip.
  template <class Call>
  void Place(Call&& call, int32_t width) {
    const int32_t x = input_.Bool()
                          ? std::max(0, margin_ - static_cast<int32_t>(input_.Below(std::min(width + 2, 256))))
                          : Across(labelWidth_);
    const plugin::HostPoint at{x, Across(labelLength_)};
    FUZZ_CHECK(call(&at));  // an image sent is placed, even where nothing of it prints
  }
  // A point for a field of `size` pixels, at or right of the strip; its baseline (the
  // point moved down by the size) still on the label.
  plugin::HostPoint FieldPoint(int32_t size) {
    return {margin_ + Across(labelWidth_ - margin_), Across(labelLength_ - size)};
  }
  int32_t Across(int32_t length) { return static_cast<int32_t>(input_.Below(256)) * length / 256; }

  void Pages() {
    const int32_t positions = columns_ * rows_;
    int32_t labels = 0;
    for (uint32_t pages = input_.Below(4); pages > 0; --pages) {
      plugin_.vpiCreateNewPage();
      for (int32_t position = 0; position < positions; ++position, ++labels) {
        if (base_ != 0) plugin_.vpiReferToBaseBitmap();
        if (variable_ != 0 && input_.Bool())
          Place([&](const plugin::HostPoint* at) { return plugin_.vpiReferToVariableBitmap(&tag_, at); }, variable_);
        if (input_.Bool()) {
          const std::u16string text = input_.Text(8);
          const int32_t size = 10 + static_cast<int32_t>(input_.Below(100));
          const plugin::HostPoint at = FieldPoint(size);
          plugin_.vpiWriteText(reinterpret_cast<const platform::WideChar*>(text.c_str()), &at, size, &tag_);
        }
        if (input_.Bool()) {
          const int32_t size = 10 + static_cast<int32_t>(input_.Below(100));
          const plugin::HostPoint at = FieldPoint(size);
          plugin_.vpiWriteClock(&tag_, &at, size, &tag_);
        }
      }
      if (input_.Bool())
        plugin_.vpiCloseNewPageStatic(1 + static_cast<int32_t>(input_.Below(3)));
      else
        plugin_.vpiCloseNewPageDynamic(labels);
      plugin_.vpiCloseNewPageFinal();
      if (input_.Bool()) plugin_.vpiWritePrinter();
    }
  }

  fuzzing::FuzzInput& input_;
  Fakes& fakes_;
  plugin::KDV6200Plugin plugin_;
  int tag_ = 0;
  int32_t margin_ = 0;
  int32_t labelWidth_ = 0, labelLength_ = 0;  // in host pixels
  int32_t columns_ = 1, rows_ = 1;
  int32_t base_ = 0, start_ = 0, end_ = 0, variable_ = 0;  // widths of the images sent
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput input(data, size);
  Fakes fakes;
  if (size > 0 && data[0] >= kValidJobMark) {
    input.Take<uint8_t>();
    ValidJob(input, fakes).Run();
    return 0;
  }
  ScriptConfig(input, fakes.printerData);
  const size_t failingOperation = input.Below(kMaxOperations + 1);  // past the last: none fails
  const uint32_t failAt = 1 + input.Below(64);

  auto plugin = std::make_unique<plugin::KDV6200Plugin>();
  Host host(input, fakes);
  for (size_t operation = 0; operation < kMaxOperations && !input.empty(); ++operation) {
    const std::string before = Buffered(*plugin);
    const bool fired = host.Operate(*plugin, operation == failingOperation ? failAt : 0);
    const std::string after = Buffered(*plugin);
    FUZZ_CHECK(after.size() <= before.size() + kMaxGrowthPerCall);
    // What the buffer held survives a failure, unless the call sent it or replaced it as a
    // whole by design (an invalid layout's error label replaces what waits).
    if (fired) FUZZ_CHECK(after.compare(0, before.size(), before) == 0 || after.empty() || after.rfind("^XA", 0) == 0);
    CheckStream(after);
  }
  return 0;
}

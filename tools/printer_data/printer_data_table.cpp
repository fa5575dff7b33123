// Prints the printer data table of INSTALL.txt by watching PrinterConfig through a
// recording printer-data service: Load tells the names in reading order and their types
// (by the buffer it offers), Save of the defaults tells what the dialog writes and the
// default data. A value that is read but never written shows as default the stored
// value that loads as the defaults do.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "config/printer_config.h"
#include "platform/printer_data.h"

namespace {

struct Read {
  std::u16string name;
  uint32_t size;  // the buffer Load offers: 4 for a REG_DWORD
};
struct Written {
  uint32_t type;
  std::vector<uint8_t> data;
};

class RecordingPrinterData : public platform::PrinterData {
 public:
  std::vector<Read> reads;
  std::map<std::u16string, Written> writes;
  std::map<std::u16string, int32_t> stored;  // what GetValue answers; others are missing

  uint32_t GetValue(platform::PrinterHandle, const char16_t*, const char16_t* name, uint32_t* type, void* data,
                    uint32_t size, uint32_t* needed) override {
    if (reads.size() < kMostValues && !Seen(name)) reads.push_back({name, size});
    const auto value = stored.find(name);
    if (value == stored.end() || size < 4) return platform::kErrorFileNotFound;
    const uint32_t raw = static_cast<uint32_t>(value->second);
    const uint8_t bytes[4] = {uint8_t(raw), uint8_t(raw >> 8), uint8_t(raw >> 16), uint8_t(raw >> 24)};
    std::memcpy(data, bytes, 4);
    *type = platform::kRegDword;
    *needed = 4;
    return platform::kErrorSuccess;
  }
  uint32_t SetValue(platform::PrinterHandle, const char16_t*, const char16_t* name, uint32_t type, const void* data,
                    uint32_t size) override {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    writes[name] = {type, std::vector<uint8_t>(bytes, bytes + size)};
    return platform::kErrorSuccess;
  }

 private:
  static constexpr size_t kMostValues = 100;
  bool Seen(const char16_t* name) const {
    for (const Read& read : reads)
      if (read.name == name) return true;
    return false;
  }
};

std::string Ascii(const std::u16string& text) { return std::string(text.begin(), text.end()); }

int32_t Dword(const std::vector<uint8_t>& data) {
  if (data.size() != 4) return 0;
  return static_cast<int32_t>(uint32_t{data[0]} | uint32_t{data[1]} << 8 | uint32_t{data[2]} << 16 |
                              uint32_t{data[3]} << 24);
}

// The stored value of a read-only REG_DWORD that loads as the defaults do.
std::string ReadOnlyDefault(RecordingPrinterData& data, const std::u16string& name, const config::PrinterConfig& defaults) {
  for (int32_t value = -16; value <= 16; ++value) {
    data.stored = {{name, value}};
    if (config::PrinterConfig::Load(defaults.PrinterHandle) == defaults) return std::to_string(value);
  }
  return "?";
}

}  // namespace

int main() {
  RecordingPrinterData data;
  platform::ScopedService<platform::PrinterData> scoped(data);
  static int printer = 0;  // any handle that is not null: Load reads only through one
  config::PrinterConfig defaults = config::PrinterConfig::Load(&printer);
  if (!defaults.Save()) return 1;
  const std::vector<Read> reads = data.reads;

  std::printf("  %-28s %-10s %-21s %s\n", "Value name", "Type", "Default", "Written by the dialog");
  for (const Read& read : reads) {
    const auto written = data.writes.find(read.name);
    const bool dword = read.size == 4;
    std::string value;
    if (written == data.writes.end()) {
      value = dword ? ReadOnlyDefault(data, read.name, defaults) : "?";
    } else if (dword) {
      value = std::to_string(Dword(written->second.data));
    } else {
      std::u16string text(written->second.data.size() / 2, u'\0');
      std::memcpy(text.data(), written->second.data.data(), text.size() * 2);
      value = "\"" + Ascii(text) + "\"";
    }
    std::printf("  %-28s %-10s %-21s %s\n", Ascii(read.name).c_str(), dword ? "REG_DWORD" : "REG_SZ", value.c_str(),
                written != data.writes.end() ? "yes" : "no (read only)");
  }
  return 0;
}

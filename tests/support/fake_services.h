// In-memory stand-ins for the platform services the plug-in core uses: the spooler, the
// debug trace, the string table, printer data and bitmap reading. Each records what it
// was asked and answers as a test scripts it; install one with
// `platform::ScopedService<Interface> guard(fake);`.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/bitmaps.h"
#include "platform/debug_output.h"
#include "platform/printer_data.h"
#include "platform/spooler.h"
#include "platform/strings.h"

namespace testing_support {

// WritePrinter records every call's bytes; it can fail on one call, accept fewer bytes
// than offered, or report that nothing was written.
class FakeSpooler final : public platform::Spooler {
 public:
  struct Write {
    platform::PrinterHandle printer;
    uint32_t size;
    std::string bytes;  // a copy of the `size` bytes passed
  };

  // Knobs.
  uint32_t failOnCall = 0;             // 1-based WritePrinter call that returns false (0: none)
  uint32_t acceptAtMost = UINT32_MAX;  // largest count reported as written by one call
  bool reportZeroWritten = false;      // succeed but report 0 bytes written
  bool openSucceeds = true;
  platform::PrinterHandle openedHandle = reinterpret_cast<platform::PrinterHandle>(0x5150);

  // Observations.
  std::vector<Write> writes;
  std::vector<std::u16string> opened;
  std::vector<platform::PrinterHandle> closed;

  bool WritePrinter(platform::PrinterHandle printer, const void* data, uint32_t size, uint32_t* written) override {
    writes.push_back({printer, size, std::string(static_cast<const char*>(data), size)});
    const bool fails = failOnCall != 0 && writes.size() == failOnCall;
    if (written != nullptr) *written = fails || reportZeroWritten ? 0 : std::min(size, acceptAtMost);
    return !fails;
  }
  bool OpenPrinterForAdmin(const char16_t* name, platform::PrinterHandle* printer) override {
    opened.emplace_back(name != nullptr ? name : u"");
    if (!openSucceeds) return false;
    *printer = openedHandle;
    return true;
  }
  bool ClosePrinter(platform::PrinterHandle printer) override {
    closed.push_back(printer);
    return true;
  }

  // Every byte passed to WritePrinter, in call order.
  std::string AllBytes() const {
    std::string all;
    for (const Write& write : writes) all += write.bytes;
    return all;
  }
};

// The debug trace, line by line in the order written.
class FakeDebugOutput final : public platform::DebugOutput {
 public:
  std::vector<std::u16string> lines;
  void Write(const char16_t* text) override { lines.emplace_back(text != nullptr ? text : u""); }
};

// String table entries by id; an id that is not in the map cannot be loaded.
class FakeStringTable final : public platform::StringTable {
 public:
  std::map<uint32_t, std::u16string> entries;
  std::vector<uint32_t> loads;
  bool Load(uint32_t id, std::u16string& text) override {
    loads.push_back(id);
    auto found = entries.find(id);
    if (found == entries.end()) return false;
    text = found->second;
    return true;
  }
};

// Printer data as a map from (key, value name) to a typed value, answering as the
// spooler does: 2 for a missing value, 234 with the needed size for a small buffer.
class FakePrinterData final : public platform::PrinterData {
 public:
  struct Value {
    uint32_t type;
    std::string bytes;
  };
  struct Get {
    platform::PrinterHandle printer;
    std::u16string key, name;
    uint32_t size;
  };
  struct Set {
    platform::PrinterHandle printer;
    std::u16string key, name;
    uint32_t type;
    std::string bytes;
  };

  // Knobs.
  uint32_t failSetOnCall = 0;  // 1-based SetValue call that fails (0: none)
  uint32_t failSetStatus = 5;  // its status (ERROR_ACCESS_DENIED)
  std::map<std::u16string, uint32_t> getStatusFor;  // forced GetValue status per value name

  // State and observations.
  std::map<std::pair<std::u16string, std::u16string>, Value> values;
  std::vector<Get> gets;
  std::vector<Set> sets;

  void Put(const std::u16string& key, const std::u16string& name, uint32_t type, std::string bytes) {
    values[{key, name}] = {type, std::move(bytes)};
  }
  void PutDword(const std::u16string& key, const std::u16string& name, uint32_t value) {
    Put(key, name, platform::kRegDword, std::string(reinterpret_cast<const char*>(&value), sizeof value));
  }
  void PutString(const std::u16string& key, const std::u16string& name, const std::u16string& text) {
    Put(key, name, platform::kRegSz, std::string(reinterpret_cast<const char*>(text.data()), 2 * text.size()));
  }

  uint32_t GetValue(platform::PrinterHandle printer, const char16_t* key, const char16_t* name, uint32_t* type,
                    void* data, uint32_t size, uint32_t* needed) override {
    gets.push_back({printer, key, name, size});
    auto forced = getStatusFor.find(name);
    if (forced != getStatusFor.end()) return forced->second;
    auto found = values.find({key, name});
    if (found == values.end()) return platform::kErrorFileNotFound;
    const auto length = static_cast<uint32_t>(found->second.bytes.size());
    if (type != nullptr) *type = found->second.type;
    if (needed != nullptr) *needed = length;
    if (size < length) return platform::kErrorMoreData;
    if (length != 0) std::memcpy(data, found->second.bytes.data(), length);
    return platform::kErrorSuccess;
  }
  uint32_t SetValue(platform::PrinterHandle printer, const char16_t* key, const char16_t* name, uint32_t type,
                    const void* data, uint32_t size) override {
    sets.push_back({printer, key, name, type, std::string(static_cast<const char*>(data), size)});
    if (failSetOnCall != 0 && sets.size() == failSetOnCall) return failSetStatus;
    Put(key, name, type, sets.back().bytes);
    return platform::kErrorSuccess;
  }
};

// One scripted bitmap, answered as GDI does: GetObject fills a 32-byte BITMAP record,
// GetDIBits without a pixel buffer reports the image size in the BITMAPINFOHEADER, with
// one it copies the scripted rows. `onGetDIBits` replaces the scripted answer.
class FakeBitmapReader final : public platform::BitmapReader {
 public:
  struct DIBitsCall {
    platform::DeviceContext dc;
    platform::BitmapHandle bitmap;
    uint32_t start, lines;
    bool withBits;
    std::string info;  // the 48 bytes of BITMAPINFO as passed in
  };

  // The scripted bitmap: rows top first, `stride` bytes each.
  int32_t width = 0, height = 0;
  uint16_t planes = 1, bitsPerPixel = 24;
  uint32_t stride = 0;
  std::string pixels;
  // Knobs.
  bool getObjectFails = false;
  uint32_t failDIBitsOnCall = 0;  // 1-based GetDIBits call that returns 0 (0: none)
  std::function<int(const DIBitsCall&, void* bits, void* info)> onGetDIBits;

  // Observations.
  std::vector<std::pair<platform::BitmapHandle, int>> objectCalls;
  std::vector<DIBitsCall> dibitsCalls;

  int GetObject(platform::BitmapHandle bitmap, int size, void* record) override {
    objectCalls.emplace_back(bitmap, size);
    if (getObjectFails || size < 32 || record == nullptr) return 0;
    unsigned char bytes[32] = {};
    const int32_t type = 0;
    const auto rowBytes = static_cast<int32_t>(stride);
    std::memcpy(bytes + 0, &type, 4);
    std::memcpy(bytes + 4, &width, 4);
    std::memcpy(bytes + 8, &height, 4);
    std::memcpy(bytes + 12, &rowBytes, 4);
    std::memcpy(bytes + 16, &planes, 2);
    std::memcpy(bytes + 18, &bitsPerPixel, 2);
    std::memcpy(record, bytes, sizeof bytes);
    return 32;
  }

  int GetDIBits(platform::DeviceContext dc, platform::BitmapHandle bitmap, uint32_t start, uint32_t lines,
                void* bits, void* info) override {
    dibitsCalls.push_back({dc, bitmap, start, lines, bits != nullptr, std::string(static_cast<char*>(info), 48)});
    if (onGetDIBits) return onGetDIBits(dibitsCalls.back(), bits, info);
    if (failDIBitsOnCall != 0 && dibitsCalls.size() == failDIBitsOnCall) return 0;
    const uint32_t imageSize = stride * static_cast<uint32_t>(height);
    if (bits == nullptr) {
      std::memcpy(static_cast<char*>(info) + 20, &imageSize, 4);  // biSizeImage
      return static_cast<int>(lines);
    }
    std::memcpy(bits, pixels.data(), std::min<size_t>(imageSize, pixels.size()));
    return static_cast<int>(lines);
  }
};

}  // namespace testing_support

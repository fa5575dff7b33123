// Shared setup of the DLL tests: the DLL loaded from the executable's folder, the
// debug trace captured, and the object reached only through its slot table with the
// slot types below (declared here, independent of the plug-in's own headers).
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "support/win/debug_trace_capture.h"
#include "common/plugin_loader.h"

namespace kdv_test {

// The host records as the host lays them out.
struct Point {
  int32_t x;
  int32_t y;
};
struct PageSize {
  uint32_t width;
  uint32_t height;
};
struct SettingsRecord {
  uint8_t bytes[228];
};
struct ExtraRecord {
  uint8_t bytes[1308];
};

inline SettingsRecord SettingsWithResolution(int16_t dpi) {
  SettingsRecord record{};
  std::memcpy(record.bytes + 90, &dpi, sizeof dpi);
  return record;
}

// One function type per slot: the object is the first argument (x64 member calls).
namespace slot {
using Destroy = void* (*)(void* self, unsigned int flags);                                          // 0
using ConfigPlugin = int32_t (*)(void* self, const wchar_t* printerName);                          // 1
using Initialize = void (*)(void* self, HANDLE printer, const SettingsRecord*, const ExtraRecord*);  // 2
using SendBitmap = bool (*)(void* self, HDC dc, HBITMAP bitmap, const char* name);                // 3
using NoArguments = bool (*)(void* self);                                     // 4, 5, 9, 11, 19, 20, 21
using ReferToVariableBitmap = bool (*)(void* self, void* tag, const Point* point);                // 6
using WithCount = bool (*)(void* self, int32_t count);                                           // 7, 8
using WritePrintJobHeader = bool (*)(void* self, const PageSize* size);                          // 10
using ReferToLabel = bool (*)(void* self, const Point* point, void* tag);                        // 12, 13
using WriteText = bool (*)(void* self, const wchar_t* text, const Point* point, int32_t fontSize, void* tag);  // 14
using ReferToBarcode = bool (*)(void* self, const wchar_t* text, void* tag);                      // 15
using WriteRFID = bool (*)(void* self, void* tag);                                               // 16
using WriteClock = bool (*)(void* self, void* tag, const Point* point, int32_t fontSize, void* tag2);  // 17
using SendLayoutData = void (*)(void* self, int32_t orientation, int32_t unused1, int32_t unused2,
                                int32_t columnPitch, int32_t rowPitch, int32_t paperWidth, int32_t paperHeight,
                                int32_t leftMargin, int32_t topMargin, int32_t labelTotal, int32_t columns,
                                int32_t rows);  // 18
using WriteClock2 = bool (*)(void* self, void* tag, const Point* point, int32_t fontSize, void* tag2,
                             uint32_t colour);  // 22
using WriteText2 = bool (*)(void* self, const wchar_t* text, const Point* point, int32_t fontSize, void* tag,
                            uint32_t colour);  // 23
}  // namespace slot

constexpr int kSlotCount = 24;

inline void* const* SlotTable(void* object) { return *static_cast<void* const* const*>(object); }

template <class Function>
Function SlotOf(void* object, int index) {
  return reinterpret_cast<Function>(SlotTable(object)[index]);
}

class PluginTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { library_ = std::make_unique<win_tools::PluginLibrary>(); }
  static void TearDownTestSuite() { library_.reset(); }

  void SetUp() override { ASSERT_TRUE(library_->Loaded()) << library_->Error(); }

  void TearDown() override {
    for (void* object : objects_) library_->Delete(object);
    objects_.clear();
  }

  const win_tools::PluginLibrary& Library() const { return *library_; }

  // A new object, deleted at the end of the test unless Forget() is called.
  void* NewObject() {
    void* object = library_->Create();
    EXPECT_NE(object, nullptr);
    if (object != nullptr) objects_.push_back(object);
    return object;
  }

  // A new object initialised with `printer` and a 600 dpi settings record; the trace is cleared.
  void* NewInitialisedObject(HANDLE printer = nullptr) {
    void* object = NewObject();
    if (object == nullptr) return nullptr;
    const SettingsRecord settings = SettingsWithResolution(600);
    const ExtraRecord extra{};
    SlotOf<slot::Initialize>(object, 2)(object, printer, &settings, &extra);
    trace_.Clear();
    return object;
  }

  // The object is gone (destroyed through its slot table); the test no longer deletes it.
  void Forget(void* object) { std::erase(objects_, object); }

  std::vector<std::string> TraceLines() const { return trace_.Lines(); }
  std::string FirstTraceLine() const {
    const std::vector<std::string> lines = trace_.Lines();
    return lines.empty() ? std::string("(no trace line)") : lines.front();
  }
  void ClearTrace() { trace_.Clear(); }

 private:
  static inline std::unique_ptr<win_tools::PluginLibrary> library_;
  testing_support::DebugTraceCapture trace_;
  std::vector<void*> objects_;
};

}  // namespace kdv_test

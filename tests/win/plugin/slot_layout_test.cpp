// Every slot of the object's table, called through raw function pointers: the debug
// line each one writes proves which operation sits there, and the null-pointer and
// fixed results prove the argument order. Operations still being built are checked by
// their trace lines only, not by the results of valid calls.
#include <functional>
#include <optional>
#include <set>

#include "plugin_fixture.h"

namespace kdv_test {
namespace {

Point point{100, 200};
int tagTarget = 0;
void* const tag = &tagTarget;
int tag2Target = 0;
void* const tag2 = &tag2Target;
const wchar_t* const text = L"ABC 123";
constexpr uint32_t red = 0x000000FFu;

// A small bitmap selected into a memory DC, as the host hands its images over.
class HostBitmap {
 public:
  HostBitmap() {
    dc_ = ::CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 8;
    info.bmiHeader.biHeight = 8;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    previous_ = ::SelectObject(dc_, bitmap_);
  }
  ~HostBitmap() {
    ::SelectObject(dc_, previous_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  HDC Dc() const { return dc_; }
  HBITMAP Bitmap() const { return bitmap_; }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

struct ValidCall {
  int slot;
  const char* firstLine;
  // The call; the result, or nothing for the slots without one.
  std::function<std::optional<bool>(void* object)> call;
  // The result where it is fixed whatever the rest of the job logic does.
  std::optional<bool> expected;
};

std::vector<ValidCall> ValidCalls(const HostBitmap& image) {
  const PageSize page{2362, 1181};
  return {
      {2, "vpiInitialize(): start\n",
       [](void* o) -> std::optional<bool> {
         const SettingsRecord settings = SettingsWithResolution(600);
         SlotOf<slot::Initialize>(o, 2)(o, nullptr, &settings, nullptr);
         return std::nullopt;
       },
       std::nullopt},
      {3, "vpiSendBitmap(): start\n",
       [&image](void* o) -> std::optional<bool> {
         return SlotOf<slot::SendBitmap>(o, 3)(o, image.Dc(), image.Bitmap(), "DYNAMIC_1");
       },
       std::nullopt},
      {4, "vpiCreateNewPage(): start\n", [](void* o) -> std::optional<bool> { return SlotOf<slot::NoArguments>(o, 4)(o); },
       std::nullopt},
      {5, "vpiReferToBaseBitmap(): start\n",
       [](void* o) -> std::optional<bool> { return SlotOf<slot::NoArguments>(o, 5)(o); }, std::nullopt},
      {6, "vpiReferToVariableBitmap(): start\n",
       [](void* o) -> std::optional<bool> { return SlotOf<slot::ReferToVariableBitmap>(o, 6)(o, tag, &point); },
       std::nullopt},
      {7, "vpiCloseNewPageStatic(): start\n",
       [](void* o) -> std::optional<bool> { return SlotOf<slot::WithCount>(o, 7)(o, 1); }, std::nullopt},
      {8, "vpiCloseNewPageDynamic(): start\n",
       [](void* o) -> std::optional<bool> { return SlotOf<slot::WithCount>(o, 8)(o, 1); }, std::nullopt},
      {9, "vpiCloseNewPageFinal(): start\n",
       [](void* o) -> std::optional<bool> { return SlotOf<slot::NoArguments>(o, 9)(o); }, std::nullopt},
      {10, "vpiWritePrintJobHeader(): start\n",
       [page](void* o) -> std::optional<bool> { return SlotOf<slot::WritePrintJobHeader>(o, 10)(o, &page); },
       std::nullopt},
      {11, "vpiAddEmptyPage(): start\n",
       [](void* o) -> std::optional<bool> { return SlotOf<slot::NoArguments>(o, 11)(o); }, std::nullopt},
      {12, "vpiReferToEndLabel(): end\n",
       [](void* o) -> std::optional<bool> { return SlotOf<slot::ReferToLabel>(o, 12)(o, &point, tag); },
       std::nullopt},
      {13, "vpiReferToStartLabel(): start\n",
       [](void* o) -> std::optional<bool> { return SlotOf<slot::ReferToLabel>(o, 13)(o, &point, tag); },
       std::nullopt},
      {14, "vpiWriteText(): start\n",
       [](void* o) -> std::optional<bool> { return SlotOf<slot::WriteText>(o, 14)(o, text, &point, 40, tag); },
       std::nullopt},
      {15, "vpiReferToBarcode(): start\n",
       [](void* o) -> std::optional<bool> { return SlotOf<slot::ReferToBarcode>(o, 15)(o, text, tag); }, true},
      {16, "vpiWriteRFID(): start\n",
       [](void* o) -> std::optional<bool> { return SlotOf<slot::WriteRFID>(o, 16)(o, tag); }, true},
      {17, "vpiWriteClock2(): start\n",
       [](void* o) -> std::optional<bool> { return SlotOf<slot::WriteClock>(o, 17)(o, tag, &point, 40, tag2); },
       std::nullopt},
      {18, "vpiSendLayoutData(): start\n",
       [](void* o) -> std::optional<bool> {
         SlotOf<slot::SendLayoutData>(o, 18)(o, 0, 0, 0, 500, 250, 1000, 500, 15, 0, 4, 2, 2);
         return std::nullopt;
       },
       std::nullopt},
      {19, "vpiEject(): start\n", [](void* o) -> std::optional<bool> { return SlotOf<slot::NoArguments>(o, 19)(o); },
       true},
      {20, "vpiClear(): start\n", [](void* o) -> std::optional<bool> { return SlotOf<slot::NoArguments>(o, 20)(o); },
       true},
      // A fresh object's buffer is empty: nothing to send is success.
      {21, "vpiWritePrinter(): start\n",
       [](void* o) -> std::optional<bool> { return SlotOf<slot::NoArguments>(o, 21)(o); }, true},
      {22, "vpiWriteClock2(): start\n",
       [](void* o) -> std::optional<bool> {
         return SlotOf<slot::WriteClock2>(o, 22)(o, tag, &point, 40, tag2, red);
       },
       std::nullopt},
      {23, "vpiWriteText2(): start\n",
       [](void* o) -> std::optional<bool> {
         return SlotOf<slot::WriteText2>(o, 23)(o, text, &point, 40, tag, red);
       },
       std::nullopt},
  };
}

struct NullCall {
  const char* what;
  std::function<bool(void* object)> call;
  // vpiWriteText and the clock operations announce themselves before testing their pointers.
  bool traceBeforeChecks;
};

std::vector<NullCall> NullCalls(const HostBitmap& image) {
  return {
      {"vpiSendBitmap(dc, bitmap, null)",
       [&image](void* o) { return SlotOf<slot::SendBitmap>(o, 3)(o, image.Dc(), image.Bitmap(), nullptr); }, false},
      {"vpiReferToVariableBitmap(null, point)",
       [](void* o) { return SlotOf<slot::ReferToVariableBitmap>(o, 6)(o, nullptr, &point); }, false},
      {"vpiReferToVariableBitmap(tag, null)",
       [](void* o) { return SlotOf<slot::ReferToVariableBitmap>(o, 6)(o, tag, nullptr); }, false},
      {"vpiWritePrintJobHeader(null)", [](void* o) { return SlotOf<slot::WritePrintJobHeader>(o, 10)(o, nullptr); },
       false},
      {"vpiReferToEndLabel(null, tag)", [](void* o) { return SlotOf<slot::ReferToLabel>(o, 12)(o, nullptr, tag); },
       false},
      {"vpiReferToEndLabel(point, null)",
       [](void* o) { return SlotOf<slot::ReferToLabel>(o, 12)(o, &point, nullptr); }, false},
      {"vpiReferToStartLabel(null, tag)", [](void* o) { return SlotOf<slot::ReferToLabel>(o, 13)(o, nullptr, tag); },
       false},
      {"vpiReferToStartLabel(point, null)",
       [](void* o) { return SlotOf<slot::ReferToLabel>(o, 13)(o, &point, nullptr); }, false},
      {"vpiWriteText(null, point, 40, tag)",
       [](void* o) { return SlotOf<slot::WriteText>(o, 14)(o, nullptr, &point, 40, tag); }, true},
      {"vpiWriteText(text, null, 40, tag)",
       [](void* o) { return SlotOf<slot::WriteText>(o, 14)(o, text, nullptr, 40, tag); }, true},
      {"vpiWriteText(text, point, 40, null)",
       [](void* o) { return SlotOf<slot::WriteText>(o, 14)(o, text, &point, 40, nullptr); }, true},
      {"vpiReferToBarcode(null, tag)", [](void* o) { return SlotOf<slot::ReferToBarcode>(o, 15)(o, nullptr, tag); },
       false},
      {"vpiReferToBarcode(text, null)", [](void* o) { return SlotOf<slot::ReferToBarcode>(o, 15)(o, text, nullptr); },
       false},
      {"vpiWriteRFID(null)", [](void* o) { return SlotOf<slot::WriteRFID>(o, 16)(o, nullptr); }, false},
      {"vpiWriteClock(null, point, 40, tag2)",
       [](void* o) { return SlotOf<slot::WriteClock>(o, 17)(o, nullptr, &point, 40, tag2); }, true},
      {"vpiWriteClock(tag, null, 40, tag2)",
       [](void* o) { return SlotOf<slot::WriteClock>(o, 17)(o, tag, nullptr, 40, tag2); }, true},
      {"vpiWriteClock(tag, point, 40, null)",
       [](void* o) { return SlotOf<slot::WriteClock>(o, 17)(o, tag, &point, 40, nullptr); }, true},
      {"vpiWriteClock2(null, point, 40, tag2, red)",
       [](void* o) { return SlotOf<slot::WriteClock2>(o, 22)(o, nullptr, &point, 40, tag2, red); }, true},
      {"vpiWriteClock2(tag, null, 40, tag2, red)",
       [](void* o) { return SlotOf<slot::WriteClock2>(o, 22)(o, tag, nullptr, 40, tag2, red); }, true},
      {"vpiWriteClock2(tag, point, 40, null, red)",
       [](void* o) { return SlotOf<slot::WriteClock2>(o, 22)(o, tag, &point, 40, nullptr, red); }, true},
      {"vpiWriteText2(null, point, 40, tag, red)",
       [](void* o) { return SlotOf<slot::WriteText2>(o, 23)(o, nullptr, &point, 40, tag, red); }, false},
      {"vpiWriteText2(text, null, 40, tag, red)",
       [](void* o) { return SlotOf<slot::WriteText2>(o, 23)(o, text, nullptr, 40, tag, red); }, false},
      {"vpiWriteText2(text, point, 40, null, red)",
       [](void* o) { return SlotOf<slot::WriteText2>(o, 23)(o, text, &point, 40, nullptr, red); }, false},
  };
}

using SlotLayoutTest = PluginTest;

TEST_F(SlotLayoutTest, EachSlotAnnouncesItsOperation) {
  const HostBitmap image;
  for (const ValidCall& c : ValidCalls(image)) {
    SCOPED_TRACE(testing::Message() << "slot " << c.slot);
    void* object = NewInitialisedObject();
    ASSERT_NE(object, nullptr);
    const std::optional<bool> result = c.call(object);
    EXPECT_EQ(FirstTraceLine(), c.firstLine);
    if (c.expected.has_value()) {
      ASSERT_TRUE(result.has_value());
      EXPECT_EQ(*result, *c.expected);
      // The operations with a fixed result write exactly one line.
      EXPECT_EQ(TraceLines().size(), 1u);
    }
  }
}

TEST_F(SlotLayoutTest, NullPointerArgumentsGiveFalse) {
  const HostBitmap image;
  for (const NullCall& c : NullCalls(image)) {
    SCOPED_TRACE(c.what);
    void* object = NewInitialisedObject();
    ASSERT_NE(object, nullptr);
    EXPECT_FALSE(c.call(object));
    if (!c.traceBeforeChecks) {
      EXPECT_TRUE(TraceLines().empty()) << FirstTraceLine();
    }
  }
}

TEST_F(SlotLayoutTest, SlotZeroDestroysAndFreesWithFlagOne) {
  void* object = NewObject();
  ASSERT_NE(object, nullptr);
  ClearTrace();
  void* result = SlotOf<slot::Destroy>(object, 0)(object, 1);
  Forget(object);
  EXPECT_EQ(result, object);
  EXPECT_EQ(TraceLines(), std::vector<std::string>{"~KDV6200Plugin(): start\n"});
}

TEST_F(SlotLayoutTest, EverySlotIsADistinctFunctionInsideTheDll) {
  // Slot 1 (the configuration dialog) is not called here: it may open a modal window.
  void* object = NewObject();
  ASSERT_NE(object, nullptr);
  void* const* table = SlotTable(object);
  EXPECT_TRUE(Library().Contains(table));
  std::set<const void*> seen;
  for (int i = 0; i < kSlotCount; ++i) {
    SCOPED_TRACE(testing::Message() << "slot " << i);
    EXPECT_TRUE(Library().Contains(table[i]));
    EXPECT_TRUE(seen.insert(table[i]).second) << "shares its function with an earlier slot";
  }
}

}  // namespace
}  // namespace kdv_test

// Every slot's debug trace line, the null-pointer results of every slot that takes
// pointers, and the four operations that accept a request without producing output.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "plugin_fixture.h"

namespace {

using plugin::HostPoint;
using plugin::KDV6200Plugin;
using plugin_testing::kPrinter;
using plugin_testing::PluginObjectTest;

class PluginSlotTest : public PluginObjectTest {
 protected:
  testing_support::FakeBitmapReader bitmaps;
  platform::ScopedService<platform::BitmapReader> bitmapGuard{bitmaps};

 public:
  // Arguments the slot tables below pass.
  int tagStorage = 0;
  void* tag = &tagStorage;
  const HostPoint point{100, 200};
  const plugin::HostPageSize size{2362, 1181};
  const char16_t* text = u"Lot_7";

 protected:
  void SetUp() override {
    bitmaps.getObjectFails = true;
    spooler.openSucceeds = false;
    Initialize(600);
  }
};

struct SlotCase {
  const char* label;
  std::function<void(PluginSlotTest&, KDV6200Plugin&)> call;
  std::u16string firstLine;
  bool onlyLine;  // the operation is complete: its line is the only one
};

TEST_F(PluginSlotTest, EverySlotAnnouncesItselfFirst) {
  const auto settings = plugin_testing::SettingsRecord(600);
  const SlotCase cases[] = {
      {"vpiConfigPlugin", [](PluginSlotTest&, KDV6200Plugin& p) { p.vpiConfigPlugin(u"KD-V6200"); },
       u"vpiConfigPlugin(): start\n", false},
      {"vpiInitialize", [&](PluginSlotTest&, KDV6200Plugin& p) { p.vpiInitialize(kPrinter, &settings, nullptr); },
       u"vpiInitialize(): start\n", true},
      {"vpiSendBitmap", [](PluginSlotTest&, KDV6200Plugin& p) { p.vpiSendBitmap(nullptr, nullptr, "DYNAMIC_1"); },
       u"vpiSendBitmap(): start\n", false},
      {"vpiCreateNewPage", [](PluginSlotTest&, KDV6200Plugin& p) { p.vpiCreateNewPage(); }, u"vpiCreateNewPage(): start\n",
       true},
      {"vpiReferToBaseBitmap", [](PluginSlotTest&, KDV6200Plugin& p) { p.vpiReferToBaseBitmap(); },
       u"vpiReferToBaseBitmap(): start\n", false},
      {"vpiReferToVariableBitmap", [](PluginSlotTest& t, KDV6200Plugin& p) { p.vpiReferToVariableBitmap(t.tag, &t.point); },
       u"vpiReferToVariableBitmap(): start\n", false},
      {"vpiCloseNewPageStatic", [](PluginSlotTest&, KDV6200Plugin& p) { p.vpiCloseNewPageStatic(1); },
       u"vpiCloseNewPageStatic(): start\n", false},
      {"vpiCloseNewPageDynamic", [](PluginSlotTest&, KDV6200Plugin& p) { p.vpiCloseNewPageDynamic(1); },
       u"vpiCloseNewPageDynamic(): start\n", false},
      {"vpiCloseNewPageFinal", [](PluginSlotTest&, KDV6200Plugin& p) { p.vpiCloseNewPageFinal(); },
       u"vpiCloseNewPageFinal(): start\n", true},
      {"vpiWritePrintJobHeader", [](PluginSlotTest& t, KDV6200Plugin& p) { p.vpiWritePrintJobHeader(&t.size); },
       u"vpiWritePrintJobHeader(): start\n", false},
      {"vpiAddEmptyPage", [](PluginSlotTest&, KDV6200Plugin& p) { p.vpiAddEmptyPage(); }, u"vpiAddEmptyPage(): start\n",
       false},
      {"vpiReferToEndLabel writes its end line",
       [](PluginSlotTest& t, KDV6200Plugin& p) { p.vpiReferToEndLabel(&t.point, t.tag); }, u"vpiReferToEndLabel(): end\n",
       false},
      {"vpiReferToStartLabel", [](PluginSlotTest& t, KDV6200Plugin& p) { p.vpiReferToStartLabel(&t.point, t.tag); },
       u"vpiReferToStartLabel(): start\n", false},
      {"vpiWriteText", [](PluginSlotTest& t, KDV6200Plugin& p) { p.vpiWriteText(t.text, &t.point, 30, t.tag); },
       u"vpiWriteText(): start\n", false},
      {"vpiReferToBarcode", [](PluginSlotTest& t, KDV6200Plugin& p) { p.vpiReferToBarcode(t.text, t.tag); },
       u"vpiReferToBarcode(): start\n", true},
      {"vpiWriteRFID", [](PluginSlotTest& t, KDV6200Plugin& p) { p.vpiWriteRFID(t.tag); }, u"vpiWriteRFID(): start\n", true},
      {"vpiWriteClock writes the line of vpiWriteClock2",
       [](PluginSlotTest& t, KDV6200Plugin& p) { p.vpiWriteClock(t.tag, &t.point, 30, t.tag); },
       u"vpiWriteClock2(): start\n", false},
      {"vpiSendLayoutData",
       [](PluginSlotTest&, KDV6200Plugin& p) { p.vpiSendLayoutData(0, 0, 0, 500, 300, 1000, 500, 100, 30, 1, 1, 1); },
       u"vpiSendLayoutData(): start\n", false},
      {"vpiEject", [](PluginSlotTest&, KDV6200Plugin& p) { p.vpiEject(); }, u"vpiEject(): start\n", true},
      {"vpiClear", [](PluginSlotTest&, KDV6200Plugin& p) { p.vpiClear(); }, u"vpiClear(): start\n", true},
      {"vpiWritePrinter", [](PluginSlotTest&, KDV6200Plugin& p) { p.vpiWritePrinter(); }, u"vpiWritePrinter(): start\n",
       true},
      {"vpiWriteClock2",
       [](PluginSlotTest& t, KDV6200Plugin& p) { p.vpiWriteClock2(t.tag, &t.point, 30, t.tag, 0x123456); },
       u"vpiWriteClock2(): start\n", false},
      {"vpiWriteText2", [](PluginSlotTest& t, KDV6200Plugin& p) { p.vpiWriteText2(t.text, &t.point, 30, t.tag, 0x123456); },
       u"vpiWriteText2(): start\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    trace.lines.clear();
    c.call(*this, plugin);
    ASSERT_FALSE(trace.lines.empty());
    EXPECT_EQ(trace.lines.front(), c.firstLine);
    if (c.onlyLine) {
      EXPECT_EQ(trace.lines.size(), 1u);
    }
  }
}

struct NullCase {
  const char* label;
  std::function<bool(PluginSlotTest&, KDV6200Plugin&)> call;
  std::vector<std::u16string> lines;  // traced before the null check refuses the call
};

TEST_F(PluginSlotTest, NullPointersGiveFalseAndWriteNothing) {
  const std::vector<std::u16string> none;
  const std::vector<std::u16string> text{u"vpiWriteText(): start\n"};
  const std::vector<std::u16string> clock{u"vpiWriteClock2(): start\n"};
  const NullCase cases[] = {
      {"vpiSendBitmap name", [](PluginSlotTest&, KDV6200Plugin& p) { return p.vpiSendBitmap(nullptr, nullptr, nullptr); },
       none},
      {"vpiReferToVariableBitmap tag",
       [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiReferToVariableBitmap(nullptr, &t.point); }, none},
      {"vpiReferToVariableBitmap point",
       [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiReferToVariableBitmap(t.tag, nullptr); }, none},
      {"vpiWritePrintJobHeader size", [](PluginSlotTest&, KDV6200Plugin& p) { return p.vpiWritePrintJobHeader(nullptr); },
       none},
      {"vpiReferToEndLabel point", [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiReferToEndLabel(nullptr, t.tag); },
       none},
      {"vpiReferToEndLabel tag", [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiReferToEndLabel(&t.point, nullptr); },
       none},
      {"vpiReferToStartLabel point",
       [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiReferToStartLabel(nullptr, t.tag); }, none},
      {"vpiReferToStartLabel tag",
       [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiReferToStartLabel(&t.point, nullptr); }, none},
      {"vpiWriteText text", [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiWriteText(nullptr, &t.point, 30, t.tag); },
       text},
      {"vpiWriteText point", [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiWriteText(t.text, nullptr, 30, t.tag); },
       text},
      {"vpiWriteText fourth argument, never read",
       [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiWriteText(t.text, &t.point, 30, nullptr); }, text},
      {"vpiReferToBarcode text", [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiReferToBarcode(nullptr, t.tag); },
       none},
      {"vpiReferToBarcode tag", [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiReferToBarcode(t.text, nullptr); },
       none},
      {"vpiWriteRFID tag", [](PluginSlotTest&, KDV6200Plugin& p) { return p.vpiWriteRFID(nullptr); }, none},
      {"vpiWriteClock first tag",
       [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiWriteClock(nullptr, &t.point, 30, t.tag); }, clock},
      {"vpiWriteClock point", [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiWriteClock(t.tag, nullptr, 30, t.tag); },
       clock},
      {"vpiWriteClock second tag",
       [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiWriteClock(t.tag, &t.point, 30, nullptr); }, clock},
      {"vpiWriteClock2 first tag",
       [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiWriteClock2(nullptr, &t.point, 30, t.tag, 0); }, clock},
      {"vpiWriteClock2 point",
       [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiWriteClock2(t.tag, nullptr, 30, t.tag, 0); }, clock},
      {"vpiWriteClock2 second tag",
       [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiWriteClock2(t.tag, &t.point, 30, nullptr, 0); }, clock},
      {"vpiWriteText2 text",
       [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiWriteText2(nullptr, &t.point, 30, t.tag, 0); }, none},
      {"vpiWriteText2 point",
       [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiWriteText2(t.text, nullptr, 30, t.tag, 0); }, none},
      {"vpiWriteText2 tag",
       [](PluginSlotTest& t, KDV6200Plugin& p) { return p.vpiWriteText2(t.text, &t.point, 30, nullptr, 0); }, none},
  };
  ASSERT_TRUE(plugin.vpiCreateNewPage());
  const std::string before = Buffered();
  spooler.writes.clear();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    trace.lines.clear();
    EXPECT_FALSE(c.call(*this, plugin));
    EXPECT_EQ(trace.lines, c.lines);
    EXPECT_EQ(Buffered(), before);
  }
  EXPECT_TRUE(spooler.writes.empty());
  EXPECT_TRUE(printerData.sets.empty());
  EXPECT_TRUE(bitmaps.objectCalls.empty());
}

TEST_F(PluginSlotTest, EjectClearRfidAndBarcodeAcceptWithoutOutput) {
  ASSERT_TRUE(plugin.vpiCreateNewPage());
  const std::string before = Buffered();
  char16_t barcode[] = u"4006381333931";
  const std::u16string barcodeBefore = barcode;
  EXPECT_TRUE(plugin.vpiEject());
  EXPECT_TRUE(plugin.vpiClear());
  EXPECT_TRUE(plugin.vpiWriteRFID(tag));
  EXPECT_TRUE(plugin.vpiReferToBarcode(barcode, tag));
  EXPECT_EQ(barcode, barcodeBefore);
  EXPECT_EQ(Buffered(), before);
  EXPECT_TRUE(spooler.writes.empty());
}

TEST_F(PluginSlotTest, PageFramingSlotsWriteTheFormatStartAndEnd) {
  EXPECT_TRUE(plugin.vpiCreateNewPage());
  EXPECT_EQ(Buffered(), "^XA^CI28^S(CMP,U,D");
  EXPECT_EQ(plugin.SheetLabelIndex(), 1u);
  EXPECT_TRUE(plugin.vpiCloseNewPageFinal());
  EXPECT_EQ(Buffered(), "^XA^CI28^S(CMP,U,D^XZ");
  EXPECT_TRUE(spooler.writes.empty());
}

}  // namespace

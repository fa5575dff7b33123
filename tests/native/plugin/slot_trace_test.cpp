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
  // Arguments the slot tables below pass.
  int tagStorage = 0;
  void* tag = &tagStorage;
  const HostPoint point{100, 200};
  const plugin::HostPageSize size{2362, 1181};
  const char16_t* text = u"Lot_7";

  void SetUp() override {
    bitmaps.getObjectFails = true;
    spooler.openSucceeds = false;
    Initialize(600);
  }
};

struct SlotCase {
  const char* label;
  std::function<void()> call;
  std::u16string firstLine;
  bool onlyLine;  // the operation is complete: its line is the only one
};

TEST_F(PluginSlotTest, EverySlotAnnouncesItselfFirst) {
  const auto settings = plugin_testing::SettingsRecord(600);
  const SlotCase cases[] = {
      {"vpiConfigPlugin", [&] { plugin.vpiConfigPlugin(u"KD-V6200"); }, u"vpiConfigPlugin(): start\n", false},
      {"vpiInitialize", [&] { plugin.vpiInitialize(kPrinter, &settings, nullptr); }, u"vpiInitialize(): start\n", true},
      {"vpiSendBitmap", [&] { plugin.vpiSendBitmap(nullptr, nullptr, "DYNAMIC_1"); }, u"vpiSendBitmap(): start\n",
       false},
      {"vpiCreateNewPage", [&] { plugin.vpiCreateNewPage(); }, u"vpiCreateNewPage(): start\n", true},
      {"vpiReferToBaseBitmap", [&] { plugin.vpiReferToBaseBitmap(); }, u"vpiReferToBaseBitmap(): start\n", false},
      {"vpiReferToVariableBitmap", [&] { plugin.vpiReferToVariableBitmap(tag, &point); },
       u"vpiReferToVariableBitmap(): start\n", false},
      {"vpiCloseNewPageStatic", [&] { plugin.vpiCloseNewPageStatic(1); }, u"vpiCloseNewPageStatic(): start\n", false},
      {"vpiCloseNewPageDynamic", [&] { plugin.vpiCloseNewPageDynamic(1); }, u"vpiCloseNewPageDynamic(): start\n",
       false},
      {"vpiCloseNewPageFinal", [&] { plugin.vpiCloseNewPageFinal(); }, u"vpiCloseNewPageFinal(): start\n", true},
      {"vpiWritePrintJobHeader", [&] { plugin.vpiWritePrintJobHeader(&size); }, u"vpiWritePrintJobHeader(): start\n",
       false},
      {"vpiAddEmptyPage", [&] { plugin.vpiAddEmptyPage(); }, u"vpiAddEmptyPage(): start\n", false},
      {"vpiReferToEndLabel writes its end line", [&] { plugin.vpiReferToEndLabel(&point, tag); },
       u"vpiReferToEndLabel(): end\n", false},
      {"vpiReferToStartLabel", [&] { plugin.vpiReferToStartLabel(&point, tag); }, u"vpiReferToStartLabel(): start\n",
       false},
      {"vpiWriteText", [&] { plugin.vpiWriteText(text, &point, 30, tag); }, u"vpiWriteText(): start\n", false},
      {"vpiReferToBarcode", [&] { plugin.vpiReferToBarcode(text, tag); }, u"vpiReferToBarcode(): start\n", true},
      {"vpiWriteRFID", [&] { plugin.vpiWriteRFID(tag); }, u"vpiWriteRFID(): start\n", true},
      {"vpiWriteClock writes the line of vpiWriteClock2", [&] { plugin.vpiWriteClock(tag, &point, 30, tag); },
       u"vpiWriteClock2(): start\n", false},
      {"vpiSendLayoutData", [&] { plugin.vpiSendLayoutData(0, 0, 0, 500, 300, 1000, 500, 100, 30, 1, 1, 1); },
       u"vpiSendLayoutData(): start\n", false},
      {"vpiEject", [&] { plugin.vpiEject(); }, u"vpiEject(): start\n", true},
      {"vpiClear", [&] { plugin.vpiClear(); }, u"vpiClear(): start\n", true},
      {"vpiWritePrinter", [&] { plugin.vpiWritePrinter(); }, u"vpiWritePrinter(): start\n", true},
      {"vpiWriteClock2", [&] { plugin.vpiWriteClock2(tag, &point, 30, tag, 0x123456); }, u"vpiWriteClock2(): start\n",
       false},
      {"vpiWriteText2", [&] { plugin.vpiWriteText2(text, &point, 30, tag, 0x123456); }, u"vpiWriteText2(): start\n",
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    trace.lines.clear();
    c.call();
    ASSERT_FALSE(trace.lines.empty());
    EXPECT_EQ(trace.lines.front(), c.firstLine);
    if (c.onlyLine) {
      EXPECT_EQ(trace.lines.size(), 1u);
    }
  }
}

struct NullCase {
  const char* label;
  std::function<bool()> call;
  std::vector<std::u16string> lines;  // traced before the null check refuses the call
};

TEST_F(PluginSlotTest, NullPointersGiveFalseAndWriteNothing) {
  const std::vector<std::u16string> none;
  const std::vector<std::u16string> textLine{u"vpiWriteText(): start\n"};
  const std::vector<std::u16string> clockLine{u"vpiWriteClock2(): start\n"};
  const NullCase cases[] = {
      {"vpiSendBitmap name", [&] { return plugin.vpiSendBitmap(nullptr, nullptr, nullptr); }, none},
      {"vpiReferToVariableBitmap tag", [&] { return plugin.vpiReferToVariableBitmap(nullptr, &point); }, none},
      {"vpiReferToVariableBitmap point", [&] { return plugin.vpiReferToVariableBitmap(tag, nullptr); }, none},
      {"vpiWritePrintJobHeader size", [&] { return plugin.vpiWritePrintJobHeader(nullptr); }, none},
      {"vpiReferToEndLabel point", [&] { return plugin.vpiReferToEndLabel(nullptr, tag); }, none},
      {"vpiReferToEndLabel tag", [&] { return plugin.vpiReferToEndLabel(&point, nullptr); }, none},
      {"vpiReferToStartLabel point", [&] { return plugin.vpiReferToStartLabel(nullptr, tag); }, none},
      {"vpiReferToStartLabel tag", [&] { return plugin.vpiReferToStartLabel(&point, nullptr); }, none},
      {"vpiWriteText text", [&] { return plugin.vpiWriteText(nullptr, &point, 30, tag); }, textLine},
      {"vpiWriteText point", [&] { return plugin.vpiWriteText(text, nullptr, 30, tag); }, textLine},
      {"vpiWriteText fourth argument, never read", [&] { return plugin.vpiWriteText(text, &point, 30, nullptr); },
       textLine},
      {"vpiReferToBarcode text", [&] { return plugin.vpiReferToBarcode(nullptr, tag); }, none},
      {"vpiReferToBarcode tag", [&] { return plugin.vpiReferToBarcode(text, nullptr); }, none},
      {"vpiWriteRFID tag", [&] { return plugin.vpiWriteRFID(nullptr); }, none},
      {"vpiWriteClock first tag", [&] { return plugin.vpiWriteClock(nullptr, &point, 30, tag); }, clockLine},
      {"vpiWriteClock point", [&] { return plugin.vpiWriteClock(tag, nullptr, 30, tag); }, clockLine},
      {"vpiWriteClock second tag", [&] { return plugin.vpiWriteClock(tag, &point, 30, nullptr); }, clockLine},
      {"vpiWriteClock2 first tag", [&] { return plugin.vpiWriteClock2(nullptr, &point, 30, tag, 0); }, clockLine},
      {"vpiWriteClock2 point", [&] { return plugin.vpiWriteClock2(tag, nullptr, 30, tag, 0); }, clockLine},
      {"vpiWriteClock2 second tag", [&] { return plugin.vpiWriteClock2(tag, &point, 30, nullptr, 0); }, clockLine},
      {"vpiWriteText2 text", [&] { return plugin.vpiWriteText2(nullptr, &point, 30, tag, 0); }, none},
      {"vpiWriteText2 point", [&] { return plugin.vpiWriteText2(text, nullptr, 30, tag, 0); }, none},
      {"vpiWriteText2 tag", [&] { return plugin.vpiWriteText2(text, &point, 30, nullptr, 0); }, none},
  };
  ASSERT_TRUE(plugin.vpiCreateNewPage());
  const std::string before = Buffered();
  spooler.writes.clear();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    trace.lines.clear();
    EXPECT_FALSE(c.call());
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

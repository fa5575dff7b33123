// Every slot's debug trace line, the null-pointer results of every slot that takes
// pointers, and the four operations that accept a request without producing output.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "plugin_fixture.h"

namespace {

using plugin::HostPoint;
using plugin::KDV6200Plugin;
using plugin_testing::kPrinter;
using plugin_testing::PluginObjectTest;

class PluginSlotTest : public PluginObjectTest {
 protected:
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

// The trace an operation writes: all of it for a complete operation, else its first line.
struct Expected {
  std::vector<std::u16string> lines;
  bool exact;
};
Expected Exactly(std::u16string line) { return {{std::move(line)}, true}; }
Expected Exactly(std::u16string first, std::u16string second) { return {{std::move(first), std::move(second)}, true}; }
Expected Begins(std::u16string line) { return {{std::move(line)}, false}; }

struct SlotCase {
  const char* label;
  std::function<void()> call;
  Expected trace;
};

TEST_F(PluginSlotTest, EverySlotAnnouncesItselfFirst) {
  const auto settings = plugin_testing::SettingsRecord(600);
  const SlotCase cases[] = {
      {"vpiConfigPlugin", [&] { plugin.vpiConfigPlugin(u"KD-V6200"); }, Begins(u"vpiConfigPlugin(): start\n")},
      {"vpiInitialize", [&] { plugin.vpiInitialize(kPrinter, &settings, nullptr); },
       Exactly(u"vpiInitialize(): start\n")},
      {"vpiSendBitmap", [&] { plugin.vpiSendBitmap(nullptr, nullptr, "DYNAMIC_1"); },
       Begins(u"vpiSendBitmap(): start\n")},
      {"vpiCreateNewPage", [&] { plugin.vpiCreateNewPage(); }, Exactly(u"vpiCreateNewPage(): start\n")},
      {"vpiReferToBaseBitmap", [&] { plugin.vpiReferToBaseBitmap(); }, Begins(u"vpiReferToBaseBitmap(): start\n")},
      {"vpiReferToVariableBitmap", [&] { plugin.vpiReferToVariableBitmap(tag, &point); },
       Begins(u"vpiReferToVariableBitmap(): start\n")},
      {"vpiCloseNewPageStatic", [&] { plugin.vpiCloseNewPageStatic(1); }, Exactly(u"vpiCloseNewPageStatic(): start\n")},
      {"vpiCloseNewPageDynamic", [&] { plugin.vpiCloseNewPageDynamic(1); },
       Exactly(u"vpiCloseNewPageDynamic(): start\n")},
      {"vpiCloseNewPageFinal", [&] { plugin.vpiCloseNewPageFinal(); }, Exactly(u"vpiCloseNewPageFinal(): start\n")},
      {"vpiWritePrintJobHeader", [&] { plugin.vpiWritePrintJobHeader(&size); },
       Exactly(u"vpiWritePrintJobHeader(): start\n")},
      {"vpiAddEmptyPage", [&] { plugin.vpiAddEmptyPage(); }, Begins(u"vpiAddEmptyPage(): start\n")},
      {"vpiReferToEndLabel writes its end line", [&] { plugin.vpiReferToEndLabel(&point, tag); },
       Begins(u"vpiReferToEndLabel(): end\n")},
      {"vpiReferToStartLabel", [&] { plugin.vpiReferToStartLabel(&point, tag); },
       Begins(u"vpiReferToStartLabel(): start\n")},
      {"vpiWriteText traces twice, the second time from the shared worker",
       [&] { plugin.vpiWriteText(text, &point, 30, tag); },
       Exactly(u"vpiWriteText(): start\n", u"vpiWriteText(): start\n")},
      {"vpiReferToBarcode", [&] { plugin.vpiReferToBarcode(text, tag); }, Exactly(u"vpiReferToBarcode(): start\n")},
      {"vpiWriteRFID", [&] { plugin.vpiWriteRFID(tag); }, Exactly(u"vpiWriteRFID(): start\n")},
      {"vpiWriteClock writes the line of vpiWriteClock2", [&] { plugin.vpiWriteClock(tag, &point, 30, tag); },
       Exactly(u"vpiWriteClock2(): start\n", u"vpiWriteClock(): start\n")},
      {"vpiSendLayoutData", [&] { plugin.vpiSendLayoutData(0, 0, 0, 500, 300, 1000, 500, 100, 30, 1, 1, 1); },
       Exactly(u"vpiSendLayoutData(): start\n")},
      {"vpiEject", [&] { plugin.vpiEject(); }, Exactly(u"vpiEject(): start\n")},
      {"vpiClear", [&] { plugin.vpiClear(); }, Exactly(u"vpiClear(): start\n")},
      {"vpiWritePrinter", [&] { plugin.vpiWritePrinter(); }, Exactly(u"vpiWritePrinter(): start\n")},
      {"vpiWriteClock2", [&] { plugin.vpiWriteClock2(tag, &point, 30, tag, 0x123456); },
       Exactly(u"vpiWriteClock2(): start\n", u"vpiWriteClock(): start\n")},
      {"vpiWriteText2", [&] { plugin.vpiWriteText2(text, &point, 30, tag, 0x123456); },
       Exactly(u"vpiWriteText2(): start\n", u"vpiWriteText(): start\n")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    trace.lines.clear();
    c.call();
    if (c.trace.exact) {
      EXPECT_EQ(trace.lines, c.trace.lines);
    } else {
      ASSERT_FALSE(trace.lines.empty());
      EXPECT_EQ(trace.lines.front(), c.trace.lines.front());
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

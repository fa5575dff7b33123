#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/printer_config.h"
#include "support/fake_services.h"

namespace {

using config::PrinterConfig;
using testing_support::FakePrinterData;

const std::u16string kKey = u"ORVEX_KD-V62x0G_Config";
const auto kPrinter = reinterpret_cast<platform::PrinterHandle>(0x77);

class ConfigStoreTest : public ::testing::Test {
 protected:
  FakePrinterData data;
  platform::ScopedService<platform::PrinterData> guard{data};

  uint32_t StoredDword(const std::u16string& name) {
    const auto& bytes = data.values.at({kKey, name}).bytes;
    EXPECT_EQ(bytes.size(), 4u) << std::string(name.begin(), name.end());
    uint32_t value = 0;
    std::memcpy(&value, bytes.data(), 4);
    return value;
  }
};

TEST_F(ConfigStoreTest, AnEmptyStoreLoadsTheDefaultsAfterAskingForEveryValueInOrder) {
  const PrinterConfig loaded = PrinterConfig::Load(kPrinter);
  PrinterConfig expected;
  expected.PrinterHandle = kPrinter;
  EXPECT_TRUE(loaded == expected);
  const std::vector<std::u16string> order = {
      u"Override", u"MediaType", u"UseAdvancedInkProfile", u"ColorCorrection", u"ChangeInkAmount", u"InkAmount",
      u"ChangeRatioOfBlack", u"RatioOfBlack", u"BandingReduction", u"CahngeBarcodeThickness", u"BarcodeThickness",
      u"PaperFeedAdjustment", u"MediaForm", u"MediaSource", u"PrintSpeed", u"HeadMaintenance", u"DoAutoCut",
      u"AutoCut", u"CutInterval", u"Buzzer", u"Pause", u"TimeFormatChooseFromPreset", u"TimeFormatDate",
      u"TimeFormatTime", u"TimeFormatText", u"PrintError", u"ForcePrinting"};
  ASSERT_EQ(data.gets.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(data.gets[i].name, order[i]);
    EXPECT_EQ(data.gets[i].key, kKey);
    EXPECT_EQ(data.gets[i].printer, kPrinter);
    EXPECT_EQ(data.gets[i].size, order[i] == u"TimeFormatText" ? 6146u : 4u);
  }
}

TEST_F(ConfigStoreTest, EachValueIsUsableOnlyAsADwordAndAnUnusableOneDefaultsAlone) {
  data.PutString(kKey, u"MediaType", u"9");                     // wrong type: default 4
  data.PutDword(kKey, u"InkAmount", 0xFFFFFFFA);                // -6
  data.PutDword(kKey, u"PrintSpeed", 0);                        // 0 is a value, not "missing"
  data.PutDword(kKey, u"Override", 7);                          // any nonzero is true
  data.PutDword(kKey, u"PrintError", 0);
  data.Put(kKey, u"CutInterval", platform::kRegDword, "12345678");  // too large: default 1
  data.PutDword(kKey, u"HeadMaintenance", 9);                   // no range check
  data.getStatusFor[u"Buzzer"] = 5;                             // any failure: default
  const PrinterConfig c = PrinterConfig::Load(kPrinter);
  EXPECT_EQ(c.MediaType, 4);
  EXPECT_EQ(c.InkAmount, -6);
  EXPECT_EQ(c.PrintSpeed, 0);
  EXPECT_TRUE(c.Override);
  EXPECT_FALSE(c.PrintError);
  EXPECT_EQ(c.CutInterval, 1);
  EXPECT_EQ(c.HeadMaintenance, 9);
  EXPECT_EQ(c.Buzzer, 0);

  data.PutDword(kKey, u"MediaType", 9);
  EXPECT_EQ(PrinterConfig::Load(kPrinter).MediaType, 9);
}

TEST_F(ConfigStoreTest, TheClockTextIsTerminatedByLoadAndLimitedInSize) {
  data.PutString(kKey, u"TimeFormatText", u"%H:%M");
  EXPECT_EQ(std::u16string(PrinterConfig::Load(kPrinter).TimeFormatText), u"%H:%M");

  data.PutString(kKey, u"TimeFormatText", std::u16string(u"ab\0cd", 5));  // stops at a stored null
  EXPECT_EQ(std::u16string(PrinterConfig::Load(kPrinter).TimeFormatText), u"ab");

  data.PutString(kKey, u"TimeFormatText", u"");
  EXPECT_EQ(std::u16string(PrinterConfig::Load(kPrinter).TimeFormatText), u"");

  const std::u16string full(3073, u'x');  // 6146 bytes: fits, keeps 3072 characters
  data.PutString(kKey, u"TimeFormatText", full);
  EXPECT_EQ(std::u16string(PrinterConfig::Load(kPrinter).TimeFormatText), full.substr(0, 3072));

  data.PutString(kKey, u"TimeFormatText", std::u16string(3074, u'y'));  // 6148 bytes: too large
  EXPECT_EQ(std::u16string(PrinterConfig::Load(kPrinter).TimeFormatText), config::kDefaultTimeFormatText);

  data.PutDword(kKey, u"TimeFormatText", 1);  // wrong type
  EXPECT_EQ(std::u16string(PrinterConfig::Load(kPrinter).TimeFormatText), config::kDefaultTimeFormatText);
}

TEST_F(ConfigStoreTest, SaveWritesTwentyFiveValuesInOrderAndNeverTheBarcodeValues) {
  PrinterConfig c = PrinterConfig::Load(kPrinter);
  c.InkAmount = -6;
  c.CahngeBarcodeThickness = true;
  c.BarcodeThickness = 2;
  std::u16string text = u"0123456789";
  std::copy(text.begin(), text.end(), c.TimeFormatText);
  c.TimeFormatText[text.size()] = u'\0';
  ASSERT_TRUE(c.Save());

  const std::vector<std::u16string> order = {
      u"Override", u"MediaType", u"UseAdvancedInkProfile", u"ColorCorrection", u"ChangeInkAmount", u"InkAmount",
      u"ChangeRatioOfBlack", u"RatioOfBlack", u"BandingReduction", u"PaperFeedAdjustment", u"MediaForm",
      u"MediaSource", u"PrintSpeed", u"HeadMaintenance", u"DoAutoCut", u"AutoCut", u"CutInterval", u"Buzzer",
      u"Pause", u"TimeFormatChooseFromPreset", u"TimeFormatDate", u"TimeFormatTime", u"TimeFormatText",
      u"PrintError", u"ForcePrinting"};
  ASSERT_EQ(data.sets.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(data.sets[i].name, order[i]);
    EXPECT_EQ(data.sets[i].key, kKey);
    EXPECT_EQ(data.sets[i].type, order[i] == u"TimeFormatText" ? platform::kRegSz : platform::kRegDword);
  }
  EXPECT_EQ(StoredDword(u"InkAmount"), 0xFFFFFFFAu);
  EXPECT_EQ(StoredDword(u"Override"), 1u);
  EXPECT_EQ(StoredDword(u"ForcePrinting"), 0u);
  const auto& stored = data.values.at({kKey, u"TimeFormatText"}).bytes;
  EXPECT_EQ(stored.size(), 20u);  // the characters only, no terminator
  EXPECT_EQ(data.values.count({kKey, u"BarcodeThickness"}), 0u);

  const PrinterConfig reloaded = PrinterConfig::Load(kPrinter);
  EXPECT_EQ(std::u16string(reloaded.TimeFormatText), text);
  EXPECT_EQ(reloaded.InkAmount, -6);
  EXPECT_EQ(reloaded.BarcodeThickness, 0);  // what the store holds, not what was in the record
  EXPECT_FALSE(reloaded.CahngeBarcodeThickness);
}

TEST_F(ConfigStoreTest, TheFirstFailedWriteEndsSave) {
  PrinterConfig c = PrinterConfig::Load(kPrinter);
  c.MediaType = 2;
  data.failSetOnCall = 5;  // "ChangeInkAmount"
  EXPECT_FALSE(c.Save());
  ASSERT_EQ(data.sets.size(), 5u);
  EXPECT_EQ(data.sets.back().name, u"ChangeInkAmount");
}

TEST_F(ConfigStoreTest, SavingAnEmptyClockTextStoresZeroBytes) {
  PrinterConfig c = PrinterConfig::Load(kPrinter);
  c.TimeFormatText[0] = u'\0';
  ASSERT_TRUE(c.Save());
  EXPECT_EQ(data.values.at({kKey, u"TimeFormatText"}).bytes.size(), 0u);
  EXPECT_EQ(std::u16string(PrinterConfig::Load(kPrinter).TimeFormatText), u"");
}

}  // namespace

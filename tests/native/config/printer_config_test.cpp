#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/printer_config.h"
#include "support/fake_services.h"

namespace {

using config::PrinterConfig;

TEST(PrinterConfigTest, DefaultsMatchTheDocumentedValues) {
  const PrinterConfig c;
  EXPECT_EQ(c.PrinterHandle, nullptr);
  EXPECT_TRUE(c.Override);
  EXPECT_EQ(c.MediaType, 4);
  EXPECT_FALSE(c.UseAdvancedInkProfile);
  EXPECT_EQ(c.PrintSpeed, 1);
  EXPECT_FALSE(c.DoAutoCut);
  EXPECT_EQ(c.CutInterval, 1);
  EXPECT_TRUE(c.TimeFormatChooseFromPreset);
  EXPECT_EQ(c.TimeFormatDate, 0);
  EXPECT_EQ(c.TimeFormatTime, 1);
  EXPECT_EQ(std::u16string(c.TimeFormatText), u"%b %d, %Y %I:%M:%S");
  EXPECT_TRUE(c.PrintError);
  EXPECT_FALSE(c.ForcePrinting);
}

TEST(PrinterConfigTest, SetDefaultsClearsTheWholeTextAndKeepsTheHandle) {
  PrinterConfig c;
  c.PrinterHandle = reinterpret_cast<platform::PrinterHandle>(0x42);
  for (char16_t& unit : c.TimeFormatText) unit = u'x';
  c.MediaType = 0;
  c.SetDefaults();
  EXPECT_EQ(c.PrinterHandle, reinterpret_cast<platform::PrinterHandle>(0x42));
  EXPECT_EQ(c.MediaType, 4);
  const size_t length = std::u16string(config::kDefaultTimeFormatText).size();
  for (size_t i = length; i < config::kTimeFormatUnits; ++i) ASSERT_EQ(c.TimeFormatText[i], u'\0') << i;
}

TEST(PrinterConfigTest, LoadWithNullHandleIsTheDefaultsAndCannotBeSaved) {
  testing_support::FakePrinterData data;
  platform::ScopedService<platform::PrinterData> guard(data);
  const PrinterConfig loaded = PrinterConfig::Load(nullptr);
  const PrinterConfig defaults;
  EXPECT_TRUE(loaded == defaults);
  EXPECT_FALSE(loaded.Save());
  EXPECT_TRUE(data.gets.empty());
  EXPECT_TRUE(data.sets.empty());
}

struct LabelCase {
  std::u16string (*lookup)(int32_t);
  int32_t value;
  std::u16string expected;
};

TEST(PrinterConfigTest, ValueLabelsComeFromTheStringTable) {
  const LabelCase cases[] = {
      {config::MediaTypeLabel, 0, u"Plain"},
      {config::MediaTypeLabel, 1, u"Synthetic"},
      {config::MediaTypeLabel, 2, u"Matte1"},
      {config::MediaTypeLabel, 3, u"Matte2"},
      {config::MediaTypeLabel, 4, u"Glossy"},
      {config::MediaTypeLabel, 5, u""},
      {config::MediaTypeLabel, -1, u""},
      {config::ColorCorrectionLabel, 0, u"ORVEX Preferred Color"},
      {config::ColorCorrectionLabel, 1, u"ORVEX Standard"},
      {config::ColorCorrectionLabel, 2, u""},
      {config::MediaFormLabel, 0, u"Die-cut Label (Gap)"},
      {config::MediaFormLabel, 1, u"Die-cut Label (BlackMark)"},
      {config::MediaFormLabel, 2, u"Continuous Label (BlackMark)"},
      {config::MediaFormLabel, 3, u"Continuous Paper (BlackMark)"},
      {config::MediaFormLabel, 4, u""},
      {config::MediaSourceLabel, 0, u"Internal Roll"},
      {config::MediaSourceLabel, 1, u"External Feed"},
      {config::HeadMaintenanceLabel, 0, u"Pause for Maintenance"},
      {config::HeadMaintenanceLabel, 1, u"Continuous Printing"},
      {config::AutoCutLabel, 0, u"After Every Page"},
      {config::AutoCutLabel, 1, u"After Specified Number Of Pages"},
      {config::AutoCutLabel, 2, u"Only After Last Page"},
      {config::AutoCutLabel, 3, u""},
      {config::BuzzerLabel, 0, u"None"},
      {config::BuzzerLabel, 1, u"Beep at Job End"},
      {config::PauseLabel, 0, u"None"},
      {config::PauseLabel, 1, u"Pause at Cut"},
      {config::TimeFormatDateLabel, 0, u"NONE"},
      {config::TimeFormatDateLabel, 1, u"Apr 17, 2015"},
      {config::TimeFormatDateLabel, 2, u"17 Apr 2015"},
      {config::TimeFormatDateLabel, 3, u"2015/04/17"},
      {config::TimeFormatDateLabel, 4, u""},
      {config::TimeFormatTimeLabel, 0, u"NONE"},
      {config::TimeFormatTimeLabel, 1, u"16:45:06"},
      {config::TimeFormatTimeLabel, 2, u"PM 04:45:06"},
      {config::TimeFormatTimeLabel, 3, u""},
  };
  for (const LabelCase& c : cases) EXPECT_EQ(c.lookup(c.value), c.expected) << "value " << c.value;
}

TEST(PrinterConfigTest, ALabelThatCannotBeLoadedIsEmpty) {
  testing_support::FakeStringTable strings;
  strings.entries[105] = u"Plain";
  platform::ScopedService<platform::StringTable> guard(strings);
  EXPECT_EQ(config::MediaTypeLabel(0), u"Plain");
  EXPECT_EQ(config::MediaTypeLabel(4), u"");
}

}  // namespace

#include "dialog_fixture.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

namespace dialog_testing {

void DialogTest::SetUpTestSuite() {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
  ::InitCommonControlsEx(&controls);
}

void DialogTest::SetUp() {
  // A printer left by an interrupted run would bring its data along.
  ASSERT_TRUE(printer_.Delete()) << printer_.LastError();
  ASSERT_TRUE(printer_.Create()) << printer_.LastError();
}

void DialogTest::TearDown() { EXPECT_TRUE(printer_.Delete()) << printer_.LastError(); }

void DialogTest::Seed(config::PrinterConfig record) {
  record.PrinterHandle = printer_.Handle();
  ASSERT_TRUE(record.Save());
}

config::PrinterConfig DialogTest::Stored() { return config::PrinterConfig::Load(printer_.Handle()); }

void DialogTest::Configure(const std::function<void(Driver&)>& script) {
  const ConfigRun run = RunConfigPlugin(kPrinterName, script);
  EXPECT_EQ(run.result, 0);
}

void SetTimeFormatText(config::PrinterConfig& record, const std::u16string& text) {
  ASSERT_LT(text.size(), config::kTimeFormatUnits);
  std::fill(std::begin(record.TimeFormatText), std::end(record.TimeFormatText), u'\0');
  std::copy(text.begin(), text.end(), record.TimeFormatText);
}

void CloseBoth(Driver& d, HWND main, HWND inner, int innerButton, int mainButton) {
  d.PostClick(inner, innerButton);
  d.WaitGone(inner);
  d.Click(main, mainButton);
  d.WaitGone(main);
}

std::string Differences(const config::PrinterConfig& e, const config::PrinterConfig& a) {
  std::string out;
  auto field = [&out](const char* name, int64_t expected, int64_t actual) {
    if (expected != actual) {
      out += std::string(name) + " " + std::to_string(actual) + " (expected " + std::to_string(expected) + "); ";
    }
  };
#define ZOV_FIELD(name) field(#name, e.name, a.name)
  ZOV_FIELD(Override);
  ZOV_FIELD(MediaType);
  ZOV_FIELD(UseAdvancedInkProfile);
  ZOV_FIELD(ColorCorrection);
  ZOV_FIELD(ChangeInkAmount);
  ZOV_FIELD(InkAmount);
  ZOV_FIELD(ChangeRatioOfBlack);
  ZOV_FIELD(RatioOfBlack);
  ZOV_FIELD(BandingReduction);
  ZOV_FIELD(CahngeBarcodeThickness);
  ZOV_FIELD(BarcodeThickness);
  ZOV_FIELD(PaperFeedAdjustment);
  ZOV_FIELD(MediaForm);
  ZOV_FIELD(MediaSource);
  ZOV_FIELD(PrintSpeed);
  ZOV_FIELD(HeadMaintenance);
  ZOV_FIELD(DoAutoCut);
  ZOV_FIELD(AutoCut);
  ZOV_FIELD(CutInterval);
  ZOV_FIELD(Buzzer);
  ZOV_FIELD(Pause);
  ZOV_FIELD(TimeFormatChooseFromPreset);
  ZOV_FIELD(TimeFormatDate);
  ZOV_FIELD(TimeFormatTime);
  ZOV_FIELD(PrintError);
  ZOV_FIELD(ForcePrinting);
#undef ZOV_FIELD
  const std::u16string expectedText(e.TimeFormatText), actualText(a.TimeFormatText);
  if (expectedText != actualText) {
    out += "TimeFormatText of " + std::to_string(actualText.size()) + " units (expected " +
           std::to_string(expectedText.size()) + "); ";
  }
  return out;
}

}  // namespace dialog_testing

// The main configuration dialog through vpiConfigPlugin: what it shows on opening, the
// switching rules while it is open, and what OK saves to the printer's data.
#include <string>

#include "dialog_fixture.h"

namespace dialog_testing {
namespace {

using config::PrinterConfig;

enum : int {
  kVersion = 1015, kOverride = 1024, kFollow = 1025, kMediaType = 1001, kAutomatic = 1019, kAdvanced = 1022,
  kAdvancedSettings = 1018, kPaperFeed = 1046, kPaperFeedUpDown = 1047, kMediaForm = 1020, kMediaSource = 1026,
  kSpeed = 1043, kHeadMaintenance = 1031, kAutoCutOn = 1028, kAutoCutOff = 1029, kAutoCutTiming = 1021,
  kCutIntervalLabel = 1038, kCutInterval = 1044, kCutIntervalUpDown = 1045, kBuzzer = 1023, kPause = 1030,
  kEditFormat = 1027, kPrintError = 1013, kForcePrinting = 1014,
};

constexpr wchar_t kMediaQuestion[] =
    L"If the media coating type is changed, advanced settings are cleared and the recommended settings are "
    L"restored. Do you want to change the media coating type?";

using ConfigDialogTest = DialogTest;

TEST_F(ConfigDialogTest, OpensWithTitleVersionAndLoadedValuesAndOkSavesThem) {
  PrinterConfig seeded;
  seeded.MediaType = 2;
  seeded.PaperFeedAdjustment = -12;
  seeded.MediaForm = 3;
  seeded.MediaSource = 1;
  seeded.PrintSpeed = 0;
  seeded.HeadMaintenance = 1;
  seeded.DoAutoCut = true;
  seeded.AutoCut = 1;
  seeded.CutInterval = 1500;
  seeded.Buzzer = 1;
  seeded.Pause = 1;
  seeded.PrintError = false;
  seeded.ForcePrinting = true;
  Seed(seeded);

  Configure([](Driver& d) {
    HWND dialog = d.WaitFor(kConfigTitle);
    if (dialog == nullptr) return;
    EXPECT_EQ(d.Text(dialog, kVersion), L"Version 1.0.0.1");
    EXPECT_EQ(d.Selection(dialog, kMediaType), 2);
    EXPECT_TRUE(d.Checked(dialog, kOverride));
    EXPECT_FALSE(d.Checked(dialog, kFollow));
    EXPECT_TRUE(d.Checked(dialog, kAutomatic));
    EXPECT_FALSE(d.Enabled(dialog, kAdvancedSettings));
    EXPECT_EQ(d.Text(dialog, kPaperFeed), L"-12");
    EXPECT_EQ(d.Selection(dialog, kMediaForm), 3);
    EXPECT_EQ(d.Selection(dialog, kMediaSource), 1);
    EXPECT_EQ(d.Position(dialog, kSpeed), 0);
    EXPECT_EQ(d.Selection(dialog, kHeadMaintenance), 1);
    EXPECT_TRUE(d.Checked(dialog, kAutoCutOn));
    EXPECT_EQ(d.Selection(dialog, kAutoCutTiming), 1);
    // No thousands separator: the interval reads back as itself.
    EXPECT_EQ(d.Text(dialog, kCutInterval), L"1500");
    EXPECT_EQ(d.Selection(dialog, kBuzzer), 1);
    EXPECT_EQ(d.Selection(dialog, kPause), 1);
    EXPECT_FALSE(d.Checked(dialog, kPrintError));
    EXPECT_TRUE(d.Enabled(dialog, kForcePrinting));
    EXPECT_TRUE(d.Checked(dialog, kForcePrinting));
    d.Screenshot(dialog, L"config-dialog");
    d.Click(dialog, IDOK);
    d.WaitGone(dialog);
  });

  EXPECT_EQ(Differences(seeded, Stored()), "");
}

}  // namespace
}  // namespace dialog_testing

// The main configuration dialog through vpiConfigPlugin: what it shows on opening, the
// switching rules while it is open, and what OK saves to the printer's data.
#include <string>

#include "dialog_fixture.h"

#include <commctrl.h>

#include "common/win_files.h"
#include "resources/version.h"

namespace dialog_testing {
namespace {

using config::PrinterConfig;

enum : int {
  kVersion = 1015, kOverride = 1024, kFollow = 1025, kMediaType = 1001, kAutomatic = 1019, kAdvanced = 1022,
  kPaperFeed = 1046, kPaperFeedUpDown = 1047, kMediaForm = 1020, kMediaSource = 1026,
  kSpeed = 1043, kHeadMaintenance = 1031, kAutoCutOn = 1028, kAutoCutOff = 1029, kAutoCutTiming = 1021,
  kCutIntervalLabel = 1038, kCutInterval = 1044, kCutIntervalUpDown = 1045, kBuzzer = 1023, kPause = 1030,
  kPrintError = 1013, kForcePrinting = 1014,
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
    EXPECT_EQ(d.Text(dialog, kVersion), L"Version " ZOV_VERSION_TEXT);
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

// A record in Follow mode opens with the print settings disabled and blank; OK keeps the
// loaded print settings, and choosing Override shows them.
TEST_F(ConfigDialogTest, FollowDisablesAndBlanksThePrintSettingsAndOkKeepsTheLoadedValues) {
  PrinterConfig seeded;
  seeded.Override = false;
  seeded.MediaType = 3;
  seeded.UseAdvancedInkProfile = true;
  seeded.PaperFeedAdjustment = 40;
  seeded.MediaForm = 2;
  seeded.HeadMaintenance = 1;
  seeded.ColorCorrection = 1;
  seeded.InkAmount = -3;
  Seed(seeded);

  Configure([](Driver& d) {
    HWND dialog = d.WaitFor(kConfigTitle);
    if (dialog == nullptr) return;
    EXPECT_TRUE(d.Checked(dialog, kFollow));
    for (int list : {kMediaType, kMediaForm, kMediaSource, kHeadMaintenance}) {
      EXPECT_EQ(d.Selection(dialog, list), -1) << list;
      EXPECT_FALSE(d.Enabled(dialog, list)) << list;
    }
    EXPECT_FALSE(d.Checked(dialog, kAutomatic));
    EXPECT_FALSE(d.Checked(dialog, kAdvanced));
    EXPECT_FALSE(d.Enabled(dialog, kAdvanced));
    EXPECT_FALSE(d.Enabled(dialog, kAdvancedSettings));
    EXPECT_EQ(d.Text(dialog, kPaperFeed), L"");
    EXPECT_FALSE(d.Enabled(dialog, kPaperFeed));
    EXPECT_FALSE(d.Enabled(dialog, kSpeed));
    EXPECT_TRUE(d.Enabled(dialog, kPaperFeedUpDown)) << "the up-down controls are never disabled";
    EXPECT_TRUE(d.Enabled(dialog, kEditFormat));
    d.Screenshot(dialog, L"config-dialog-follow");
    d.Click(dialog, IDOK);
    d.WaitGone(dialog);
  });
  EXPECT_EQ(Differences(seeded, Stored()), "");

  Configure([](Driver& d) {
    HWND dialog = d.WaitFor(kConfigTitle);
    if (dialog == nullptr) return;
    d.Click(dialog, kOverride);
    EXPECT_EQ(d.Selection(dialog, kMediaType), 3);
    EXPECT_TRUE(d.Checked(dialog, kAdvanced));
    EXPECT_TRUE(d.Enabled(dialog, kAdvancedSettings));
    EXPECT_EQ(d.Text(dialog, kPaperFeed), L"40");
    EXPECT_EQ(d.Selection(dialog, kMediaForm), 2);
    EXPECT_EQ(d.Selection(dialog, kHeadMaintenance), 1);
    EXPECT_TRUE(d.Enabled(dialog, kMediaType));
    d.Click(dialog, IDOK);
    d.WaitGone(dialog);
  });
  PrinterConfig expected = seeded;
  expected.Override = true;
  EXPECT_EQ(Differences(expected, Stored()), "");
}

// Override, Follow (twice), Override shows again what was on screen at the first switch
// to Follow, the typed paper feed clamped; Override while chosen discards unsaved edits.
TEST_F(ConfigDialogTest, OverrideFollowOverrideRestoresTheHeldValues) {
  Seed(PrinterConfig{});
  Configure([](Driver& d) {
    HWND dialog = d.WaitFor(kConfigTitle);
    if (dialog == nullptr) return;
    d.Type(dialog, kPaperFeed, L"250");
    d.Select(dialog, kMediaForm, 2);
    d.Select(dialog, kMediaType, 1);
    d.Send(::GetDlgItem(dialog, kSpeed), TBM_SETPOS, TRUE, 0);
    d.Click(dialog, kFollow);
    d.Click(dialog, kFollow);
    EXPECT_EQ(d.Text(dialog, kPaperFeed), L"");
    d.Click(dialog, kOverride);
    EXPECT_EQ(d.Text(dialog, kPaperFeed), L"99");
    EXPECT_EQ(d.Selection(dialog, kMediaForm), 2);
    EXPECT_EQ(d.Selection(dialog, kMediaType), 1);
    EXPECT_EQ(d.Position(dialog, kSpeed), 0);
    // Unsaved edits give way to the held values.
    d.Type(dialog, kPaperFeed, L"-5");
    d.Select(dialog, kMediaForm, 0);
    d.Click(dialog, kOverride);
    EXPECT_EQ(d.Text(dialog, kPaperFeed), L"99");
    EXPECT_EQ(d.Selection(dialog, kMediaForm), 2);
    d.Click(dialog, IDOK);
    d.WaitGone(dialog);
  });
  PrinterConfig expected;
  expected.PaperFeedAdjustment = 99;
  expected.MediaForm = 2;
  expected.MediaType = 1;
  expected.PrintSpeed = 0;
  EXPECT_EQ(Differences(expected, Stored()), "");
}

// Stored values without a position open with no selection and are saved as 0.
TEST_F(ConfigDialogTest, ValuesWithoutAPositionShowNoSelectionAndAreSavedAsZero) {
  PrinterConfig seeded;
  seeded.MediaType = 5;
  seeded.MediaForm = -1;
  seeded.MediaSource = 2;
  seeded.HeadMaintenance = 9;
  seeded.DoAutoCut = true;
  seeded.AutoCut = 3;
  seeded.CutInterval = 5;
  seeded.Buzzer = 2;
  seeded.Pause = 100;
  seeded.PrintSpeed = 7;
  Seed(seeded);
  Configure([](Driver& d) {
    HWND dialog = d.WaitFor(kConfigTitle);
    if (dialog == nullptr) return;
    for (int list : {kMediaType, kMediaForm, kMediaSource, kHeadMaintenance, kAutoCutTiming, kBuzzer, kPause}) {
      EXPECT_EQ(d.Selection(dialog, list), -1) << list;
    }
    // A speed other than 0 and 1 shows at the lowest position.
    EXPECT_EQ(d.Position(dialog, kSpeed), 0);
    EXPECT_FALSE(d.Enabled(dialog, kCutInterval));
    EXPECT_EQ(d.Text(dialog, kCutInterval), L"");
    d.Click(dialog, IDOK);
    d.WaitGone(dialog);
  });
  PrinterConfig expected = seeded;
  expected.MediaType = expected.MediaForm = expected.MediaSource = expected.HeadMaintenance = 0;
  expected.AutoCut = expected.Buzzer = expected.Pause = 0;
  expected.PrintSpeed = 0;
  EXPECT_EQ(Differences(expected, Stored()), "");
}

PrinterConfig AdvancedRecord() {
  PrinterConfig record;
  record.MediaType = 4;
  record.UseAdvancedInkProfile = true;
  record.ColorCorrection = 1;
  record.ChangeInkAmount = true;
  record.InkAmount = -3;
  record.ChangeRatioOfBlack = true;
  record.RatioOfBlack = -2;
  record.BandingReduction = 2;
  return record;
}

// With Advanced chosen a new media coating type asks first: Cancel brings back the type
// the list had when it gained the focus, OK keeps the new one and clears the colour block.
TEST_F(ConfigDialogTest, MediaTypeChangeIsConfirmedWithCancelAndWithOk) {
  const PrinterConfig seeded = AdvancedRecord();
  Seed(seeded);
  Configure([](Driver& d) {
    HWND dialog = d.WaitFor(kConfigTitle);
    if (dialog == nullptr) return;
    d.Focus(dialog, kMediaType);
    d.PostSelect(dialog, kMediaType, 1);
    HWND box = d.WaitFor(L"Media Coating Type Changed");
    if (box == nullptr) return;
    EXPECT_EQ(d.BoxText(box), kMediaQuestion);
    EXPECT_EQ(d.Text(box, IDCANCEL), L"Cancel");
    EXPECT_NE(::GetDlgItem(box, IDOK), nullptr);
    d.Answer(box, IDCANCEL);
    d.WaitGone(box);
    EXPECT_EQ(d.Selection(dialog, kMediaType), 4);
    EXPECT_TRUE(d.Checked(dialog, kAdvanced));
    d.Click(dialog, IDOK);
    d.WaitGone(dialog);
  });
  EXPECT_EQ(Differences(seeded, Stored()), "") << "Cancel keeps type and colour settings";

  Configure([](Driver& d) {
    HWND dialog = d.WaitFor(kConfigTitle);
    if (dialog == nullptr) return;
    d.Focus(dialog, kMediaType);
    d.PostSelect(dialog, kMediaType, 0);
    HWND box = d.WaitFor(L"Media Coating Type Changed");
    if (box == nullptr) return;
    d.Answer(box, IDOK);
    d.WaitGone(box);
    EXPECT_EQ(d.Selection(dialog, kMediaType), 0);
    EXPECT_TRUE(d.Checked(dialog, kAutomatic));
    EXPECT_FALSE(d.Checked(dialog, kAdvanced));
    EXPECT_FALSE(d.Enabled(dialog, kAdvancedSettings));
    // Now Automatic: another change asks nothing.
    d.PostSelect(dialog, kMediaType, 2);
    EXPECT_FALSE(d.Appears(L"Media Coating Type Changed", 1000));
    d.Click(dialog, IDOK);
    d.WaitGone(dialog);
  });
  PrinterConfig expected;
  expected.MediaType = 2;
  EXPECT_EQ(Differences(expected, Stored()), "") << "OK clears all eight colour fields";
}

// Leaving an edit rewrites its text as the clamped number; an interval of 1000 or more
// set through the up-down control reads back without a separator.
TEST_F(ConfigDialogTest, EditsAreNormalisedWhenTheyLoseTheFocus) {
  PrinterConfig seeded;
  seeded.DoAutoCut = true;
  seeded.AutoCut = 1;
  Seed(seeded);
  Configure([](Driver& d) {
    HWND dialog = d.WaitFor(kConfigTitle);
    if (dialog == nullptr) return;
    struct Case {
      int edit;
      const wchar_t* typed;
      const wchar_t* shown;
    };
    const Case cases[] = {
        {kPaperFeed, L"abc", L"0"},     {kPaperFeed, L"-150", L"-99"}, {kPaperFeed, L"250", L"99"},
        {kPaperFeed, L"  +7x", L"7"},   {kCutInterval, L"0", L"1"},    {kCutInterval, L"", L"1"},
        {kCutInterval, L"100000", L"99999"}, {kCutInterval, L"-3", L"1"}, {kCutInterval, L"1234", L"1234"},
    };
    for (const Case& c : cases) {
      d.Focus(dialog, c.edit);
      d.Type(dialog, c.edit, c.typed);
      d.Focus(dialog, kBuzzer);
      EXPECT_EQ(d.Text(dialog, c.edit), c.shown) << "typed \"" << win_tools::Narrow(c.typed) << "\"";
    }
    d.Send(::GetDlgItem(dialog, kCutIntervalUpDown), UDM_SETPOS32, 0, 4321);
    EXPECT_EQ(d.Text(dialog, kCutInterval), L"4321");
    d.Click(dialog, IDOK);
    d.WaitGone(dialog);
  });
  PrinterConfig expected = seeded;
  expected.PaperFeedAdjustment = 7;
  expected.CutInterval = 4321;
  EXPECT_EQ(Differences(expected, Stored()), "");
}

// No Auto Cut then Auto Cut brings back the timing and the interval shown before; OK
// with No Auto Cut leaves both as loaded.
TEST_F(ConfigDialogTest, NoAutoCutThenAutoCutRestoresTimingAndInterval) {
  PrinterConfig seeded;
  seeded.DoAutoCut = true;
  seeded.AutoCut = 1;
  seeded.CutInterval = 37;
  Seed(seeded);
  Configure([](Driver& d) {
    HWND dialog = d.WaitFor(kConfigTitle);
    if (dialog == nullptr) return;
    d.Type(dialog, kCutInterval, L"42");
    d.Click(dialog, kAutoCutOff);
    EXPECT_FALSE(d.Enabled(dialog, kAutoCutTiming));
    EXPECT_EQ(d.Selection(dialog, kAutoCutTiming), -1);
    EXPECT_FALSE(d.Enabled(dialog, kCutInterval));
    EXPECT_FALSE(d.Enabled(dialog, kCutIntervalLabel));
    EXPECT_EQ(d.Text(dialog, kCutInterval), L"");
    d.Click(dialog, kAutoCutOn);
    EXPECT_TRUE(d.Enabled(dialog, kAutoCutTiming));
    EXPECT_EQ(d.Selection(dialog, kAutoCutTiming), 1);
    EXPECT_TRUE(d.Enabled(dialog, kCutInterval));
    EXPECT_EQ(d.Text(dialog, kCutInterval), L"42");
    // Another timing turns the interval off, timing 1 on again with the held value.
    d.Select(dialog, kAutoCutTiming, 2);
    EXPECT_FALSE(d.Enabled(dialog, kCutInterval));
    EXPECT_EQ(d.Text(dialog, kCutInterval), L"");
    d.Select(dialog, kAutoCutTiming, 1);
    EXPECT_EQ(d.Text(dialog, kCutInterval), L"42");
    d.Click(dialog, kAutoCutOff);
    d.Click(dialog, IDOK);
    d.WaitGone(dialog);
  });
  PrinterConfig expected = seeded;
  expected.DoAutoCut = false;
  EXPECT_EQ(Differences(expected, Stored()), "");
}

// Error messages on: force printing is greyed, unchecked and saved as loaded; turning
// them off brings back the check last shown.
TEST_F(ConfigDialogTest, ErrorMessageToggleKeepsTheForcePrintingCheck) {
  struct Case {
    bool printError, forcePrinting;
  };
  for (const Case c : {Case{false, true}, Case{true, true}}) {
    SCOPED_TRACE(testing::Message() << "PrintError " << c.printError);
    PrinterConfig seeded;
    seeded.PrintError = c.printError;
    seeded.ForcePrinting = c.forcePrinting;
    Seed(seeded);
    Configure([&c](Driver& d) {
      HWND dialog = d.WaitFor(kConfigTitle);
      if (dialog == nullptr) return;
      EXPECT_EQ(d.Enabled(dialog, kForcePrinting), !c.printError);
      EXPECT_EQ(d.Checked(dialog, kForcePrinting), !c.printError && c.forcePrinting);
      if (!c.printError) d.Click(dialog, kPrintError);
      EXPECT_FALSE(d.Enabled(dialog, kForcePrinting));
      EXPECT_FALSE(d.Checked(dialog, kForcePrinting));
      d.Click(dialog, kPrintError);
      EXPECT_TRUE(d.Enabled(dialog, kForcePrinting));
      EXPECT_TRUE(d.Checked(dialog, kForcePrinting));
      d.Click(dialog, kPrintError);
      d.Click(dialog, IDOK);
      d.WaitGone(dialog);
    });
    PrinterConfig expected = seeded;
    expected.PrintError = true;
    EXPECT_EQ(Differences(expected, Stored()), "");
  }
}

// The printer vanishes while the dialog is open: OK cannot save, says so once and closes.
TEST_F(ConfigDialogTest, AFailedSaveShowsItsMessageOnceAndCloses) {
  Seed(PrinterConfig{});
  Configure([this](Driver& d) {
    HWND dialog = d.WaitFor(kConfigTitle);
    if (dialog == nullptr) return;
    EXPECT_TRUE(printer_.Delete()) << printer_.LastError();
    d.PostClick(dialog, IDOK);
    HWND box = d.WaitFor(L"Error");
    if (box == nullptr) return;
    EXPECT_EQ(d.BoxText(box), L"Saving configuration failed.");
    EXPECT_EQ(::GetDlgItem(box, IDCANCEL), nullptr) << "OK only";
    d.Answer(box, IDOK);
    d.WaitGone(box);
    d.WaitGone(dialog);
    EXPECT_FALSE(d.Appears(L"Error", 500)) << "the message shows once";
  });
}

TEST_F(ConfigDialogTest, AnUnknownPrinterShowsCannotOpenAndGivesOne) {
  const ConfigRun run = RunConfigPlugin(L"ZOV No Such Printer", [](Driver& d) {
    HWND box = d.WaitFor(L"Error");
    if (box == nullptr) return;
    EXPECT_EQ(d.BoxText(box), L"Cannot open the printer");
    EXPECT_EQ(::GetDlgItem(box, IDCANCEL), nullptr);
    d.Answer(box, IDOK);
    d.WaitGone(box);
  });
  EXPECT_EQ(run.result, 1);
}

}  // namespace
}  // namespace dialog_testing

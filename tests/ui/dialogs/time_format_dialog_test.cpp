// The date and time format dialog, opened from the main dialog's "Edit Format(&A)":
// its two states, the switching rules with their held values, and what OK stores.
#include <string>

#include "dialog_fixture.h"

namespace dialog_testing {
namespace {

using config::PrinterConfig;

enum : int {
  kPresets = 1067, kManual = 1068, kDateLabel = 1077, kTimeLabel = 1078, kDate = 1069,
  kTime = 1070, kText = 1071, kInstructions = 1073, kEscapeGroup = 1074, kEscapes = 1076, kMeanings = 1075,
  kDescription = 1079,
};
constexpr int kManualGroup[] = {kInstructions, kEscapeGroup, kEscapes, kMeanings, kText};

HWND OpenTime(Driver& d, HWND* main) {
  *main = d.WaitFor(kConfigTitle);
  if (*main == nullptr) return nullptr;
  d.PostClick(*main, kEditFormat);
  return d.WaitFor(kTimeTitle);
}

void ExpectPresetsShown(Driver& d, HWND time, int date, int clock) {
  EXPECT_TRUE(d.Checked(time, kPresets));
  EXPECT_FALSE(d.Checked(time, kManual));
  EXPECT_EQ(d.Selection(time, kDate), date);
  EXPECT_EQ(d.Selection(time, kTime), clock);
  for (int id : {kDateLabel, kTimeLabel, kDate, kTime}) EXPECT_TRUE(d.Enabled(time, id)) << id;
  for (int id : kManualGroup) EXPECT_FALSE(d.Enabled(time, id)) << id;
  EXPECT_EQ(d.Text(time, kText), L"");
}

void ExpectManualShown(Driver& d, HWND time, const std::wstring& text) {
  EXPECT_FALSE(d.Checked(time, kPresets));
  EXPECT_TRUE(d.Checked(time, kManual));
  for (int id : {kDateLabel, kTimeLabel, kDate, kTime}) EXPECT_FALSE(d.Enabled(time, id)) << id;
  EXPECT_EQ(d.Selection(time, kDate), -1);
  EXPECT_EQ(d.Selection(time, kTime), -1);
  for (int id : kManualGroup) EXPECT_TRUE(d.Enabled(time, id)) << id;
  EXPECT_EQ(d.Text(time, kText), text);
}

using TimeFormatDialogTest = DialogTest;

// Presets chosen: date NONE, time 16:45:06, the manual side greyed and empty; switching
// to manual and back keeps each side's values; OK with presets keeps the stored text.
TEST_F(TimeFormatDialogTest, OpensWithPresetsAndSwitchesKeepingBothSides) {
  PrinterConfig seeded;
  seeded.TimeFormatDate = 0;
  seeded.TimeFormatTime = 1;
  SetTimeFormatText(seeded, u"%Y");
  Seed(seeded);
  Configure([](Driver& d) {
    HWND main = nullptr;
    HWND time = OpenTime(d, &main);
    if (time == nullptr) return;
    ExpectPresetsShown(d, time, 0, 1);
    EXPECT_EQ(d.Text(time, kDate), L"NONE");
    EXPECT_EQ(d.Text(time, kTime), L"16:45:06");
    EXPECT_EQ(d.Text(time, kMeanings).substr(0, 20), L"Day of week (abbr.)\n");
    EXPECT_EQ(d.Text(time, kDescription).substr(0, 21), L"This dialog specifies");
    d.Screenshot(time, L"time-format-dialog");
    d.Select(time, kDate, 3);
    d.Select(time, kTime, 2);
    d.Click(time, kManual);
    // The dialog opened with the presets chosen: its held text is the record's.
    ExpectManualShown(d, time, L"%Y");
    d.Type(time, kText, L"%H%M");
    d.Click(time, kPresets);
    ExpectPresetsShown(d, time, 3, 2);
    d.Click(time, kManual);
    ExpectManualShown(d, time, L"%H%M");
    d.Click(time, kPresets);
    CloseBoth(d, main, time, IDOK, IDOK);
  });
  PrinterConfig expected = seeded;
  expected.TimeFormatDate = 3;
  expected.TimeFormatTime = 2;
  EXPECT_EQ(Differences(expected, Stored()), "") << "the text typed and hidden is not stored";
}

// Clicking a chosen button again stores what its side shows: presets twice leave an
// empty held text, manual twice leaves NONE for both presets.
TEST_F(TimeFormatDialogTest, ClickingTheChosenButtonAgainStoresItsEmptySide) {
  PrinterConfig seeded;
  seeded.TimeFormatDate = 2;
  seeded.TimeFormatTime = 2;
  SetTimeFormatText(seeded, u"%b");
  Seed(seeded);
  Configure([](Driver& d) {
    HWND main = nullptr;
    HWND time = OpenTime(d, &main);
    if (time == nullptr) return;
    d.Click(time, kPresets);
    d.Click(time, kManual);
    ExpectManualShown(d, time, L"");
    d.Click(time, kManual);
    d.Click(time, kPresets);
    ExpectPresetsShown(d, time, 0, 0);
    CloseBoth(d, main, time, IDOK, IDOK);
  });
  PrinterConfig expected = seeded;
  expected.TimeFormatDate = 0;
  expected.TimeFormatTime = 0;
  EXPECT_EQ(Differences(expected, Stored()), "");
}

// Manual setting: OK stores the text as typed, at most 3072 units of it, and leaves the
// presets as they were; a stored date preset without a position shows none.
TEST_F(TimeFormatDialogTest, ManualTextOfFourThousandUnitsIsStoredAsItsFirst3072) {
  PrinterConfig seeded;
  seeded.TimeFormatChooseFromPreset = false;
  seeded.TimeFormatDate = 7;
  seeded.TimeFormatTime = 2;
  SetTimeFormatText(seeded, u"%a %A");
  Seed(seeded);
  std::wstring typed;
  for (int i = 0; i < 4000; ++i) typed += static_cast<wchar_t>(L'a' + i % 26);
  Configure([&typed](Driver& d) {
    HWND main = nullptr;
    HWND time = OpenTime(d, &main);
    if (time == nullptr) return;
    ExpectManualShown(d, time, L"%a %A");
    d.Click(time, kPresets);
    EXPECT_EQ(d.Selection(time, kDate), -1) << "a date preset of 7 has no position";
    EXPECT_EQ(d.Selection(time, kTime), 2);
    d.Click(time, kManual);
    d.Type(time, kText, typed);
    CloseBoth(d, main, time, IDOK, IDOK);
  });
  PrinterConfig expected = seeded;
  SetTimeFormatText(expected, std::u16string(typed.begin(), typed.begin() + 3072));
  // Held presets never reach the record: OK in manual mode leaves both as loaded.
  EXPECT_EQ(Differences(expected, Stored()), "");
  EXPECT_EQ(std::u16string(Stored().TimeFormatText).size(), 3072u);
}

// A stored date preset of 7 with presets chosen opens without a date and is stored as 0.
TEST_F(TimeFormatDialogTest, ADatePresetWithoutAPositionIsStoredAsZero) {
  PrinterConfig seeded;
  seeded.TimeFormatDate = 7;
  seeded.TimeFormatTime = 1;
  Seed(seeded);
  Configure([](Driver& d) {
    HWND main = nullptr;
    HWND time = OpenTime(d, &main);
    if (time == nullptr) return;
    EXPECT_EQ(d.Selection(time, kDate), -1);
    CloseBoth(d, main, time, IDOK, IDOK);
  });
  PrinterConfig expected = seeded;
  expected.TimeFormatDate = 0;
  EXPECT_EQ(Differences(expected, Stored()), "");
}

}  // namespace
}  // namespace dialog_testing

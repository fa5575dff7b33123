// The advanced colour dialog, opened from the main dialog's "Advanced(&E)" button: its
// initialisation and clamping, the warning of the check boxes, the default settings, and
// what reaches the printer's data through the main dialog's OK (or not, after Cancel).
#include "dialog_fixture.h"

#include <commctrl.h>

namespace dialog_testing {
namespace {

using config::PrinterConfig;

enum : int {
  kMode = 1040, kInkCheck = 1041, kInk = 1042, kRatioCheck = 1043,
  kRatio = 1044, kBanding = 1046, kBarCheck = 1047, kBar = 1048, kDefaults = 1039,
};
constexpr int kInkGroup[] = {1061, 1062, kInk, 1053, 1054, 1055};
constexpr int kRatioGroup[] = {1063, 1064, kRatio, 1056, 1058};
constexpr int kBarGroup[] = {1065, 1066, kBar, 1059, 1068, 1067, 1069, 1060};

PrinterConfig ColourRecord() {
  PrinterConfig record;
  record.UseAdvancedInkProfile = true;
  record.ColorCorrection = 1;
  record.ChangeInkAmount = true;
  record.InkAmount = -3;
  record.ChangeRatioOfBlack = true;
  record.RatioOfBlack = -2;
  record.BandingReduction = 2;
  return record;
}

// Opens the colour dialog from the main one; null when either does not show.
HWND OpenColour(Driver& d, HWND* main) {
  *main = d.WaitFor(kConfigTitle);
  if (*main == nullptr) return nullptr;
  d.PostClick(*main, kAdvancedSettings);
  return d.WaitFor(kColorTitle);
}

using ColorProfileDialogTest = DialogTest;

// Stored values outside the trackbars' ranges show at the nearer end and are stored so;
// a mode without a position shows none and is stored as 0. The barcode group never shows.
TEST_F(ColorProfileDialogTest, OpensWithClampedValuesAndOkStoresThem) {
  PrinterConfig seeded = ColourRecord();
  seeded.ColorCorrection = 2;
  seeded.ChangeInkAmount = false;
  seeded.InkAmount = 7;
  seeded.RatioOfBlack = 3;
  seeded.BandingReduction = -1;
  Seed(seeded);
  Configure([](Driver& d) {
    HWND main = nullptr;
    HWND colour = OpenColour(d, &main);
    if (colour == nullptr) return;
    EXPECT_EQ(d.Selection(colour, kMode), -1);
    EXPECT_FALSE(d.Checked(colour, kInkCheck));
    for (int id : kInkGroup) EXPECT_FALSE(d.Enabled(colour, id)) << id;
    EXPECT_TRUE(d.Checked(colour, kRatioCheck));
    for (int id : kRatioGroup) EXPECT_TRUE(d.Enabled(colour, id)) << id;
    EXPECT_EQ(d.Position(colour, kInk), 4);
    EXPECT_EQ(d.Position(colour, kRatio), 0);
    EXPECT_EQ(d.Position(colour, kBanding), -1);
    EXPECT_TRUE(d.Enabled(colour, kBanding));
    EXPECT_FALSE(d.Visible(colour, kBarCheck));
    for (int id : kBarGroup) EXPECT_FALSE(d.Visible(colour, id)) << id;
    d.Screenshot(colour, L"color-profile-dialog");
    CloseBoth(d, main, colour, IDOK, IDOK);
  });
  PrinterConfig expected = seeded;
  expected.ColorCorrection = 0;
  expected.InkAmount = 4;
  expected.RatioOfBlack = 0;
  EXPECT_EQ(Differences(expected, Stored()), "");
}

// Checking a box warns first; unchecking greys its group silently, and OK still stores
// the trackbar's position.
TEST_F(ColorProfileDialogTest, CheckingABoxWarnsAndUncheckingGreysItsGroup) {
  PrinterConfig seeded = ColourRecord();
  seeded.ChangeInkAmount = false;
  Seed(seeded);
  Configure([](Driver& d) {
    HWND main = nullptr;
    HWND colour = OpenColour(d, &main);
    if (colour == nullptr) return;
    d.PostClick(colour, kInkCheck);
    HWND box = d.WaitFor(L"Advanced");
    if (box == nullptr) return;
    EXPECT_EQ(d.BoxText(box), L"Changing this item might affect barcode quality for reading.");
    EXPECT_EQ(::GetDlgItem(box, IDCANCEL), nullptr);
    d.Answer(box, IDOK);
    d.WaitGone(box);
    for (int id : kInkGroup) EXPECT_TRUE(d.Enabled(colour, id)) << id;
    d.Send(::GetDlgItem(colour, kInk), TBM_SETPOS, TRUE, 2);
    d.PostClick(colour, kRatioCheck);
    EXPECT_FALSE(d.Appears(L"Advanced", 700)) << "unchecking asks nothing";
    for (int id : kRatioGroup) EXPECT_FALSE(d.Enabled(colour, id)) << id;
    CloseBoth(d, main, colour, IDOK, IDOK);
  });
  PrinterConfig expected = seeded;
  expected.ChangeInkAmount = true;
  expected.InkAmount = 2;
  expected.ChangeRatioOfBlack = false;
  EXPECT_EQ(Differences(expected, Stored()), "");
}

// "Default Settings(&U)": Cancel in its box changes nothing; OK resets every control,
// which reaches the record only through the dialog's own OK.
TEST_F(ColorProfileDialogTest, DefaultSettingsWithCancelAndWithOk) {
  const PrinterConfig seeded = ColourRecord();
  Seed(seeded);
  const auto restore = [](Driver& d, HWND colour, int answer) {
    d.PostClick(colour, kDefaults);
    HWND box = d.WaitFor(L"Advanced");
    if (box == nullptr) return;
    EXPECT_EQ(d.BoxText(box), L"Restore the default settings.");
    EXPECT_EQ(d.Text(box, IDCANCEL), L"Cancel");
    d.Answer(box, answer);
    d.WaitGone(box);
  };
  Configure([&restore](Driver& d) {
    HWND main = nullptr;
    HWND colour = OpenColour(d, &main);
    if (colour == nullptr) return;
    restore(d, colour, IDCANCEL);
    EXPECT_EQ(d.Selection(colour, kMode), 1);
    EXPECT_TRUE(d.Checked(colour, kInkCheck));
    EXPECT_EQ(d.Position(colour, kInk), -3);
    restore(d, colour, IDOK);
    EXPECT_EQ(d.Selection(colour, kMode), 0);
    for (int check : {kInkCheck, kRatioCheck, kBarCheck}) EXPECT_FALSE(d.Checked(colour, check)) << check;
    for (int bar : {kInk, kRatio, kBanding, kBar}) EXPECT_EQ(d.Position(colour, bar), 0) << bar;
    for (int id : kInkGroup) EXPECT_FALSE(d.Enabled(colour, id)) << id;
    // Cancel of the colour dialog: the block stays as loaded.
    CloseBoth(d, main, colour, IDCANCEL, IDOK);
  });
  EXPECT_EQ(Differences(seeded, Stored()), "");

  Configure([&restore](Driver& d) {
    HWND main = nullptr;
    HWND colour = OpenColour(d, &main);
    if (colour == nullptr) return;
    restore(d, colour, IDOK);
    CloseBoth(d, main, colour, IDOK, IDOK);
  });
  PrinterConfig expected;
  expected.UseAdvancedInkProfile = true;
  EXPECT_EQ(Differences(expected, Stored()), "");
}

// Cancel of the main dialog after OK in both nested dialogs saves nothing at all.
TEST_F(ColorProfileDialogTest, CancelAfterNestedOksSavesNothing) {
  PrinterConfig seeded = ColourRecord();
  SetTimeFormatText(seeded, u"%Y");
  Seed(seeded);
  Configure([](Driver& d) {
    HWND main = nullptr;
    HWND colour = OpenColour(d, &main);
    if (colour == nullptr) return;
    d.Select(colour, kMode, 0);
    d.Send(::GetDlgItem(colour, kBanding), TBM_SETPOS, TRUE, -2);
    d.PostClick(colour, IDOK);
    d.WaitGone(colour);
    d.PostClick(main, kEditFormat);
    HWND time = d.WaitFor(kTimeTitle);
    if (time == nullptr) return;
    d.Click(time, 1068);
    d.Type(time, 1071, L"%d");
    d.PostClick(time, IDOK);
    d.WaitGone(time);
    d.Click(main, IDCANCEL);
    d.WaitGone(main);
  });
  EXPECT_EQ(Differences(seeded, Stored()), "");
}

}  // namespace
}  // namespace dialog_testing

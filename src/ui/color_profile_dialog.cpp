#include "ui/color_profile_dialog.h"

#include <iterator>

#include "config/printer_config.h"
#include "platform/strings.h"
#include "ui/cancel_caption_hook.h"
#include "ui/dialog_controls.h"

namespace ui {
namespace {

constexpr int kTemplate = 131;

enum Control : int {
  kMode = 1040,
  kInkCheck = 1041,
  kInk = 1042,
  kRatioCheck = 1043,
  kRatio = 1044,
  kBanding = 1046,
  kBarCheck = 1047,
  kBar = 1048,
  kDefaults = 1039,
};

// The controls that each check box enables and disables.
struct CheckGroup {
  int checkBox;
  int members[8];
  int count;
};
constexpr CheckGroup kGroups[] = {
    {kInkCheck, {1061, 1062, kInk, 1053, 1054, 1055}, 6},
    {kRatioCheck, {1063, 1064, kRatio, 1056, 1058}, 5},
    {kBarCheck, {1065, 1066, kBar, 1059, 1068, 1067, 1069, 1060}, 8},
};

constexpr int kRequired[] = {kMode, kInkCheck, kInk, 1061, 1062, 1053, 1054, 1055, kRatioCheck,
                             kRatio, 1063, 1064, 1056, 1058, kBanding, kBarCheck, kBar, 1065,
                             1066, 1059, 1068, 1067, 1069, 1060, kDefaults};
static_assert(std::size(kRequired) == 25);

constexpr uint32_t kCaption = 120;
constexpr uint32_t kWarning = 119;
constexpr uint32_t kRestoreQuestion = 121;

}  // namespace

ColorProfileDialog::ColorProfileDialog(HWND owner, ColorProfileValues& values)
    : ModalDialog(kTemplate, owner), values_(values) {}

bool ColorProfileDialog::Command(int id, int code) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case kInkCheck:
    case kRatioCheck:
    case kBarCheck: Toggle(id); break;
    case kDefaults: RestoreDefaults(); break;
    case IDOK: Confirm(); break;
    case IDCANCEL: ::EndDialog(window_, IDCANCEL); break;
    default: break;
  }
  return true;
}

bool ColorProfileDialog::Initialise() {
  for (int id : kRequired) {
    if (Item(id) == nullptr) return false;
  }
  if (!FillList(Item(kMode), &config::ColorCorrectionLabel, 2)) return false;
  SetTrackbarRange(Item(kInk), -6, 4, true);
  SetTrackbarRange(Item(kRatio), -6, 0, true);
  SetTrackbarRange(Item(kBanding), -2, 2, true);
  SetTrackbarRange(Item(kBar), -2, 2, true);

  ShowListValue(Item(kMode), values_.ColorCorrection);
  SetChecked(Item(kInkCheck), values_.ChangeInkAmount);
  EnableGroupOf(kInkCheck, values_.ChangeInkAmount);
  SetTrackbarPosition(Item(kInk), values_.InkAmount);
  SetChecked(Item(kRatioCheck), values_.ChangeRatioOfBlack);
  EnableGroupOf(kRatioCheck, values_.ChangeRatioOfBlack);
  SetTrackbarPosition(Item(kRatio), values_.RatioOfBlack);
  SetTrackbarPosition(Item(kBanding), values_.BandingReduction);
  SetChecked(Item(kBarCheck), values_.CahngeBarcodeThickness);
  EnableGroupOf(kBarCheck, values_.CahngeBarcodeThickness);
  SetTrackbarPosition(Item(kBar), values_.BarcodeThickness);
  return true;
}

void ColorProfileDialog::EnableGroupOf(int checkBox, bool enabled) {
  for (const CheckGroup& group : kGroups) {
    if (group.checkBox != checkBox) continue;
    for (int i = 0; i < group.count; ++i) Enable(Item(group.members[i]), enabled);
  }
}

void ColorProfileDialog::Toggle(int checkBox) {
  const std::u16string caption = platform::LoadResourceString(kCaption);
  const std::u16string text = platform::LoadResourceString(kWarning);
  const bool checked = IsChecked(Item(checkBox));
  if (checked) ::MessageBoxW(window_, Wide(text), Wide(caption), MB_OK);
  EnableGroupOf(checkBox, checked);
}

void ColorProfileDialog::RestoreDefaults() {
  const std::u16string caption = platform::LoadResourceString(kCaption);
  const std::u16string text = platform::LoadResourceString(kRestoreQuestion);
  InstallCancelCaptionHook(CancelCaptionHook::ColorProfileDialog);
  if (::MessageBoxW(window_, Wide(text), Wide(caption), MB_OKCANCEL) != IDOK) return;
  ShowListValue(Item(kMode), 0);
  for (const CheckGroup& group : kGroups) {
    SetChecked(Item(group.checkBox), false);
    EnableGroupOf(group.checkBox, false);
  }
  for (int trackbar : {kInk, kRatio, kBanding, kBar}) SetTrackbarPosition(Item(trackbar), 0);
}

void ColorProfileDialog::Confirm() {
  values_.ColorCorrection = ReadListValue(Item(kMode));
  values_.ChangeInkAmount = IsChecked(Item(kInkCheck));
  values_.InkAmount = TrackbarPosition(Item(kInk));
  values_.ChangeRatioOfBlack = IsChecked(Item(kRatioCheck));
  values_.RatioOfBlack = TrackbarPosition(Item(kRatio));
  values_.BandingReduction = TrackbarPosition(Item(kBanding));
  values_.CahngeBarcodeThickness = IsChecked(Item(kBarCheck));
  values_.BarcodeThickness = TrackbarPosition(Item(kBar));
  ::EndDialog(window_, IDOK);
}

}  // namespace ui

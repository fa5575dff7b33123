#include "ui/time_format_dialog.h"

#include <algorithm>
#include <iterator>

#include "config/printer_config.h"
#include "platform/strings.h"
#include "ui/dialog_controls.h"

namespace ui {
namespace {

constexpr int kTemplate = 137;

enum Control : int {
  kDescription = 1079,
  kPresets = 1067,
  kDateLabel = 1077,
  kTimeLabel = 1078,
  kDate = 1069,
  kTime = 1070,
  kManual = 1068,
  kText = 1071,
  kInstructions = 1073,
  kEscapeGroup = 1074,
  kEscapes = 1076,
  kMeanings = 1075,
};

constexpr int kRequired[] = {kDescription, kPresets, kDateLabel, kTimeLabel, kDate,         kTime,
                             kManual,      kText,    kInstructions, kEscapeGroup, kEscapes, kMeanings};
constexpr int kManualGroup[] = {kInstructions, kEscapeGroup, kEscapes, kMeanings, kText};

constexpr int kDatePresets = 4;
constexpr int kTimePresets = 3;
constexpr uint32_t kDescriptionString = 141;
constexpr uint32_t kInstructionsString = 142;
constexpr uint32_t kMeaningsString = 143;

constexpr int kTextUnits = static_cast<int>(config::kTimeFormatUnits);

}  // namespace

TimeFormatDialog::TimeFormatDialog(HWND owner, TimeFormatValues& values)
    : ModalDialog(kTemplate, owner), values_(values), heldDate_(values.TimeFormatDate), heldTime_(values.TimeFormatTime) {
  std::copy(std::begin(values.TimeFormatText), std::end(values.TimeFormatText), heldText_);
  heldText_[kTextUnits - 1] = u'\0';
}

bool TimeFormatDialog::Command(int id, int code) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case kPresets: ChoosePresets(); break;
    case kManual: ChooseManual(); break;
    case IDOK: Confirm(); break;
    case IDCANCEL: ::EndDialog(window_, IDCANCEL); break;
    default: break;
  }
  return true;
}

bool TimeFormatDialog::Initialise() {
  for (int id : kRequired) {
    if (Item(id) == nullptr) return false;
  }
  SetText(Item(kDescription), platform::LoadResourceString(kDescriptionString));
  SetText(Item(kInstructions), platform::LoadResourceString(kInstructionsString));
  SetText(Item(kMeanings), platform::LoadResourceString(kMeaningsString));
  if (!FillList(Item(kDate), &config::TimeFormatDateLabel, kDatePresets)) return false;
  if (!FillList(Item(kTime), &config::TimeFormatTimeLabel, kTimePresets)) return false;

  if (values_.TimeFormatChooseFromPreset) {
    SetChecked(Item(kPresets), true);
    ShowListValue(Item(kDate), heldDate_);
    ShowListValue(Item(kTime), heldTime_);
    Enable(Item(kDate), true);
    Enable(Item(kTime), true);
    SetChecked(Item(kManual), false);
    EnableManualGroup(false);
    ::SetWindowTextW(Item(kText), L"");
  } else {
    SetChecked(Item(kPresets), false);
    for (int id : {kDateLabel, kTimeLabel, kDate, kTime}) Enable(Item(id), false);
    ClearListSelection(Item(kDate));
    ClearListSelection(Item(kTime));
    SetChecked(Item(kManual), true);
    EnableManualGroup(true);
    ::SetWindowTextW(Item(kText), Wide(values_.TimeFormatText));
  }
  return true;
}

void TimeFormatDialog::EnableManualGroup(bool enabled) {
  for (int id : kManualGroup) Enable(Item(id), enabled);
}

void TimeFormatDialog::ChoosePresets() {
  Enable(Item(kDateLabel), true);
  Enable(Item(kTimeLabel), true);
  ShowListValue(Item(kDate), heldDate_);
  ShowListValue(Item(kTime), heldTime_);
  Enable(Item(kDate), true);
  Enable(Item(kTime), true);
  ReadText(Item(kText), heldText_, kTextUnits);
  EnableManualGroup(false);
  ::SetWindowTextW(Item(kText), L"");
}

void TimeFormatDialog::ChooseManual() {
  heldDate_ = ReadListValue(Item(kDate));
  heldTime_ = ReadListValue(Item(kTime));
  for (int id : {kDateLabel, kTimeLabel}) Enable(Item(id), false);
  ClearListSelection(Item(kDate));
  ClearListSelection(Item(kTime));
  Enable(Item(kDate), false);
  Enable(Item(kTime), false);
  EnableManualGroup(true);
  ::SetWindowTextW(Item(kText), Wide(heldText_));
}

void TimeFormatDialog::Confirm() {
  values_.TimeFormatChooseFromPreset = IsChecked(Item(kPresets));
  if (values_.TimeFormatChooseFromPreset) {
    values_.TimeFormatDate = ReadListValue(Item(kDate));
    values_.TimeFormatTime = ReadListValue(Item(kTime));
  } else {
    ReadText(Item(kText), values_.TimeFormatText, kTextUnits);
  }
  ::EndDialog(window_, IDOK);
}

}  // namespace ui

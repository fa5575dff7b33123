#include "ui/config_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <new>
#include <vector>

#include "platform/strings.h"
#include "platform/win32/module.h"
#include "ui/cancel_caption_hook.h"
#include "ui/color_profile_dialog.h"
#include "ui/dialog_controls.h"
#include "ui/time_format_dialog.h"

namespace ui {
namespace {

constexpr int kTemplate = 101;

enum Control : int {
  kVersion = 1015,
  kOverride = 1024,
  kFollow = 1025,
  kMediaTypeLabel = 1006,
  kMediaType = 1001,
  kAutomatic = 1019,
  kAdvanced = 1022,
  kAdvancedSettings = 1018,
  kPaperFeedLabel = 1039,
  kPaperFeed = 1046,
  kPaperFeedUpDown = 1047,
  kMediaFormLabel = 1012,
  kMediaForm = 1020,
  kMediaSourceLabel = 1016,
  kMediaSource = 1026,
  kSpeedLabel = 1049,
  kSpeed = 1043,
  kSlowLabel = 1051,
  kFastLabel = 1052,
  kHeadMaintenanceLabel = 1050,
  kHeadMaintenance = 1031,
  kAutoCutOn = 1028,
  kAutoCutOff = 1029,
  kAutoCutTiming = 1021,
  kCutIntervalLabel = 1038,
  kCutInterval = 1044,
  kCutIntervalUpDown = 1045,
  kBuzzer = 1023,
  kPause = 1030,
  kEditFormat = 1027,
  kPrintError = 1013,
  kForcePrinting = 1014,
};

// Every control the dialog looks up when it opens: all but 1027, OK and Cancel.
constexpr int kRequired[] = {
    kVersion,     kOverride,       kFollow,          kMediaTypeLabel,   kMediaType,      kAutomatic,
    kAdvanced,    kAdvancedSettings, kPaperFeedLabel, kPaperFeed,       kPaperFeedUpDown, kMediaFormLabel,
    kMediaForm,   kMediaSourceLabel, kMediaSource,   kSpeedLabel,       kSpeed,          kSlowLabel,
    kFastLabel,   kHeadMaintenanceLabel, kHeadMaintenance, kAutoCutOn,  kAutoCutOff,     kAutoCutTiming,
    kCutIntervalLabel, kCutInterval, kCutIntervalUpDown, kBuzzer,       kPause,          kPrintError,
    kForcePrinting,
};
static_assert(std::size(kRequired) == 31);

// The print settings that Override enables and Follow disables.
constexpr int kPrintSettings[] = {kMediaTypeLabel, kMediaType,  kAutomatic,      kAdvanced,
                                  kPaperFeedLabel, kPaperFeed,  kMediaFormLabel, kMediaForm,
                                  kMediaSourceLabel, kMediaSource, kSpeedLabel,  kSpeed,
                                  kSlowLabel,      kFastLabel,  kHeadMaintenanceLabel, kHeadMaintenance};

constexpr int32_t kPaperFeedMin = -99;
constexpr int32_t kPaperFeedMax = 99;
constexpr int32_t kCutIntervalMin = 1;
constexpr int32_t kCutIntervalMax = 99999;
constexpr int kAfterSpecifiedPages = 1;

constexpr uint32_t kTitleString = 123;
constexpr uint32_t kMediaChangedCaption = 116;
constexpr uint32_t kMediaChangedText = 135;

// "Version a.b.c.d" from the fixed file information of this module's version resource;
// false when any part of it cannot be had.
bool VersionLine(std::u16string& line) {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameW(platform::win32::ThisModule(), path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path, &handle);
  if (size == 0) return false;
  std::vector<BYTE> data(size);
  if (!::GetFileVersionInfoW(path, 0, size, data.data())) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || fixed == nullptr ||
      fixedSize < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  wchar_t text[64];
  const int written = ::wsprintfW(text, L"Version %u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                                  LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                                  LOWORD(fixed->dwFileVersionLS));
  if (written <= 0) return false;
  line.assign(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(written));
  return true;
}

void ResetColour(ColorProfileValues& colour) { colour = ColorProfileValues{}; }

}  // namespace

ConfigDialog::ConfigDialog(const config::PrinterConfig& record, HWND owner)
    : ModalDialog(kTemplate, owner),
      record_(record),
      heldMediaType_(record.MediaType),
      heldUseAdvancedInkProfile_(record.UseAdvancedInkProfile),
      colour_{record.ColorCorrection,    record.ChangeInkAmount,  record.InkAmount,
              record.ChangeRatioOfBlack, record.RatioOfBlack,     record.BandingReduction,
              record.CahngeBarcodeThickness, record.BarcodeThickness},
      heldPaperFeedAdjustment_(record.PaperFeedAdjustment),
      heldMediaForm_(record.MediaForm),
      heldMediaSource_(record.MediaSource),
      heldPrintSpeed_(record.PrintSpeed),
      heldHeadMaintenance_(record.HeadMaintenance),
      heldAutoCut_(record.AutoCut),
      heldCutInterval_(record.CutInterval),
      heldForcePrinting_(record.ForcePrinting),
      rememberedMediaType_(record.MediaType) {
  timeFormat_.TimeFormatChooseFromPreset = record.TimeFormatChooseFromPreset;
  timeFormat_.TimeFormatDate = record.TimeFormatDate;
  timeFormat_.TimeFormatTime = record.TimeFormatTime;
  std::copy(std::begin(record.TimeFormatText), std::end(record.TimeFormatText), timeFormat_.TimeFormatText);
  timeFormat_.TimeFormatText[config::kTimeFormatUnits - 1] = u'\0';
}

bool ConfigDialog::Command(int id, int code) {
  HandleCommand(id, code);
  return true;
}

void ConfigDialog::HandleCommand(int id, int code) {
  if (code == BN_CLICKED) {
    switch (id) {
      case kOverride: return ChooseOverride();
      case kFollow: return ChooseFollow();
      case kAutomatic: return ChooseAutomatic();
      case kAdvanced: return Enable(Item(kAdvancedSettings), true);
      case kAdvancedSettings: {
        ColorProfileDialog nested(window_, colour_);
        nested.RunModal();
        return;
      }
      case kAutoCutOn: return ChooseAutoCut();
      case kAutoCutOff: return ChooseNoAutoCut();
      case kEditFormat: {
        TimeFormatDialog nested(window_, timeFormat_);
        nested.RunModal();
        return;
      }
      case kPrintError: return ToggleErrorMessages();
      case IDOK: return Confirm();
      case IDCANCEL: ::EndDialog(window_, IDCANCEL); return;
      default: return;
    }
  }
  // The focus that comes back to the list when the confirmation box closes is not the
  // user's: the type to bring back stays the one from before the change.
  if (id == kMediaType && code == CBN_SETFOCUS && !confirming_) {
    rememberedMediaType_ = ReadListValue(Item(kMediaType));
  }
  if (id == kMediaType && code == CBN_SELCHANGE) ConfirmMediaTypeChange();
  if (id == kAutoCutTiming && code == CBN_SELCHANGE) FollowAutoCutTiming();
  if (id == kPaperFeed && code == EN_KILLFOCUS) NormalisePaperFeed();
  if (id == kCutInterval && code == EN_KILLFOCUS) NormaliseCutInterval();
}

bool ConfigDialog::Initialise() {
  for (int id : kRequired) {
    if (Item(id) == nullptr) return false;
  }
  std::u16string title;
  if (!platform::Service<platform::StringTable>::Get().Load(kTitleString, title)) return false;
  ::SetWindowTextW(window_, Wide(title));
  std::u16string version;
  if (!VersionLine(version)) return false;
  SetText(Item(kVersion), version);
  if (!FillControls()) return false;
  ShowValues();
  return true;
}

bool ConfigDialog::FillControls() {
  if (!FillList(Item(kMediaType), &config::MediaTypeLabel, 5)) return false;
  ::SendMessageW(Item(kPaperFeedUpDown), UDM_SETRANGE32, static_cast<WPARAM>(kPaperFeedMin), kPaperFeedMax);
  if (!FillList(Item(kMediaForm), &config::MediaFormLabel, 4)) return false;
  if (!FillList(Item(kMediaSource), &config::MediaSourceLabel, 2)) return false;
  SetTrackbarRange(Item(kSpeed), 0, 1, false);
  if (!FillList(Item(kHeadMaintenance), &config::HeadMaintenanceLabel, 2)) return false;
  if (!FillList(Item(kAutoCutTiming), &config::AutoCutLabel, 3)) return false;
  ::SendMessageW(Item(kCutIntervalUpDown), UDM_SETRANGE32, static_cast<WPARAM>(kCutIntervalMin), kCutIntervalMax);
  if (!FillList(Item(kBuzzer), &config::BuzzerLabel, 2)) return false;
  return FillList(Item(kPause), &config::PauseLabel, 2);
}

void ConfigDialog::ShowValues() {
  const config::PrinterConfig& r = record_;
  if (r.Override) {
    ShowListValue(Item(kMediaType), r.MediaType);
    SetChecked(Item(kAutomatic), !r.UseAdvancedInkProfile);
    SetChecked(Item(kAdvanced), r.UseAdvancedInkProfile);
    Enable(Item(kAdvancedSettings), r.UseAdvancedInkProfile);
    ShowNumber(Item(kPaperFeed), r.PaperFeedAdjustment);
    ShowListValue(Item(kMediaForm), r.MediaForm);
    ShowListValue(Item(kMediaSource), r.MediaSource);
    // A speed outside 0 and 1 shows as the lowest position.
    SetTrackbarPosition(Item(kSpeed), r.PrintSpeed == 0 || r.PrintSpeed == 1 ? r.PrintSpeed : -1);
    ShowListValue(Item(kHeadMaintenance), r.HeadMaintenance);
  } else {
    for (int list : {kMediaType, kMediaForm, kMediaSource, kHeadMaintenance}) ClearListSelection(Item(list));
    SetChecked(Item(kAutomatic), false);
    SetChecked(Item(kAdvanced), false);
    Enable(Item(kAdvancedSettings), false);
    ::SetWindowTextW(Item(kPaperFeed), L"");
  }
  SetChecked(Item(kOverride), r.Override);
  SetChecked(Item(kFollow), !r.Override);
  EnablePrintSettings(r.Override);

  SetChecked(Item(kAutoCutOn), r.DoAutoCut);
  SetChecked(Item(kAutoCutOff), !r.DoAutoCut);
  Enable(Item(kAutoCutTiming), r.DoAutoCut);
  if (r.DoAutoCut) ShowListValue(Item(kAutoCutTiming), r.AutoCut);
  else ClearListSelection(Item(kAutoCutTiming));
  if (r.DoAutoCut && r.AutoCut == kAfterSpecifiedPages) {
    Enable(Item(kCutIntervalLabel), true);
    Enable(Item(kCutInterval), true);
    ShowNumber(Item(kCutInterval), r.CutInterval);
  } else {
    Enable(Item(kCutInterval), false);
    ::SetWindowTextW(Item(kCutInterval), L"");
  }

  ShowListValue(Item(kBuzzer), r.Buzzer);
  ShowListValue(Item(kPause), r.Pause);

  SetChecked(Item(kPrintError), r.PrintError);
  if (r.PrintError) {
    Enable(Item(kForcePrinting), false);
  } else if (IsEnabled(Item(kForcePrinting))) {
    Enable(Item(kForcePrinting), true);
    SetChecked(Item(kForcePrinting), r.ForcePrinting);
  }
}

void ConfigDialog::EnablePrintSettings(bool enabled) {
  for (int id : kPrintSettings) Enable(Item(id), enabled);
}

void ConfigDialog::ChooseOverride() {
  ShowListValue(Item(kMediaType), heldMediaType_);
  SetChecked(Item(kAutomatic), !heldUseAdvancedInkProfile_);
  SetChecked(Item(kAdvanced), heldUseAdvancedInkProfile_);
  Enable(Item(kAdvancedSettings), heldUseAdvancedInkProfile_);
  ShowNumber(Item(kPaperFeed), heldPaperFeedAdjustment_);
  ShowListValue(Item(kMediaForm), heldMediaForm_);
  ShowListValue(Item(kMediaSource), heldMediaSource_);
  SetTrackbarPosition(Item(kSpeed), heldPrintSpeed_);
  ShowListValue(Item(kHeadMaintenance), heldHeadMaintenance_);
  EnablePrintSettings(true);
}

void ConfigDialog::ChooseFollow() {
  // Keep what is on screen, each item only while its control is enabled: a second
  // click finds them disabled and keeps the held values.
  if (IsEnabled(Item(kMediaType))) heldMediaType_ = ReadListValue(Item(kMediaType));
  if (IsEnabled(Item(kAdvanced))) heldUseAdvancedInkProfile_ = IsChecked(Item(kAdvanced));
  if (IsEnabled(Item(kPaperFeed))) {
    heldPaperFeedAdjustment_ = Clamp(ParseEditNumber(Item(kPaperFeed)), kPaperFeedMin, kPaperFeedMax);
  }
  if (IsEnabled(Item(kMediaForm))) heldMediaForm_ = ReadListValue(Item(kMediaForm));
  if (IsEnabled(Item(kMediaSource))) heldMediaSource_ = ReadListValue(Item(kMediaSource));
  if (IsEnabled(Item(kSpeed))) heldPrintSpeed_ = Clamp(TrackbarPosition(Item(kSpeed)), 0, 1);
  if (IsEnabled(Item(kHeadMaintenance))) heldHeadMaintenance_ = ReadListValue(Item(kHeadMaintenance));

  for (int list : {kMediaType, kMediaForm, kMediaSource, kHeadMaintenance}) ClearListSelection(Item(list));
  SetChecked(Item(kAutomatic), false);
  SetChecked(Item(kAdvanced), false);
  Enable(Item(kAdvancedSettings), false);
  ::SetWindowTextW(Item(kPaperFeed), L"");
  EnablePrintSettings(false);
}

void ConfigDialog::ChooseAutomatic() {
  ResetColour(colour_);
  Enable(Item(kAdvancedSettings), false);
}

void ConfigDialog::ConfirmMediaTypeChange() {
  if (!IsChecked(Item(kAdvanced))) return;
  const std::u16string caption = platform::LoadResourceString(kMediaChangedCaption);
  const std::u16string text = platform::LoadResourceString(kMediaChangedText);
  InstallCancelCaptionHook(CancelCaptionHook::ConfigDialog);
  confirming_ = true;
  const int answer = ::MessageBoxW(window_, Wide(text), Wide(caption), MB_OKCANCEL);
  confirming_ = false;
  if (answer == IDOK) {
    ResetColour(colour_);
    SetChecked(Item(kAdvanced), false);
    SetChecked(Item(kAutomatic), true);
    Enable(Item(kAdvancedSettings), false);
  } else {
    ShowListValue(Item(kMediaType), rememberedMediaType_);
  }
}

void ConfigDialog::NormalisePaperFeed() {
  ShowNumber(Item(kPaperFeed), Clamp(ParseEditNumber(Item(kPaperFeed)), kPaperFeedMin, kPaperFeedMax));
}

void ConfigDialog::NormaliseCutInterval() {
  ShowNumber(Item(kCutInterval), Clamp(ParseEditNumber(Item(kCutInterval)), kCutIntervalMin, kCutIntervalMax));
}

void ConfigDialog::CutIntervalOn() {
  ShowNumber(Item(kCutInterval), heldCutInterval_);
  Enable(Item(kCutIntervalLabel), true);
  Enable(Item(kCutInterval), true);
}

void ConfigDialog::CutIntervalOff() {
  if (IsEnabled(Item(kCutInterval))) {
    heldCutInterval_ = Clamp(ParseEditNumber(Item(kCutInterval)), kCutIntervalMin, kCutIntervalMax);
    ::SetWindowTextW(Item(kCutInterval), L"");
  }
  Enable(Item(kCutIntervalLabel), false);
  Enable(Item(kCutInterval), false);
}

void ConfigDialog::ChooseAutoCut() {
  ShowListValue(Item(kAutoCutTiming), heldAutoCut_);
  if (heldAutoCut_ == kAfterSpecifiedPages) CutIntervalOn();
  Enable(Item(kAutoCutTiming), true);
}

void ConfigDialog::ChooseNoAutoCut() {
  if (IsEnabled(Item(kAutoCutTiming))) {
    heldAutoCut_ = ReadListValue(Item(kAutoCutTiming));
    ClearListSelection(Item(kAutoCutTiming));
    CutIntervalOff();
  }
  Enable(Item(kAutoCutTiming), false);
}

void ConfigDialog::FollowAutoCutTiming() {
  const LRESULT selected = ::SendMessageW(Item(kAutoCutTiming), CB_GETCURSEL, 0, 0);
  if (selected == kAfterSpecifiedPages) CutIntervalOn();
  else CutIntervalOff();
}

void ConfigDialog::ToggleErrorMessages() {
  HWND force = Item(kForcePrinting);
  if (!IsChecked(Item(kPrintError))) {
    SetChecked(force, heldForcePrinting_);
    Enable(force, true);
    return;
  }
  if (IsEnabled(force)) {
    heldForcePrinting_ = IsChecked(force);
    SetChecked(force, false);
  }
  Enable(force, false);
}

void ConfigDialog::Confirm() {
  config::PrinterConfig& r = record_;
  r.Override = IsChecked(Item(kOverride));
  if (r.Override) {
    r.MediaType = ReadListValue(Item(kMediaType));
    r.UseAdvancedInkProfile = IsChecked(Item(kAdvanced));
    r.PaperFeedAdjustment = Clamp(ParseEditNumber(Item(kPaperFeed)), kPaperFeedMin, kPaperFeedMax);
    r.MediaForm = ReadListValue(Item(kMediaForm));
    r.MediaSource = ReadListValue(Item(kMediaSource));
    r.PrintSpeed = TrackbarPosition(Item(kSpeed));
    r.HeadMaintenance = ReadListValue(Item(kHeadMaintenance));
    r.ColorCorrection = colour_.ColorCorrection;
    r.ChangeInkAmount = colour_.ChangeInkAmount;
    r.InkAmount = colour_.InkAmount;
    r.ChangeRatioOfBlack = colour_.ChangeRatioOfBlack;
    r.RatioOfBlack = colour_.RatioOfBlack;
    r.BandingReduction = colour_.BandingReduction;
    r.CahngeBarcodeThickness = colour_.CahngeBarcodeThickness;
    r.BarcodeThickness = colour_.BarcodeThickness;
  }
  r.DoAutoCut = IsChecked(Item(kAutoCutOn));
  if (r.DoAutoCut) {
    r.AutoCut = ReadListValue(Item(kAutoCutTiming));
    if (r.AutoCut == kAfterSpecifiedPages) {
      r.CutInterval = Clamp(ParseEditNumber(Item(kCutInterval)), kCutIntervalMin, kCutIntervalMax);
    }
  }
  r.Buzzer = ReadListValue(Item(kBuzzer));
  r.Pause = ReadListValue(Item(kPause));
  r.PrintError = IsChecked(Item(kPrintError));
  if (!r.PrintError) r.ForcePrinting = IsChecked(Item(kForcePrinting));
  r.TimeFormatChooseFromPreset = timeFormat_.TimeFormatChooseFromPreset;
  r.TimeFormatDate = timeFormat_.TimeFormatDate;
  r.TimeFormatTime = timeFormat_.TimeFormatTime;
  std::copy(std::begin(timeFormat_.TimeFormatText), std::end(timeFormat_.TimeFormatText), r.TimeFormatText);
  r.TimeFormatText[config::kTimeFormatUnits - 1] = u'\0';

  if (!r.Save()) {
    ::MessageBoxW(window_, L"Saving configuration failed.", L"Error", MB_OK);
  }
  ::EndDialog(window_, IDOK);
}

}  // namespace ui

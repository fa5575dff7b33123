// Small helpers over dialog controls shared by the three dialogs: lists filled at
// explicit positions, values shown and read back, numbers parsed from edits.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

using LabelLookup = std::u16string (*)(int32_t value);

// Inserts label(0) ... label(count - 1) at positions 0 ... count - 1; false when an
// insertion is refused.
bool FillList(HWND list, LabelLookup label, int count);
// Selects the position equal to `value`, or nothing when the list has no such position.
void ShowListValue(HWND list, int32_t value);
// The selected position clamped to the list's positions; no selection reads as 0.
int32_t ReadListValue(HWND list);
void ClearListSelection(HWND list);

bool IsChecked(HWND button);
void SetChecked(HWND button, bool checked);
void Enable(HWND control, bool enabled);
bool IsEnabled(HWND control);

// Decimal text: leading white space skipped, optional sign, digits up to the first
// other character; no digits give 0. The result saturates far outside any range used.
int64_t ParseEditNumber(HWND edit);
int32_t Clamp(int64_t value, int32_t low, int32_t high);
void ShowNumber(HWND edit, int32_t value);
void SetText(HWND control, const std::u16string& text);
std::u16string TextOf(HWND control);
// The control's text, at most `units - 1` units, into `buffer` (always terminated).
void ReadText(HWND control, char16_t* buffer, int units);

// The trackbar's range (with a tick at every position when `ticks`), position and setter.
void SetTrackbarRange(HWND trackbar, int low, int high, bool ticks);
int32_t TrackbarPosition(HWND trackbar);
void SetTrackbarPosition(HWND trackbar, int32_t position);

// A string-table text as a wide string pointer for the Win32 calls.
inline const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

}  // namespace ui

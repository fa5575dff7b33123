#include "ui/dialog_controls.h"

#include <commctrl.h>

#include <cwctype>

namespace ui {

bool FillList(HWND list, LabelLookup label, int count) {
  for (int i = 0; i < count; ++i) {
    const std::u16string text = label(i);
    const LRESULT at = ::SendMessageW(list, CB_INSERTSTRING, static_cast<WPARAM>(i),
                                      reinterpret_cast<LPARAM>(Wide(text)));
    if (at != i) return false;
  }
  return true;
}

void ShowListValue(HWND list, int32_t value) {
  const LRESULT count = ::SendMessageW(list, CB_GETCOUNT, 0, 0);
  const bool inList = value >= 0 && count != CB_ERR && value < count;
  ::SendMessageW(list, CB_SETCURSEL, inList ? static_cast<WPARAM>(value) : static_cast<WPARAM>(-1), 0);
}

int32_t ReadListValue(HWND list) {
  const LRESULT selected = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
  const LRESULT count = ::SendMessageW(list, CB_GETCOUNT, 0, 0);
  if (selected == CB_ERR || selected < 0 || count == CB_ERR || count <= 0) return 0;
  return static_cast<int32_t>(selected < count ? selected : count - 1);
}

void ClearListSelection(HWND list) { ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0); }

bool IsChecked(HWND button) { return ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetChecked(HWND button, bool checked) {
  ::SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Enable(HWND control, bool enabled) { ::EnableWindow(control, enabled ? TRUE : FALSE); }

bool IsEnabled(HWND control) { return ::IsWindowEnabled(control) != FALSE; }

int64_t ParseEditNumber(HWND edit) {
  const std::u16string text = TextOf(edit);
  const char16_t* at = text.c_str();
  while (*at != u'\0' && std::iswspace(static_cast<wint_t>(*at))) ++at;
  bool negative = false;
  if (*at == u'+' || *at == u'-') negative = *at++ == u'-';
  // Saturates well beyond every range the dialogs clamp to.
  constexpr int64_t kLimit = 10'000'000'000LL;
  int64_t value = 0;
  for (; *at >= u'0' && *at <= u'9'; ++at) {
    if (value < kLimit) value = value * 10 + (*at - u'0');
  }
  return negative ? -value : value;
}

int32_t Clamp(int64_t value, int32_t low, int32_t high) {
  if (value < low) return low;
  if (value > high) return high;
  return static_cast<int32_t>(value);
}

void ShowNumber(HWND edit, int32_t value) {
  wchar_t text[16];
  ::wsprintfW(text, L"%d", value);
  ::SetWindowTextW(edit, text);
}

std::u16string TextOf(HWND control) {
  const int length = ::GetWindowTextLengthW(control);
  std::u16string text(length > 0 ? static_cast<size_t>(length) + 1 : 1, u'\0');
  ReadText(control, text.data(), static_cast<int>(text.size()));
  text.resize(std::char_traits<char16_t>::length(text.c_str()));
  return text;
}

void SetText(HWND control, const std::u16string& text) { ::SetWindowTextW(control, Wide(text)); }

void ReadText(HWND control, char16_t* buffer, int units) {
  if (units <= 0) return;
  buffer[0] = u'\0';
  const int length = ::GetWindowTextW(control, reinterpret_cast<wchar_t*>(buffer), units);
  buffer[length >= 0 && length < units ? length : units - 1] = u'\0';
}

void SetTrackbarRange(HWND trackbar, int low, int high, bool ticks) {
  ::SendMessageW(trackbar, TBM_SETRANGEMIN, FALSE, low);
  ::SendMessageW(trackbar, TBM_SETRANGEMAX, TRUE, high);
  if (ticks) ::SendMessageW(trackbar, TBM_SETTICFREQ, 1, 0);
}

int32_t TrackbarPosition(HWND trackbar) { return static_cast<int32_t>(::SendMessageW(trackbar, TBM_GETPOS, 0, 0)); }

void SetTrackbarPosition(HWND trackbar, int32_t position) {
  ::SendMessageW(trackbar, TBM_SETPOS, TRUE, static_cast<LPARAM>(position));
}

}  // namespace ui

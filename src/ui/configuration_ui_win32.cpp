// The Windows user interface of the configuration entry point.
#include <windows.h>

#include "ui/config_dialog.h"
#include "ui/configuration_ui.h"
#include "ui/dialog_controls.h"

namespace ui {
namespace {

class Win32ConfigurationUi final : public ConfigurationUi {
 public:
  WindowHandle ActiveWindow() override { return ::GetActiveWindow(); }
  bool ShowMessage(WindowHandle owner, const char16_t* text, const char16_t* caption) override {
    return ::MessageBoxW(static_cast<HWND>(owner), Wide(text), Wide(caption), MB_OK) == IDOK;
  }
  void RunConfigDialog(const config::PrinterConfig& record, WindowHandle owner) override {
    ConfigDialog dialog(record, static_cast<HWND>(owner));
    dialog.RunModal();
  }
};

}  // namespace
}  // namespace ui

namespace platform {

template <>
ui::ConfigurationUi& Service<ui::ConfigurationUi>::Default() {
  static ui::Win32ConfigurationUi instance;
  return instance;
}

}  // namespace platform

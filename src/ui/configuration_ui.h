// ui: the configuration dialogs (ConfigDialog, ColorProfileDialog, TimeFormatDialog) and
// the user-interface services the configuration entry point needs. This header is
// portable: the entry point's logic is built natively too, with a fake of the service.
#pragma once

#include "config/printer_config.h"
#include "platform/service.h"

namespace ui {

// A top-level window (HWND on Windows); null for none.
using WindowHandle = void*;

// What vpiConfigPlugin asks of the user interface.
class ConfigurationUi {
 public:
  virtual ~ConfigurationUi() = default;
  // GetActiveWindow.
  virtual WindowHandle ActiveWindow() = 0;
  // A message box with the OK button only and no icon; true when it returned OK.
  virtual bool ShowMessage(WindowHandle owner, const char16_t* text, const char16_t* caption) = 0;
  // Runs ConfigDialog modally over a copy of `record`; the dialog saves on OK itself.
  virtual void RunConfigDialog(const config::PrinterConfig& record, WindowHandle owner) = 0;
};

inline ConfigurationUi& GetConfigurationUi() { return platform::Service<ConfigurationUi>::Get(); }

}  // namespace ui

#ifdef _WIN32
namespace platform {
// Defined in configuration_ui_win32.cpp (library ui).
template <>
ui::ConfigurationUi& Service<ui::ConfigurationUi>::Default();
}  // namespace platform
#else
namespace ui {
// Off Windows there is no user interface: no active window, no box can be shown and
// no dialog runs.
class NoConfigurationUi final : public ConfigurationUi {
 public:
  WindowHandle ActiveWindow() override { return nullptr; }
  bool ShowMessage(WindowHandle, const char16_t*, const char16_t*) override { return false; }
  void RunConfigDialog(const config::PrinterConfig&, WindowHandle) override {}
};
}  // namespace ui

namespace platform {
template <>
inline ui::ConfigurationUi& Service<ui::ConfigurationUi>::Default() {
  static ui::NoConfigurationUi instance;
  return instance;
}
}  // namespace platform
#endif

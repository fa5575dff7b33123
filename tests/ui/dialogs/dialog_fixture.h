// A Wine printer whose data the dialogs save to, seeded with a record before each test
// and read back afterwards with PrinterConfig::Load.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "config/printer_config.h"
#include "dialog_driver.h"
#include "common/wine_printer.h"

namespace dialog_testing {

inline constexpr wchar_t kPrinterName[] = L"ZOV Dialog Test";
// The main dialog's buttons that open the other two.
inline constexpr int kAdvancedSettings = 1018;
inline constexpr int kEditFormat = 1027;

class DialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  // Starts every test from a new printer with an empty store.
  void SetUp() override;
  void TearDown() override;

  // Saves `record` (its handle set to the test printer) as the printer's data.
  void Seed(config::PrinterConfig record);
  // What the printer's data hold now.
  config::PrinterConfig Stored();
  // vpiConfigPlugin on the test printer with `script`; expects result 0.
  void Configure(const std::function<void(Driver&)>& script);

  win_tools::WinePrinter printer_{kPrinterName};
};

// Closes a dialog opened from the main one with `innerButton`, then the main one with
// `mainButton`, waiting for each to go.
void CloseBoth(Driver& d, HWND main, HWND inner, int innerButton, int mainButton);
// The record's text set to `text` (the rest of the array cleared).
void SetTimeFormatText(config::PrinterConfig& record, const std::u16string& text);
// The fields two records differ in, by name; empty when they agree (the text compared as text).
std::string Differences(const config::PrinterConfig& expected, const config::PrinterConfig& actual);

}  // namespace dialog_testing

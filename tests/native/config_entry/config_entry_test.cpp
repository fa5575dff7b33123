// vpiConfigPlugin over fakes: which printer it opens, what it shows when the open fails,
// the record and owner the dialog gets, when the printer is closed, and that the object's
// own job state and configuration stay as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "config/printer_config.h"
#include "plugin/kdv6200_plugin.h"
#include "support/fake_platform.h"
#include "ui/configuration_ui.h"

namespace {

using config::PrinterConfig;

const auto kActiveWindow = reinterpret_cast<ui::WindowHandle>(0x7070);
constexpr char16_t kKey[] = u"ORVEX_KD-V62x0G_Config";

// Records every request; the box answers as scripted, the dialog runs `onDialog`.
class FakeConfigurationUi final : public ui::ConfigurationUi {
 public:
  struct Box {
    ui::WindowHandle owner;
    std::u16string text, caption;
  };
  struct Dialog {
    PrinterConfig record;
    ui::WindowHandle owner;
    size_t closedBefore;  // printers closed when the dialog ran
  };

  bool boxAnswersOk = true;
  std::function<void(const PrinterConfig&)> onDialog;
  const testing_support::FakeSpooler* spooler = nullptr;

  std::vector<Box> boxes;
  std::vector<Dialog> dialogs;
  int activeWindowCalls = 0;

  ui::WindowHandle ActiveWindow() override {
    ++activeWindowCalls;
    return kActiveWindow;
  }
  bool ShowMessage(ui::WindowHandle owner, const char16_t* text, const char16_t* caption) override {
    boxes.push_back({owner, text, caption});
    return boxAnswersOk;
  }
  void RunConfigDialog(const PrinterConfig& record, ui::WindowHandle owner) override {
    dialogs.push_back({record, owner, spooler != nullptr ? spooler->closed.size() : 0});
    if (onDialog) onDialog(record);
  }
};

class ConfigEntryTest : public ::testing::Test {
 protected:
  ConfigEntryTest() { userInterface.spooler = &fakes.spooler; }

  std::vector<std::u16string> TraceAfterConstruction() const {
    std::vector<std::u16string> lines = fakes.trace.lines;
    if (!lines.empty() && lines.front() == u"KDV6200Plugin(): start\n") lines.erase(lines.begin());
    return lines;
  }

  testing_support::FakePlatform fakes;
  FakeConfigurationUi userInterface;
  platform::ScopedService<ui::ConfigurationUi> uiGuard{userInterface};
  plugin::KDV6200Plugin plugin;
};

TEST_F(ConfigEntryTest, OpensTheNamedPrinterRunsTheDialogOverItsRecordAndClosesIt) {
  fakes.printerData.PutDword(kKey, u"MediaType", 2);
  fakes.printerData.PutDword(kKey, u"CutInterval", 1500);
  fakes.printerData.PutString(kKey, u"TimeFormatText", u"%H");

  EXPECT_EQ(plugin.vpiConfigPlugin(u"Label Printer 1"), 0);

  ASSERT_EQ(fakes.spooler.opened, std::vector<std::u16string>{u"Label Printer 1"});
  ASSERT_EQ(userInterface.dialogs.size(), 1u);
  const FakeConfigurationUi::Dialog& dialog = userInterface.dialogs.front();
  EXPECT_EQ(dialog.owner, kActiveWindow);
  EXPECT_EQ(dialog.closedBefore, 0u) << "the printer must stay open while the dialog runs";

  PrinterConfig expected;
  expected.PrinterHandle = fakes.spooler.openedHandle;
  expected.MediaType = 2;
  expected.CutInterval = 1500;
  // Units after the text's terminator carry no meaning: compare the text as text.
  EXPECT_EQ(std::u16string(dialog.record.TimeFormatText), u"%H");
  std::copy(std::begin(dialog.record.TimeFormatText), std::end(dialog.record.TimeFormatText),
            expected.TimeFormatText);
  EXPECT_TRUE(dialog.record == expected) << "the dialog gets a record freshly loaded from the opened printer";
  for (const auto& get : fakes.printerData.gets) EXPECT_EQ(get.printer, fakes.spooler.openedHandle);

  EXPECT_EQ(fakes.spooler.closed, std::vector<platform::PrinterHandle>{fakes.spooler.openedHandle});
  EXPECT_TRUE(userInterface.boxes.empty());
  EXPECT_EQ(TraceAfterConstruction(), std::vector<std::u16string>{u"vpiConfigPlugin(): start\n"});
}

// A failed open, a missing name, and a box that does not answer OK.
TEST_F(ConfigEntryTest, APrinterThatCannotBeOpenedShowsTheErrorBoxAndGivesOne) {
  struct Case {
    const char* what;
    const char16_t* name;
    bool boxAnswersOk;
    std::vector<std::u16string> trace;
    size_t openCalls;
  };
  const Case cases[] = {
      {"unknown printer", u"No Such Printer", true, {u"vpiConfigPlugin(): start\n"}, 1},
      {"box not answered OK", u"No Such Printer", false, {u"vpiConfigPlugin(): start\n", u"MessageBox Error"}, 1},
      {"no name at all", nullptr, true, {u"vpiConfigPlugin(): start\n"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::FakePlatform fakes;
    fakes.spooler.openSucceeds = false;
    FakeConfigurationUi userInterface;
    userInterface.boxAnswersOk = c.boxAnswersOk;
    platform::ScopedService<ui::ConfigurationUi> guard(userInterface);
    plugin::KDV6200Plugin object;
    fakes.trace.lines.clear();

    EXPECT_EQ(object.vpiConfigPlugin(c.name), 1);

    EXPECT_EQ(fakes.spooler.opened.size(), c.openCalls);
    ASSERT_EQ(userInterface.boxes.size(), 1u);
    EXPECT_EQ(userInterface.boxes[0].owner, kActiveWindow);
    EXPECT_EQ(userInterface.boxes[0].text, u"Cannot open the printer");
    EXPECT_EQ(userInterface.boxes[0].caption, u"Error");
    EXPECT_TRUE(userInterface.dialogs.empty());
    EXPECT_TRUE(fakes.spooler.closed.empty()) << "nothing was opened, nothing is closed";
    EXPECT_TRUE(fakes.printerData.gets.empty());
    EXPECT_EQ(fakes.trace.lines, c.trace);
  }
}

// The entry point stands apart from the job: what the dialog saves reaches neither the
// object's configuration nor its command buffer, and a later vpiInitialize loads it.
TEST_F(ConfigEntryTest, LeavesTheObjectsJobAndConfigurationAlone) {
  const auto jobPrinter = reinterpret_cast<platform::PrinterHandle>(0x1234);
  plugin.vpiInitialize(jobPrinter, nullptr, nullptr);
  const PrinterConfig before = plugin.Config();
  const size_t buffered = plugin.Commands().size();
  userInterface.onDialog = [](const PrinterConfig& record) {
    PrinterConfig edited = record;
    edited.MediaType = 1;
    edited.Override = false;
    ASSERT_TRUE(edited.Save());
  };

  EXPECT_EQ(plugin.vpiConfigPlugin(u"Label Printer 1"), 0);

  EXPECT_TRUE(plugin.Config() == before);
  EXPECT_EQ(plugin.Printer(), jobPrinter);
  EXPECT_EQ(plugin.Commands().size(), buffered);
  EXPECT_TRUE(fakes.spooler.writes.empty());
  // The fake store keeps one set of values whatever the handle: the next job sees the edit.
  plugin.vpiInitialize(jobPrinter, nullptr, nullptr);
  EXPECT_EQ(plugin.Config().MediaType, 1);
  EXPECT_FALSE(plugin.Config().Override);
}

// A fresh object, before any vpiInitialize, configures the same way, and every call
// opens and closes a printer of its own.
TEST_F(ConfigEntryTest, WorksBeforeInitializeAndOnEveryCall) {
  EXPECT_EQ(plugin.vpiConfigPlugin(u"A"), 0);
  EXPECT_EQ(plugin.vpiConfigPlugin(u"B"), 0);
  EXPECT_EQ(fakes.spooler.opened, (std::vector<std::u16string>{u"A", u"B"}));
  EXPECT_EQ(fakes.spooler.closed.size(), 2u);
  EXPECT_EQ(userInterface.dialogs.size(), 2u);
  EXPECT_EQ(userInterface.dialogs[1].closedBefore, 1u);
  EXPECT_EQ(plugin.Printer(), nullptr);
}

}  // namespace

// The plug-in object's construction, destruction through slot 0, and vpiInitialize.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "plugin_fixture.h"

namespace {

using plugin::KDV6200Plugin;
using plugin_testing::ExtraRecord;
using plugin_testing::kPrinter;
using plugin_testing::PluginObjectTest;
using plugin_testing::SettingsRecord;

constexpr char16_t kConstructed[] = u"KDV6200Plugin(): start\n";
constexpr char16_t kDestroyed[] = u"~KDV6200Plugin(): start\n";

bool AllZero(const void* bytes, size_t size) {
  const auto* p = static_cast<const uint8_t*>(bytes);
  for (size_t i = 0; i < size; ++i)
    if (p[i] != 0) return false;
  return true;
}

TEST_F(PluginObjectTest, ConstructionTracesAndStartsEmpty) {
  EXPECT_EQ(trace.lines, std::vector<std::u16string>{kConstructed});
  EXPECT_EQ(plugin.Printer(), nullptr);
  EXPECT_TRUE(plugin.Commands().empty());
  EXPECT_TRUE(AllZero(plugin.HostSettings().bytes, 228));
  EXPECT_TRUE(AllZero(plugin.HostExtra().bytes, 1308));
  EXPECT_TRUE(AllZero(&plugin.Layout(), sizeof(plugin::LabelLayout)));
  EXPECT_EQ(plugin.SheetLabelIndex(), 1u);
  EXPECT_EQ(plugin.LabelCounter(), 1);
  EXPECT_EQ(plugin.Config().PrinterHandle, nullptr);
  EXPECT_TRUE(spooler.writes.empty());
  EXPECT_TRUE(printerData.gets.empty());
}

TEST_F(PluginObjectTest, InterfacePointersAreTheObjectAddress) {
  plugin::IPlugin2* second = &plugin;
  plugin::IPlugin* first = second;
  EXPECT_EQ(static_cast<void*>(first), static_cast<void*>(&plugin));
  EXPECT_EQ(static_cast<void*>(second), static_cast<void*>(&plugin));
}

TEST_F(PluginObjectTest, DeletingDestructorWithBitZeroDestroysAndFrees) {
  for (const unsigned flags : {1u, 3u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(flags);
    trace.lines.clear();
    plugin::IPlugin* object = new KDV6200Plugin;
    object->vpiInitialize(kPrinter, nullptr, nullptr);
    ASSERT_TRUE(static_cast<KDV6200Plugin*>(object)->vpiCreateNewPage());
    // Freed here: AddressSanitizer reports a leak or a bad free otherwise.
    EXPECT_EQ(object->DeletingDestructor(flags), static_cast<void*>(object));
    EXPECT_EQ(trace.lines.back(), kDestroyed);
  }
  // Data still waiting in the buffer is neither sent nor is the printer closed.
  EXPECT_TRUE(spooler.writes.empty());
  EXPECT_TRUE(spooler.closed.empty());
}

TEST_F(PluginObjectTest, DeletingDestructorWithoutBitZeroOnlyDestroys) {
  for (const unsigned flags : {0u, 2u}) {
    SCOPED_TRACE(flags);
    alignas(KDV6200Plugin) unsigned char storage[sizeof(KDV6200Plugin)];
    auto* object = new (storage) KDV6200Plugin;
    trace.lines.clear();
    // Freeing storage on the stack would be reported by AddressSanitizer.
    EXPECT_EQ(object->DeletingDestructor(flags), static_cast<void*>(storage));
    EXPECT_EQ(trace.lines, std::vector<std::u16string>{kDestroyed});
  }
}

TEST_F(PluginObjectTest, InitializeStoresTheHandleCopiesBothRecordsAndEmptiesTheBuffer) {
  ASSERT_TRUE(plugin.vpiCreateNewPage());
  ASSERT_FALSE(plugin.Commands().empty());
  trace.lines.clear();
  const auto settings = SettingsRecord(600);
  const auto extra = ExtraRecord();
  plugin.vpiInitialize(kPrinter, &settings, &extra);
  EXPECT_EQ(trace.lines, std::vector<std::u16string>{u"vpiInitialize(): start\n"});
  EXPECT_EQ(plugin.Printer(), kPrinter);
  EXPECT_EQ(std::memcmp(plugin.HostSettings().bytes, settings.bytes, 228), 0);
  EXPECT_EQ(std::memcmp(plugin.HostExtra().bytes, extra.bytes, 1308), 0);
  EXPECT_EQ(plugin.HostSettings().Resolution(), 600);
  EXPECT_TRUE(plugin.Commands().empty());
  EXPECT_TRUE(spooler.writes.empty());
  // The configuration is the one loaded from this printer.
  EXPECT_EQ(plugin.Config().PrinterHandle, kPrinter);
  ASSERT_FALSE(printerData.gets.empty());
  for (const auto& get : printerData.gets) EXPECT_EQ(get.printer, kPrinter);
}

TEST_F(PluginObjectTest, InitializeWithNullRecordsKeepsThePreviousCopies) {
  plugin.vpiInitialize(kPrinter, nullptr, nullptr);
  EXPECT_TRUE(AllZero(plugin.HostSettings().bytes, 228));
  EXPECT_TRUE(AllZero(plugin.HostExtra().bytes, 1308));
  EXPECT_EQ(plugin.HostSettings().Resolution(), 0);
  EXPECT_EQ(plugin.Printer(), kPrinter);

  const auto settings = SettingsRecord(300);
  const auto extra = ExtraRecord();
  plugin.vpiInitialize(kPrinter, &settings, &extra);
  const auto other = reinterpret_cast<platform::PrinterHandle>(0x9999);
  plugin.vpiInitialize(other, nullptr, nullptr);
  EXPECT_EQ(plugin.Printer(), other);
  EXPECT_EQ(std::memcmp(plugin.HostSettings().bytes, settings.bytes, 228), 0);
  EXPECT_EQ(std::memcmp(plugin.HostExtra().bytes, extra.bytes, 1308), 0);

  const auto newSettings = SettingsRecord(600, 99);
  plugin.vpiInitialize(other, &newSettings, nullptr);
  EXPECT_EQ(std::memcmp(plugin.HostSettings().bytes, newSettings.bytes, 228), 0);
  EXPECT_EQ(std::memcmp(plugin.HostExtra().bytes, extra.bytes, 1308), 0);

  const auto newExtra = ExtraRecord(77);
  plugin.vpiInitialize(other, nullptr, &newExtra);
  EXPECT_EQ(std::memcmp(plugin.HostSettings().bytes, newSettings.bytes, 228), 0);
  EXPECT_EQ(std::memcmp(plugin.HostExtra().bytes, newExtra.bytes, 1308), 0);
}

TEST_F(PluginObjectTest, SecondInitializeReplacesHandleRecordsAndConfigButKeepsCountersAndLayout) {
  const auto settings = SettingsRecord(600);
  const auto extra = ExtraRecord();
  plugin.vpiInitialize(kPrinter, &settings, &extra);
  plugin.vpiSendLayoutData(0, 0, 0, 500, 300, 1000, 500, 100, 30, 4, 2, 2);
  const plugin::LabelLayout layout = plugin.Layout();
  ASSERT_TRUE(plugin.vpiCreateNewPage());

  const auto other = reinterpret_cast<platform::PrinterHandle>(0x9999);
  const auto settings2 = SettingsRecord(300, 50);
  const auto extra2 = ExtraRecord(60);
  printerData.gets.clear();
  plugin.vpiInitialize(other, &settings2, &extra2);
  EXPECT_EQ(plugin.Printer(), other);
  EXPECT_EQ(plugin.Config().PrinterHandle, other);
  ASSERT_FALSE(printerData.gets.empty());
  EXPECT_EQ(printerData.gets.front().printer, other);
  EXPECT_EQ(std::memcmp(plugin.HostSettings().bytes, settings2.bytes, 228), 0);
  EXPECT_EQ(std::memcmp(plugin.HostExtra().bytes, extra2.bytes, 1308), 0);
  EXPECT_TRUE(plugin.Commands().empty());
  EXPECT_EQ(plugin.SheetLabelIndex(), 1u);
  EXPECT_EQ(plugin.LabelCounter(), 1);
  EXPECT_EQ(std::memcmp(&plugin.Layout(), &layout, sizeof layout), 0);
}

TEST_F(PluginObjectTest, InitializeWithANullHandleLoadsDefaultsWithoutReadingPrinterData) {
  plugin.vpiInitialize(nullptr, nullptr, nullptr);
  EXPECT_EQ(plugin.Printer(), nullptr);
  EXPECT_EQ(plugin.Config().PrinterHandle, nullptr);
  EXPECT_TRUE(printerData.gets.empty());
}

}  // namespace

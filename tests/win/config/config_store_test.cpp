// PrinterConfig over the printer data of a real Wine printer: the spooler's answers that
// Load relies on, what Load makes of each stored form of a value, and exactly what Save
// leaves in the store (read back with the spooler's own calls, not through the seam).
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "config/printer_config.h"
#include "platform/printer_data.h"
#include "common/win_files.h"
#include "common/wine_printer.h"

namespace {

using config::PrinterConfig;

constexpr wchar_t kPrinterName[] = L"ZOV Config Store Test";
constexpr wchar_t kKey[] = L"ORVEX_KD-V62x0G_Config";
constexpr char16_t kKey16[] = u"ORVEX_KD-V62x0G_Config";

// A value as the spooler hands it out.
struct Stored {
  DWORD status = 0;
  DWORD type = 0;
  std::string bytes;
};

std::string Bytes(uint32_t value) {
  const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                         static_cast<char>(value >> 24)};
  return std::string(bytes, 4);
}

std::string Bytes(const std::u16string& text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

void SetText(PrinterConfig& record, const std::u16string& text) {
  ASSERT_LT(text.size(), config::kTimeFormatUnits);
  std::fill(std::begin(record.TimeFormatText), std::end(record.TimeFormatText), u'\0');
  std::copy(text.begin(), text.end(), record.TimeFormatText);
}

std::string Describe(const Stored& value) {
  return "status " + std::to_string(value.status) + ", type " + std::to_string(value.type) + ", " +
         std::to_string(value.bytes.size()) + " bytes";
}

class ConfigStoreTest : public ::testing::Test {
 protected:
  // A printer left by an interrupted run would bring its data along: start from none.
  void SetUp() override { ClearStore(); }
  void TearDown() override { EXPECT_TRUE(printer_.Delete()) << printer_.LastError(); }

  HANDLE Handle() const { return printer_.Handle(); }

  // Stores exactly `bytes`. The registry counts a text's terminator when the caller left
  // it out but it follows the data in memory, so a non-null unit follows them here.
  void Put(const wchar_t* name, DWORD type, const std::string& bytes) {
    std::string data = bytes + "\xFF\xFF";
    ASSERT_EQ(::SetPrinterDataExW(Handle(), kKey, name, type, reinterpret_cast<BYTE*>(data.data()),
                                  static_cast<DWORD>(bytes.size())),
              static_cast<DWORD>(ERROR_SUCCESS))
        << win_tools::Narrow(name);
  }
  void PutDword(const wchar_t* name, uint32_t value) { Put(name, REG_DWORD, Bytes(value)); }
  // The spooler here cannot delete a single value: a store starts empty with a new printer.
  void ClearStore() {
    ASSERT_TRUE(printer_.Delete()) << printer_.LastError();
    ASSERT_TRUE(printer_.Create()) << printer_.LastError();
  }

  // The whole value: its size first, then the data.
  Stored Get(const wchar_t* name) const {
    Stored value;
    DWORD needed = 0;
    value.status = ::GetPrinterDataExW(Handle(), kKey, name, &value.type, nullptr, 0, &needed);
    if (value.status != ERROR_MORE_DATA && value.status != ERROR_SUCCESS) return value;
    std::string data(needed, '\0');
    value.status = ::GetPrinterDataExW(Handle(), kKey, name, &value.type, reinterpret_cast<BYTE*>(data.data()),
                                       needed, &needed);
    data.resize(std::min<size_t>(needed, data.size()));
    value.bytes = data;
    return value;
  }

  // The names of the values under the key (none when the key is absent).
  std::set<std::wstring> Names() const {
    DWORD needed = 0;
    DWORD count = 0;
    DWORD status = ::EnumPrinterDataExW(Handle(), kKey, nullptr, 0, &needed, &count);
    std::set<std::wstring> names;
    if (status != ERROR_MORE_DATA) return names;
    std::vector<BYTE> buffer(needed);
    status = ::EnumPrinterDataExW(Handle(), kKey, buffer.data(), needed, &needed, &count);
    if (status != ERROR_SUCCESS) return names;
    const auto* values = reinterpret_cast<const PRINTER_ENUM_VALUESW*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) names.insert(values[i].pValueName);
    return names;
  }

  // The defaults as a record of this printer.
  PrinterConfig Defaults() const {
    PrinterConfig record;
    record.PrinterHandle = Handle();
    return record;
  }

  win_tools::WinePrinter printer_{kPrinterName};
};

// The values Save writes, in its order.
const std::vector<std::wstring> kSavedNames = {
    L"Override", L"MediaType", L"UseAdvancedInkProfile", L"ColorCorrection", L"ChangeInkAmount", L"InkAmount",
    L"ChangeRatioOfBlack", L"RatioOfBlack", L"BandingReduction", L"PaperFeedAdjustment", L"MediaForm",
    L"MediaSource", L"PrintSpeed", L"HeadMaintenance", L"DoAutoCut", L"AutoCut", L"CutInterval", L"Buzzer", L"Pause",
    L"TimeFormatChooseFromPreset", L"TimeFormatDate", L"TimeFormatTime", L"TimeFormatText", L"PrintError",
    L"ForcePrinting"};

TEST_F(ConfigStoreTest, TheSpoolerAnswersMissingValuesAndShortBuffersAsLoadExpects) {
  uint8_t data[4] = {};
  uint32_t type = 0;
  uint32_t needed = 0;
  platform::PrinterData& store = platform::GetPrinterData();

  // No key at all, then a key without the value asked for: both "file not found" (2).
  EXPECT_EQ(store.GetValue(Handle(), kKey16, u"MediaType", &type, data, 4, &needed), platform::kErrorFileNotFound);
  PutDword(L"Override", 0);
  EXPECT_EQ(store.GetValue(Handle(), kKey16, u"MediaType", &type, data, 4, &needed), platform::kErrorFileNotFound);

  // A value larger than the buffer: "more data" (234) with the size it needs.
  Put(L"MediaType", REG_DWORD, std::string(8, '\x01'));
  EXPECT_EQ(store.GetValue(Handle(), kKey16, u"MediaType", &type, data, 4, &needed), platform::kErrorMoreData);
  EXPECT_EQ(needed, 8u);
  Put(L"TimeFormatText", REG_SZ, std::string(6148, 'a'));
  char16_t text[config::kTimeFormatUnits];
  EXPECT_EQ(store.GetValue(Handle(), kKey16, u"TimeFormatText", &type, text, sizeof text, &needed),
            platform::kErrorMoreData);
  EXPECT_EQ(needed, 6148u);

  // One that fits exactly: success, its type and its size.
  Put(L"TimeFormatText", REG_SZ, std::string(6146, 'a'));
  EXPECT_EQ(store.GetValue(Handle(), kKey16, u"TimeFormatText", &type, text, sizeof text, &needed),
            platform::kErrorSuccess);
  EXPECT_EQ(type, platform::kRegSz);
  EXPECT_EQ(needed, 6146u);
  PutDword(L"MediaType", 0xFFFFFFFAu);
  EXPECT_EQ(store.GetValue(Handle(), kKey16, u"MediaType", &type, data, 4, &needed), platform::kErrorSuccess);
  EXPECT_EQ(type, platform::kRegDword);
  EXPECT_EQ(needed, 4u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 4), Bytes(0xFFFFFFFAu));
}

TEST_F(ConfigStoreTest, AnEmptyStoreLoadsTheDefaultsAndLoadWritesNothing) {
  EXPECT_TRUE(PrinterConfig::Load(Handle()) == Defaults());
  EXPECT_TRUE(Names().empty());
  EXPECT_EQ(Get(L"Override").status, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(ConfigStoreTest, AHandleTheSpoolerDoesNotKnowLoadsTheDefaultsAndCannotBeSaved) {
  const auto unknown = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0xBAD0));
  PrinterConfig expected;
  expected.PrinterHandle = unknown;
  PrinterConfig record = PrinterConfig::Load(unknown);
  EXPECT_TRUE(record == expected);
  record.MediaType = 2;
  EXPECT_FALSE(record.Save());
}

// One stored form of one value and what Load makes of it; every other field keeps its default.
struct StoredForm {
  const char* what;
  const wchar_t* name;
  DWORD type;
  std::string bytes;
  void (*expect)(PrinterConfig&);  // the change from the defaults; null: none (unusable)
};

TEST_F(ConfigStoreTest, EachStoredFormOfANumberOrSwitch) {
  const StoredForm forms[] = {
      {"MediaType REG_DWORD 9", L"MediaType", REG_DWORD, Bytes(9), [](PrinterConfig& c) { c.MediaType = 9; }},
      {"MediaType REG_SZ", L"MediaType", REG_SZ, Bytes(u"9"), nullptr},
      {"MediaType REG_BINARY", L"MediaType", REG_BINARY, Bytes(9), nullptr},
      {"MediaType REG_DWORD of 8 bytes", L"MediaType", REG_DWORD, Bytes(9) + Bytes(0), nullptr},
      {"MediaType REG_QWORD", L"MediaType", REG_QWORD, Bytes(9) + Bytes(0), nullptr},
      {"InkAmount two's complement", L"InkAmount", REG_DWORD, Bytes(0xFFFFFFFAu),
       [](PrinterConfig& c) { c.InkAmount = -6; }},
      {"PrintSpeed 0", L"PrintSpeed", REG_DWORD, Bytes(0), [](PrinterConfig& c) { c.PrintSpeed = 0; }},
      {"CutInterval largest", L"CutInterval", REG_DWORD, Bytes(0x7FFFFFFFu),
       [](PrinterConfig& c) { c.CutInterval = 2147483647; }},
      {"MediaForm smallest", L"MediaForm", REG_DWORD, Bytes(0x80000000u),
       [](PrinterConfig& c) { c.MediaForm = INT32_MIN; }},
      {"Override 0", L"Override", REG_DWORD, Bytes(0), [](PrinterConfig& c) { c.Override = false; }},
      {"Override REG_SZ", L"Override", REG_SZ, Bytes(u"0"), nullptr},
      {"PrintError 0", L"PrintError", REG_DWORD, Bytes(0), [](PrinterConfig& c) { c.PrintError = false; }},
      {"ForcePrinting 2", L"ForcePrinting", REG_DWORD, Bytes(2), [](PrinterConfig& c) { c.ForcePrinting = true; }},
      {"ForcePrinting top bit only", L"ForcePrinting", REG_DWORD, Bytes(0x80000000u),
       [](PrinterConfig& c) { c.ForcePrinting = true; }},
      {"TimeFormatChooseFromPreset 0", L"TimeFormatChooseFromPreset", REG_DWORD, Bytes(0),
       [](PrinterConfig& c) { c.TimeFormatChooseFromPreset = false; }},
      {"TimeFormatTime 2", L"TimeFormatTime", REG_DWORD, Bytes(2), [](PrinterConfig& c) { c.TimeFormatTime = 2; }},
  };
  for (const StoredForm& form : forms) {
    Put(form.name, form.type, form.bytes);
    PrinterConfig expected = Defaults();
    if (form.expect != nullptr) form.expect(expected);
    EXPECT_TRUE(PrinterConfig::Load(Handle()) == expected) << form.what;
    ClearStore();
  }
}

struct StoredText {
  const char* what;
  DWORD type;
  std::string bytes;
  std::u16string loaded;
};

TEST_F(ConfigStoreTest, EachStoredFormOfTheClockText) {
  const std::u16string longest(3073, u'x');  // 6146 bytes: the whole field, terminator included
  const StoredText forms[] = {
      {"10 characters", REG_SZ, Bytes(u"%Y%m%d%H%M"), u"%Y%m%d%H%M"},
      {"0 bytes", REG_SZ, "", u""},
      {"a stored null", REG_SZ, Bytes(std::u16string(u"ab\0cd", 5)), u"ab"},
      {"not ASCII", REG_SZ, Bytes(u"%H\u6642%M\u5206"), u"%H\u6642%M\u5206"},
      {"6146 bytes", REG_SZ, Bytes(longest), longest.substr(0, 3072)},
      {"6148 bytes", REG_SZ, Bytes(longest + u"y"), config::kDefaultTimeFormatText},
      {"REG_EXPAND_SZ", REG_EXPAND_SZ, Bytes(u"%H:%M"), config::kDefaultTimeFormatText},
      {"REG_DWORD", REG_DWORD, Bytes(1), config::kDefaultTimeFormatText},
  };
  for (const StoredText& form : forms) {
    Put(L"TimeFormatText", form.type, form.bytes);
    const PrinterConfig loaded = PrinterConfig::Load(Handle());
    EXPECT_TRUE(loaded.TimeFormatText[config::kTimeFormatUnits - 1] == u'\0') << form.what;
    EXPECT_TRUE(std::u16string(loaded.TimeFormatText) == form.loaded) << form.what;
    // Every other field keeps its default (the text was compared above).
    PrinterConfig expected = Defaults();
    std::copy(std::begin(loaded.TimeFormatText), std::end(loaded.TimeFormatText), expected.TimeFormatText);
    EXPECT_TRUE(loaded == expected) << form.what;
  }
}

// Forwards to the spooler and records the size of every text Save hands it.
class TextSizeRecorder final : public platform::PrinterData {
 public:
  uint32_t GetValue(platform::PrinterHandle printer, const char16_t* key, const char16_t* name, uint32_t* type,
                    void* data, uint32_t size, uint32_t* needed) override {
    return platform::Service<platform::PrinterData>::Default().GetValue(printer, key, name, type, data, size, needed);
  }
  uint32_t SetValue(platform::PrinterHandle printer, const char16_t* key, const char16_t* name, uint32_t type,
                    const void* data, uint32_t size) override {
    if (type == platform::kRegSz) textSizes.push_back(size);
    return platform::Service<platform::PrinterData>::Default().SetValue(printer, key, name, type, data, size);
  }
  std::vector<uint32_t> textSizes;
};

struct SavedText {
  std::u16string text;
  uint32_t passed;  // bytes Save hands to the spooler
  std::string stored;
};

TEST_F(ConfigStoreTest, TheClockTextIsSavedAsItsCharactersAndTheRegistryCountsTheTerminator) {
  // Save passes the characters only. The text in the record is terminated, and the
  // registry (as on Windows) counts a terminator that directly follows string data,
  // so the stored value is one unit longer; Load stops at that null.
  const std::u16string longest(3072, u'z');
  const SavedText cases[] = {
      {u"%Y%m%d%H%M", 20, Bytes(u"%Y%m%d%H%M") + std::string(2, '\0')},
      {u"", 0, ""},
      {longest, 6144, Bytes(longest) + std::string(2, '\0')},
  };
  for (const SavedText& c : cases) {
    PrinterConfig record = Defaults();
    SetText(record, c.text);
    TextSizeRecorder recorder;
    {
      platform::ScopedService<platform::PrinterData> guard(recorder);
      ASSERT_TRUE(record.Save());
    }
    EXPECT_EQ(recorder.textSizes, std::vector<uint32_t>{c.passed});
    const Stored stored = Get(L"TimeFormatText");
    EXPECT_EQ(stored.status, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
    EXPECT_TRUE(stored.bytes == c.stored) << Describe(stored) << " for " << c.passed / 2 << " characters";
    EXPECT_TRUE(std::u16string(PrinterConfig::Load(Handle()).TimeFormatText) == c.text) << c.passed / 2;
  }
}

TEST_F(ConfigStoreTest, EverySavedFieldSurvivesARoundTripInItsStoredForm) {
  PrinterConfig record = Defaults();
  record.Override = false;
  record.MediaType = 3;
  record.UseAdvancedInkProfile = true;
  record.ColorCorrection = 1;
  record.ChangeInkAmount = true;
  record.InkAmount = -6;
  record.ChangeRatioOfBlack = true;
  record.RatioOfBlack = -3;
  record.BandingReduction = -2;
  record.PaperFeedAdjustment = -99;
  record.MediaForm = 2;
  record.MediaSource = 1;
  record.PrintSpeed = 0;
  record.HeadMaintenance = 1;
  record.DoAutoCut = true;
  record.AutoCut = 1;
  record.CutInterval = 99999;
  record.Buzzer = 1;
  record.Pause = 1;
  record.TimeFormatChooseFromPreset = false;
  record.TimeFormatDate = 3;
  record.TimeFormatTime = 2;
  SetText(record, u"%Y/%m/%d %p %I:%M:%S \u00e9");
  record.PrintError = false;
  record.ForcePrinting = true;
  ASSERT_TRUE(record.Save());

  // Exactly the 25 saved values, each in its stored form.
  const std::set<std::wstring> names = Names();
  EXPECT_EQ(names, std::set<std::wstring>(kSavedNames.begin(), kSavedNames.end()));
  for (const std::wstring& name : kSavedNames) {
    const Stored stored = Get(name.c_str());
    EXPECT_EQ(stored.status, static_cast<DWORD>(ERROR_SUCCESS)) << win_tools::Narrow(name);
    if (name == L"TimeFormatText") continue;
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD)) << win_tools::Narrow(name);
    EXPECT_EQ(stored.bytes.size(), 4u) << win_tools::Narrow(name);
  }
  EXPECT_EQ(Get(L"Override").bytes, Bytes(0));
  EXPECT_EQ(Get(L"UseAdvancedInkProfile").bytes, Bytes(1));
  EXPECT_EQ(Get(L"InkAmount").bytes, Bytes(0xFFFFFFFAu));
  EXPECT_EQ(Get(L"RatioOfBlack").bytes, Bytes(0xFFFFFFFDu));
  EXPECT_EQ(Get(L"BandingReduction").bytes, Bytes(0xFFFFFFFEu));
  EXPECT_EQ(Get(L"PaperFeedAdjustment").bytes, Bytes(0xFFFFFF9Du));
  EXPECT_EQ(Get(L"CutInterval").bytes, Bytes(99999));
  EXPECT_EQ(Get(L"ForcePrinting").bytes, Bytes(1));
  EXPECT_EQ(Get(L"TimeFormatText").bytes, Bytes(u"%Y/%m/%d %p %I:%M:%S \u00e9") + std::string(2, '\0'));

  // Read back through a handle of its own, as another process would.
  win_tools::WinePrinter other{kPrinterName};
  ASSERT_TRUE(other.Create()) << other.LastError();
  PrinterConfig expected = record;
  expected.PrinterHandle = other.Handle();
  PrinterConfig reloaded = PrinterConfig::Load(other.Handle());
  EXPECT_TRUE(reloaded == expected);

  // Saving the defaults over it replaces every value.
  reloaded = Defaults();
  ASSERT_TRUE(reloaded.Save());
  EXPECT_TRUE(PrinterConfig::Load(Handle()) == Defaults());
  EXPECT_EQ(Names().size(), kSavedNames.size());
}

TEST_F(ConfigStoreTest, TheBarcodeValuesAreReadButNeverWritten) {
  PrinterConfig record = Defaults();
  record.CahngeBarcodeThickness = true;
  record.BarcodeThickness = 2;
  ASSERT_TRUE(record.Save());
  EXPECT_EQ(Names().count(L"CahngeBarcodeThickness"), 0u);
  EXPECT_EQ(Names().count(L"BarcodeThickness"), 0u);
  PrinterConfig loaded = PrinterConfig::Load(Handle());
  EXPECT_FALSE(loaded.CahngeBarcodeThickness);
  EXPECT_EQ(loaded.BarcodeThickness, 0);

  // Stored ones stay as they are, whatever the saved record holds.
  PutDword(L"CahngeBarcodeThickness", 1);
  PutDword(L"BarcodeThickness", 0xFFFFFFFEu);
  record.CahngeBarcodeThickness = false;
  record.BarcodeThickness = 1;
  ASSERT_TRUE(record.Save());
  EXPECT_EQ(Get(L"CahngeBarcodeThickness").bytes, Bytes(1));
  EXPECT_EQ(Get(L"BarcodeThickness").bytes, Bytes(0xFFFFFFFEu));
  loaded = PrinterConfig::Load(Handle());
  EXPECT_TRUE(loaded.CahngeBarcodeThickness);
  EXPECT_EQ(loaded.BarcodeThickness, -2);
}

}  // namespace

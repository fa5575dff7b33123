// The DLL's version resource and string table as Windows reads them.
#include <vector>

#include "plugin_fixture.h"
#include "resources/version.h"

namespace kdv_test {
namespace {

using ResourcesTest = PluginTest;

// The resource carries the version of version.h, the one the package is named after.
TEST_F(ResourcesTest, VersionIsTheOneOfVersionHeader) {
  const std::wstring& path = Library().Path();
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<unsigned char> block(size);
  ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const DWORD high = MAKELONG(ZOV_VERSION_MINOR, ZOV_VERSION_MAJOR);
  const DWORD low = MAKELONG(ZOV_VERSION_BUILD, ZOV_VERSION_PATCH);
  EXPECT_EQ(fixed->dwFileVersionMS, high);
  EXPECT_EQ(fixed->dwFileVersionLS, low);
  EXPECT_EQ(fixed->dwProductVersionMS, high);
  EXPECT_EQ(fixed->dwProductVersionLS, low);

  for (const wchar_t* name :
       {L"\\StringFileInfo\\040904b0\\FileVersion", L"\\StringFileInfo\\040904b0\\ProductVersion"}) {
    wchar_t* text = nullptr;
    ASSERT_TRUE(::VerQueryValueW(block.data(), name, reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(std::wstring(text), L"" ZOV_VERSION_TEXT) << name;
  }
}

std::wstring LoadText(HMODULE module, UINT id, int* length) {
  const wchar_t* resource = nullptr;
  *length = ::LoadStringW(module, id, reinterpret_cast<LPWSTR>(&resource), 0);
  return *length > 0 && resource != nullptr ? std::wstring(resource, static_cast<size_t>(*length)) : std::wstring();
}

TEST_F(ResourcesTest, StringTableEntriesLoad) {
  struct Entry {
    UINT id;
    const wchar_t* text;
  };
  const Entry entries[] = {
      {105, L"Plain"},
      {123, L"KD-V62x0G Configuration"},
      {141, L"This dialog specifies KD-V62x0's date and time format.\n\nKD-V62x0 generates printer time field on the "
            L"labels when TD_CLOCK tag in layout data indicates HWGEN=1. Note that this function requires "
            L"appropriate layout data. Please confirm the data again if there is no desired time field."},
      {150, L"NONE"},
      {160, L"Continuous Paper (BlackMark)"},
  };
  for (const Entry& entry : entries) {
    SCOPED_TRACE(testing::Message() << "string " << entry.id);
    int length = 0;
    EXPECT_EQ(LoadText(Library().Module(), entry.id, &length), entry.text);
    EXPECT_EQ(length, static_cast<int>(std::wstring(entry.text).size()));
  }
}

TEST_F(ResourcesTest, MissingEntriesDoNotLoad) {
  // The table holds entries 105 to 160 only.
  for (UINT id : {1u, 104u, 161u, 9999u, 65535u}) {
    SCOPED_TRACE(testing::Message() << "string " << id);
    int length = -1;
    EXPECT_EQ(LoadText(Library().Module(), id, &length), L"");
    EXPECT_EQ(length, 0);
  }
}

}  // namespace
}  // namespace kdv_test

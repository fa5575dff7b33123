#include <gtest/gtest.h>

#include <string>

#include "commands/field_commands.h"

namespace {

using commands::EncodeFieldText;

std::string Encode(const std::u16string& text) {
  std::string out = "previous";
  EXPECT_TRUE(EncodeFieldText(&out, text.c_str()));
  return out;
}

std::string Bytes(const commands::CommandBuffer& buffer) {
  return std::string(reinterpret_cast<const char*>(buffer.data()), buffer.size());
}

struct EncodeCase {
  std::u16string text;
  std::string expected;
};

TEST(FieldTextTest, EscapesExactlyWhatIsNotSafeAscii) {
  const EncodeCase cases[] = {
      {u"", ""},
      {u"Lot 7, #1 (A/B)", "Lot 7, #1 (A/B)"},
      {u"^_~", "_5E_5F_7E"},
      {u"\x01\x1F\x7F", "\x01\x1F\x7F"},  // control characters and DEL pass through
      {u"%Y/%m", "%Y/%m"},
      {u"\u00E9", "_C3_A9"},
      {u"\u3042", "_E3_81_82"},
      {u"\U0001F600", "_F0_9F_98_80"},
      {u"\xD83D" u"A", "_EF_BF_BD_41"},       // high surrogate takes the next unit with it
      {u"x\xDE00", "x_EF_BF_BD"},             // lone surrogate at the end
      {u"\xDE00\xD83D" u"b", "_EF_BF_BD_EF_BF_BDb"},  // low then high: two replacements
      {u"\xD83D\x00E9", "_EF_BF_BD_C3_A9"},
  };
  for (const EncodeCase& c : cases) EXPECT_EQ(Encode(c.text), c.expected);
}

TEST(FieldTextTest, TheBudgetIs3072BytesAndNeverSplitsACharacter) {
  EXPECT_EQ(Encode(std::u16string(3072, u'a')), std::string(3072, 'a'));
  EXPECT_EQ(Encode(std::u16string(3073, u'a')), std::string(3072, 'a'));
  EXPECT_EQ(Encode(std::u16string(3066, u'a') + u"\u00E9"), std::string(3066, 'a') + "_C3_A9");
  // 3067 letters leave 5 bytes: the 6 of é do not fit, and nothing after it is written.
  EXPECT_EQ(Encode(std::u16string(3067, u'a') + u"\u00E9bc"), std::string(3067, 'a'));
  // A pair counts 12 bytes; a high surrogate with the letter after it 12 as well.
  EXPECT_EQ(Encode(std::u16string(3060, u'a') + u"\U0001F600"), std::string(3060, 'a') + "_F0_9F_98_80");
  EXPECT_EQ(Encode(std::u16string(3061, u'a') + u"\U0001F600"), std::string(3061, 'a'));
  // Six bytes from two units (two replacement characters) at the very edge.
  EXPECT_EQ(Encode(std::u16string(3054, u'a') + u"\xDC00\xDC00"), std::string(3054, 'a') + "_EF_BF_BD_EF_BF_BD");
}

TEST(FieldTextTest, NullArgumentsFailAndLeaveTheOutput) {
  std::string out = "kept";
  EXPECT_FALSE(EncodeFieldText(&out, nullptr));
  EXPECT_EQ(out, "kept");
  EXPECT_FALSE(EncodeFieldText(nullptr, u"x"));
}

TEST(FieldCommandTest, TextFieldLayout) {
  commands::CommandBuffer buffer;
  ASSERT_TRUE(commands::WriteTextField(&buffer, {100, 200}, u"Lot_7", 'N', 30, 30, 0xFF000000));
  EXPECT_EQ(Bytes(buffer), "^FT100,230,0^F(C0,0,0,255,N,255,255,255,0,N^A0N,30,30^FH_^FDLot_5F7^FS");
}

struct OrientationCase {
  char letter;
  std::string expected;
};

TEST(FieldCommandTest, OrientationMovesTheOriginOrJustifies) {
  const OrientationCase cases[] = {
      {'B', "^FT130,200,0^F(C1,2,3,255,N,255,255,255,0,N^A0B,30,20^FH_^FD^FS"},
      {'I', "^FT100,200,1^F(C1,2,3,255,N,255,255,255,0,N^A0I,30,20^FH_^FD^FS"},
      {'N', "^FT100,230,0^F(C1,2,3,255,N,255,255,255,0,N^A0N,30,20^FH_^FD^FS"},
      {'R', "^FT100,200,0^F(C1,2,3,255,N,255,255,255,0,N^A0R,30,20^FH_^FD^FS"},
  };
  for (const OrientationCase& c : cases) {
    commands::CommandBuffer buffer;
    ASSERT_TRUE(commands::WriteTextField(&buffer, {100, 200}, u"", c.letter, 20, 30, 0xFF030201));
    EXPECT_EQ(Bytes(buffer), c.expected) << c.letter;
  }
}

TEST(FieldCommandTest, NegativePositionsAreWrittenAsUnsigned32Bit) {
  commands::CommandBuffer buffer;
  ASSERT_TRUE(commands::WriteTextField(&buffer, {-15, -40}, u"x", 'N', 30, 30, 0xFF000000));
  EXPECT_EQ(Bytes(buffer).substr(0, 25), "^FT4294967281,4294967286,");
  buffer.Clear();
  ASSERT_TRUE(commands::WriteTextField(&buffer, {2147483647, 0}, u"x", 'B', -1, 1, 0xFF000000));
  EXPECT_EQ(Bytes(buffer).substr(0, 18), "^FT2147483648,0,0^");
  EXPECT_NE(Bytes(buffer).find("^A0B,1,-1^"), std::string::npos);
}

TEST(FieldCommandTest, TheClockCommandDiffersOnlyByTheClockMarker) {
  commands::CommandBuffer text, clock;
  ASSERT_TRUE(commands::WriteTextField(&text, {5, 6}, u"%H:%M:%S", 'I', 40, 40, 0xFF00FF00));
  ASSERT_TRUE(commands::WriteClockField(&clock, {5, 6}, u"%H:%M:%S", 'I', 40, 40, 0xFF00FF00));
  std::string expected = Bytes(text);
  expected.insert(expected.find("^A0"), "^FC%");
  EXPECT_EQ(Bytes(clock), expected);
}

TEST(FieldCommandTest, FailuresAppendNothing) {
  commands::CommandBuffer buffer;
  EXPECT_FALSE(commands::WriteTextField(nullptr, {0, 0}, u"x", 'N', 1, 1, 0));
  EXPECT_FALSE(commands::WriteTextField(&buffer, {0, 0}, nullptr, 'N', 1, 1, 0));
  EXPECT_FALSE(commands::WriteClockField(&buffer, {0, 0}, nullptr, 'N', 1, 1, 0));
  EXPECT_TRUE(buffer.empty());
}

}  // namespace

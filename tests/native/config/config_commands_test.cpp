#include <gtest/gtest.h>

#include <string>

#include "config/printer_config.h"

namespace {

using config::PrinterConfig;

std::string SettingsRun(const PrinterConfig& c) {
  commands::CommandBuffer buffer;
  EXPECT_TRUE(c.WriteConfigCommands(&buffer));
  return std::string(reinterpret_cast<const char*>(buffer.data()), buffer.size());
}

// The part of the run between two commands, both included.
std::string Slice(const std::string& run, const std::string& from, const std::string& to) {
  const size_t start = run.find(from);
  const size_t end = run.find(to, start);
  EXPECT_NE(start, std::string::npos);
  EXPECT_NE(end, std::string::npos);
  return run.substr(start, run.find('^', end + 1) - start);
}

TEST(ConfigCommandsTest, TheDefaultsGiveTheDocumentedRun) {
  EXPECT_EQ(SettingsRun(PrinterConfig{}),
            "^S(CLS,G,35^S(CLW,B,0^S(CLW,T,0^S(CLW,L,0^S(CLW,R,0^S(CLM,T,G1^S(CPC,C,N^S(CPC,D,0^S(CPC,P,0"
            "^S(CPC,B,0^S(CLP,M,0^S(CLM,D,W^S(CLM,F,DL^S(CLM,P,IR^S(CLM,S,RP^S(CMP,S,12^S(CMP,F,1");
}

TEST(ConfigCommandsTest, ColourValuesAreSentOnlyWithTheAdvancedProfile) {
  PrinterConfig c;
  c.UseAdvancedInkProfile = true;
  c.ColorCorrection = 1;
  c.InkAmount = -6;
  c.RatioOfBlack = -3;
  c.BandingReduction = 2;
  c.ChangeInkAmount = false;  // check-box state only
  EXPECT_EQ(Slice(SettingsRun(c), "^S(CPC,C,", "^S(CPC,B,"), "^S(CPC,C,E^S(CPC,D,-6^S(CPC,P,-3^S(CPC,B,2");
  c.ColorCorrection = 2;
  EXPECT_EQ(Slice(SettingsRun(c), "^S(CPC,C,", "^S(CPC,C,"), "^S(CPC,C,N");
  c.UseAdvancedInkProfile = false;
  c.InkAmount = 4;
  c.ColorCorrection = 1;
  EXPECT_EQ(Slice(SettingsRun(c), "^S(CPC,C,", "^S(CPC,B,"), "^S(CPC,C,N^S(CPC,D,0^S(CPC,P,0^S(CPC,B,0");
}

struct CodeCase {
  int32_t PrinterConfig::*field;
  int32_t value;
  const char* from;
  const char* to;
  const char* expected;
};

TEST(ConfigCommandsTest, EveryCodeTableWithItsFallback) {
  const CodeCase cases[] = {
      {&PrinterConfig::MediaType, 0, "^S(CLM,T,", "^S(CLM,T,", "^S(CLM,T,P1"},
      {&PrinterConfig::MediaType, 1, "^S(CLM,T,", "^S(CLM,T,", "^S(CLM,T,S1"},
      {&PrinterConfig::MediaType, 2, "^S(CLM,T,", "^S(CLM,T,", "^S(CLM,T,M1"},
      {&PrinterConfig::MediaType, 3, "^S(CLM,T,", "^S(CLM,T,", "^S(CLM,T,M2"},
      {&PrinterConfig::MediaType, 5, "^S(CLM,T,", "^S(CLM,T,", "^S(CLM,T,P1"},
      {&PrinterConfig::MediaType, -1, "^S(CLM,T,", "^S(CLM,T,", "^S(CLM,T,P1"},
      {&PrinterConfig::MediaForm, 1, "^S(CLM,D,", "^S(CLM,F,", "^S(CLM,D,M^S(CLM,F,DL"},
      {&PrinterConfig::MediaForm, 2, "^S(CLM,D,", "^S(CLM,F,", "^S(CLM,D,M^S(CLM,F,CL"},
      {&PrinterConfig::MediaForm, 3, "^S(CLM,D,", "^S(CLM,F,", "^S(CLM,D,M^S(CLM,F,CP"},
      {&PrinterConfig::MediaForm, 7, "^S(CLM,D,", "^S(CLM,F,", "^S(CLM,D,M^S(CLM,F,DL"},
      {&PrinterConfig::MediaForm, -1, "^S(CLM,D,", "^S(CLM,F,", "^S(CLM,D,M^S(CLM,F,DL"},
      {&PrinterConfig::MediaSource, 1, "^S(CLM,P,", "^S(CLM,S,", "^S(CLM,P,ER^S(CLM,S,FP"},
      {&PrinterConfig::MediaSource, 2, "^S(CLM,P,", "^S(CLM,S,", "^S(CLM,P,IR^S(CLM,S,RP"},
      {&PrinterConfig::PaperFeedAdjustment, -99, "^S(CLP,M,", "^S(CLP,M,", "^S(CLP,M,-99"},
      {&PrinterConfig::PaperFeedAdjustment, 99, "^S(CLP,M,", "^S(CLP,M,", "^S(CLP,M,99"},
      {&PrinterConfig::PrintSpeed, 0, "^S(CMP,S,", "^S(CMP,S,", "^S(CMP,S,6"},
      {&PrinterConfig::PrintSpeed, 5, "^S(CMP,S,", "^S(CMP,S,", "^S(CMP,S,12"},
      {&PrinterConfig::PrintSpeed, -1, "^S(CMP,S,", "^S(CMP,S,", "^S(CMP,S,12"},
      {&PrinterConfig::HeadMaintenance, 1, "^S(CMP,F,", "^S(CMP,F,", "^S(CMP,F,2"},
      {&PrinterConfig::HeadMaintenance, 2, "^S(CMP,F,", "^S(CMP,F,", "^S(CMP,F,1"},
  };
  for (const CodeCase& c : cases) {
    PrinterConfig record;
    record.*c.field = c.value;
    EXPECT_EQ(Slice(SettingsRun(record), c.from, c.to), c.expected) << c.from << c.value;
  }
}

TEST(ConfigCommandsTest, TheRunFollowsWhatTheBufferHeldAndANullBufferFails) {
  commands::CommandBuffer buffer;
  buffer.Append("^XA^CI28^S(CMP,U,D", 18);
  ASSERT_TRUE(PrinterConfig{}.WriteConfigCommands(&buffer));
  const std::string all(reinterpret_cast<const char*>(buffer.data()), buffer.size());
  EXPECT_EQ(all.rfind("^XA^CI28^S(CMP,U,D^S(CLS,G,35^S(CLW,B,0", 0), 0u);
  EXPECT_FALSE(PrinterConfig{}.WriteConfigCommands(nullptr));
}

}  // namespace

// The checker on small streams, each a well-formed job broken in one way and flagged with
// the expected line; the quirks the plug-in writes on purpose are warnings.
#include "stream/stream_checker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/png_builder.h"

namespace {

using label_stream::CheckStream;
using label_stream::FormatProblem;

const std::string kPng = testing_support::MinimalPngWithPhys(4, 2, 8, 2, "pixels");

std::string DownloadOf(const std::string& name, const std::string& png, size_t length) {
  return "~DYR:" + name + ",B,P," + std::to_string(length) + ",b," + png;
}

// Header, base format and one page: every rule met.
std::string Job(const std::string& png = kPng) {
  return "^XA^CI28^S(CMP,U,D^S(CLS,G,35^S(CPC,D,0^S(CLR,P,600^S(CLR,R,600^S(CLR,Z,600^S(CLR,M,A^S(CLS,P,2267"
         "^S(CLS,L,1181^XZ"
         "^XA^CI28^S(CMP,U,D" + DownloadOf("BASE", kPng, kPng.size()) + "^FO83,71^IMR:BASE.PNG^FS^C(SN^XZ"
         "^XA^CI28^S(CMP,U,D^C(L" + DownloadOf("DYNAMIC", png, png.size()) + "^FO0,100^IMR:DYNAMIC.PNG^FS"
         "^FT100,230,0^F(C0,0,0,255,N,255,255,255,0,N^A0N,30,30^FH_^FDLot_5F7^FS"
         "^S(CMP,M,C^PQ5,1,1,Y^S(CUB,S,L^XZ";
}

std::string Lines(const std::string& bytes) {
  std::string lines;
  for (const auto& problem : CheckStream(bytes)) lines += FormatProblem(problem) + "\n";
  return lines;
}

TEST(StreamChecker, AWellFormedJobHasNoProblem) { EXPECT_EQ(Lines(Job()), ""); }

struct BrokenCase {
  const char* label;
  std::string from, to;  // the one change to the job (from "" appends `to`)
  std::string marker;    // found in the broken stream at the offset of the problem
  std::string line;      // the expected line after "<offset>: "
  std::string png = kPng;
};

TEST(StreamChecker, EachBrokenStreamIsFlaggedWithItsLine) {
  std::string badCrc = kPng;
  badCrc[kPng.size() - 20] ^= 1;  // inside IDAT's data
  const BrokenCase cases[] = {
      {"stream ends inside a format", "^S(CUB,S,L^XZ", "^S(CUB,S,L", "^XA^CI28^S(CMP,U,D^C(L",
       "^XA: error: the stream ends inside this format (no ^XZ)"},
      {"nested format", "1181^XZ", "1181", "^XA^CI28^S(CMP,U,D~DYR:BASE",
       "^XA: error: format opened inside the format at 0 (no ^XZ before)"},
      {"command between formats", "^C(SN^XZ", "^C(SN^XZ^CI28", "^CI28^XA",
       "^CI28: error: outside a format (only downloads may stand between formats)"},
      {"^XZ with none open", "^C(SN^XZ", "^C(SN^XZ^XZ", "^XZ^XA^CI28^S(CMP,U,D^C(L",
       "^XZ: error: ^XZ with no format open"},
      {"declared length too long", "DYNAMIC,B,P,84", "DYNAMIC,B,P,85", "~DYR:DYNAMIC",
       "~DYR:DYNAMIC,B,P,85,b,: error: declared length runs past the PNG: 1 bytes after IEND"},
      {"declared length too short", "DYNAMIC,B,P,84", "DYNAMIC,B,P,83", "~DYR:DYNAMIC",
       "~DYR:DYNAMIC,B,P,83,b,: error: declared length ends inside the payload: 1 byte outside any command "
       "after it"},
      {"no pHYs", "", "", "~DYR:DYNAMIC",
       "~DYR:DYNAMIC,B,P,63,b,: error: PNG has no pHYs (expected 11811 x 11811 pixels per metre)",
       testing_support::MinimalPng(4, 2, 8, 2, "pixels")},
      {"bad CRC", "", "", "~DYR:DYNAMIC", "~DYR:DYNAMIC,B,P,84,b,: error: damaged PNG: bad CRC in chunk IDAT at byte 54",
       badCrc},
      {"payload no PNG", "", "", "~DYR:DYNAMIC",
       "~DYR:DYNAMIC,B,P,5,b,: error: payload is not a PNG file (no PNG signature)", "hello"},
      {"recall never downloaded", "^IMR:DYNAMIC.PNG", "^IMR:START.PNG", "^IMR:START",
       "^IMR:START.PNG: error: recalls START, which was not downloaded before (or was deleted since)"},
      {"recall after deletion", "^FO0,100^IMR:DYNAMIC.PNG", "^IDR:DYNAMIC.PNG^FO10,100^IMR:DYNAMIC.PNG",
       "^IMR:DYNAMIC", "^IMR:DYNAMIC.PNG: error: recalls DYNAMIC, which was not downloaded before (or was deleted since)"},
      {"quirk: overlay in the strip", "^FO0,100^IMR:DYNAMIC.PNG", "^IDR:DYNAMIC.PNG^FO0,100^IMR:DYNAMIC.PNG",
       "^IMR:DYNAMIC", "^IMR:DYNAMIC.PNG: warning: quirk overlay-deleted-then-recalled: DYNAMIC lies wholly in the "
       "unprintable strip, was deleted (^IDR:) and is still recalled"},
      {"base loaded, never saved", "^C(SN", "", "^C(L", "^C(L: error: loads a base, but none was saved before (^C(SN ... ^XZ)"},
      {"quirk: base in the strip", "^FO83,71^IMR:BASE.PNG^FS^C(SN^XZ", "^C(D", "^XA^CI28^S(CMP,U,D^C(L",
       "^XA: warning: quirk base-discarded-format-open: the format at 114 discarded the base (^C(D) and was left open"},
      {"field block not closed", "^IMR:DYNAMIC.PNG^FS", "^IMR:DYNAMIC.PNG", "^FO0,100",
       "^FO0,100: error: field block not closed by ^FS before ^FT100,230,0"},
      {"field block incomplete", "^A0N,30,30", "", "^FT100",
       "^FT100,230,0: error: field block holds ^FT^F(C^FH^FD; expected ^FO with ^GB or ^IMR:, or "
       "^FT^F(C[^FC%]^A0^FH_^FD, then ^FS"},
      {"bad escape", "Lot_5F7", "Lot_5G7", "^FDLot",
       "^FDLot_5G7: error: escape at byte 3 of the data is not _ and two hex digits"},
      {"escapes not UTF-8", "Lot_5F7", "Lot_C3", "^FDLot",
       "^FDLot_C3: error: decoded text is not valid UTF-8 at byte 3 of the decoded text"},
      {"unescaped byte", "Lot_5F7", "Lot\xC3\xA9", "^FDLot",
       "^FDLot\\xC3\\xA9: error: byte 3 of the data is above 0x7F and not escaped"},
      {"origin past the width", "^FO0,100", "^FO2267,100", "^FO2267",
       "^FO2267,100: error: x 2267 lies beyond the label width 2267"},
      {"origin past the length", "^FT100,230,0", "^FT100,1182,0", "^FT100",
       "^FT100,1182,0: error: y 1182 lies beyond the label length 1181"},
      {"white box past the edge", "^S(CMP,M,C", "^FO2200,0^GB100,10,100,W,0^FS^S(CMP,M,C", "^GB",
       "^GB100,10,100,W,0: warning: box reaches 2300, past the label width 2267; the printer clips it"},
      {"box as tall as its line", "^S(CMP,M,C", "^FO0,1100^GB100,10,100,W,0^FS^S(CMP,M,C", "^GB",
       "^GB100,10,100,W,0: warning: box reaches 1200, past the label length 1181; the printer clips it"},
      {"setting outside its set", "^S(CUB,S,L", "^S(CUB,S,X", "^S(CUB", "^S(CUB,S,X: error: value is not one of L, N"},
      {"quirk: number outside the dialog's range", "^S(CPC,D,0", "^S(CPC,D,5", "^S(CPC,D",
       "^S(CPC,D,5: warning: quirk setting-outside-dialog-range: 5 lies outside the dialog's range -6 to 4; the "
       "plug-in sends a stored value unchanged"},
      {"number not a number", "^S(CPC,D,0", "^S(CPC,D,x", "^S(CPC,D",
       "^S(CPC,D,x: error: value is not a signed 32-bit number"},
      {"quirk: clock field left of the edge", "^FT100,230,0^F(C0,0,0,255,N,255,255,255,0,N^A0N",
       "^FT4294967281,230,0^F(C0,0,0,255,N,255,255,255,0,N^FC%^A0N", "^FT4294967281",
       "^FT4294967281,230,0: warning: quirk clock-negative-x: a clock field 15 dots left of the edge, its x written "
       "as an unsigned 32-bit value; the printer does not draw it"},
      {"text field with a wrapped x", "^FT100,230,0", "^FT4294967281,230,0", "^FT4294967281",
       "^FT4294967281,230,0: error: x 4294967281 lies beyond the label width 2267"},
      {"image past the edge", "^FO0,100^IMR:DYNAMIC", "^FO2265,100^IMR:DYNAMIC", "^IMR:DYNAMIC",
       "^IMR:DYNAMIC.PNG: warning: image reaches 2269, past the label width 2267; the printer clips it"},
      {"unknown command", "^PQ5,1,1,Y", "^PQ5,1,1,Y^MMT", "^MMT", "^MMT: error: unknown command"},
      {"quantity malformed", "^PQ5,1,1,Y", "^PQ5,1,2,Y", "^PQ",
       "^PQ5,1,2,Y: error: quantity not written as ^PQ<quantity>,<cut count>,1,<Y or N>"},
      {"stray bytes", "^XA^CI28^S(CMP,U,D^S(CLS,G", "\r\n^XA^CI28^S(CMP,U,D^S(CLS,G", "\r\n",
       "(bytes): error: 2 bytes outside any command"},
  };
  for (const BrokenCase& c : cases) {
    SCOPED_TRACE(c.label);
    std::string bytes = Job(c.png);
    if (!c.from.empty()) {
      const size_t at = bytes.find(c.from);
      ASSERT_NE(at, std::string::npos);
      bytes.replace(at, c.from.size(), c.to);
    }
    const size_t offset = bytes.find(c.marker);
    ASSERT_NE(offset, std::string::npos);
    const std::string expected = std::to_string(offset) + ": " + c.line + "\n";
    EXPECT_NE(Lines(bytes).find(expected), std::string::npos) << Lines(bytes);
    // A quirk is all there is: the job stays valid.
    if (c.line.find("warning: quirk") != std::string::npos) {
      EXPECT_EQ(Lines(bytes).find("error:"), std::string::npos);
    }
  }
}

TEST(StreamChecker, ATruncatedStreamIsFlaggedAtTheCutDownload) {
  const std::string job = Job();
  const size_t download = job.find("~DYR:DYNAMIC");
  const std::string cut = job.substr(0, download + 30);
  EXPECT_EQ(Lines(cut), std::to_string(download) +
                            ": ~DYR:DYNAMIC,B,P,84,b,: error: download of DYNAMIC declares 84 bytes, only 8 left\n" +
                            std::to_string(job.find("^XA^CI28^S(CMP,U,D^C(L")) +
                            ": ^XA: error: the stream ends inside this format (no ^XZ)\n");
}

}  // namespace

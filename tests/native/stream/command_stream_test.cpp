// The command-stream reader the other tests rely on: exact splits, download payloads
// taken by their count, the errors it reports and the structural checks.
#include "stream/command_stream.h"
#include "stream/png_summary.h"
#include "support/png_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using label_stream::CommandStream;
using label_stream::FindBadDownloads;
using label_stream::FindFramingViolations;
using label_stream::FindRecallsWithoutDownload;
using testing_support::MinimalPng;
using testing_support::PngChunk;
using label_stream::ReadCommandStream;
using label_stream::ReadPngSummary;

std::vector<size_t> Offsets(const CommandStream& stream) {
  std::vector<size_t> offsets;
  for (const auto& command : stream.commands) offsets.push_back(command.offset);
  return offsets;
}

struct SplitCase {
  const char* label;
  std::string bytes;
  std::vector<std::string> texts;
  std::vector<size_t> offsets;
};

TEST(StreamReaderSplit, SplitsAtEveryCaretAndTilde) {
  const SplitCase cases[] = {
      {"empty stream", "", {}, {}},
      {"format framing", "^XA^CI28^S(CMP,U,D^XZ", {"^XA", "^CI28", "^S(CMP,U,D", "^XZ"}, {0, 3, 8, 18}},
      {"recall", "^FO0,120^IMR:BASE.PNG^FS", {"^FO0,120", "^IMR:BASE.PNG", "^FS"}, {0, 8, 21}},
      {"tilde command", "~JA^XA~HS", {"~JA", "^XA", "~HS"}, {0, 3, 6}},
      {"lone markers", "^^~", {"^", "^", "~"}, {0, 1, 2}},
      {"control bytes inside field data", "^FDa\x01\x1f\x7f b^FS", {"^FDa\x01\x1f\x7f b", "^FS"}, {0, 9}},
      {"escaped field data", "^FH_^FDLot_5F7^FS", {"^FH_", "^FDLot_5F7", "^FS"}, {0, 4, 14}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const CommandStream stream = ReadCommandStream(c.bytes);
    EXPECT_TRUE(stream.ok());
    EXPECT_EQ(stream.Texts(), c.texts);
    EXPECT_EQ(Offsets(stream), c.offsets);
  }
}

TEST(StreamReaderSplit, DownloadPayloadIsTakenByItsCountWhateverItHolds) {
  const std::string payload = "^XZ~DYR:X,B,P,1,b,\0~^"s;
  const std::string bytes = "^XA~DYR:BASE,B,P," + std::to_string(payload.size()) + ",b," + payload + "^XZ";
  const CommandStream stream = ReadCommandStream(bytes);
  ASSERT_TRUE(stream.ok());
  ASSERT_EQ(stream.commands.size(), 3u);
  const auto& download = stream.commands[1];
  EXPECT_TRUE(download.download);
  EXPECT_EQ(download.offset, 3u);
  EXPECT_EQ(download.text, "~DYR:BASE,B,P,21,b,");
  EXPECT_EQ(download.name, "BASE");
  EXPECT_EQ(download.declaredLength, 21u);
  EXPECT_EQ(download.payload, payload);
  EXPECT_EQ(download.End(), bytes.size() - 3);
  EXPECT_EQ(stream.commands[2].text, "^XZ");
  EXPECT_EQ(stream.commands[2].offset, bytes.size() - 3);
  EXPECT_FALSE(stream.commands[2].download);
}

TEST(StreamReaderSplit, EmptyPayloadAndPayloadAtTheVeryEnd) {
  CommandStream stream = ReadCommandStream("~DYR:A,B,P,0,b,^XZ");
  ASSERT_TRUE(stream.ok());
  ASSERT_EQ(stream.commands.size(), 2u);
  EXPECT_EQ(stream.commands[0].payload, "");
  EXPECT_EQ(stream.commands[1].offset, 15u);

  stream = ReadCommandStream("~DYR:lower,B,P,3,b,a^b");
  ASSERT_TRUE(stream.ok());
  ASSERT_EQ(stream.commands.size(), 1u);
  EXPECT_EQ(stream.commands[0].name, "lower");
  EXPECT_EQ(stream.commands[0].payload, "a^b");
}

struct ErrorCase {
  const char* label;
  std::string bytes;
  std::vector<std::string> texts;
  size_t errorOffset;
  std::string message;
};

TEST(StreamReaderErrors, ReportsWhatDoesNotFitAndKeepsReading) {
  const ErrorCase cases[] = {
      {"garbage before the first command", "ab^XA", {"^XA"}, 0, "2 bytes outside any command"},
      {"a single stray byte", "\n^XA", {"^XA"}, 0, "1 byte outside any command"},
      {"only garbage", "hello", {}, 0, "5 bytes outside any command"},
      {"length running past the end", "^XA~DYR:B,B,P,10,b,abc", {"^XA", "~DYR:B,B,P,10,b,"}, 3,
       "download of B declares 10 bytes, only 3 left"},
      {"length short of the payload", "~DYR:B,B,P,2,b,abcd^XZ", {"~DYR:B,B,P,2,b,", "^XZ"}, 17,
       "2 bytes outside any command"},
      {"no length", "~DYR:B,B,P,,b,x^XZ", {"~DYR:B,B,P,,b,x", "^XZ"}, 0, "unreadable download header"},
      {"header cut off", "~DYR:BASE,B,P,12", {"~DYR:BASE,B,P,12"}, 0, "unreadable download header"},
      {"no comma after the name", "~DYR:BASE^XZ", {"~DYR:BASE", "^XZ"}, 0, "unreadable download header"},
      {"header completed only after the next command", "~DYR:BASE^XZ,B,P,1,b,x", {"~DYR:BASE", "^XZ,B,P,1,b,x"}, 0,
       "unreadable download header"},
      {"wrong format letters", "~DYR:B,A,P,1,b,x^XZ", {"~DYR:B,A,P,1,b,x", "^XZ"}, 0, "unreadable download header"},
      {"wrong letter before the payload", "~DYR:B,B,P,1,c,x^XZ", {"~DYR:B,B,P,1,c,x", "^XZ"}, 0,
       "unreadable download header"},
      {"length beyond 64 bits", "~DYR:B,B,P,18446744073709551616,b,", {"~DYR:B,B,P,18446744073709551616,b,"}, 0,
       "unreadable download header"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const CommandStream stream = ReadCommandStream(c.bytes);
    EXPECT_EQ(stream.Texts(), c.texts);
    ASSERT_EQ(stream.errors.size(), 1u);
    EXPECT_EQ(stream.errors[0].offset, c.errorOffset);
    EXPECT_EQ(stream.errors[0].message, c.message);
  }
}

TEST(StreamReaderErrors, TruncatedDownloadKeepsWhatThereIs) {
  const CommandStream stream = ReadCommandStream("~DYR:B,B,P,18446744073709551615,b,xy");
  ASSERT_EQ(stream.commands.size(), 1u);
  EXPECT_TRUE(stream.commands[0].download);
  EXPECT_EQ(stream.commands[0].declaredLength, UINT64_MAX);
  EXPECT_EQ(stream.commands[0].payload, "xy");
  EXPECT_FALSE(stream.ok());
}

// A 3x2 one-bit greyscale PNG made independently of this reader.
const std::string kReferencePng(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x03\x00\x00\x00\x02\x01\x00\x00"
    "\x00\x00\xb5\x0f\x5b\xb7\x00\x00\x00\x0c\x49\x44\x41\x54\x78\x9c\x63\x70\x60\x58\x00\x00\x01\x64\x00\xe1\x91"
    "\x3a\xdf\x2c\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
    69);

TEST(PngSummary, ReadsTheHeaderOfAWholeFile) {
  auto png = ReadPngSummary(kReferencePng);
  EXPECT_TRUE(png.isPng);
  EXPECT_TRUE(png.complete) << png.problem;
  EXPECT_EQ(png.width, 3u);
  EXPECT_EQ(png.height, 2u);
  EXPECT_EQ(png.bitDepth, 1);
  EXPECT_EQ(png.colourType, 0);
  EXPECT_EQ(png.length, 69u);

  png = ReadPngSummary(MinimalPng(2551, 14173, 8, 2, "pixels"));
  EXPECT_TRUE(png.complete) << png.problem;
  EXPECT_EQ(png.width, 2551u);
  EXPECT_EQ(png.height, 14173u);
  EXPECT_EQ(png.bitDepth, 8);
  EXPECT_EQ(png.colourType, 2);
}

TEST(PngSummary, BuilderMakesTheSameBytesAsAnIndependentEncoder) {
  const std::string idat("\x78\x9c\x63\x70\x60\x58\x00\x00\x01\x64\x00\xe1", 12);
  EXPECT_EQ(MinimalPng(3, 2, 1, 0, idat), kReferencePng);
  EXPECT_EQ(PngChunk("IEND", {}), std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12));
}

TEST(PngSummary, RefusesDamagedFiles) {
  std::string badCrc = kReferencePng;
  badCrc[45] ^= 1;  // inside the IDAT data
  std::string notIhdrFirst = kReferencePng;
  notIhdrFirst.replace(8, 25, PngChunk("tEXt", std::string(13, 'x')));
  const struct {
    const char* label;
    std::string bytes;
    bool isPng;
  } cases[] = {
      {"empty", "", false},
      {"not a PNG", "GIF89a", false},
      {"signature only", kReferencePng.substr(0, 8), true},
      {"cut inside IEND", kReferencePng.substr(0, 68), true},
      {"cut inside IDAT", kReferencePng.substr(0, 45), true},
      {"bad CRC", badCrc, true},
      {"IHDR not first", notIhdrFirst, true},
      {"chunk length beyond 2^31", kReferencePng.substr(0, 8) + "\x80\0\0\0IHDR"s + std::string(20, '\0'), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const auto png = ReadPngSummary(c.bytes);
    EXPECT_EQ(png.isPng, c.isPng);
    EXPECT_FALSE(png.complete);
    EXPECT_FALSE(png.problem.empty());
  }
}

TEST(PngSummary, TrailingBytesAreOutsideTheFile) {
  const auto png = ReadPngSummary(kReferencePng + "^XZ");
  EXPECT_TRUE(png.complete);
  EXPECT_EQ(png.length, 69u);
}

std::string Download(const std::string& name, const std::string& payload, size_t declared) {
  return "~DYR:" + name + ",B,P," + std::to_string(declared) + ",b," + payload;
}
std::string Download(const std::string& name, const std::string& payload) {
  return Download(name, payload, payload.size());
}

TEST(StreamChecks, FramingViolationsAreReportedAtTheirCommands) {
  const struct {
    const char* label;
    std::string bytes;
    std::vector<size_t> violations;
  } cases[] = {
      {"empty", "", {}},
      {"two formats", "^XA^FS^XZ^XA^XZ", {}},
      {"format start inside a format", "^XA^XA^XZ", {3}},
      {"end without a start", "^XZ^XA^XZ^XZ", {0, 9}},
      {"format left open", "^XA^XZ^XA^FS", {6}},
      {"open at the end after a nested start", "^XA^XA", {3, 3}},
      {"framing bytes inside a payload do not count", "^XA" + Download("B", "^XA^XA") + "^XZ", {}},
      {"only exact commands count", "^XAB^XZZ", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(FindFramingViolations(ReadCommandStream(c.bytes)), c.violations);
  }
}

TEST(StreamChecks, DownloadsMustHoldExactlyOnePngOfTheirLength) {
  const std::string png = MinimalPng(4, 4, 1, 0, "data");
  std::string damaged = png;
  damaged[30] ^= 0x10;
  const struct {
    const char* label;
    std::string bytes;
    std::vector<size_t> bad;
  } cases[] = {
      {"right length", "^XA" + Download("BASE", png) + "^XZ", {}},
      {"two right downloads", Download("A", png) + Download("B", png), {}},
      {"declared too long, swallowing the format end", "^XA" + Download("BASE", png + "^XZ", png.size() + 3), {3}},
      {"declared too short", "^XA" + Download("BASE", png, png.size() - 12) + "^XZ", {3}},
      {"a cut PNG with its own length", Download("B", png.substr(0, png.size() - 12)) + "^XZ", {0}},
      {"declared beyond the end", "^XA" + Download("BASE", png, png.size() + 1), {3}},
      {"payload is not a PNG", Download("B", "^XA^XZ") + "^XZ", {0}},
      {"damaged PNG", Download("B", damaged), {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(FindBadDownloads(ReadCommandStream(c.bytes)), c.bad);
  }
}

TEST(StreamChecks, RecallsNeedAnEarlierDownloadOfTheSameName) {
  const std::string png = MinimalPng(1, 1, 1, 0);
  const struct {
    const char* label;
    std::string bytes;
    std::vector<size_t> missing;
  } cases[] = {
      {"downloaded first", Download("BASE", png) + "^FO0,0^IMR:BASE.PNG^FS", {}},
      {"recalled before the download", "^FO0,0^IMR:BASE.PNG^FS" + Download("BASE", png), {6}},
      {"never downloaded", "^XA^IMR:END.PNG^FS^XZ", {3}},
      {"names are case-sensitive", Download("base", png) + "^IMR:BASE.PNG", {19 + png.size()}},
      {"a delete does not count as a download", "^IDR:DYNAMIC.PNG^IMR:DYNAMIC.PNG", {16}},
      {"recalled twice", Download("START", png) + "^IMR:START.PNG^IMR:START.PNG", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(FindRecallsWithoutDownload(ReadCommandStream(c.bytes)), c.missing);
  }
}

}  // namespace

namespace {

// A download whose payload holds no '^' or '~' for longer than a command is kept is still
// a download; a command that long keeps its head and counts the rest.
TEST(StreamReaderSplit, LongPayloadsAndCommandsThroughAFileSizedReader) {
  const std::string payload(label_stream::kMaxCommandText + 5, '\0');
  const std::string bytes = "~DYR:BASE,B,P," + std::to_string(payload.size()) + ",b," + payload + "^FD" + payload;
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::rewind(file);
  label_stream::FileSource source(file);
  label_stream::CommandReader reader(source);
  std::vector<label_stream::Command> commands(3);
  size_t count = 0;
  while (count < commands.size() && reader.Next(commands[count])) ++count;
  std::fclose(file);
  EXPECT_TRUE(reader.TakeErrors().empty());
  ASSERT_EQ(count, 2u);
  EXPECT_TRUE(commands[0].download);
  EXPECT_EQ(commands[0].payload, payload);
  EXPECT_TRUE(commands[1].Truncated());
  EXPECT_EQ(commands[1].size, payload.size() + 3);
  EXPECT_EQ(commands[1].Name(), "^FD");
}

}  // namespace

// The listing tool as a person runs it: a stream file in, a listing out, PNG payloads
// extracted on request, a non-zero exit for a malformed stream.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/stream_reader.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class CommandListingTool : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() / ("command_listing_" + std::to_string(::getpid()) + "_" + test->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path Write(const std::string& name, const std::string& bytes) {
    const fs::path path = folder_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  }
  // Runs the tool with `arguments`; returns its exit status, stdout in `out`.
  int Run(const std::string& arguments, std::string* out = nullptr) {
    const fs::path stdoutPath = folder_ / "stdout.txt";
    const std::string command = std::string(COMMAND_LISTING) + " " + arguments + " >" + stdoutPath.string() + " 2>" +
                                (folder_ / "stderr.txt").string();
    const int status = std::system(command.c_str());
    if (out != nullptr) *out = Read(stdoutPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Stderr() const { return Read(folder_ / "stderr.txt"); }

  fs::path folder_;
};

const std::string kPng = testing_support::MinimalPng(40, 12, 8, 2, "rows");
const std::string kGreyPng = testing_support::MinimalPng(101, 7, 1, 0, "bits");

// The sample stream as pieces, each with the line the listing shows for it.
struct Piece {
  std::string bytes;
  std::string listed;
};

std::string Header(const std::string& name, size_t length) {
  return "~DYR:" + name + ",B,P," + std::to_string(length) + ",b,";
}

std::vector<Piece> SamplePieces() {
  return {
      {"^XA", "^XA"},
      {"^CI28", "^CI28"},
      {"^S(CMP,U,D", "^S(CMP,U,D"},
      {Header("BASE", kPng.size()) + kPng,
       Header("BASE", kPng.size()) + " <" + std::to_string(kPng.size()) + " bytes PNG 40x12 RGB 8-bit>"},
      {"^FO83,71", "^FO83,71"},
      {"^IMR:BASE.PNG", "^IMR:BASE.PNG"},
      {"^FS", "^FS"},
      {"^FDa\x01\\b", "^FDa\\x01\\\\b"},
      {"^FS", "^FS"},
      {Header("END", kGreyPng.size()) + kGreyPng,
       Header("END", kGreyPng.size()) + " <" + std::to_string(kGreyPng.size()) + " bytes PNG 101x7 grey 1-bit>"},
      {"^XZ", "^XZ"},
  };
}

std::string SampleStream() {
  std::string bytes;
  for (const Piece& piece : SamplePieces()) bytes += piece.bytes;
  return bytes;
}

TEST_F(CommandListingTool, ListsOneCommandPerLineWithItsOffset) {
  const fs::path stream = Write("job.prn", SampleStream());
  std::string out;
  ASSERT_EQ(Run(stream.string(), &out), 0) << Stderr();
  std::string expected;
  size_t offset = 0;
  for (const Piece& piece : SamplePieces()) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%10zu  ", offset);
    expected += prefix + piece.listed + "\n";
    offset += piece.bytes.size();
  }
  EXPECT_EQ(out, expected);
}

TEST_F(CommandListingTool, WritesTheListingFileAndExtractsEachPngPayload) {
  const fs::path stream = Write("job.prn", SampleStream());
  const fs::path listing = folder_ / "listing.txt";
  std::string out;
  ASSERT_EQ(Run("--extract " + (folder_ / "png").string() + " " + stream.string() + " " + listing.string(), &out), 0)
      << Stderr();
  EXPECT_EQ(out, "");
  EXPECT_NE(Read(listing).find("^IMR:BASE.PNG\n"), std::string::npos);
  EXPECT_EQ(Read(folder_ / "png" / "001_BASE.png"), kPng);
  EXPECT_EQ(Read(folder_ / "png" / "002_END.png"), kGreyPng);
}

TEST_F(CommandListingTool, PayloadThatIsNoPngIsShownByItsSizeAndNotExtracted) {
  const fs::path stream = Write("odd.prn", "~DYR:end 1,B,P,3,b,^~x" + Header("x/y", kPng.size()) + kPng);
  std::string out;
  EXPECT_EQ(Run("--extract " + (folder_ / "png").string() + " " + stream.string(), &out), 1);
  EXPECT_EQ(out,
            "         0  ~DYR:end 1,B,P,3,b, <3 bytes>\n"
            "        22  " + Header("x/y", kPng.size()) + " <61 bytes PNG 40x12 RGB 8-bit>\n"
            "error at byte 0: download payload is not exactly one PNG file of the declared length\n");
  EXPECT_FALSE(fs::exists(folder_ / "png" / "001_end_1.png"));
  EXPECT_EQ(Read(folder_ / "png" / "002_x_y.png"), kPng);
}

TEST_F(CommandListingTool, MalformedStreamExitsNonZeroAfterListingWhatItCould) {
  const fs::path stream = Write("bad.prn", "junk^XA~DYR:BASE,B,P,100,b,\x89PNG"s);
  std::string out;
  EXPECT_EQ(Run(stream.string(), &out), 1);
  EXPECT_EQ(out,
            "         4  ^XA\n"
            "         7  ~DYR:BASE,B,P,100,b, <4 bytes of 100 declared>\n"
            "error at byte 0: 4 bytes outside any command\n"
            "error at byte 7: download of BASE declares 100 bytes, only 4 left\n"
            "error at byte 7: download payload is not exactly one PNG file of the declared length\n"
            "warning at byte 4: format framing (^XA ... ^XZ) broken\n");
}

TEST_F(CommandListingTool, StructuralFindingsAreWarningsOnly) {
  const fs::path stream = Write("odd.prn", "^XZ^IMR:DYNAMIC.PNG");
  std::string out;
  EXPECT_EQ(Run(stream.string(), &out), 0);
  EXPECT_NE(out.find("warning at byte 0: format framing"), std::string::npos);
  EXPECT_NE(out.find("warning at byte 3: recall of a graphic not downloaded before"), std::string::npos);
}

TEST_F(CommandListingTool, UsageAndFileErrorsExitWithTwo) {
  EXPECT_EQ(Run(""), 2);
  EXPECT_EQ(Run("--extract"), 2);
  EXPECT_EQ(Run("--bogus x.prn"), 2);
  EXPECT_EQ(Run("a b c"), 2);
  EXPECT_EQ(Run((folder_ / "missing.prn").string()), 2);
  EXPECT_NE(Stderr().find("cannot read"), std::string::npos);
}

}  // namespace

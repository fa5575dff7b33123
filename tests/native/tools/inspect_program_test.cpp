// label_inspect as a person runs it: a stream file in, a listing out, PNG payloads
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

#include "support/png_builder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class LabelInspectTool : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() / ("label_inspect_" + std::to_string(::getpid()) + "_" + test->name());
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
    const std::string command = std::string(LABEL_INSPECT) + " " + arguments + " >" + stdoutPath.string() + " 2>" +
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

TEST_F(LabelInspectTool, ListsOneCommandPerLineWithItsOffset) {
  const fs::path stream = Write("job.prn", SampleStream());
  std::string out;
  ASSERT_EQ(Run("list " + stream.string(), &out), 0) << Stderr();
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

TEST_F(LabelInspectTool, ExtractsEachPngPayload) {
  const fs::path stream = Write("job.prn", SampleStream());
  ASSERT_EQ(Run("list " + stream.string() + " --extract " + (folder_ / "png").string()), 0) << Stderr();
  EXPECT_EQ(Read(folder_ / "png" / "001_BASE.png"), kPng);
  EXPECT_EQ(Read(folder_ / "png" / "002_END.png"), kGreyPng);
}

TEST_F(LabelInspectTool, PayloadThatIsNoPngIsShownByItsSizeAndNotExtracted) {
  const fs::path stream = Write("odd.prn", "~DYR:end 1,B,P,3,b,^~x" + Header("x/y", kPng.size()) + kPng);
  std::string out;
  EXPECT_EQ(Run("list --extract " + (folder_ / "png").string() + " " + stream.string(), &out), 0);
  EXPECT_EQ(out,
            "         0  ~DYR:end 1,B,P,3,b, <3 bytes>\n"
            "        22  " + Header("x/y", kPng.size()) + " <61 bytes PNG 40x12 RGB 8-bit>\n");
  EXPECT_FALSE(fs::exists(folder_ / "png" / "001_end_1.png"));
  EXPECT_EQ(Read(folder_ / "png" / "002_x_y.png"), kPng);
}

TEST_F(LabelInspectTool, MalformedStreamListsErrorsWhereTheyOccurAndExitsWithOne) {
  const fs::path stream = Write("bad.prn", "junk^XA~DYR:BASE,B,P,100,b,\x89PNG"s);
  std::string out;
  EXPECT_EQ(Run("list " + stream.string(), &out), 1);
  EXPECT_EQ(out,
            "error at byte 0: 4 bytes outside any command\n"
            "         4  ^XA\n"
            "         7  ~DYR:BASE,B,P,100,b, <4 bytes of 100 declared>\n"
            "error at byte 7: download of BASE declares 100 bytes, only 4 left\n");
}

TEST_F(LabelInspectTool, CheckReportsOneLineAProblemAndExitsByTheWorst) {
  struct {
    std::string bytes;
    int status;
    std::string out;
  } const cases[] = {
      {"^XA^CI28^S(CMP,U,D^XZ", 0, "check: 0 errors, 0 warnings in 4 commands, 21 bytes\n"},
      {"^XA^CI28^S(CMP,U,D^C(D", 0,
       "0: ^XA: warning: quirk base-discarded-format-open: the stream ends with the format that discarded the base "
       "(^C(D) still open\ncheck: 0 errors, 1 warning in 4 commands, 22 bytes\n"},
      {"\x01^XZ", 1,
       "0: (bytes): error: 1 byte outside any command\n1: ^XZ: error: ^XZ with no format open\n"
       "check: 2 errors, 0 warnings in 1 commands, 4 bytes\n"},
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(Run("check " + Write("job.prn", c.bytes).string(), &out), c.status) << c.bytes;
    EXPECT_EQ(out, c.out);
  }
}

TEST_F(LabelInspectTool, UsageAndFileErrorsExitWithTwo) {
  EXPECT_EQ(Run("check"), 2);
  EXPECT_EQ(Run("check a b"), 2);
  EXPECT_EQ(Run("check " + folder_.string()), 2);
  EXPECT_EQ(Run(""), 2);
  EXPECT_EQ(Run("lsit x.prn"), 2);
  EXPECT_EQ(Run("list"), 2);
  EXPECT_EQ(Run("list x.prn --extract"), 2);
  EXPECT_EQ(Run("list --bogus x.prn"), 2);
  EXPECT_EQ(Run("list a b"), 2);
  EXPECT_EQ(Run("list " + (folder_ / "missing.prn").string()), 2);
  EXPECT_NE(Stderr().find("cannot read"), std::string::npos);
}

}  // namespace

// The diagnostic log against the in-memory log services: paths and folders, the exact
// line, cuts, rotation, the mutex protocol and every way an entry is dropped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diag/diagnostic_log.h"
#include "support/fake_log_system.h"

namespace {

using platform::WaitResult;
using testing_support::FakeLogSystem;

const std::u16string kMaker = u"C:\\ProgramData\\ORVEX";
const std::u16string kApplication = kMaker + u"\\ORVEX_ZOV";
const std::u16string kLog = kApplication + u"\\ZOV_PLUGIN_KD-V62x0G.log";
const std::u16string kBackup = kLog + u".bak";
// The fixed clock of the fake and the names every line carries.
const std::string kPrefix = "2026/12/09 08:05:03.007,ORVEX_ZOV,ZOV_PLUGIN_KD-V62x0G,";

class DiagnosticLogTest : public ::testing::Test {
 protected:
  FakeLogSystem log;
  platform::ScopedService<platform::LogSystem> guard{log};

  // The folders already exist and the log holds `size` bytes of whole lines.
  void PrepareLog(size_t size, char fill = 'x') {
    log.folders = {kMaker, kApplication};
    log.files[kLog] = Filler(size, fill);
  }
  static std::string Filler(size_t size, char fill = 'x') {
    return size < 2 ? std::string(size, '\n') : std::string(size - 2, fill) + "\r\n";
  }
};

static_assert(noexcept(diag::WriteDiagnosticLog(nullptr, nullptr)));

TEST_F(DiagnosticLogTest, FirstEntryCreatesBothFoldersAndOneLine) {
  diag::LogPainterFailure();
  EXPECT_EQ(log.folders, (std::set<std::u16string>{kMaker, kApplication}));
  ASSERT_EQ(log.files.size(), 1u);
  EXPECT_EQ(log.files[kLog], kPrefix + "Painter,bad_alloc\r\n");
  EXPECT_EQ(log.lastMutexName, u"ORVEX_KD-V1800");
  EXPECT_EQ(log.lastWaitMilliseconds, 5000u);
}

TEST_F(DiagnosticLogTest, StepsRunInOrderUnderTheMutex) {
  diag::WriteDiagnosticLog(u"m", u"s");
  EXPECT_EQ(log.events, (std::vector<std::string>{"mutex-open", "wait", "open", "now", "append", "file-close",
                                                  "release", "mutex-close"}));
}

TEST_F(DiagnosticLogTest, ExistingFoldersAreUsedAsTheyAre) {
  PrepareLog(0);
  log.createFolderFails = true;
  diag::WriteDiagnosticLog(u"second", u"src");
  EXPECT_EQ(log.files[kLog], kPrefix + "src,second\r\n");
}

TEST_F(DiagnosticLogTest, EntriesAreAppended) {
  diag::WriteDiagnosticLog(u"one", u"a");
  log.now.milliseconds = 8;
  diag::WriteDiagnosticLog(u"two", u"b");
  EXPECT_EQ(log.Lines(kLog), (std::vector<std::string>{kPrefix + "a,one",
                                                       "2026/12/09 08:05:03.008,ORVEX_ZOV,ZOV_PLUGIN_KD-V62x0G,b,two"}));
}

TEST_F(DiagnosticLogTest, TimestampFieldsAreZeroFilled) {
  struct Case {
    platform::LocalTime time;
    std::string text;
  };
  const Case cases[] = {
      {{2026, 1, 2, 3, 4, 5, 6}, "2026/01/02 03:04:05.006"},
      {{999, 12, 31, 23, 59, 59, 999}, "0999/12/31 23:59:59.999"},
      {{0, 0, 0, 0, 0, 0, 0}, "0000/00/00 00:00:00.000"},
      {{10000, 10, 10, 10, 10, 10, 10}, "10000/10/10 10:10:10.010"},
  };
  for (const Case& c : cases) {
    log.files.clear();
    log.now = c.time;
    diag::WriteDiagnosticLog(u"m", u"s");
    EXPECT_EQ(log.files[kLog], c.text + ",ORVEX_ZOV,ZOV_PLUGIN_KD-V62x0G,s,m\r\n");
  }
}

TEST_F(DiagnosticLogTest, MessageIsTextNotAFormat) {
  diag::WriteDiagnosticLog(u"100% %s %d %% %n", u"src,%s");
  EXPECT_EQ(log.files[kLog], kPrefix + "src,%s,100% %s %d %% %n\r\n");
}

TEST_F(DiagnosticLogTest, LineBreakAtTheEndOfAMessageIsKept) {
  diag::WriteDiagnosticLog(u"Invlid Left Margin: 10px @ 600dpi\n", u"vpiSendLayoutData");
  EXPECT_EQ(log.files[kLog], kPrefix + "vpiSendLayoutData,Invlid Left Margin: 10px @ 600dpi\n\r\n");
}

TEST_F(DiagnosticLogTest, LongTextsAreCut) {
  struct Case {
    size_t sourceLength, messageLength;
    size_t writtenMessage;  // units of the message that reach the line
    size_t lineLength;
  };
  const size_t prefix = kPrefix.size() + 1;  // and the comma after the source
  const Case cases[] = {
      {1, 1663, 1663, prefix + 1 + 1663},
      {1, 1664, 1663, prefix + 1 + 1663},
      {1, 2000, 1663, prefix + 1 + 1663},
      {2047 - prefix - 1663, 2000, 1663, 2047},
      {2048 - prefix - 1663, 2000, 1662, 2047},
      {3000, 10, 0, 2047},
  };
  for (const Case& c : cases) {
    log.files.clear();
    const std::u16string source(c.sourceLength, u's');
    const std::u16string message(c.messageLength, u'm');
    diag::WriteDiagnosticLog(message.c_str(), source.c_str());
    const std::vector<std::string> lines = log.Lines(kLog);
    ASSERT_EQ(lines.size(), 1u) << c.sourceLength << "/" << c.messageLength;
    EXPECT_EQ(lines[0].size(), c.lineLength) << c.sourceLength << "/" << c.messageLength;
    const size_t messageStart = std::min(prefix + c.sourceLength, lines[0].size());
    EXPECT_EQ(lines[0].substr(messageStart), std::string(c.writtenMessage, 'm'));
  }
}

TEST_F(DiagnosticLogTest, RotatesOnlyPastTheLimitLessTheMargin) {
  for (const size_t size : {size_t{5238784}, size_t{5238785}}) {
    SCOPED_TRACE(size);
    log.files.clear();
    PrepareLog(size);
    diag::WriteDiagnosticLog(u"m", u"s");
    const std::string line = kPrefix + "s,m\r\n";
    if (size == 5238784) {
      EXPECT_EQ(log.files.count(kBackup), 0u);
      EXPECT_EQ(log.files[kLog], Filler(size) + line);
    } else {
      EXPECT_EQ(log.files[kBackup], Filler(size));
      EXPECT_EQ(log.files[kLog], line);
    }
  }
}

TEST_F(DiagnosticLogTest, RotationClosesCopiesAndReopensEmptied) {
  PrepareLog(5242880);
  diag::WriteDiagnosticLog(u"m", u"s");
  EXPECT_EQ(log.events, (std::vector<std::string>{"mutex-open", "wait", "open", "file-close", "delete", "copy",
                                                  "open-truncate", "now", "append", "file-close", "release",
                                                  "mutex-close"}));
}

TEST_F(DiagnosticLogTest, RotationReplacesAnExistingBackup) {
  PrepareLog(5238785, 'n');
  log.files[kBackup] = std::string(6000000, 'o');
  diag::WriteDiagnosticLog(u"m", u"s");
  EXPECT_EQ(log.files[kBackup], Filler(5238785, 'n'));
  EXPECT_EQ(log.files[kLog], kPrefix + "s,m\r\n");
}

TEST_F(DiagnosticLogTest, AFailedCopyKeepsEveryEntryInTheFullLog) {
  PrepareLog(5240000);
  log.files[kBackup] = "old backup\r\n";
  log.heldOpen = {kBackup};
  diag::WriteDiagnosticLog(u"m", u"s");
  EXPECT_EQ(log.files[kLog], Filler(5240000) + kPrefix + "s,m\r\n");
  EXPECT_EQ(log.files[kBackup], "old backup\r\n");
  log.heldOpen.clear();
  diag::WriteDiagnosticLog(u"n", u"s");
  EXPECT_EQ(log.files[kBackup], Filler(5240000) + kPrefix + "s,m\r\n");
  EXPECT_EQ(log.files[kLog], kPrefix + "s,n\r\n");
}

TEST_F(DiagnosticLogTest, SizeNearFourGigabytesStillRotates) {
  // 0xFFFFF000 + 4096 would wrap to 0 in 32 bits.
  PrepareLog(3, 'o');
  log.extraSize = 0xFFFFF000u - 3;
  diag::WriteDiagnosticLog(u"m", u"s");
  EXPECT_EQ(log.files[kBackup], Filler(3, 'o'));
  EXPECT_EQ(log.files[kLog], kPrefix + "s,m\r\n");
}

TEST_F(DiagnosticLogTest, FailedReopenKeepsTheOldLogAndItsBackup) {
  PrepareLog(5238785);
  log.truncateFails = true;
  diag::WriteDiagnosticLog(u"m", u"s");
  EXPECT_EQ(log.files[kLog], Filler(5238785));
  EXPECT_EQ(log.files[kBackup], Filler(5238785));
  EXPECT_EQ(log.mutexReleases, 1);
  EXPECT_EQ(log.mutexesOpen, 0);
  EXPECT_EQ(log.filesOpen, 0);
}

// A log path of 257 units: "%s.bak" cut to 259 units leaves ".b".
TEST_F(DiagnosticLogTest, BackupNameIsCutToTheMaximumPath) {
  log.appDataFolder = u"C:\\" + std::u16string(257 - 41 - 3, u'p');
  const std::u16string logPath = log.appDataFolder + u"\\ORVEX\\ORVEX_ZOV\\ZOV_PLUGIN_KD-V62x0G.log";
  ASSERT_EQ(logPath.size(), 257u);
  diag::WriteDiagnosticLog(u"first", u"s");
  log.files[logPath].append(5300000, 'x');
  diag::WriteDiagnosticLog(u"second", u"s");
  EXPECT_EQ(log.lastBackupPath, logPath + u".b");
  EXPECT_EQ(log.files[logPath + u".b"].substr(0, kPrefix.size() + 8), kPrefix + "s,first\r");
  EXPECT_EQ(log.Lines(logPath), std::vector<std::string>{kPrefix + "s,second"});
}

// At 259 units the cut backup name is the log's own name: the log is kept, not rotated away.
TEST_F(DiagnosticLogTest, ALogPathWithNoRoomForTheBackupNameIsNotRotated) {
  log.appDataFolder = u"C:\\" + std::u16string(259 - 41 - 3, u'p');
  const std::u16string logPath = log.appDataFolder + u"\\ORVEX\\ORVEX_ZOV\\ZOV_PLUGIN_KD-V62x0G.log";
  ASSERT_EQ(logPath.size(), 259u);
  diag::WriteDiagnosticLog(u"first", u"s");
  log.files[logPath].append(5300000, 'x');
  diag::WriteDiagnosticLog(u"second", u"s");
  EXPECT_EQ(log.files.size(), 1u);
  EXPECT_EQ(log.files[logPath].substr(0, kPrefix.size() + 7), kPrefix + "s,first");
  EXPECT_EQ(log.files[logPath].substr(kPrefix.size() + 9),
            std::string(5300000, 'x') + "\r\n" + kPrefix + "s,second\r\n");
}

TEST_F(DiagnosticLogTest, PathUpToTheMaximumIsUsed) {
  for (const size_t length : {size_t{259}, size_t{260}}) {
    FakeLogSystem fresh;
    platform::ScopedService<platform::LogSystem> inner(fresh);
    fresh.appDataFolder = u"C:\\" + std::u16string(length - 41 - 3, u'p');
    diag::WriteDiagnosticLog(u"m", u"s");
    EXPECT_EQ(fresh.files.size(), length == 259 ? 1u : 0u) << length;
    EXPECT_EQ(fresh.mutexWaits, length == 259 ? 1 : 0) << length;
  }
}

TEST_F(DiagnosticLogTest, LineMustConvertIntoTheByteBuffer) {
  // Each unmappable unit becomes 3 bytes: a line of 2047 units with 1024 of them is
  // 4095 bytes and fits with its terminator; 2046 units with 1025 of them is 4096 and does not.
  log.unmappable = "abc";
  for (const size_t units : {size_t{2047}, size_t{2046}}) {
    log.files.clear();
    const size_t wide = units == 2047 ? 1024 : 1025;
    const std::u16string source(units - kPrefix.size() - 1 - 1663, u's');
    const std::u16string message = std::u16string(wide, u'\u4e2d') + std::u16string(1663 - wide, u'm');
    diag::WriteDiagnosticLog(message.c_str(), source.c_str());
    EXPECT_EQ(log.files[kLog].size(), units == 2047 ? 4095u + 2u : 0u) << units;
  }
}

TEST_F(DiagnosticLogTest, UnmappableCharactersBecomeTheDefaultCharacter) {
  diag::WriteDiagnosticLog(u"caf\u00e9 \u2603", u"s");
  EXPECT_EQ(log.files[kLog], kPrefix + "s,caf\xe9 ?\r\n");
}

// A disk that fills up mid-entry: the log is cut back to what it held before the
// entry, and the next entry, once there is room again, is a whole line of its own.
TEST_F(DiagnosticLogTest, AShortWriteLeavesTheLogAsItWas) {
  const std::string before = kPrefix + "s,earlier\r\n";
  const std::string entry = kPrefix + "s,m\r\n";
  for (const uint64_t room : {uint64_t{0}, uint64_t{1}, uint64_t{31}, uint64_t{entry.size() - 1}}) {
    SCOPED_TRACE(room);
    PrepareLog(0);
    log.files[kLog] = before;
    log.room = room;
    diag::WriteDiagnosticLog(u"m", u"s");
    EXPECT_EQ(log.files[kLog], before);
    EXPECT_EQ(log.room, room);
    log.room.reset();
    diag::WriteDiagnosticLog(u"n", u"s");
    EXPECT_EQ(log.files[kLog], before + kPrefix + "s,n\r\n");
  }
}

// A log left without a line break at its end (a crash, a power loss, an older build).
TEST_F(DiagnosticLogTest, AnEntryStartsOnANewLine) {
  const std::string entry = kPrefix + "s,m\r\n";
  const struct {
    std::string before, after;
  } cases[] = {
      {"", entry},
      {"whole\r\n", "whole\r\n" + entry},
      {"line feed only\n", "line feed only\n" + entry},
      {"2026/12/10 10:19:50.881,ORVEX_ZO", "2026/12/10 10:19:50.881,ORVEX_ZO\r\n" + entry},
      {"torn before its line feed\r", "torn before its line feed\r\n" + entry},
  };
  for (const auto& c : cases) {
    PrepareLog(0);
    log.files[kLog] = c.before;
    diag::WriteDiagnosticLog(u"m", u"s");
    EXPECT_EQ(log.files[kLog], c.after);
  }
}

// Every failure drops the entry silently; the mutex, once acquired, is always released,
// and every handle obtained is closed.
TEST_F(DiagnosticLogTest, FailuresDropTheEntry) {
  struct Case {
    const char* name;
    void (*arrange)(FakeLogSystem&);
    int waits, releases;
    bool fileCreated;
  };
  const Case cases[] = {
      {"no app-data folder", [](FakeLogSystem& f) { f.appDataFails = true; }, 0, 0, false},
      {"maker folder not created", [](FakeLogSystem& f) { f.createFolderFails = true; }, 0, 0, false},
      {"application folder not created",
       [](FakeLogSystem& f) {
         f.folders.insert(kMaker);
         f.createFolderFails = true;
       },
       0, 0, false},
      {"mutex not opened", [](FakeLogSystem& f) { f.openMutexFails = true; }, 0, 0, false},
      {"wait timed out", [](FakeLogSystem& f) { f.waitResult = WaitResult::TimedOut; }, 1, 0, false},
      {"wait failed", [](FakeLogSystem& f) { f.waitResult = WaitResult::Failed; }, 1, 0, false},
      {"file not opened", [](FakeLogSystem& f) { f.openFileFails = true; }, 1, 1, false},
      {"size not read", [](FakeLogSystem& f) { f.sizeFails = true; }, 1, 1, true},
      {"conversion failed", [](FakeLogSystem& f) { f.conversionFails = true; }, 1, 1, true},
      {"clock threw", [](FakeLogSystem& f) { f.nowThrows = true; }, 1, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeLogSystem fresh;
    platform::ScopedService<platform::LogSystem> inner(fresh);
    c.arrange(fresh);
    diag::WriteDiagnosticLog(u"m", u"s");
    EXPECT_EQ(fresh.mutexWaits, c.waits);
    EXPECT_EQ(fresh.mutexReleases, c.releases);
    EXPECT_EQ(fresh.mutexesOpen, 0);
    EXPECT_EQ(fresh.filesOpen, 0);
    if (c.fileCreated) {
      ASSERT_EQ(fresh.files.size(), 1u);
      EXPECT_EQ(fresh.files[kLog], "");
    } else {
      EXPECT_TRUE(fresh.files.empty());
    }
  }
}

TEST_F(DiagnosticLogTest, AbandonedMutexCountsAsAcquired) {
  log.waitResult = WaitResult::Abandoned;
  diag::WriteDiagnosticLog(u"m", u"s");
  EXPECT_EQ(log.files[kLog], kPrefix + "s,m\r\n");
  EXPECT_EQ(log.mutexReleases, 1);
  EXPECT_EQ(log.mutexesOpen, 0);
}

TEST_F(DiagnosticLogTest, MissingTextsWriteNothing) {
  diag::WriteDiagnosticLog(nullptr, u"s");
  diag::WriteDiagnosticLog(u"m", nullptr);
  diag::WriteDiagnosticLog(nullptr, nullptr);
  EXPECT_TRUE(log.files.empty());
  EXPECT_EQ(log.mutexWaits, 0);
}

}  // namespace

// The rules of a command stream that the plug-in promises, checked command by command
// as a stream is read (a CommandReader feeds it), so streams of any size can be checked:
//   - formats framed "^XA" ... "^XZ", not nested, nothing but downloads outside a format,
//     and the stream ends outside a format;
//   - every "~DYR:" download: declared length present and matching, payload one complete
//     PNG (signature, CRCs, IHDR first, IEND last, nothing after it) with the pHYs the
//     plug-in writes (11811 pixels per metre both ways);
//   - every "^IMR:" recall names a graphic downloaded earlier and not deleted since;
//   - "^C(L" only after a base was saved ("^C(SN" ... "^XZ");
//   - field blocks complete ("^FO"/"^FT" ... "^FS"), "^FH_" escapes well formed and the
//     decoded text valid UTF-8;
//   - origins inside the label size of the job header; white boxes and recalled images
//     that reach past its edge are clipped by the printer: a warning;
//   - every setting with a value from its known set, every command one the plug-in writes.
// Four things the plug-in writes on purpose are warnings that name the quirk, not errors:
// a single-up base wholly in the unprintable strip leaves its format open after "^C(D"
// (quirk "base-discarded-format-open"), an overlay wholly in the strip is deleted by
// "^IDR:" and still recalled (quirk "overlay-deleted-then-recalled"), a clock field
// within 35 dots of the left edge has its negative x written as an unsigned 32-bit value
// (quirk "clock-negative-x"), and a colour or feed number stored outside the dialog's
// range is sent unchanged (quirk "setting-outside-dialog-range").
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "stream/command_stream.h"

namespace label_stream {

enum class Severity { kError, kWarning };
enum class CommandKind : char;  // what a command is, to the checker

struct Problem {
  uint64_t offset = 0;  // of the command at fault
  std::string command;  // its text, printable and shortened
  Severity severity = Severity::kError;
  std::string message;  // what is wrong; for a quirk it starts with "quirk <name>: "
};

// "<offset>: <command>: error: <message>" (or "warning: ").
std::string FormatProblem(const Problem& problem);

class StreamChecker {
 public:
  using Report = std::function<void(const Problem&)>;
  explicit StreamChecker(Report report) : report_(std::move(report)) {}

  // The next command (Command::View() for a command held), with the reader's errors
  // taken after reading it.
  void Add(const CommandView& command, const std::vector<StreamError>& readerErrors = {});
  // The end of the stream, with the reader's last errors.
  void Finish(const std::vector<StreamError>& readerErrors = {});

  uint64_t errors() const { return errors_; }
  uint64_t warnings() const { return warnings_; }

 private:
  void Error(const CommandView& command, std::string message);
  void Warning(const CommandView& command, std::string message);
  void Emit(uint64_t offset, std::string_view text, Severity severity, std::string message);
  void ReaderErrors(const std::vector<StreamError>& errors, bool before, uint64_t offset);
  void CheckFraming(const CommandView& command);
  void CheckDownload(const CommandView& command);
  void CheckCommand(const CommandView& command);
  void CheckSetting(const CommandView& command);
  void CheckFieldPart(const CommandView& command);
  void CloseField(const CommandView* closing);
  void CheckOrigin(uint64_t offset, std::string_view text, uint64_t x, uint64_t y);
  void CheckReach(const CommandView& command, const char* what, uint64_t width, uint64_t height);
  void CheckRecall(const CommandView& command);
  void CheckFieldData(const CommandView& command);
  void CheckBase(const CommandView& command);

  Report report_;
  const CommandView* current_ = nullptr;  // the command being checked
  CommandKind kind_{};                // what it is
  uint64_t errors_ = 0;
  uint64_t warnings_ = 0;

  // Framing.
  bool open_ = false;
  uint64_t openedAt_ = 0;
  bool openAfterDiscard_ = false;  // the open format's last command was "^C(D"
  // Downloads.
  uint64_t lastDownloadOffset_ = 0;
  uint64_t lastDownloadEnd_ = UINT64_MAX;
  std::string lastDownloadHeader_;
  struct Graphic {
    std::string name;
    uint64_t width = 0, height = 0;  // 0: not a readable PNG
  };
  std::vector<Graphic> graphics_;  // downloaded and not deleted
  std::string deletedJustBefore_;      // "^IDR:" name while the next field may recall it
  // Base.
  bool baseSaved_ = false;
  bool baseSavePending_ = false;
  bool baseDiscarded_ = false;
  // Label size of the job header, in 600-dpi dots, and the job's resolution.
  uint64_t labelWidth_ = 0, labelHeight_ = 0;
  bool haveWidth_ = false, haveHeight_ = false;
  uint64_t dotScale_ = 1;  // 600-dpi dots per job dot: 2 at 300 dpi
  // Field block.
  bool fieldOpen_ = false;
  uint64_t fieldOffset_ = 0;
  std::string fieldText_;
  std::string fieldParts_;  // the block's commands, one letter each (see kPartCodes)
  std::string decoded_;     // field data with its escapes decoded
  uint64_t fieldX_ = 0, fieldY_ = 0;
  bool fieldEscaped_ = false;
  bool originWrapped_ = false;  // a ^FT x just below 2^32: a clock field's negative x, or wrong
};

// Every problem of a stream in memory, in order.
std::vector<Problem> CheckStream(std::string_view bytes);

}  // namespace label_stream

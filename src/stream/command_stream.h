// The label command stream as data: the bytes a job sends to the printer, split into
// commands (each starts at '^' or '~' and runs to the next one) with their byte offsets,
// "~DYR:<name>,B,P,<length>,b," downloads with their payload taken by its byte count, and
// the commands grouped into formats ("^XA" ... "^XZ"). Knows the command language, not
// the plug-in. Portable: used by label_inspect, the tests and the fuzz targets.
//
// Two ways in: ReadCommandStream() for bytes already in memory, and CommandReader, which
// pulls commands one at a time from a ByteSource (a file of any size), holding only the
// current command and, for a download, its payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace label_stream {

// At most this many bytes of one command's text are kept; the rest is counted in `size`.
// Commands the plug-in writes are far shorter; only a download's payload may be larger.
inline constexpr size_t kMaxCommandText = 1 << 20;

// A command as a CommandReader holds it: views into the reader's bytes, valid until its
// next call. Reading this way copies nothing when the stream is already in memory.
struct CommandView {
  uint64_t offset = 0;
  uint64_t size = 0;
  std::string_view text;
  bool download = false;
  std::string_view name;
  uint64_t declaredLength = 0;
  std::string_view payload;

  uint64_t End() const { return offset + size + payload.size(); }
  bool Truncated() const { return size > text.size(); }
};

struct Command {
  uint64_t offset = 0;  // of the command's first byte in the stream
  uint64_t size = 0;    // bytes of the command in the stream, without a download's payload
  std::string text;     // the command's bytes (its first kMaxCommandText); a download's header up to ",b,"
  bool download = false;
  std::string name;             // download: the graphic name
  uint64_t declaredLength = 0;  // download: the length in the header
  std::string payload;          // download: the bytes taken (fewer than declared when the stream ends)

  // Offset of the first byte after the command (and its payload).
  uint64_t End() const { return offset + size + payload.size(); }
  // True when the text holds only the first kMaxCommandText bytes of the command.
  bool Truncated() const { return size > text.size(); }
  CommandView View() const { return {offset, size, text, download, name, declaredLength, payload}; }
  // The command's name: the mark and two characters ("^XA", "^FO", "~DY"), and for the
  // bracketed families the capitals after the bracket ("^S(CLS", "^C(SN", "^C(L", "^F(C").
  std::string_view Name() const;
};

// A fault in the bytes themselves: stray bytes, an unreadable download header, a payload
// cut short by the end of the stream, a read error.
struct StreamError {
  uint64_t offset = 0;
  std::string message;
};

// One format: the commands from a "^XA" up to its "^XZ" (indices into
// CommandStream::commands). A format not closed by "^XZ" runs to the next "^XA" or
// the end of the stream.
struct Format {
  size_t first = 0;  // index of the "^XA"
  size_t end = 0;    // one past the index of the last command
  bool closed = false;
};

struct CommandStream {
  std::vector<Command> commands;
  std::vector<Format> formats;
  std::vector<StreamError> errors;

  bool ok() const { return errors.empty(); }
  // The commands' texts in order (download headers without their payloads).
  std::vector<std::string> Texts() const;
};

// Where a CommandReader gets its bytes.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `size` bytes into `to`; 0 at the end of the bytes or on failure.
  virtual size_t Read(char* to, size_t size) = 0;
  // Why reading stopped early; empty when the bytes simply ended.
  virtual std::string Failure() const { return {}; }
  // For bytes already in memory: all of them at once (the reader then copies nothing).
  virtual bool Whole(std::string_view& bytes) const {
    (void)bytes;
    return false;
  }
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  size_t Read(char* to, size_t size) override;
  bool Whole(std::string_view& bytes) const override;

 private:
  std::string_view bytes_;
};

// Reads an open file (not closed here).
class FileSource : public ByteSource {
 public:
  explicit FileSource(std::FILE* file) : file_(file) {}
  size_t Read(char* to, size_t size) override;
  std::string Failure() const override;

 private:
  std::FILE* file_;
  bool failed_ = false;
};

// Pulls commands from a source one at a time. Errors: bytes that start no command
// (before the first command or after a download's payload), a download header that
// cannot be read, a download length that runs past the end of the stream (reading stops
// there), a source that fails.
class CommandReader {
 public:
  explicit CommandReader(ByteSource& source) : source_(source) { ended_ = source.Whole(window_); }
  // The next command into `command`; false at the end of the stream.
  bool Next(Command& command);
  // The same as views, valid until the next call (no copy of bytes already in memory).
  bool Next(CommandView& command);
  // Errors found since the last call, in order of their offsets.
  std::vector<StreamError> TakeErrors();
  // Bytes consumed so far.
  uint64_t Position() const { return base_ + pos_; }

 private:
  bool Fill();  // reads more bytes after the buffered ones; false at the end
  bool SkipStray();
  void TakeText(CommandView& command);
  void TakePayload(CommandView& command);

  ByteSource& source_;
  std::string buffer_;        // bytes read from the source
  std::string_view window_;  // the bytes at hand: buffer_, or the whole source in memory
  size_t pos_ = 0;           // next unread byte in window_
  uint64_t base_ = 0;        // stream offset of window_[0]
  bool ended_ = false;
  bool stopped_ = false;  // a download ran past the end: nothing more to read
  std::string text_;      // a command's text when the window moves on before the caller sees it
  std::string payload_;   // a payload that does not lie whole in the window
  std::vector<StreamError> errors_;
};

// Printable ASCII as it is; every other byte, and the backslash, escaped as \xHH and \\.
std::string Printable(std::string_view bytes);

// Splits `bytes` into commands and groups them into formats.
CommandStream ReadCommandStream(std::string_view bytes);

// The formats of a list of commands, as CommandStream::formats.
std::vector<Format> GroupFormats(const std::vector<Command>& commands);

// Structural checks on a whole stream, as offsets of the commands at fault.
// Framing: a "^XA" while a format is open, a "^XZ" with none open, a "^XA" still open at the end.
std::vector<uint64_t> FindFramingViolations(const CommandStream& stream);
// Downloads whose declared length is wrong: the payload runs past the end, bytes that
// start no command follow it, or it is not exactly one complete PNG file.
std::vector<uint64_t> FindBadDownloads(const CommandStream& stream);
// A download whose payload has its declared length and is exactly one complete PNG file
// (what FindBadDownloads asks of each, but for the bytes that follow it).
bool WholePngDownload(const CommandView& command);
// Recalls "^IMR:<name>.PNG" with no download of <name> earlier in the stream.
std::vector<uint64_t> FindRecallsWithoutDownload(const CommandStream& stream);

}  // namespace label_stream

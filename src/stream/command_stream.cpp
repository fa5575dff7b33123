#include "stream/command_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "stream/png_summary.h"

namespace label_stream {
namespace {

constexpr std::string_view kDownloadStart = "~DYR:";
constexpr std::string_view kRecallStart = "^IMR:";
constexpr std::string_view kGraphicExtension = ".PNG";
constexpr size_t kChunk = 1 << 16;

bool IsMark(char c) { return c == '^' || c == '~'; }

// The first '^' or '~' in [from, end), or end: '^' by memchr, then '~' in the few
// bytes before it (commands are short; '~' is rare).
const char* FindMark(const char* from, const char* end) {
  if (from >= end) return end;
  const auto* caret = static_cast<const char*>(std::memchr(from, '^', static_cast<size_t>(end - from)));
  const char* limit = caret != nullptr ? caret : end;
  for (; from < limit; ++from)
    if (*from == '~') return from;
  return limit;
}

std::string Bytes(uint64_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

// Reads "<name>,B,P,<length>,b," after "~DYR:" in `header`; on success `headerEnd` is
// the offset just past ",b,".
bool ReadDownloadHeader(std::string_view header, std::string& name, uint64_t& length, size_t& headerEnd) {
  const size_t at = kDownloadStart.size();
  const size_t comma = header.find(',', at);
  if (comma == std::string_view::npos) return false;
  size_t pos = comma;
  if (header.substr(pos, 5) != ",B,P,") return false;
  pos += 5;
  const size_t digitsStart = pos;
  uint64_t value = 0;
  while (pos < header.size() && header[pos] >= '0' && header[pos] <= '9') {
    const auto digit = static_cast<uint64_t>(header[pos] - '0');
    if (value > (UINT64_MAX - digit) / 10) return false;
    value = value * 10 + digit;
    ++pos;
  }
  if (pos == digitsStart || header.substr(pos, 3) != ",b,") return false;
  name.assign(header.substr(at, comma - at));
  length = value;
  headerEnd = pos + 3;
  return true;
}

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

std::string_view Command::Name() const {
  const std::string_view view = text;
  if (view.size() >= 3 && view[2] == '(') {
    size_t end = 3;
    while (end < view.size() && IsUpper(view[end])) ++end;
    return view.substr(0, end);
  }
  return view.substr(0, 3);
}

std::vector<std::string> CommandStream::Texts() const {
  std::vector<std::string> texts;
  texts.reserve(commands.size());
  for (const Command& command : commands) texts.push_back(command.text);
  return texts;
}

bool MemorySource::Whole(std::string_view& bytes) const {
  bytes = bytes_;
  return true;
}

size_t MemorySource::Read(char* to, size_t size) {
  const size_t count = std::min(size, bytes_.size());
  std::memcpy(to, bytes_.data(), count);
  bytes_.remove_prefix(count);
  return count;
}

size_t FileSource::Read(char* to, size_t size) {
  const size_t count = std::fread(to, 1, size, file_);
  if (count == 0 && std::ferror(file_) != 0) failed_ = true;
  return count;
}

std::string FileSource::Failure() const { return failed_ ? "read error" : ""; }

bool CommandReader::Fill() {
  if (ended_) return false;
  if (pos_ > 0 && pos_ >= buffer_.size() / 2) {
    buffer_.erase(0, pos_);
    base_ += pos_;
    pos_ = 0;
  }
  const size_t old = buffer_.size();
  buffer_.resize(old + kChunk);
  const size_t count = source_.Read(buffer_.data() + old, kChunk);
  buffer_.resize(old + count);
  window_ = buffer_;
  if (count > 0) return true;
  ended_ = true;
  const std::string failure = source_.Failure();
  if (!failure.empty()) errors_.push_back({Position(), failure});
  return false;
}

bool CommandReader::SkipStray() {
  const uint64_t start = Position();
  while (true) {
    const char* begin = window_.data() + pos_;
    const char* end = window_.data() + window_.size();
    const char* mark = FindMark(begin, end);
    pos_ += static_cast<size_t>(mark - begin);
    if (mark != end || !Fill()) break;
  }
  errors_.push_back({start, Bytes(Position() - start) + " outside any command"});
  return pos_ < window_.size();
}

// The command at pos_ up to the next mark; the window holds it whole when it fits in
// kMaxCommandText, and a download header is read from there before anything is consumed.
void CommandReader::TakeText(CommandView& command) {
  size_t scanned = 1;
  size_t length = 0;
  bool whole = false;
  while (true) {
    const char* begin = window_.data() + pos_;
    const char* end = window_.data() + window_.size();
    const char* mark = FindMark(begin + std::min(scanned, window_.size() - pos_), end);
    if (mark != end) {
      length = static_cast<size_t>(mark - begin);
      whole = true;
      break;
    }
    scanned = window_.size() - pos_;
    if (scanned > kMaxCommandText) break;
    if (!Fill()) {
      length = window_.size() - pos_;
      whole = true;
      break;
    }
  }
  // A download header is read even when its payload holds no mark for a long way.
  if (!whole && window_.substr(pos_).starts_with(kDownloadStart)) {
    std::string name;
    uint64_t declared = 0;
    whole = ReadDownloadHeader(window_.substr(pos_, kMaxCommandText), name, declared, length);
  }
  if (whole) {
    std::string_view text = window_.substr(pos_, length);
    if (text.starts_with(kDownloadStart)) {
      std::string name;
      size_t headerEnd = 0;
      if (ReadDownloadHeader(text, name, command.declaredLength, headerEnd)) {
        command.download = true;
        text = text.substr(0, headerEnd);
        if (!ended_) {  // the payload may move the window: keep the header
          text_.assign(text);
          text = text_;
        }
        command.name = text.substr(kDownloadStart.size(), name.size());
      } else {
        errors_.push_back({Position(), "unreadable download header"});
      }
    }
    command.text = text;
    command.size = text.size();
    pos_ += text.size();
    return;
  }
  // Longer than anything the plug-in writes: keep its head, count the rest.
  if (window_.substr(pos_).starts_with(kDownloadStart)) errors_.push_back({Position(), "unreadable download header"});
  text_.assign(window_.data() + pos_, kMaxCommandText);
  command.text = text_;
  command.size = window_.size() - pos_;
  pos_ = window_.size();
  while (Fill()) {
    const char* begin = window_.data() + pos_;
    const char* end = window_.data() + window_.size();
    const char* mark = FindMark(begin, end);
    command.size += static_cast<uint64_t>(mark - begin);
    pos_ += static_cast<size_t>(mark - begin);
    if (mark != end) break;
  }
}

void CommandReader::TakePayload(CommandView& command) {
  uint64_t wanted = command.declaredLength;
  if (wanted <= window_.size() - pos_) {  // whole in the window: no copy
    command.payload = window_.substr(pos_, static_cast<size_t>(wanted));
    pos_ += static_cast<size_t>(wanted);
    return;
  }
  payload_.clear();
  while (wanted > 0) {
    if (pos_ == window_.size()) {
      if (wanted >= kChunk && !ended_) {
        // Large payloads go straight from the source into payload_.
        base_ += window_.size();
        buffer_.clear();
        window_ = buffer_;
        pos_ = 0;
        const size_t old = payload_.size();
        payload_.resize(old + kChunk);
        const size_t count = source_.Read(payload_.data() + old, kChunk);
        payload_.resize(old + count);
        base_ += count;
        wanted -= count;
        if (count == 0) {
          ended_ = true;
          const std::string failure = source_.Failure();
          if (!failure.empty()) errors_.push_back({Position(), failure});
          break;
        }
        continue;
      }
      if (!Fill()) break;
    }
    const size_t count = static_cast<size_t>(std::min<uint64_t>(wanted, window_.size() - pos_));
    payload_.append(window_.data() + pos_, count);
    pos_ += count;
    wanted -= count;
  }
  command.payload = payload_;
  if (wanted > 0) {
    errors_.push_back({command.offset, "download of " + std::string(command.name) + " declares " +
                                           std::to_string(command.declaredLength) + " bytes, only " +
                                           std::to_string(command.payload.size()) + " left"});
    stopped_ = true;
  }
}

bool CommandReader::Next(CommandView& command) {
  command = CommandView{};
  while (true) {
    if (stopped_) return false;
    if (pos_ == window_.size() && !Fill()) return false;
    if (IsMark(window_[pos_])) break;
    SkipStray();
  }
  command.offset = Position();
  TakeText(command);
  if (command.download) TakePayload(command);
  return true;
}

bool CommandReader::Next(Command& command) {
  CommandView view;
  if (!Next(view)) return false;
  command.offset = view.offset;
  command.size = view.size;
  command.text.assign(view.text);
  command.download = view.download;
  command.name.assign(view.name);
  command.declaredLength = view.declaredLength;
  command.payload.assign(view.payload);
  return true;
}

std::vector<StreamError> CommandReader::TakeErrors() {
  if (errors_.empty()) return {};
  std::vector<StreamError> errors;
  errors.swap(errors_);
  return errors;
}

std::string Printable(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size());
  for (unsigned char byte : bytes) {
    if (byte == '\\') {
      text += "\\\\";
    } else if (byte >= 0x20 && byte < 0x7F) {
      text += static_cast<char>(byte);
    } else {
      text += "\\x";
      text += kHex[byte >> 4];
      text += kHex[byte & 0xF];
    }
  }
  return text;
}

CommandStream ReadCommandStream(std::string_view bytes) {
  CommandStream stream;
  MemorySource source(bytes);
  CommandReader reader(source);
  Command command;
  while (reader.Next(command)) stream.commands.push_back(std::move(command));
  stream.errors = reader.TakeErrors();
  stream.formats = GroupFormats(stream.commands);
  return stream;
}

std::vector<Format> GroupFormats(const std::vector<Command>& commands) {
  std::vector<Format> formats;
  bool open = false;
  for (size_t i = 0; i < commands.size(); ++i) {
    const std::string& text = commands[i].text;
    if (text == "^XA") {
      if (open) formats.back().end = i;
      formats.push_back({i, i + 1, false});
      open = true;
    } else if (open) {
      formats.back().end = i + 1;
      if (text == "^XZ") {
        formats.back().closed = true;
        open = false;
      }
    }
  }
  return formats;
}

std::vector<uint64_t> FindFramingViolations(const CommandStream& stream) {
  std::vector<uint64_t> violations;
  bool open = false;
  uint64_t openedAt = 0;
  for (const Command& command : stream.commands) {
    if (command.text == "^XA") {
      if (open) violations.push_back(command.offset);
      open = true;
      openedAt = command.offset;
    } else if (command.text == "^XZ") {
      if (!open) violations.push_back(command.offset);
      open = false;
    }
  }
  if (open) violations.push_back(openedAt);
  return violations;
}

std::vector<uint64_t> FindBadDownloads(const CommandStream& stream) {
  std::set<uint64_t> strayAt;
  for (const StreamError& error : stream.errors) strayAt.insert(error.offset);
  std::vector<uint64_t> bad;
  for (const Command& command : stream.commands) {
    if (command.download && (!WholePngDownload(command.View()) || strayAt.count(command.End()) != 0))
      bad.push_back(command.offset);
  }
  return bad;
}

bool WholePngDownload(const CommandView& command) {
  const PngSummary png = ReadPngSummary(command.payload);
  return command.payload.size() >= command.declaredLength && png.complete && png.length == command.payload.size();
}

std::vector<uint64_t> FindRecallsWithoutDownload(const CommandStream& stream) {
  std::set<std::string> downloaded;
  std::vector<uint64_t> missing;
  for (const Command& command : stream.commands) {
    if (command.download) {
      downloaded.insert(command.name);
      continue;
    }
    if (!command.text.starts_with(kRecallStart)) continue;
    std::string_view name = std::string_view(command.text).substr(kRecallStart.size());
    if (name.ends_with(kGraphicExtension)) name.remove_suffix(kGraphicExtension.size());
    if (downloaded.count(std::string(name)) == 0) missing.push_back(command.offset);
  }
  return missing;
}

}  // namespace label_stream

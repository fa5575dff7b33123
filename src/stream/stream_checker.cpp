#include "stream/stream_checker.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "stream/png_summary.h"

namespace label_stream {

enum class CommandKind : char {
  kUnknown, kBadDownload, kFormatStart, kFormatEnd, kCodePage, kSetting, kQuantity, kBase, kDelete,
  kFieldEnd, kOrigin = 'O', kTextOrigin = 'T', kBox = 'G', kRecall = 'I', kColour = 'C', kClock = 'K', kFont = 'A',
  kEscape = 'H', kData = 'D',
};

namespace {

using Kind = CommandKind;

constexpr uint32_t kPixelsPerMetre = 11811;  // the 300 dpi every downloaded PNG declares
constexpr size_t kShownCommand = 48;         // bytes of a command shown in a problem line

bool Consume(std::string_view& text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

// Decimal digits without leading zeros up to `max`; consumed from `text`.
bool ReadUnsigned(std::string_view& text, uint64_t max, uint64_t& value) {
  size_t digits = 0;
  value = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
    value = value * 10 + static_cast<uint64_t>(text[digits] - '0');
    if (value > max) return false;
    ++digits;
  }
  if (digits == 0 || (digits > 1 && text[0] == '0')) return false;
  text.remove_prefix(digits);
  return true;
}

bool ReadSigned(std::string_view& text, int64_t& value) {
  const bool negative = Consume(text, "-");
  uint64_t magnitude = 0;
  if (!ReadUnsigned(text, negative ? 2147483648u : 2147483647u, magnitude)) return false;
  if (negative && magnitude == 0) return false;
  value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

// `text` is exactly a list of unsigned numbers (each up to `max`) separated by commas.
bool ReadUnsignedList(std::string_view text, uint64_t max, uint64_t* values, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (i > 0 && !Consume(text, ",")) return false;
    if (!ReadUnsigned(text, max, values[i])) return false;
  }
  return text.empty();
}

// A setting "^S(<group>,<letter>," and the values it may take: a list of words, or a
// signed range when `words` is empty.
struct Setting {
  std::string_view prefix;
  std::array<std::string_view, 5> words;
  int64_t low = 0, high = 0;
};

constexpr Setting kSettings[] = {
    {"^S(CMP,U,", {"D"}},
    {"^S(CLR,P,", {"600"}},
    {"^S(CLR,R,", {"600"}},
    {"^S(CLR,Z,", {"600"}},
    {"^S(CLR,M,", {"A", "B"}},
    {"^S(CLS,G,", {"35"}},
    {"^S(CLW,B,", {"0"}},
    {"^S(CLW,T,", {"0"}},
    {"^S(CLW,L,", {"0"}},
    {"^S(CLW,R,", {"0"}},
    {"^S(CLM,T,", {"P1", "S1", "M1", "M2", "G1"}},
    {"^S(CPC,C,", {"N", "E"}},
    {"^S(CPC,D,", {}, -6, 4},
    {"^S(CPC,P,", {}, -6, 0},
    {"^S(CPC,B,", {}, -2, 2},
    {"^S(CLP,M,", {}, -99, 99},
    {"^S(CLM,D,", {"W", "M"}},
    {"^S(CLM,F,", {"DL", "CL", "CP"}},
    {"^S(CLM,P,", {"IR", "ER"}},
    {"^S(CLM,S,", {"RP", "FP"}},
    {"^S(CMP,S,", {"6", "12"}},
    {"^S(CMP,F,", {"1", "2"}},
    {"^S(CMP,M,", {"C", "T"}},
    {"^S(CUB,S,", {"L", "N"}},
};

std::string KnownSet(const Setting& setting) {
  std::string set;
  for (std::string_view word : setting.words) {
    if (word.empty()) break;
    set += set.empty() ? "" : ", ";
    set += word;
  }
  return "one of " + set;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Where `bytes` stops being valid UTF-8 (no overlong forms, no surrogates, at most
// U+10FFFF), or npos.
size_t InvalidUtf8At(const std::string& bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<uint8_t>(bytes[i]);
    size_t length = 0;
    uint32_t low = 0;
    uint32_t code = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, low = 0x80, code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, low = 0x800, code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, low = 0x10000, code = lead & 0x07;
    } else {
      return i;
    }
    if (bytes.size() - i < length) return i;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<uint8_t>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return i;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < low || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return i;
    i += length;
  }
  return std::string::npos;
}

// The graphic name of "^IMR:<name>.PNG" or "^IDR:<name>.PNG"; false without ".PNG".
bool GraphicName(std::string_view text, std::string& name) {
  text.remove_prefix(5);
  if (!text.ends_with(".PNG") || text.size() == 4) return false;
  name.assign(text.substr(0, text.size() - 4));
  return true;
}

// What a command is, from its first bytes: one look per command, no string compares.
// Field parts carry their one-letter code (see kPartCodes).

Kind Classify(std::string_view text) {
  if (text.size() < 3) return Kind::kUnknown;
  if (text[0] == '~') return text.starts_with("~DYR:") ? Kind::kBadDownload : Kind::kUnknown;
  const char second = text[2];
  switch (text[1]) {
    case 'X':
      if (text.size() != 3) return Kind::kUnknown;
      return second == 'A' ? Kind::kFormatStart : second == 'Z' ? Kind::kFormatEnd : Kind::kUnknown;
    case 'C':
      if (second == '(') return Kind::kBase;
      return text == "^CI28" ? Kind::kCodePage : Kind::kUnknown;
    case 'S': return second == '(' ? Kind::kSetting : Kind::kUnknown;
    case 'P': return second == 'Q' ? Kind::kQuantity : Kind::kUnknown;
    case 'I':
      if (text.size() < 5 || text[3] != 'R' || text[4] != ':') return Kind::kUnknown;
      return second == 'M' ? Kind::kRecall : second == 'D' ? Kind::kDelete : Kind::kUnknown;
    case 'A': return Kind::kFont;
    case 'G': return second == 'B' ? Kind::kBox : Kind::kUnknown;
    case 'F':
      switch (second) {
        case 'O': return Kind::kOrigin;
        case 'T': return Kind::kTextOrigin;
        case '(': return text.size() >= 4 && text[3] == 'C' ? Kind::kColour : Kind::kUnknown;
        case 'C': return text == "^FC%" ? Kind::kClock : Kind::kUnknown;
        case 'H': return Kind::kEscape;
        case 'D': return Kind::kData;
        case 'S': return text.size() == 3 ? Kind::kFieldEnd : Kind::kUnknown;
        default: return Kind::kUnknown;
      }
    default: return Kind::kUnknown;
  }
}

bool IsFieldPart(Kind kind) {
  switch (kind) {
    case Kind::kBox: case Kind::kRecall: case Kind::kColour: case Kind::kClock: case Kind::kFont: case Kind::kEscape:
    case Kind::kData: case Kind::kFieldEnd:
      return true;
    default:
      return false;
  }
}

// The names of the field block parts by their letters, for messages.
constexpr std::string_view kPartNames[] = {"^FO", "^FT", "^GB", "^IMR", "^F(C", "^FC%", "^A0", "^FH", "^FD"};
constexpr std::string_view kPartCodes = "OTGICKAHD";

std::string PartNames(std::string_view codes) {
  std::string names;
  for (char code : codes) {
    const size_t at = kPartCodes.find(code);
    names += at == std::string_view::npos ? "?" : kPartNames[at];
  }
  return names;
}

template <class Graphic>
Graphic* FindGraphic(std::vector<Graphic>& graphics, std::string_view name) {
  for (Graphic& graphic : graphics)
    if (graphic.name == name) return &graphic;
  return nullptr;
}

// A clock field within 35 dots of the left edge: its negative x as the plug-in writes it.
constexpr uint64_t kWrappedLeft = (uint64_t{1} << 32) - 35;

}  // namespace

std::string FormatProblem(const Problem& problem) {
  return std::to_string(problem.offset) + ": " + problem.command + ": " +
         (problem.severity == Severity::kError ? "error: " : "warning: ") + problem.message;
}

std::vector<Problem> CheckStream(std::string_view bytes) {
  std::vector<Problem> problems;
  StreamChecker checker([&](const Problem& problem) { problems.push_back(problem); });
  MemorySource source(bytes);
  CommandReader reader(source);
  CommandView command;
  while (reader.Next(command)) checker.Add(command, reader.TakeErrors());
  checker.Finish(reader.TakeErrors());
  return problems;
}

void StreamChecker::Emit(uint64_t offset, std::string_view text, Severity severity, std::string message) {
  ++(severity == Severity::kError ? errors_ : warnings_);
  std::string shown = Printable(text.substr(0, kShownCommand));
  if (text.size() > kShownCommand) shown += "...";
  report_({offset, std::move(shown), severity, std::move(message)});
}

void StreamChecker::Error(const CommandView& command, std::string message) {
  Emit(command.offset, command.text, Severity::kError, std::move(message));
}

void StreamChecker::Warning(const CommandView& command, std::string message) {
  Emit(command.offset, command.text, Severity::kWarning, std::move(message));
}

// The reader's errors before the command (stray bytes) or about it.
void StreamChecker::ReaderErrors(const std::vector<StreamError>& errors, bool before, uint64_t offset) {
  for (const StreamError& error : errors) {
    if ((error.offset < offset) != before) continue;
    if (error.offset == lastDownloadEnd_) {
      Emit(lastDownloadOffset_, lastDownloadHeader_, Severity::kError,
           "declared length ends inside the payload: " + error.message + " after it");
    } else if (before) {
      Emit(error.offset, "(bytes)", Severity::kError, error.message);
    } else {
      Emit(error.offset, error.offset == offset ? std::string_view(current_->text) : "(bytes)", Severity::kError,
           error.message);
    }
  }
}

void StreamChecker::Add(const CommandView& command, const std::vector<StreamError>& readerErrors) {
  if (!readerErrors.empty()) ReaderErrors(readerErrors, true, command.offset);
  current_ = &command;
  kind_ = command.download ? Kind::kUnknown : Classify(command.text);
  CheckFraming(command);
  if (command.download) {
    if (fieldOpen_) CloseField(&command);
    CheckDownload(command);
  } else {
    CheckCommand(command);
  }
  if (!readerErrors.empty()) ReaderErrors(readerErrors, false, command.offset);
}

void StreamChecker::Finish(const std::vector<StreamError>& readerErrors) {
  ReaderErrors(readerErrors, true, UINT64_MAX);  // all of them lie before the end
  if (fieldOpen_) CloseField(nullptr);
  if (!open_) return;
  if (openAfterDiscard_)
    Emit(openedAt_, "^XA", Severity::kWarning,
         "quirk base-discarded-format-open: the stream ends with the format that discarded the base (^C(D) still "
         "open");
  else
    Emit(openedAt_, "^XA", Severity::kError, "the stream ends inside this format (no ^XZ)");
}

void StreamChecker::CheckFraming(const CommandView& command) {
  if (kind_ == Kind::kFormatStart) {
    if (fieldOpen_) CloseField(&command);
    if (open_ && openAfterDiscard_)
      Warning(command, "quirk base-discarded-format-open: the format at " + std::to_string(openedAt_) +
                           " discarded the base (^C(D) and was left open");
    else if (open_)
      Error(command, "format opened inside the format at " + std::to_string(openedAt_) + " (no ^XZ before)");
    open_ = true;
    openedAt_ = command.offset;
    openAfterDiscard_ = false;
    baseSavePending_ = false;
    return;
  }
  if (kind_ == Kind::kFormatEnd) {
    if (fieldOpen_) CloseField(&command);
    if (!open_) Error(command, "^XZ with no format open");
    if (open_ && baseSavePending_) {
      baseSaved_ = true;
      baseDiscarded_ = false;
    }
    open_ = false;
    baseSavePending_ = false;
    return;
  }
  if (!command.download && !open_) Error(command, "outside a format (only downloads may stand between formats)");
  openAfterDiscard_ = open_ && kind_ == Kind::kBase && command.text == "^C(D";
}

void StreamChecker::CheckDownload(const CommandView& command) {
  lastDownloadOffset_ = command.offset;
  lastDownloadEnd_ = command.End();
  lastDownloadHeader_.assign(command.text);
  Graphic* graphic = FindGraphic(graphics_, command.name);
  if (graphic == nullptr) graphic = &graphics_.emplace_back(Graphic{std::string(command.name)});
  graphic->width = graphic->height = 0;
  if (command.payload.size() < command.declaredLength) return;  // the reader reports the short payload
  const PngSummary png = ReadPngSummary(command.payload);
  if (png.complete) graphic->width = png.width, graphic->height = png.height;
  if (!png.isPng) return Error(command, "payload is not a PNG file (no PNG signature)");
  if (!png.complete) return Error(command, "damaged PNG: " + png.problem);
  if (png.length != command.payload.size())
    Error(command, "declared length runs past the PNG: " + std::to_string(command.payload.size() - png.length) +
                       " bytes after IEND");
  if (!png.hasPhys)
    Error(command, "PNG has no pHYs (expected 11811 x 11811 pixels per metre)");
  else if (png.physX != kPixelsPerMetre || png.physY != kPixelsPerMetre || png.physUnit != 1)
    Error(command, "PNG pHYs is " + std::to_string(png.physX) + " x " + std::to_string(png.physY) + " per " +
                       (png.physUnit == 1 ? "metre" : "unit " + std::to_string(png.physUnit)) +
                       ", expected 11811 x 11811 per metre");
}

void StreamChecker::CheckCommand(const CommandView& command) {
  const std::string_view text = command.text;
  std::string deleted;
  deleted.swap(deletedJustBefore_);
  const bool fieldPart = IsFieldPart(kind_);
  if (fieldOpen_ && !fieldPart) CloseField(&command);
  // An overlay deleted by "^IDR:" may be recalled by the field block right after it.
  if (kind_ == Kind::kOrigin || kind_ == Kind::kRecall) deletedJustBefore_ = std::move(deleted);
  switch (kind_) {
    case Kind::kFormatStart: case Kind::kFormatEnd: case Kind::kCodePage:
      return;
    case Kind::kBadDownload:
      return;  // an unreadable header, reported by the reader
    case Kind::kSetting:
      return CheckSetting(command);
    case Kind::kBase:
      return CheckBase(command);
    case Kind::kQuantity: {
      std::string_view rest = std::string_view(text).substr(3);
      uint64_t values[2];
      const size_t comma = rest.size() >= 4 ? rest.size() - 4 : 0;
      if (rest.size() < 4 || !(rest.substr(comma) == ",1,Y" || rest.substr(comma) == ",1,N") ||
          !ReadUnsignedList(rest.substr(0, comma), UINT32_MAX, values, 2))
        Error(command, "quantity not written as ^PQ<quantity>,<cut count>,1,<Y or N>");
      return;
    }
    case Kind::kDelete: {
      std::string name;
      if (!GraphicName(text, name)) return Error(command, "deletion does not name a graphic <name>.PNG");
      graphics_.erase(std::remove_if(graphics_.begin(), graphics_.end(),
                                     [&](const Graphic& graphic) { return graphic.name == name; }),
                      graphics_.end());
      deletedJustBefore_ = name;
      return;
    }
    case Kind::kUnknown:
      return Error(command, "unknown command");
    default:
      return CheckFieldPart(command);
  }
}

void StreamChecker::CheckSetting(const CommandView& command) {
  const std::string_view text = command.text;
  for (const Setting& setting : kSettings) {
    // Every prefix is 9 bytes: a fixed-size compare the compiler does inline.
    if (text.size() < 9 || std::memcmp(text.data(), setting.prefix.data(), 9) != 0) continue;
    std::string_view value = text.substr(setting.prefix.size());
    bool known = false;
    if (setting.words[0].empty()) {
      int64_t number = 0;
      if (!ReadSigned(value, number) || !value.empty()) return Error(command, "value is not a signed 32-bit number");
      known = number >= setting.low && number <= setting.high;
      if (!known)
        return Warning(command, "quirk setting-outside-dialog-range: " + std::to_string(number) +
                                    " lies outside the dialog's range " + std::to_string(setting.low) + " to " +
                                    std::to_string(setting.high) + "; the plug-in sends a stored value unchanged");
    } else {
      known = std::find(setting.words.begin(), setting.words.end(), value) != setting.words.end() && !value.empty();
    }
    if (!known) return Error(command, "value is not " + KnownSet(setting));
    if (setting.prefix == "^S(CLR,M,") dotScale_ = value == "B" ? 2 : 1;
    return;
  }
  const bool width = text.starts_with("^S(CLS,P,");
  if (width || text.starts_with("^S(CLS,L,")) {
    std::string_view value = text.substr(9);
    uint64_t dots = 0;
    if (!ReadUnsigned(value, UINT32_MAX, dots) || !value.empty())
      return Error(command, "label size is not an unsigned number");
    (width ? labelWidth_ : labelHeight_) = dots;
    (width ? haveWidth_ : haveHeight_) = true;
    return;
  }
  Error(command, "unknown setting");
}

void StreamChecker::CheckBase(const CommandView& command) {
  const std::string_view text = command.text;
  if (text == "^C(SN") {
    baseSavePending_ = true;
  } else if (text == "^C(D") {
    baseSaved_ = false;
    baseSavePending_ = false;
    baseDiscarded_ = true;
  } else if (text == "^C(L") {
    if (baseSaved_) return;
    if (baseDiscarded_)
      Warning(command, "quirk base-discarded-format-open: loads the base that ^C(D discarded");
    else
      Error(command, "loads a base, but none was saved before (^C(SN ... ^XZ)");
  } else {
    Error(command, "unknown base command");
  }
}

// An origin must lie inside the label size of the job header (600-dpi dots).
void StreamChecker::CheckOrigin(uint64_t offset, std::string_view text, uint64_t x, uint64_t y) {
  const std::string unit = dotScale_ == 2 ? " (in 600-dpi dots)" : "";
  if (haveWidth_ && x * dotScale_ >= labelWidth_)
    Emit(offset, text, Severity::kError,
         "x " + std::to_string(x) + " lies beyond the label width " + std::to_string(labelWidth_) + unit);
  if (haveHeight_ && y * dotScale_ > labelHeight_)
    Emit(offset, text, Severity::kError,
         "y " + std::to_string(y) + " lies beyond the label length " + std::to_string(labelHeight_) + unit);
}

// A box or an image from an origin inside the label that reaches past its edge is only
// clipped by the printer: a warning.
void StreamChecker::CheckReach(const CommandView& command, const char* what, uint64_t width, uint64_t height) {
  const std::string unit = dotScale_ == 2 ? " (in 600-dpi dots)" : "";
  const bool inside = !originWrapped_ && (!haveWidth_ || fieldX_ * dotScale_ < labelWidth_) &&
                      (!haveHeight_ || fieldY_ * dotScale_ <= labelHeight_);
  if (!inside) return;
  if (haveWidth_ && (fieldX_ + width) * dotScale_ > labelWidth_)
    Warning(command, std::string(what) + " reaches " + std::to_string(fieldX_ + width) + ", past the label width " +
                         std::to_string(labelWidth_) + unit + "; the printer clips it");
  if (haveHeight_ && (fieldY_ + height) * dotScale_ > labelHeight_)
    Warning(command, std::string(what) + " reaches " + std::to_string(fieldY_ + height) + ", past the label length " +
                         std::to_string(labelHeight_) + unit + "; the printer clips it");
}

void StreamChecker::CheckFieldPart(const CommandView& command) {
  const std::string_view text = command.text;
  if (kind_ == Kind::kOrigin || kind_ == Kind::kTextOrigin) {
    const bool typed = kind_ == Kind::kTextOrigin;
    uint64_t values[3] = {};
    const bool read = ReadUnsignedList(text.substr(3), UINT32_MAX, values, typed ? 3 : 2) && (!typed || values[2] <= 1);
    if (!read) Error(command, typed ? "origin is not <x>,<y>,<0 or 1>" : "origin is not <x>,<y>");
    // Whether a wrapped x is the clock quirk shows only at ^FC%; until then it waits.
    originWrapped_ = read && typed && values[0] >= kWrappedLeft;
    if (read && !originWrapped_) CheckOrigin(command.offset, command.text, values[0], values[1]);
    fieldOpen_ = true;
    fieldOffset_ = command.offset;
    fieldText_.assign(command.text, 0, kShownCommand + 1);
    fieldParts_.assign(1, typed ? 'T' : 'O');
    fieldX_ = values[0];
    fieldY_ = values[1];
    return;
  }
  if (!fieldOpen_) {
    Error(command, "outside a field block (no ^FO or ^FT before)");
    if (kind_ == Kind::kRecall) CheckRecall(command);
    return;
  }
  if (kind_ == Kind::kFieldEnd) return CloseField(nullptr);
  if (fieldParts_.size() < 8) fieldParts_ += static_cast<char>(kind_);
  if (kind_ == Kind::kColour) {
    std::string_view rest = text.substr(4);
    uint64_t colour[4];
    const size_t tail = rest.find(",N,255,255,255,0,N");
    if (tail == std::string_view::npos || tail + 18 != rest.size() ||
        !ReadUnsignedList(rest.substr(0, tail), 255, colour, 4))
      Error(command, "colour is not <c0>,<c1>,<c2>,<c3>,N,255,255,255,0,N with components 0 to 255");
  } else if (kind_ == Kind::kClock && originWrapped_) {
    originWrapped_ = false;
    Emit(fieldOffset_, fieldText_, Severity::kWarning,
         "quirk clock-negative-x: a clock field " + std::to_string((uint64_t{1} << 32) - fieldX_) +
             " dots left of the edge, its x written as an unsigned 32-bit value; the printer does not draw it");
  } else if (kind_ == Kind::kFont) {
    std::string_view rest = text.substr(3);
    int64_t height = 0, width = 0;
    const bool ok = text[2] == '0' && !rest.empty() && std::string_view("NBIR").find(rest[0]) != std::string_view::npos &&
                    (rest.remove_prefix(1), Consume(rest, ",")) && ReadSigned(rest, height) && Consume(rest, ",") &&
                    ReadSigned(rest, width) && rest.empty();
    if (!ok) Error(command, "font is not ^A0<N, B, I or R>,<height>,<width>");
  } else if (kind_ == Kind::kEscape) {
    if (text != "^FH_") Error(command, "escape character is not _");
    fieldEscaped_ = text == "^FH_";
  } else if (kind_ == Kind::kData) {
    if (fieldEscaped_) CheckFieldData(command);
  } else if (kind_ == Kind::kBox) {
    std::string_view rest = text.substr(3);
    uint64_t box[3];
    if (!rest.ends_with(",W,0") || !ReadUnsignedList(rest.substr(0, rest.size() - 4), UINT32_MAX, box, 3))
      Error(command, "box is not <width>,<height>,<thickness>,W,0");
    else  // at least as wide and as tall as its line is thick
      CheckReach(command, "box", std::max(box[0], box[2]), std::max(box[1], box[2]));
  } else if (kind_ == Kind::kRecall) {
    CheckRecall(command);
  }
}

void StreamChecker::CheckFieldData(const CommandView& command) {
  const std::string_view data = std::string_view(command.text).substr(3);
  // First the escapes; UTF-8 only matters when one of them decodes above 0x7F.
  bool high = false;
  for (size_t i = 0; i < data.size(); ++i) {
    const auto byte = static_cast<uint8_t>(data[i]);
    if (byte == '_') {
      const int upper = i + 2 < data.size() ? HexDigit(data[i + 1]) : -1;
      const int lower = i + 2 < data.size() ? HexDigit(data[i + 2]) : -1;
      if (upper < 0 || lower < 0)
        return Error(command, "escape at byte " + std::to_string(i) + " of the data is not _ and two hex digits");
      high = high || upper >= 8;
      i += 2;
    } else if (byte >= 0x80) {
      return Error(command, "byte " + std::to_string(i) + " of the data is above 0x7F and not escaped");
    }
  }
  if (!high) return;
  std::string& decoded = decoded_;
  decoded.clear();
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '_') {
      decoded += static_cast<char>(HexDigit(data[i + 1]) * 16 + HexDigit(data[i + 2]));
      i += 2;
    } else {
      decoded += data[i];
    }
  }
  const size_t bad = InvalidUtf8At(decoded);
  if (bad != std::string::npos)
    Error(command, "decoded text is not valid UTF-8 at byte " + std::to_string(bad) + " of the decoded text");
}

void StreamChecker::CheckRecall(const CommandView& command) {
  std::string name;
  if (!GraphicName(command.text, name)) return Error(command, "recall does not name a graphic <name>.PNG");
  if (const Graphic* graphic = FindGraphic(graphics_, name)) {
    if (fieldOpen_) CheckReach(command, "image", graphic->width, graphic->height);
    return;
  }
  if (name == deletedJustBefore_ && fieldX_ == 0)
    Warning(command, "quirk overlay-deleted-then-recalled: " + name +
                         " lies wholly in the unprintable strip, was deleted (^IDR:) and is still recalled");
  else
    Error(command, "recalls " + name + ", which was not downloaded before (or was deleted since)");
}

// Ends the open field block at ^FS (`closing` null) or, unclosed, at `closing`.
void StreamChecker::CloseField(const CommandView* closing) {
  fieldOpen_ = false;
  fieldEscaped_ = false;
  if (originWrapped_) CheckOrigin(fieldOffset_, fieldText_, fieldX_, fieldY_);
  originWrapped_ = false;
  if (closing != nullptr) {
    Emit(fieldOffset_, fieldText_, Severity::kError,
         "field block not closed by ^FS before " + Printable(closing->text.substr(0, kShownCommand)));
    return;
  }
  static constexpr std::string_view kComplete[] = {"OG", "OI", "TCAHD", "TCKAHD"};
  if (std::find(std::begin(kComplete), std::end(kComplete), fieldParts_) == std::end(kComplete))
    Emit(fieldOffset_, fieldText_, Severity::kError,
         "field block holds " + PartNames(fieldParts_) + "; expected ^FO with ^GB or ^IMR:, or ^FT^F(C[^FC%]^A0^FH_^FD, then ^FS");
}

}  // namespace label_stream

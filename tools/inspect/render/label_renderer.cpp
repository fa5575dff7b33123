#include "label_renderer.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <string_view>

#include "clock_format.h"

namespace label_inspect {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

using label_stream::Command;

// A command's text as the report shows it: printable, at most 120 bytes.
std::string Shown(std::string_view bytes) {
  return label_stream::Printable(bytes.substr(0, 120)) + (bytes.size() > 120 ? "..." : "");
}

// The comma-separated arguments after a command's name.
std::vector<std::string_view> SplitArguments(std::string_view text) {
  std::vector<std::string_view> arguments;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    arguments.push_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) return arguments;
    start = comma + 1;
  }
}

std::optional<uint32_t> Unsigned(std::string_view digits) {
  uint32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size() || digits.empty() || digits[0] == '-')
    return std::nullopt;
  return value;
}

// The printer takes field origins from 0 to 32000 dots; it draws no field whose origin
// lies outside, such as a negative position written as an unsigned 32-bit value.
constexpr uint32_t kMostOrigin = 32000;

// UTF-8 to code points; a malformed sequence becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view bytes) {
  std::u32string text;
  for (size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<uint8_t>(bytes[i]);
    const int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    char32_t code = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
    bool valid = extra >= 0 && i + static_cast<size_t>(extra) < bytes.size();
    for (int k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<uint8_t>(bytes[i + static_cast<size_t>(k)]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (valid && (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))) valid = false;
    text += valid ? code : U'\uFFFD';
    i += valid ? static_cast<size_t>(extra) + 1 : 1;
  }
  return text;
}

}  // namespace

struct LabelRenderer::State {
  // The field being built between "^FO"/"^FT" and "^FS".
  struct Field {
    bool open = false, text = false, clock = false;
    bool outside = false;  // origin outside 0..kMostOrigin: nothing of it is drawn
    uint64_t offset = 0;   // of its origin command, shown as `origin`
    std::string origin;
    int64_t x = 0, y = 0;
    bool rightJustified = false;
    char orientation = 'N';
    int32_t height = 0, width = 0;
    Rgb colour = kBlack;
    char escape = 0;  // the "^FH" indicator, 0 without one
    std::optional<std::string> data;
  };

  State(Font* font, FormatSink sink) : font_(font), sink_(std::move(sink)) {}

  JobSummary Finish() {
    if (open_) EndFormat(count_, true);
    summary_.geometry = geometry_;
    return summary_;
  }

  void Add(const Command& command) {
    const size_t index = count_++;
    const std::string_view text = command.text;
    if (command.download) {
      // The printer's memory is finite and so is this one: past kMostGraphicBytes a new
      // name is not kept (its recalls are listed), a known name is still replaced.
      const auto known = graphics_.find(command.name);
      const uint64_t kept = graphicBytes_ - (known != graphics_.end() ? known->second.size() : 0);
      if (kept + command.payload.size() <= kMostGraphicBytes) {
        graphicBytes_ = kept + command.payload.size();
        graphics_[command.name] = command.payload;
      } else {
        List(open_ ? format_.undrawn : summary_.outside,
             {command.offset, Shown(text), "not kept: graphics beyond " + std::to_string(kMostGraphicBytes >> 20) + " MB"});
      }
      decoded_.erase(command.name);
      return;
    }
    if (text == "^XA") return BeginFormat(index, command.offset);
    if (text == "^XZ") {
      if (open_) EndFormat(index + 1, false);
      else List(summary_.outside, {command.offset, Shown(text), "format end with no format open"});
      return;
    }
    if (StartsWith(text, "^IDR:")) return Delete(text.substr(5));
    if (Setting(command)) return;
    if (!open_) {
      List(summary_.outside, {command.offset, Shown(text), "outside any format"});
      return;
    }
    FormatCommand(command);
  }

  // Commands that set the printer up: they hold for later formats and draw nothing.
  bool Setting(const Command& command) {
    const std::string_view text = command.text;
    if (StartsWith(text, "^S(CLR,M,")) {
      const std::string_view letter = text.substr(9);
      if (letter == "A" || letter == "B") geometry_.dpi = letter == "A" ? 600 : 300;
      else Note(command, "unknown resolution letter");
      return true;
    }
    if (StartsWith(text, "^S(CLS,P,") || StartsWith(text, "^S(CLS,L,")) {
      const bool width = text[7] == 'P';
      const std::optional<uint32_t> value = Unsigned(text.substr(9));
      if (!value) {
        Note(command, "label size not a number");
        return true;
      }
      const uint32_t largest = width ? kMaxLabelWidth600 : kMaxLabelLength600;
      (width ? geometry_.width600 : geometry_.length600) = std::clamp<uint32_t>(*value, 1, largest);
      if (*value > largest) geometry_.clamped = true;
      return true;
    }
    if (text == "^S(CUB,S,L" || text == "^S(CUB,S,N") {
      format_.closing.beepSet = true;
      format_.closing.beep = text.back() == 'L';
      return true;
    }
    if (StartsWith(text, "^S(CMP,M,")) return true;  // cut mode; "^PQ" carries the count
    return StartsWith(text, "^S(") || text == "^CI28";
  }

  void FormatCommand(const Command& command) {
    const std::string_view text = command.text;
    if (text == "^C(L") {
      format_.loadsBase = true;
      if (base_.width() == 0) return Note(command, "no stored base to load");
      if (!pageReady_ && base_.width() == geometry_.PixelWidth() && base_.height() == geometry_.PixelHeight()) {
        Page(&base_);  // nothing drawn yet: the base is the page
      } else {
        Page().Ink(0, 0, base_);
      }
      format_.drawsSomething = true;
      return;
    }
    if (text == "^C(SN") {
      format_.savesBase = true;
      return;
    }
    if (text == "^C(D") {
      format_.discardsBase = true;
      base_ = Canvas();
      return;
    }
    if (StartsWith(text, "^PQ")) return Quantity(command);
    if (StartsWith(text, "^FO") || StartsWith(text, "^FT")) return OpenField(command);
    if (!field_.open) return Note(command, "outside a field");
    if (StartsWith(text, "^GB")) return Box(command);
    if (StartsWith(text, "^IMR:")) return Recall(command);
    if (StartsWith(text, "^F(C")) return Colour(command);
    if (text == "^FC%") {
      field_.clock = true;
      return;
    }
    if (StartsWith(text, "^A") && text.size() >= 3) return FontCommand(command);
    if (StartsWith(text, "^FH")) {
      field_.escape = text.size() > 3 ? text[3] : '_';
      return;
    }
    if (StartsWith(text, "^FD")) {
      field_.data = std::string(text.substr(3));
      return;
    }
    if (text == "^FS") return CloseField();
    Note(command, "unknown command");
  }

  void BeginFormat(size_t index, uint64_t offset) {
    if (open_) EndFormat(index, true);
    open_ = true;
    format_ = FormatPreview{};
    format_.order = ++summary_.formats;
    format_.offset = offset;
    format_.firstCommand = index;
    field_ = Field{};
    pageReady_ = false;
  }

  void EndFormat(size_t endCommand, bool endedByStream) {
    format_.endCommand = endCommand;
    format_.endedByStream = endedByStream;
    format_.geometry = geometry_;
    if (field_.open) NoteField(field_, "field not ended by ^FS");
    Canvas& page = Page();
    if (format_.savesBase) {
      base_ = page;
      page.Adopt(++baseGeneration_);  // the page holds the new base as it stands
    }
    format_.printed = !format_.savesBase && (format_.drawsSomething || format_.closing.hasQuantity);
    if (format_.printed) ++summary_.printed;
    format_.canvas = &page;
    sink_(format_);
    format_.canvas = nullptr;
    open_ = false;
  }

  // The format's page at the size in force when it is first drawn on: white, or a copy
  // of `start`. The page's memory is reused from format to format.
  Canvas& Page(const Canvas* start = nullptr) {
    if (!pageReady_) {
      const uint64_t source = start != nullptr ? baseGeneration_ : 0;
      if (page_.width() != geometry_.PixelWidth() || page_.height() != geometry_.PixelHeight())
        page_ = Canvas(geometry_.PixelWidth(), geometry_.PixelHeight());  // white
      page_.Reset(start, source);
      pageReady_ = true;
    }
    return page_;
  }

  void Note(const Command& command, std::string reason) {
    List(open_ ? format_.undrawn : summary_.outside, {command.offset, Shown(command.text), std::move(reason)});
  }

  // What a field as a whole leaves undrawn, at its first command.
  void NoteField(const Field& field, std::string reason) {
    List(format_.undrawn, {field.offset, field.origin, std::move(reason)});
  }

  // Appends to a list of undrawn commands; a broken stream can hold millions, so past
  // kMostListed only the last entry counts how many more there were.
  static void List(std::vector<Undrawn>& list, Undrawn item) {
    if (list.size() < kMostListed) return list.push_back(std::move(item));
    if (list.size() == kMostListed) list.push_back({item.offset, "", "0 more not listed"});
    Undrawn& more = list.back();
    more.reason = std::to_string(std::stoull(more.reason) + 1) + " more not listed";
  }

  void Quantity(const Command& command) {
    const auto arguments = SplitArguments(std::string_view(command.text).substr(3));
    const std::optional<uint32_t> quantity = Unsigned(arguments[0]);
    const std::optional<uint32_t> cut = arguments.size() > 1 ? Unsigned(arguments[1]) : 0u;
    if (!quantity || !cut) return Note(command, "quantity not readable");
    format_.closing.hasQuantity = true;
    format_.closing.quantity = *quantity;
    format_.closing.cutEvery = *cut;
    // The last letter is the printer's "pause and cut override": N pauses at each cut.
    format_.closing.pauseAtCut = arguments.size() > 3 && arguments[3] == "N";
  }

  void OpenField(const Command& command) {
    if (field_.open) NoteField(field_, "field not ended by ^FS");
    field_ = Field{};
    field_.open = true;
    field_.offset = command.offset;
    field_.text = command.text[2] == 'T';
    const auto arguments = SplitArguments(std::string_view(command.text).substr(3));
    const std::optional<uint32_t> x = Unsigned(arguments[0]);
    const std::optional<uint32_t> y = arguments.size() > 1 ? Unsigned(arguments[1]) : std::nullopt;
    if (!x || !y) {
      field_.open = false;
      return Note(command, "field origin not readable");
    }
    field_.origin = Shown(command.text);
    field_.x = *x;
    field_.y = *y;
    if (*x > kMostOrigin || *y > kMostOrigin) {
      field_.outside = true;
      NoteField(field_, std::string(*x > kMostOrigin ? "x " + std::to_string(*x) : "y " + std::to_string(*y)) +
                            " lies outside the printer's 0 to 32000: the field is not drawn");
    }
    field_.rightJustified = arguments.size() > 2 && arguments[2] == "1";
  }

  void Box(const Command& command) {
    const auto arguments = SplitArguments(std::string_view(command.text).substr(3));
    std::optional<uint32_t> values[3];
    for (size_t i = 0; i < 3; ++i) values[i] = i < arguments.size() ? Unsigned(arguments[i]) : std::nullopt;
    const std::string_view colour = arguments.size() > 3 ? arguments[3] : "B";
    if (!values[0] || !values[1] || !values[2] || (colour != "W" && colour != "B"))
      return Note(command, "box not readable");
    if (field_.outside) return;
    // A box is at least as wide and as tall as its line is thick.
    const uint32_t width = std::max(*values[0], *values[2]), height = std::max(*values[1], *values[2]);
    Page().Frame(field_.x, field_.y, width, height, *values[2], colour == "W" ? kWhite : kBlack);
    format_.drawsSomething = true;
  }

  void Recall(const Command& command) {
    std::string name(std::string_view(command.text).substr(5));
    if (name.size() > 4 && name.ends_with(".PNG")) name.resize(name.size() - 4);
    const auto graphic = graphics_.find(name);
    if (graphic == graphics_.end()) return Note(command, "graphic " + name + " not downloaded before");
    auto cached = decoded_.find(name);
    if (cached == decoded_.end()) {
      Decoded entry;
      DecodePng(graphic->second, kMaxLabelWidth600, kMaxLabelLength600, entry.image, entry.problem);
      if (decoded_.size() >= kMostDecoded) decoded_.clear();  // a few names at a time stay decoded
      cached = decoded_.emplace(name, std::move(entry)).first;
    }
    if (!cached->second.problem.empty()) return Note(command, cached->second.problem);
    if (field_.outside) return;
    Page().Ink(field_.x, field_.y, cached->second.image);
    format_.drawsSomething = true;
  }

  void Delete(std::string_view name) {
    std::string key(name);
    if (key.size() > 4 && key.ends_with(".PNG")) key.resize(key.size() - 4);
    graphics_.erase(key);
    decoded_.erase(key);
  }

  void Colour(const Command& command) {
    const auto arguments = SplitArguments(std::string_view(command.text).substr(4));
    std::optional<uint32_t> parts[3];
    for (size_t i = 0; i < 3; ++i) parts[i] = i < arguments.size() ? Unsigned(arguments[i]) : std::nullopt;
    if (!parts[0] || !parts[1] || !parts[2] || *parts[0] > 255 || *parts[1] > 255 || *parts[2] > 255)
      return Note(command, "colour not readable");
    // Lowest component first: red, green, blue.
    field_.colour = {static_cast<uint8_t>(*parts[0]), static_cast<uint8_t>(*parts[1]), static_cast<uint8_t>(*parts[2])};
  }

  void FontCommand(const Command& command) {
    const std::string_view text = command.text;
    // "^A" font, orientation letter, then "height,width".
    if (text.size() < 6 || text[4] != ',' || std::string_view("NRIB").find(text[3]) == std::string_view::npos)
      return Note(command, "font command not readable");
    const char orientation = text[3];
    const auto arguments = SplitArguments(text.substr(5));
    const std::optional<uint32_t> height = Unsigned(arguments[0]);
    const std::optional<uint32_t> width = arguments.size() > 1 ? Unsigned(arguments[1]) : height;
    if (!height || !width) return Note(command, "font command not readable");
    field_.orientation = orientation;
    field_.height = static_cast<int32_t>(std::min<uint32_t>(*height, kMaxCharacterCell));
    field_.width = static_cast<int32_t>(std::min<uint32_t>(*width, kMaxCharacterCell));
  }

  void CloseField() {
    const Field field = field_;
    field_ = Field{};
    if (!field.data || field.outside) return;
    if (!field.text) return NoteField(field, "text field at ^FO: only ^FT origins are drawn");
    if (font_ == nullptr) return NoteField(field, "no font: text not drawn");
    const std::string bytes = field.escape != 0 ? DecodeFieldEscapes(*field.data, field.escape) : *field.data;
    TextField text;
    text.x = field.x;
    text.y = field.y;
    text.rightJustified = field.rightJustified;
    text.orientation = field.orientation;
    text.height = field.height > 0 ? field.height : 30;
    text.width = field.width > 0 ? field.width : text.height;
    text.colour = field.colour;
    text.text = DecodeUtf8(field.clock ? FormatSampleTime(bytes) : bytes);
    if (text.text.size() > kMostCharacters) {  // the plug-in writes at most 3072 bytes of field data
      text.text.resize(kMostCharacters);
      NoteField(field, "text cut to its first " + std::to_string(kMostCharacters) + " characters");
    }
    std::string problem;
    font_->Draw(Page(), text, problem);
    if (!problem.empty()) NoteField(field, problem);
    format_.drawsSomething = true;
  }

  struct Decoded {
    Image image;
    std::string problem;
  };

  Font* font_;
  FormatSink sink_;
  size_t count_ = 0;  // commands taken
  JobSummary summary_;
  PageGeometry geometry_;
  bool open_ = false, pageReady_ = false;
  FormatPreview format_;
  Field field_;
  Canvas page_, base_;
  uint64_t baseGeneration_ = 0;  // names the stored base's content for the page's reuse
  static constexpr size_t kMostListed = 1000;
  static constexpr uint64_t kMostGraphicBytes = uint64_t{256} << 20;
  static constexpr size_t kMostDecoded = 4;
  static constexpr size_t kMostCharacters = 3072;
  std::map<std::string, std::string> graphics_;  // name -> its latest download's PNG
  uint64_t graphicBytes_ = 0;                    // in graphics_
  std::map<std::string, Decoded> decoded_;   // decoded on first recall, dropped when replaced
};

uint32_t PageGeometry::PixelWidth() const {
  const uint32_t dots = width600 != 0 ? width600 : kMaxLabelWidth600;
  return std::max<uint32_t>(1, dots * static_cast<uint32_t>(dpi) / 600);
}
uint32_t PageGeometry::PixelHeight() const {
  const uint32_t dots = length600 != 0 ? length600 : kMaxLabelLength600;
  return std::max<uint32_t>(1, dots * static_cast<uint32_t>(dpi) / 600);
}

LabelRenderer::LabelRenderer(Font* font, FormatSink sink) : state_(std::make_unique<State>(font, std::move(sink))) {}
LabelRenderer::~LabelRenderer() = default;
void LabelRenderer::Add(const Command& command) { state_->Add(command); }
JobSummary LabelRenderer::Finish() { return state_->Finish(); }

JobSummary RenderStream(const label_stream::CommandStream& stream, Font* font, const FormatSink& sink) {
  LabelRenderer renderer(font, sink);
  for (const Command& command : stream.commands) renderer.Add(command);
  return renderer.Finish();
}

}  // namespace label_inspect

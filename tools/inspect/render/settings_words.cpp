#include "settings_words.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string_view>

#include "clock_format.h"
#include "closing_words.h"
#include "config/printer_config.h"

namespace label_inspect {
namespace {

using config::PrinterConfig;
using Run = std::map<std::string, std::string, std::less<>>;  // "^S(CLM,T," -> "G1"

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// A "^S(" command split into its first nine bytes and its value.
void AddToRun(Run& run, std::string_view command) {
  if (StartsWith(command, "^S(") && command.size() >= 9) run[std::string(command.substr(0, 9))] = command.substr(9);
}

// The settings run the plug-in writes for `config`, split into commands.
Run RunOf(const PrinterConfig& config) {
  commands::CommandBuffer buffer;
  Run run;
  if (!config.WriteConfigCommands(&buffer)) return run;
  const std::string_view text(reinterpret_cast<const char*>(buffer.data()), buffer.size());
  for (size_t start = 0; start < text.size();) {
    const size_t next = text.find('^', start + 1);
    AddToRun(run, text.substr(start, next == std::string_view::npos ? std::string_view::npos : next - start));
    start = next == std::string_view::npos ? text.size() : next;
  }
  return run;
}

// The value in `values` for which the plug-in writes what the stream holds under every
// key in `keys`; -1 when none does.
template <class Field>
int32_t ValueSent(const Run& sent, Field PrinterConfig::*field, std::initializer_list<const char*> keys,
                  int32_t count, bool advanced = false) {
  for (int32_t value = 0; value < count; ++value) {
    PrinterConfig config;
    config.UseAdvancedInkProfile = advanced;
    config.*field = static_cast<Field>(value);
    const Run run = RunOf(config);
    bool all = true;
    for (const char* key : keys) {
      const auto want = sent.find(key);
      const auto have = run.find(key);
      all = all && want != sent.end() && have != run.end() && want->second == have->second;
    }
    if (all) return value;
  }
  return -1;
}

std::string Labelled(const std::u16string& label, const Run& sent, std::initializer_list<const char*> keys) {
  std::string codes;
  for (const char* key : keys) {
    const auto found = sent.find(key);
    codes += (codes.empty() ? "" : ", ") + std::string(key) + (found != sent.end() ? found->second : "(missing)");
  }
  return (label.empty() ? std::string("not a value the plug-in writes") : Utf8(label)) + " (" + codes + ")";
}

std::string Sent(const Run& sent, const char* key) {
  const auto found = sent.find(key);
  return found != sent.end() ? found->second : "not sent";
}

// An end of a dialog slider or spin box: its value and the word beside it.
struct End {
  long value;
  const char* word;
};

// A number with the range the dialog gives it; the plug-in sends a stored value outside
// that range unchanged, and says so.
std::string InRange(const Run& sent, const char* key, End low, End high) {
  const std::string value = Sent(sent, key);
  const auto end = [](End e) { return std::to_string(e.value) + (*e.word != 0 ? std::string(" ") + e.word : ""); };
  const std::string range = end(low) + " to " + end(high);
  char* stop = nullptr;
  const long number = std::strtol(value.c_str(), &stop, 10);
  if (value.empty() || *stop != 0) return value + " (the dialog's range: " + range + ")";
  if (number < low.value || number > high.value)
    return value + " (outside the dialog's range " + range + ": a stored value, sent unchanged)";
  return value + " (the dialog's range: " + range + ")";
}

std::string Millimetres(const std::string& dots) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", std::strtod(dots.c_str(), nullptr) * 25.4 / 600.0);
  return text;
}

void SettingsRunRows(const Run& sent, std::vector<SettingRow>& rows) {
  if (sent.count("^S(CLM,T,") == 0) {
    rows.push_back({"Printer settings", "not sent: the printer keeps its own settings"});
    return;
  }
  const int32_t media = ValueSent(sent, &PrinterConfig::MediaType, {"^S(CLM,T,"}, 5);
  rows.push_back({"Media coating type", Labelled(config::MediaTypeLabel(media), sent, {"^S(CLM,T,"})});
  const int32_t form = ValueSent(sent, &PrinterConfig::MediaForm, {"^S(CLM,D,", "^S(CLM,F,"}, 4);
  rows.push_back({"Media form", Labelled(config::MediaFormLabel(form), sent, {"^S(CLM,D,", "^S(CLM,F,"})});
  const int32_t source = ValueSent(sent, &PrinterConfig::MediaSource, {"^S(CLM,P,", "^S(CLM,S,"}, 2);
  rows.push_back({"Media source", Labelled(config::MediaSourceLabel(source), sent, {"^S(CLM,P,", "^S(CLM,S,"})});
  const std::string speed = Sent(sent, "^S(CMP,S,");
  rows.push_back({"Print speed", (speed == "6" ? "150 mm/sec" : speed == "12" ? "300 mm/sec" : "unknown") +
                                     std::string(" (^S(CMP,S,") + speed + ")"});
  const int32_t head = ValueSent(sent, &PrinterConfig::HeadMaintenance, {"^S(CMP,F,"}, 2);
  rows.push_back({"Head maintenance", Labelled(config::HeadMaintenanceLabel(head), sent, {"^S(CMP,F,"})});
  const int32_t colour = ValueSent(sent, &PrinterConfig::ColorCorrection, {"^S(CPC,C,"}, 2, true);
  rows.push_back({"Colour mode", Labelled(config::ColorCorrectionLabel(colour), sent, {"^S(CPC,C,"})});
  // Automatic sends the neutral values, which Advanced can send too.
  const bool neutral = Sent(sent, "^S(CPC,C,") == "N" && Sent(sent, "^S(CPC,D,") == "0" &&
                       Sent(sent, "^S(CPC,P,") == "0" && Sent(sent, "^S(CPC,B,") == "0";
  rows.push_back({"Colour preset", neutral ? "Automatic, or Advanced with these neutral values (the same commands)"
                                           : "Advanced (inferred from the colour commands)"});
  rows.push_back({"Ink profile", InRange(sent, "^S(CPC,D,", {-6, "Light"}, {4, "Dark"})});
  rows.push_back({"Ratio of black to composite", InRange(sent, "^S(CPC,P,", {-6, "CMY"}, {0, "K"})});
  rows.push_back({"Banding reduction", InRange(sent, "^S(CPC,B,", {-2, "Light"}, {2, "Dark"})});
  rows.push_back({"Paper feed adjustment", InRange(sent, "^S(CLP,M,", {-99, ""}, {99, ""})});
}

void GeometryRows(const Run& sent, std::vector<SettingRow>& rows) {
  const std::string letter = Sent(sent, "^S(CLR,M,");
  rows.push_back({"Resolution", letter == "A" ? "600 dpi" : letter == "B" ? "300 dpi" : "unknown (" + letter + ")"});
  const std::string width = Sent(sent, "^S(CLS,P,"), length = Sent(sent, "^S(CLS,L,");
  rows.push_back({"Label size", Millimetres(width) + " x " + Millimetres(length) + " mm (" + width + " x " + length +
                                    " dots at 600 dpi)"});
}

}  // namespace

std::string Utf8(const std::u16string& text) {
  std::string bytes;
  for (char16_t unit : text) {
    if (unit < 0x80) {
      bytes += static_cast<char>(unit);
    } else if (unit < 0x800) {
      bytes += static_cast<char>(0xC0 | (unit >> 6));
      bytes += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      bytes += static_cast<char>(0xE0 | (unit >> 12));
      bytes += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      bytes += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  return bytes;
}

std::string DescribeClockFormat(const std::string& format) {
  const std::string shown = FormatSampleTime(format);
  // The preset labels are the sample time in each preset's format, so a format that
  // shows a preset pair's labels is that pair.
  for (int32_t date = 0; date < 4; ++date) {
    for (int32_t time = 0; time < 3; ++time) {
      const std::string dateLabel = date == 0 ? "" : Utf8(config::TimeFormatDateLabel(date));
      const std::string timeLabel = time == 0 ? "" : Utf8(config::TimeFormatTimeLabel(time));
      if ((date == 0 ? "" : dateLabel + " ") + timeLabel != shown) continue;
      return "presets: date " + Utf8(config::TimeFormatDateLabel(date)) + ", time " +
             Utf8(config::TimeFormatTimeLabel(time)) + " (\"" + format + "\")";
    }
  }
  return "manual: \"" + format + "\", shows " + shown;
}

struct SettingsReader::State {
  // One format as it is read: what decides whether it is a header, an error label or a
  // closing, and how it closes.
  struct FormatFacts {
    uint64_t offset = 0;
    Run settings;
    bool labelSize = false, resolution = false, loadsBase = false, start = false, end = false, emptyBox = false,
         other = false, beep = false, beepSet = false, quantity = false;
    FormatClosing closing;
    std::vector<std::string> texts;  // field data, escapes decoded
    bool clock = false;              // in a clock field
    char escape = 0;                 // the field's "^FH" indicator
  };
  struct Job {
    uint64_t offset;
    Run sent;
    ClosingWords closing;
    std::set<std::string> clockFormats;
    std::vector<std::string> errorLabels;
  };
  std::vector<Job> jobs;
  FormatFacts format;
  bool open = false;

  void EndFormat() {
    open = false;
    FormatFacts& f = format;
    if (f.labelSize) jobs.push_back({f.offset, f.settings, {}, {}, {}});
    if (jobs.empty()) return;
    Job& job = jobs.back();
    // The plug-in writes error lines into the header, or into a format of their own
    // that sets only the resolution (the left margin's).
    if (!f.texts.empty() && !f.loadsBase && (f.labelSize || f.resolution)) {
      std::string lines;
      for (const std::string& text : f.texts) lines += (lines.empty() ? "" : " / ") + text;
      job.errorLabels.push_back("format at byte " + std::to_string(f.offset) + ": " + lines);
      return;
    }
    if (!f.quantity) return;
    if (f.start) f.closing.kind = ClosingKind::kStartLabel;
    else if (f.end) f.closing.kind = ClosingKind::kEndLabel;
    else if (f.loadsBase) f.closing.kind = f.beepSet ? ClosingKind::kPage : ClosingKind::kRemainder;
    else if (f.emptyBox && !f.other) f.closing.kind = ClosingKind::kEmptyPage;
    else return;
    f.closing.beep = f.beep;
    job.closing.Add(f.closing);
  }

  void Field(std::string_view text) {
    FormatFacts& f = format;
    if (text == "^FC%") f.clock = true;
    if (StartsWith(text, "^FH")) f.escape = text.size() > 3 ? text[3] : '_';
    if (StartsWith(text, "^FD")) {
      std::string data = f.escape != 0 ? DecodeFieldEscapes(text.substr(3), f.escape) : std::string(text.substr(3));
      if (f.clock && !jobs.empty() && jobs.back().clockFormats.size() < 8) jobs.back().clockFormats.insert(data);
      if (!f.clock && f.texts.size() < 8) f.texts.push_back(std::move(data));
    }
    if (text == "^FS") f.clock = false, f.escape = 0;
  }
};

SettingsReader::SettingsReader() : state_(std::make_unique<State>()) {}
SettingsReader::~SettingsReader() = default;

void SettingsReader::Add(const label_stream::Command& command) {
  State& s = *state_;
  const std::string_view text = command.text;
  if (text == "^XA") {
    if (s.open) s.EndFormat();
    s.format = State::FormatFacts{};
    s.format.offset = command.offset;
    s.open = true;
    return;
  }
  if (!s.open) return;
  State::FormatFacts& f = s.format;
  if (text == "^XZ") return s.EndFormat();
  if (StartsWith(text, "^S(")) {
    AddToRun(f.settings, text);
    f.labelSize = f.labelSize || StartsWith(text, "^S(CLS,P,") || StartsWith(text, "^S(CLS,L,");
    f.resolution = f.resolution || StartsWith(text, "^S(CLR,");
    if (text == "^S(CUB,S,L" || text == "^S(CUB,S,N") f.beepSet = true, f.beep = text.back() == 'L';
    return;
  }
  if (StartsWith(text, "^PQ")) {
    unsigned quantity = 0, cut = 0;
    char pause = 0;
    if (std::sscanf(std::string(text).c_str(), "^PQ%u,%u,%*u,%c", &quantity, &cut, &pause) >= 2) {
      f.quantity = true;
      f.closing.quantity = quantity;
      f.closing.cut = cut;
      f.closing.pause = pause == 'N';
    }
    return;
  }
  if (text == "^C(L") f.loadsBase = true;
  else if (text == "^IMR:START.PNG") f.start = true;
  else if (text == "^IMR:END.PNG") f.end = true;
  else if (text == "^GB100,100,100,W,0" && !f.emptyBox) f.emptyBox = true;
  else if (StartsWith(text, "^IMR:") || StartsWith(text, "^GB") || StartsWith(text, "^FD")) f.other = true;
  s.Field(text);
}

std::vector<JobSettings> SettingsReader::Finish() {
  if (state_->open) state_->EndFormat();
  std::vector<JobSettings> described;
  for (State::Job& job : state_->jobs) {
    JobSettings settings{job.offset, {}};
    GeometryRows(job.sent, settings.rows);
    SettingsRunRows(job.sent, settings.rows);
    for (const std::string& label : job.errorLabels) settings.rows.push_back({"Error label", label});
    job.closing.Finish(settings.rows);
    if (job.clockFormats.empty()) settings.rows.push_back({"Clock format", "no clock field in this job"});
    for (const std::string& format : job.clockFormats)
      settings.rows.push_back({"Clock format", DescribeClockFormat(format)});
    described.push_back(std::move(settings));
  }
  return described;
}

std::vector<JobSettings> DescribeSettings(const label_stream::CommandStream& stream) {
  SettingsReader reader;
  for (const label_stream::Command& command : stream.commands) reader.Add(command);
  return reader.Finish();
}

}  // namespace label_inspect

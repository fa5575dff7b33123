#include "settings_words.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string_view>

#include "clock_format.h"
#include "config/printer_config.h"
#include "label_renderer.h"

namespace label_inspect {
namespace {

using config::PrinterConfig;
using Run = std::map<std::string, std::string, std::less<>>;  // "^S(CLM,T," -> "G1"

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

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
  rows.push_back({"Ink profile", Sent(sent, "^S(CPC,D,")});
  rows.push_back({"Ratio of black to composite", Sent(sent, "^S(CPC,P,")});
  rows.push_back({"Banding reduction", Sent(sent, "^S(CPC,B,")});
  rows.push_back({"Paper feed adjustment", Sent(sent, "^S(CLP,M,")});
}

void GeometryRows(const Run& sent, std::vector<SettingRow>& rows) {
  const std::string letter = Sent(sent, "^S(CLR,M,");
  rows.push_back({"Resolution", letter == "A" ? "600 dpi" : letter == "B" ? "300 dpi" : "unknown (" + letter + ")"});
  const std::string width = Sent(sent, "^S(CLS,P,"), length = Sent(sent, "^S(CLS,L,");
  rows.push_back({"Label size", Millimetres(width) + " x " + Millimetres(length) + " mm (" + width + " x " + length +
                                    " dots at 600 dpi)"});
}

// Closing and clock settings as the formats after a header show them.
struct FormatHabits {
  std::set<uint32_t> cutCounts;
  size_t quantities = 0, cutting = 0, lastCuts = 0;
  bool pause = false, beep = false;
  std::set<std::string> clockFormats;
};

void HabitRows(const FormatHabits& habits, std::vector<SettingRow>& rows) {
  std::string cut;
  if (habits.cutting == 0) {
    cut = "no cut";
  } else if (habits.cutCounts == std::set<uint32_t>{1} && habits.cutting == habits.quantities) {
    cut = Utf8(config::AutoCutLabel(0));
  } else if (habits.cutting == 1 && habits.lastCuts == 1) {
    cut = Utf8(config::AutoCutLabel(2));
  } else {
    cut = Utf8(config::AutoCutLabel(1));
  }
  std::string counts;
  for (uint32_t count : habits.cutCounts) counts += (counts.empty() ? "" : ", ") + std::to_string(count);
  rows.push_back({"Cut mode", cut});
  rows.push_back({"Cut interval", counts.empty() ? "none"
                                                 : std::to_string(habits.cutting) + " of " +
                                                       std::to_string(habits.quantities) +
                                                       " formats cut, every " + counts + " label(s)"});
  rows.push_back({"Pause", Utf8(config::PauseLabel(habits.pause ? 1 : 0))});
  rows.push_back({"Notification", Utf8(config::BuzzerLabel(habits.beep ? 1 : 0))});
  if (habits.clockFormats.empty()) rows.push_back({"Clock format", "no clock field in this job"});
  for (const std::string& format : habits.clockFormats) rows.push_back({"Clock format", DescribeClockFormat(format)});
}

}  // namespace

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
  struct Job {
    uint64_t offset;
    Run sent;
    FormatHabits habits;
    uint32_t lastCut = 0;
  };
  std::vector<Job> jobs;
  Run current;  // the "^S(" commands of the format being read
  uint64_t formatStart = 0;
  bool header = false, clock = false;
};

SettingsReader::SettingsReader() : state_(std::make_unique<State>()) {}
SettingsReader::~SettingsReader() = default;

void SettingsReader::Add(const label_stream::Command& command) {
  State& s = *state_;
  const std::string_view text = command.text;
  if (text == "^XA") {
    s.formatStart = command.offset;
    s.header = false;
    s.current.clear();
  }
  if (StartsWith(text, "^S(")) {
    AddToRun(s.current, text);
    if (!s.header && (StartsWith(text, "^S(CLR,") || StartsWith(text, "^S(CLS,"))) {
      s.header = true;
      s.jobs.push_back({s.formatStart, {}, {}});
    }
    if (s.header) s.jobs.back().sent = s.current;
  }
  if (s.jobs.empty()) return;
  FormatHabits& habits = s.jobs.back().habits;
  if (StartsWith(text, "^PQ")) {
    unsigned quantity = 0, cut = 0;
    char pause = 0;
    if (std::sscanf(std::string(text).c_str(), "^PQ%u,%u,%*u,%c", &quantity, &cut, &pause) >= 2) {
      ++habits.quantities;
      if (cut > 0) {
        ++habits.cutting;
        habits.cutCounts.insert(cut);
      }
      habits.pause = habits.pause || pause == 'N';
      s.jobs.back().lastCut = cut;
    }
  }
  if (text == "^S(CUB,S,L") habits.beep = true;
  if (text == "^FC%") s.clock = true;
  if (StartsWith(text, "^FD") && s.clock && habits.clockFormats.size() < 8)
    habits.clockFormats.insert(DecodeFieldEscapes(text.substr(3), '_'));
  if (text == "^FS") s.clock = false;
}

std::vector<JobSettings> SettingsReader::Finish() {
  std::vector<JobSettings> described;
  for (State::Job& job : state_->jobs) {
    job.habits.lastCuts = job.lastCut > 0 ? 1 : 0;
    JobSettings settings{job.offset, {}};
    GeometryRows(job.sent, settings.rows);
    SettingsRunRows(job.sent, settings.rows);
    HabitRows(job.habits, settings.rows);
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

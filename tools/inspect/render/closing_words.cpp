#include "closing_words.h"

#include <algorithm>

#include "config/printer_config.h"

namespace label_inspect {
namespace {

// Modes: DoAutoCut off, then AutoCut 0 (every page), 1 (every N pages), 2 (last page only).
constexpr int kOff = 0, kEvery = 1, kInterval = 2, kLast = 3;
constexpr size_t kMostListed = 12;
constexpr const char* kInferred = " (inferred from the formats' cut counts)";

const char* KindName(ClosingKind kind) {
  switch (kind) {
    case ClosingKind::kStartLabel: return "start label";
    case ClosingKind::kEndLabel: return "end label";
    case ClosingKind::kEmptyPage: return "empty page";
    case ClosingKind::kPage: return "page";
    case ClosingKind::kRemainder: return "remainder";
  }
  return "";
}

std::string Label(int mode) { return Utf8(config::AutoCutLabel(mode - 1)); }

std::string Pages(uint64_t low, uint64_t high) {
  if (low == high) return std::to_string(low) + (low == 1 ? " page" : " pages");
  if (high == UINT64_MAX) return std::to_string(low) + " or more pages";
  return std::to_string(low) + " to " + std::to_string(high) + " pages";
}

}  // namespace

void ClosingWords::Fit::Pin(uint64_t value) {
  alive = alive && value >= low && value <= high;
  low = high = value;
}

// A cut after page `page` of a job closed one page at a time: the interval divides it.
// Before the first such cut every smaller page count has been ruled out, so the interval
// is the page count itself; otherwise [low, page] holds every divisor that is left.
void ClosingWords::Fit::Divides(uint64_t page) {
  high = std::min(high, page);
  alive = alive && low <= high && (low != high || page % low == 0);
}

void ClosingWords::Fit::DoesNotDivide(uint64_t page) {
  if (low == high) alive = alive && page % low != 0;
  else if (low == page) low = page + 1;
  alive = alive && low <= high;
}

ClosingWords::ClosingWords() = default;

void ClosingWords::Add(const FormatClosing& closing) {
  ++formats_;
  if (listed_ < kMostListed) {
    counts_ += (counts_.empty() ? "" : ", ") + std::string(KindName(closing.kind)) + " ^PQ" +
               std::to_string(closing.quantity) + "," + std::to_string(closing.cut);
    ++listed_;
  }
  const uint32_t cut = closing.cut;
  switch (closing.kind) {
    case ClosingKind::kStartLabel:
    case ClosingKind::kEmptyPage:
      // Cut when Auto Cut is on and AutoCut is 0 or 1; the pause letter is Pause != 0.
      for (int mode = 0; mode < kModes; ++mode) {
        const uint32_t expected = mode == kEvery || mode == kInterval ? 1 : 0;
        copies_[mode].alive = copies_[mode].alive && cut == expected;
        oneByOne_[mode].alive = oneByOne_[mode].alive && cut == expected;
      }
      (closing.pause ? singlePause_ : singleGo_) = true;
      break;
    case ClosingKind::kEndLabel:
      for (int mode = 0; mode < kModes; ++mode) {
        const uint32_t expected = mode == kOff ? 0 : 1;
        copies_[mode].alive = copies_[mode].alive && cut == expected;
        oneByOne_[mode].alive = oneByOne_[mode].alive && cut == expected;
      }
      (closing.pause ? singlePause_ : singleGo_) = true;
      break;
    case ClosingKind::kRemainder:
      // Only a first page of copies split by Auto Cut leaves a remainder, and Only After
      // Last Page writes that page uncut.
      copies_[kOff].alive = false;
      copies_[kLast].alive = copies_[kLast].alive && pending_ && pending_->cut == 0;
      for (Fit& fit : oneByOne_) fit.alive = false;
      break;
    case ClosingKind::kPage:
      if (pending_) Page(*pending_, false);
      pending_ = closing;
      (closing.pause ? pagePause_ : pageGo_) = true;
      break;
  }
  beep_ = beep_ || closing.beep;
}

// One page's cut count against every setting, as the plug-in chooses it.
void ClosingWords::Page(const FormatClosing& page, bool last) {
  const uint64_t number = ++pages_, quantity = page.quantity, cut = page.cut;
  // Copies: cut count 1 (after every page), the interval, or the quantity (last page
  // only); a first page split around a partial sheet is written uncut for the last page
  // only; a partial sheet's single copy is cut whenever Auto Cut is on.
  const bool singleCut = quantity == 1 && cut == 1;
  copies_[kOff].alive = copies_[kOff].alive && cut == 0;
  copies_[kEvery].alive = copies_[kEvery].alive && cut == 1;
  if (!singleCut) {
    if (cut == 0) copies_[kInterval].alive = false;
    else copies_[kInterval].Pin(cut);
  }
  copies_[kLast].alive = copies_[kLast].alive && (cut == quantity || (number == 1 && cut == 0));
  // One at a time: one label per format, cut after every page, after every N pages and
  // the last, or after the last only.
  if (quantity != 1) {
    for (Fit& fit : oneByOne_) fit.alive = false;
    return;
  }
  oneByOne_[kOff].alive = oneByOne_[kOff].alive && cut == 0;
  oneByOne_[kEvery].alive = oneByOne_[kEvery].alive && cut == 1;
  oneByOne_[kLast].alive = oneByOne_[kLast].alive && cut == (last ? 1u : 0u);
  Fit& interval = oneByOne_[kInterval];
  if (last) interval.alive = interval.alive && cut == 1;
  else if (cut == 1) interval.Divides(number);
  else if (cut == 0) interval.DoesNotDivide(number);
  else interval.alive = false;
}

std::string ClosingWords::CutMode() const {
  bool fits[kModes];
  for (int mode = 0; mode < kModes; ++mode) fits[mode] = copies_[mode].alive || oneByOne_[mode].alive;
  if (!fits[kOff] && !fits[kEvery] && !fits[kInterval] && !fits[kLast])
    return "the cut counts match no setting the dialog offers";
  if (fits[kOff]) return fits[kEvery] || fits[kInterval] || fits[kLast] ? "" : std::string("No Auto Cut") + kInferred;
  std::string modes;
  int count = 0;
  for (int mode = kEvery; mode < kModes; ++mode) {
    if (!fits[mode]) continue;
    modes += (count++ == 0 ? "" : " or ") + Label(mode);
    if (mode == kInterval && (fits[kEvery] || fits[kLast])) modes += " (every " + Interval() + ")";
  }
  return "Auto Cut: " + modes + (count > 1 ? "; the formats are the same for these" : "") + kInferred;
}

// The interval's range over both ways of closing pages.
std::string ClosingWords::Interval() const {
  uint64_t low = UINT64_MAX, high = 0;
  for (const Fit* fit : {&copies_[kInterval], &oneByOne_[kInterval]}) {
    if (!fit->alive) continue;
    low = std::min(low, fit->low);
    high = std::max(high, fit->high);
  }
  return Pages(low, high);
}

void ClosingWords::Finish(std::vector<SettingRow>& rows) {
  if (pending_) Page(*pending_, true);
  pending_.reset();
  if (formats_ == 0) return;
  if (formats_ > listed_) counts_ += ", ... (" + std::to_string(formats_) + " formats in all)";
  rows.push_back({"Cut counts", counts_ + " (labels between cuts; 0: no cut)"});
  // Without a page or an end label the job never reaches the cut that Auto Cut
  // promises after its last page: nothing is certain.
  const std::string mode = pages_ > 0 || singleGo_ || singlePause_ ? CutMode() : "";
  if (!mode.empty()) rows.push_back({"Cut", mode});
  const bool onlyInterval = !copies_[kOff].alive && !oneByOne_[kOff].alive && !copies_[kEvery].alive &&
                            !oneByOne_[kEvery].alive && !copies_[kLast].alive && !oneByOne_[kLast].alive &&
                            (copies_[kInterval].alive || oneByOne_[kInterval].alive);
  if (onlyInterval) rows.push_back({"Cut interval", Interval() + kInferred});
  // Pages write the pause letter for Pause = 1, start and end labels for Pause != 0.
  std::string pause;
  if (pagePause_ && !pageGo_) pause = Utf8(config::PauseLabel(1));
  else if (pageGo_ && !pagePause_ && !singlePause_) pause = Utf8(config::PauseLabel(0));
  else if (pageGo_ && !pagePause_)
    pause = "a value the dialog does not offer (start and end labels pause, pages do not)";
  else if (pages_ == 0 && singlePause_ != singleGo_) pause = Utf8(config::PauseLabel(singlePause_ ? 1 : 0));
  if (!pause.empty()) rows.push_back({"Pause", pause + " (inferred from the formats' pause letters)"});
  // Only the job's last page beeps, and only with Beep at Job End.
  if (beep_ || pages_ > 0)
    rows.push_back({"Notification",
                    Utf8(config::BuzzerLabel(beep_ ? 1 : 0)) + " (inferred from the formats' beep commands)"});
}

}  // namespace label_inspect

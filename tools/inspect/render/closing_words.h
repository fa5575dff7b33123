// The cut, pause and notification settings of a job, worked out from how its formats
// close. The stream carries no cut-mode setting, only each format's cut count, pause
// letter and beep; every setting the dialog offers (No Auto Cut, or Auto Cut after every
// page, every N pages or only after the last page, pages closed one at a time or as
// copies) is tested against them, and a row says only what all the settings that fit
// have in common.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings_words.h"

namespace label_inspect {

enum class ClosingKind {
  kStartLabel,  // recalls START
  kEndLabel,    // recalls END
  kEmptyPage,   // a 100-dot white square at 0,0 and nothing else
  kPage,        // loads the stored base
  kRemainder,   // loads the base with no beep command: the copies a split page leaves over
};

struct FormatClosing {
  ClosingKind kind = ClosingKind::kPage;
  uint32_t quantity = 0, cut = 0;  // "^PQ<quantity>,<cut>,..."
  bool pause = false;              // the quantity's last letter is N
  bool beep = false;               // "^S(CUB,S,L"
};

class ClosingWords {
 public:
  ClosingWords();
  // The closings of one job's formats, in stream order.
  void Add(const FormatClosing& closing);
  // Rows for what is certain; call once, after the last Add.
  void Finish(std::vector<SettingRow>& rows);

 private:
  // The settings that still fit: No Auto Cut, then Auto Cut by its AutoCut value 0, 1, 2;
  // for 1 the interval lies in [low, high].
  struct Fit {
    bool alive = true;
    uint64_t low = 1, high = UINT64_MAX;
    void Pin(uint64_t value);
    void Divides(uint64_t page);
    void DoesNotDivide(uint64_t page);
  };
  static constexpr int kModes = 4;
  void Page(const FormatClosing& page, bool last);
  std::string CutMode() const;
  std::string Interval() const;

  Fit copies_[kModes];    // pages closed with a quantity of copies
  Fit oneByOne_[kModes];  // pages closed one at a time, counting labels
  std::optional<FormatClosing> pending_;  // a page not yet known to be the last
  uint64_t pages_ = 0;
  std::string counts_;    // the closings as the stream has them
  size_t listed_ = 0, formats_ = 0;
  bool pagePause_ = false, pageGo_ = false, singlePause_ = false, singleGo_ = false, beep_ = false;
};

}  // namespace label_inspect

// Draws the labels of a command stream as the printer would make them: one page per
// label format at the job's resolution and label size, with recalled graphics, the
// stored base, white boxes and text and clock fields. What it cannot draw is listed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "canvas.h"
#include "clock_format.h"
#include "stream/command_stream.h"
#include "text_raster.h"

namespace label_inspect {

// A command that left no ink: its offset, its text (printable) and why. For a field as a
// whole (its origin outside the printer's range, its text not drawn) the field's first
// command.
struct Undrawn {
  uint64_t offset = 0;
  std::string command;
  std::string reason;
};

// The label size and resolution in force, as the job header set them.
struct PageGeometry {
  int dpi = 600;
  uint32_t width600 = 0, length600 = 0;  // dots at 600 dpi, after clamping; 0: none sent, the largest drawn
  bool clamped = false;                  // the stream asked for more than the largest label
  uint32_t PixelWidth() const;
  uint32_t PixelHeight() const;
};

// Closing values of a format: quantity, cut, pause and beep are not drawn.
struct Closing {
  bool hasQuantity = false;
  uint32_t quantity = 0, cutEvery = 0;
  bool pauseAtCut = false;
  bool beepSet = false, beep = false;
};

struct FormatPreview {
  size_t order = 0;        // 1-based among all formats of the stream
  uint64_t offset = 0;     // of its "^XA"
  size_t firstCommand = 0, endCommand = 0;  // its commands in the stream, end exclusive
  bool drawsSomething = false;
  bool loadsBase = false, savesBase = false, discardsBase = false;
  bool endedByStream = false;  // no "^XZ": a later "^XA" or the stream's end closed it
  bool printed = false;        // draws or has a quantity, and is not stored as the base
  Closing closing;
  PageGeometry geometry;
  std::vector<Undrawn> undrawn;
  const Canvas* canvas = nullptr;  // valid during the callback only
};

struct JobSummary {
  size_t formats = 0, printed = 0;
  PageGeometry geometry;            // the last in force
  std::vector<Undrawn> outside;     // commands outside formats that could not be drawn
};

using FormatSink = std::function<void(const FormatPreview&)>;

// Takes the stream's commands in order (as a CommandReader gives them, so a stream of any
// size can be drawn) and calls `sink` once per format as it ends. `font` may be null:
// text fields are then listed as undrawn. Memory holds the page, the stored base and the
// latest download of each graphic name, whatever the stream.
class LabelRenderer {
 public:
  LabelRenderer(Font* font, FormatSink sink);
  ~LabelRenderer();
  void Add(const label_stream::Command& command);
  // Ends a format left open and returns the summary.
  JobSummary Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// All commands of a stream in memory, through a LabelRenderer.
JobSummary RenderStream(const label_stream::CommandStream& stream, Font* font, const FormatSink& sink);

}  // namespace label_inspect

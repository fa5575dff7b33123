// The page a label format is drawn on: 24-bit pixels in blue, green, red order (as the
// host's bitmaps, so the plug-in's own PNG encoder writes them), white where nothing is.
// Every drawing operation clips to the page; positions may lie anywhere.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace label_inspect {

// The printer's largest label, in dots at 600 dpi: every page is clamped to it.
inline constexpr uint32_t kMaxLabelWidth600 = 2646;
inline constexpr uint32_t kMaxLabelLength600 = 14173;

struct Rgb {
  uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlack{0, 0, 0};

// A decoded graphic: rows of blue, green, red (and alpha when the file has one), top row
// first.
struct Image {
  uint32_t width = 0, height = 0;
  uint32_t channels = 3;           // 3, or 4 with alpha
  std::unique_ptr<uint8_t[]> bgr;  // left uninitialised until decoded: large graphics are common
};

// Decodes one PNG file with libpng. Images larger than `maxWidth` x `maxHeight` are
// refused before any pixel is decoded, so memory stays bounded. False and `problem`
// on failure.
bool DecodePng(std::string_view bytes, uint32_t maxWidth, uint32_t maxHeight, Image& image, std::string& problem);

// Multiplies two 8-bit intensities, rounded: ink over paper.
inline uint8_t Times(uint8_t a, uint8_t b) { return static_cast<uint8_t>((a * b + 127) / 255); }
// From one intensity towards another by a coverage of 0 to 255.
inline uint8_t Mix(uint8_t from, uint8_t to, uint8_t coverage) {
  return static_cast<uint8_t>((from * (255 - coverage) + to * coverage + 127) / 255);
}

class Canvas {
 public:
  Canvas() = default;
  Canvas(uint32_t width, uint32_t height);

  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  const std::vector<uint8_t>& pixels() const { return pixels_; }
  Rgb At(uint32_t x, uint32_t y) const;

  // Sets a rectangle to one colour (a white box clears what is beneath it).
  void Fill(int64_t x, int64_t y, int64_t width, int64_t height, Rgb colour);
  // A frame of `thickness` inside the rectangle; a thickness of half the smaller side or
  // more fills it.
  void Frame(int64_t x, int64_t y, int64_t width, int64_t height, int64_t thickness, Rgb colour);
  // Lays a graphic's ink with its top left corner at (x, y): ink multiplies what is
  // beneath, so the graphic's white lets earlier content show, as on paper.
  void Ink(int64_t x, int64_t y, const Image& image);
  // Lays another page's ink at (x, y), as above.
  void Ink(int64_t x, int64_t y, const Canvas& other);
  // Makes this page a copy of `other` (the same size) or, with none, white. `source`
  // names that content (0 for white): when the page was last reset to the same source,
  // only what was drawn since is restored, so a label on a stored base costs what is
  // drawn on it, not the whole page.
  void Reset(const Canvas* other, uint64_t source);
  // States that the page now holds the content named `source`, as it stands.
  void Adopt(uint64_t source);
  // Lays `colour` at one pixel with a coverage of 0 (none) to 255 (full). The caller
  // states the area it inked with Drawn. Inline: text calls it for every glyph pixel.
  void InkPixel(int64_t x, int64_t y, Rgb colour, uint8_t coverage) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || coverage == 0) return;
    uint8_t* pixel = &pixels_[(static_cast<size_t>(y) * width_ + static_cast<size_t>(x)) * 3];
    pixel[0] = Mix(pixel[0], Times(pixel[0], colour.blue), coverage);
    pixel[1] = Mix(pixel[1], Times(pixel[1], colour.green), coverage);
    pixel[2] = Mix(pixel[2], Times(pixel[2], colour.red), coverage);
  }
  void Drawn(int64_t x, int64_t y, int64_t width, int64_t height) {
    Area area;
    Touch(x, y, width, height, area);
  }

  // One complete PNG file of the page, written by the plug-in's encoder.
  bool EncodePng(std::vector<uint8_t>& png) const;

 private:
  struct Area {
    int64_t left, top, right, bottom;
  };
  // Clips a rectangle to the page and records it as drawn on; false when nothing is left.
  bool Touch(int64_t x, int64_t y, int64_t width, int64_t height, Area& area);
  void Restore(const Canvas* other, const Area& area);
  bool Blank(const Area& area) const;  // still white: nothing drawn there since a white reset

  static constexpr uint64_t kUnknown = ~uint64_t{0};
  uint32_t width_ = 0, height_ = 0;
  std::vector<uint8_t> pixels_;
  uint64_t source_ = 0;          // what the page held before the areas below were drawn
  std::vector<Area> drawn_;      // at most kMostAreas; beyond that the whole page counts
  bool drawnEverywhere_ = false;
};

}  // namespace label_inspect

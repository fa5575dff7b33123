// Text fields drawn with FreeType and a DejaVu font found at run time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "canvas.h"

namespace label_inspect {

// One text field as the printer places it: the origin is the start of the baseline
// ("^FT"), or its end when right-justified; the orientation letter turns the text
// (N normal, R 90 degrees clockwise, I 180 degrees, B 270 degrees).
struct TextField {
  int64_t x = 0, y = 0;
  bool rightJustified = false;
  char orientation = 'N';
  int32_t height = 0, width = 0;  // character cell in dots
  Rgb colour = kBlack;
  std::u32string text;
};

// The largest character cell drawn, in dots: larger cells are drawn at this size so that
// memory stays bounded (a glyph of the largest cell is a few megabytes).
inline constexpr int32_t kMaxCharacterCell = 2646;

class Font {
 public:
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // The font in `path`, or when `path` is empty DejaVu Sans in the usual font folders.
  // Null and `error` (which names the file and the package that brings it) when missing.
  static std::unique_ptr<Font> Open(const std::string& path, std::string& error);

  // Draws the field's ink; false and `problem` for a glyph FreeType cannot render (the
  // glyphs before it stay drawn). Characters the font lacks are drawn as its empty box
  // and named in `problem`, with the result still true.
  bool Draw(Canvas& canvas, const TextField& field, std::string& problem);

 private:
  struct Library;
  // A rendered glyph: its coverage rows and where they sit from the pen on the baseline.
  struct Glyph {
    int left, top;
    unsigned int columns, rows;
    int64_t advance;
    bool missing;  // not in the font: its empty box
    std::vector<uint8_t> coverage;
  };
  using GlyphKey = std::tuple<char32_t, int32_t, int32_t>;  // character, cell width, cell height
  static constexpr size_t kMostCachedBytes = size_t{64} << 20;

  explicit Font(std::unique_ptr<Library> library);
  // The glyph at a cell size, rendered once and kept; null when FreeType cannot render it.
  const Glyph* Rendered(char32_t character, int32_t width, int32_t height);

  std::unique_ptr<Library> library_;
  std::map<GlyphKey, Glyph> glyphs_;
  size_t cachedBytes_ = 0;
};

}  // namespace label_inspect

// Text fields drawn with FreeType and a chain of fonts found at run time.
#pragma once

#include <cstdint>
#include <filesystem>
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

// The fonts previews draw with, in the order they are asked for a character: a bold
// condensed main font close in width to the printer's scalable font, then fonts for what
// it lacks (symbols and other alphabets, Chinese and Japanese, Korean). Each is looked for
// by its file name beside the program (the release keeps them in fonts/ beside
// label_inspect.exe), else in the folder its Debian package installs it to; nothing else
// is searched, so previews do not depend on what a machine has installed.
// scripts/setup.sh and scripts/package.sh read this list: one entry a line, as below.
struct FontFile {
  const char* name;
  const char* debianFolder;
  const char* package;
};
inline constexpr FontFile kFontChain[] = {
    {"RobotoCondensed-Bold.ttf", "/usr/share/fonts/truetype/roboto/unhinted", "fonts-roboto-unhinted"},
    {"DejaVuSansCondensed-Bold.ttf", "/usr/share/fonts/truetype/dejavu", "fonts-dejavu-extra"},
    {"DroidSansFallbackFull.ttf", "/usr/share/fonts/truetype/droid", "fonts-droid-fallback"},
    {"NanumSquareB.ttf", "/usr/share/fonts/truetype/nanum", "fonts-nanum"},
};

class Font {
 public:
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // The chain of kFontChain, each file from `fontFolder` when it is there, else from its
  // Debian folder; a non-empty `mainPath` replaces the main font. Null and `error` (which
  // names the file and the package that brings it) when one cannot be opened.
  static std::unique_ptr<Font> Open(const std::string& mainPath, std::string& error,
                                    const std::filesystem::path& fontFolder = {});

  // Draws the field's ink, each character from the first font of the chain that has it;
  // false and `problem` for a glyph FreeType cannot render (the glyphs before it stay
  // drawn). Characters no font has are drawn as the main font's empty box and named in
  // `problem`, with the result still true.
  bool Draw(Canvas& canvas, const TextField& field, std::string& problem);

 private:
  struct Library;
  // A rendered glyph: its coverage rows and where they sit from the pen on the baseline.
  struct Glyph {
    int left, top;
    unsigned int columns, rows;
    int64_t advance;
    bool missing;  // in no font of the chain: the main font's empty box
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

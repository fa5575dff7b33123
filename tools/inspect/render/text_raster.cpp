#include "text_raster.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace label_inspect {

struct Font::Library {
  FT_Library library = nullptr;
  std::vector<FT_Face> faces;  // the chain, main font first
  std::vector<std::string> files;  // their bytes, which FreeType reads from while a face lives
  ~Library() {
    for (FT_Face face : faces) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }
};

namespace {

// The whole file; false when it cannot be read. Read here rather than by FreeType so that
// a folder of any name works on both systems (a path goes to the system as UTF-16 on
// Windows). Read in one piece: the fonts are megabytes, and a character at a time took a
// fifth of a small report's time.
// The size comes from the file system, which refuses a folder (a stream opened on one
// reports a size of petabytes).
bool ReadFont(const std::filesystem::path& path, std::string& bytes) {
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > bytes.max_size()) return false;
  std::ifstream file(path, std::ios::binary);
  bytes.resize(static_cast<size_t>(size));
  return static_cast<bool>(file.read(bytes.data(), static_cast<std::streamsize>(size)));
}

std::filesystem::path FindFont(const FontFile& font, const std::filesystem::path& fontFolder) {
  std::error_code error;
  const std::filesystem::path beside = fontFolder / font.name;
  if (!fontFolder.empty() && std::filesystem::is_regular_file(beside, error)) return beside;
  return std::filesystem::path(font.debianFolder) / font.name;
}

// The face of the chain that has `character`, the main font when none has it.
FT_Face FaceFor(const std::vector<FT_Face>& faces, char32_t character) {
  for (FT_Face face : faces)
    if (FT_Get_Char_Index(face, character) != 0) return face;
  return faces.front();
}

// Unit vectors of the text's reading direction and of "up" on the page (y grows
// downwards) for each orientation letter.
struct Turn {
  int alongX, alongY, upX, upY;
};
Turn TurnOf(char orientation) {
  switch (orientation) {
    case 'R': return {0, 1, 1, 0};
    case 'I': return {-1, 0, 0, 1};
    case 'B': return {0, -1, -1, 0};
    default: return {1, 0, 0, -1};
  }
}

std::string CodePoint(char32_t character) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(character));
  return text;
}

int32_t Cell(int32_t size) { return std::clamp<int32_t>(size, 1, kMaxCharacterCell); }

}  // namespace

Font::Font(std::unique_ptr<Library> library) : library_(std::move(library)) {}
Font::~Font() = default;

std::unique_ptr<Font> Font::Open(const std::string& mainPath, std::string& error,
                                 const std::filesystem::path& fontFolder) {
  auto library = std::make_unique<Library>();
  if (FT_Init_FreeType(&library->library) != 0) {
    error = "FreeType could not start";
    return nullptr;
  }
  library->files.reserve(std::size(kFontChain));  // no string moves while faces read them
  for (const FontFile& font : kFontChain) {
    const bool replaced = library->faces.empty() && !mainPath.empty();
    const std::filesystem::path file = replaced ? std::filesystem::path(mainPath) : FindFont(font, fontFolder);
    std::string& bytes = library->files.emplace_back();
    FT_Face face = nullptr;
    if (!ReadFont(file, bytes) || bytes.empty() ||
        FT_New_Memory_Face(library->library, reinterpret_cast<const FT_Byte*>(bytes.data()),
                           static_cast<FT_Long>(bytes.size()), 0, &face) != 0) {
      error = "font " + file.string() + " cannot be opened" +
              (replaced ? std::string(" (named by ZOV_LABEL_FONT)") : " (install " + std::string(font.package) + ")");
      return nullptr;
    }
    library->faces.push_back(face);
  }
  return std::unique_ptr<Font>(new Font(std::move(library)));
}

const Font::Glyph* Font::Rendered(char32_t character, int32_t width, int32_t height) {
  const GlyphKey key{character, width, height};
  const auto cached = glyphs_.find(key);
  if (cached != glyphs_.end()) return &cached->second;
  // Outlines unhinted: previews need the shapes, and hinting costs more than drawing.
  FT_Face face = FaceFor(library_->faces, character);
  if (FT_Set_Pixel_Sizes(face, static_cast<FT_UInt>(width), static_cast<FT_UInt>(height)) != 0 ||
      FT_Load_Char(face, character, FT_LOAD_NO_HINTING | FT_LOAD_RENDER) != 0)
    return nullptr;
  const FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  Glyph glyph{slot->bitmap_left, slot->bitmap_top, bitmap.width, bitmap.rows, slot->advance.x >> 6,
              FT_Get_Char_Index(face, character) == 0, {}};
  glyph.coverage.resize(size_t{bitmap.width} * bitmap.rows);
  for (unsigned int r = 0; r < bitmap.rows; ++r)
    std::copy_n(bitmap.buffer + static_cast<ptrdiff_t>(r) * bitmap.pitch, bitmap.width,
                glyph.coverage.begin() + static_cast<ptrdiff_t>(r) * bitmap.width);
  cachedBytes_ += glyph.coverage.size();
  if (cachedBytes_ > kMostCachedBytes) {  // labels repeat a few sizes of a few characters
    glyphs_.clear();
    cachedBytes_ = glyph.coverage.size();
  }
  return &glyphs_.emplace(key, std::move(glyph)).first->second;
}

bool Font::Draw(Canvas& canvas, const TextField& field, std::string& problem) {
  const int32_t width = Cell(field.width), height = Cell(field.height);
  // A right-justified field ends at its origin: it needs the advance of the whole text.
  int64_t length = 0;
  for (char32_t character : field.rightJustified ? field.text : std::u32string()) {
    const Glyph* glyph = Rendered(character, width, height);
    length += glyph != nullptr ? glyph->advance : 0;
  }
  const Turn turn = TurnOf(field.orientation);
  int64_t pen = field.rightJustified ? -length : 0;
  int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;  // of the ink
  std::string missing;
  for (char32_t character : field.text) {
    const Glyph* glyph = Rendered(character, width, height);
    if (glyph == nullptr) {
      problem = "glyph " + CodePoint(character) + " not renderable";
      return false;
    }
    if (glyph->missing && missing.size() < 80) missing += " " + CodePoint(character);
    // Glyph pixel (column c, row r) spans along [a, a+1) and up [u, u+1) from the
    // baseline origin; its centre, turned onto the page (in half dots, always odd),
    // names the dot it covers.
    for (unsigned int r = 0; r < glyph->rows; ++r) {
      const uint8_t* row = glyph->coverage.data() + static_cast<ptrdiff_t>(r) * glyph->columns;
      for (unsigned int c = 0; c < glyph->columns; ++c) {
        if (row[c] == 0) continue;
        const int64_t a2 = 2 * (pen + glyph->left + c) + 1;
        const int64_t u2 = 2 * (int64_t{glyph->top} - 1 - r) + 1;
        const int64_t x2 = 2 * field.x + a2 * turn.alongX + u2 * turn.upX;
        const int64_t y2 = 2 * field.y + a2 * turn.alongY + u2 * turn.upY;
        const int64_t x = (x2 - 1) / 2, y = (y2 - 1) / 2;  // exact: x2 - 1 and y2 - 1 are even
        canvas.InkPixel(x, y, field.colour, row[c]);
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    pen += glyph->advance;
  }
  if (left <= right) canvas.Drawn(left, top, right - left + 1, bottom - top + 1);
  if (!missing.empty()) problem = "in no font, drawn as boxes:" + missing;
  return true;
}

}  // namespace label_inspect

#include "canvas.h"

#include <png.h>

#include <algorithm>

#include "commands/graphic_commands.h"

namespace label_inspect {
namespace {

}  // namespace

bool DecodePng(std::string_view bytes, uint32_t maxWidth, uint32_t maxHeight, Image& image, std::string& problem) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()) == 0) {
    problem = std::string("PNG not readable: ") + png.message;
    return false;
  }
  if (png.width > maxWidth || png.height > maxHeight) {
    problem = "graphic of " + std::to_string(png.width) + " x " + std::to_string(png.height) +
              " pixels is larger than the largest label";
    png_image_free(&png);
    return false;
  }
  const bool alpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  png.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  image.width = png.width;
  image.height = png.height;
  image.channels = alpha ? 4 : 3;
  image.bgr.reset(new uint8_t[PNG_IMAGE_SIZE(png)]);
  if (png_image_finish_read(&png, nullptr, image.bgr.get(), 0, nullptr) == 0) {
    problem = std::string("PNG not decodable: ") + png.message;
    png_image_free(&png);
    image = Image{};
    return false;
  }
  return true;
}

Canvas::Canvas(uint32_t width, uint32_t height)
    : width_(width), height_(height), pixels_(size_t{width} * height * 3, 255) {}

Rgb Canvas::At(uint32_t x, uint32_t y) const {
  const uint8_t* pixel = &pixels_[(size_t{y} * width_ + x) * 3];
  return {pixel[2], pixel[1], pixel[0]};
}

namespace {
constexpr size_t kMostAreas = 256;
}  // namespace

bool Canvas::Touch(int64_t x, int64_t y, int64_t width, int64_t height, Area& area) {
  area = {std::max<int64_t>(x, 0), std::max<int64_t>(y, 0), std::min<int64_t>(x + width, width_),
          std::min<int64_t>(y + height, height_)};
  if (area.left >= area.right || area.top >= area.bottom) return false;
  if (drawn_.size() < kMostAreas) drawn_.push_back(area);
  else drawnEverywhere_ = true;
  return true;
}

void Canvas::Restore(const Canvas* other, const Area& area) {
  const size_t from = (static_cast<size_t>(area.left)) * 3, count = static_cast<size_t>(area.right - area.left) * 3;
  for (int64_t row = area.top; row < area.bottom; ++row) {
    const size_t at = static_cast<size_t>(row) * width_ * 3 + from;
    if (other != nullptr) std::copy_n(&other->pixels_[at], count, &pixels_[at]);
    else std::fill_n(&pixels_[at], count, uint8_t{255});
  }
}

void Canvas::Reset(const Canvas* other, uint64_t source) {
  if (other != nullptr && (other->width_ != width_ || other->height_ != height_)) other = nullptr, source = 0;
  if (source == source_ && !drawnEverywhere_) {
    for (const Area& area : drawn_) Restore(other, area);
  } else {
    Restore(other, {0, 0, width_, height_});
  }
  Adopt(source);
}

void Canvas::Adopt(uint64_t source) {
  source_ = source;
  drawn_.clear();
  drawnEverywhere_ = false;
}

void Canvas::Fill(int64_t x, int64_t y, int64_t width, int64_t height, Rgb colour) {
  Area area;
  if (!Touch(x, y, width, height, area)) return;
  for (int64_t row = area.top; row < area.bottom; ++row) {
    uint8_t* pixel = &pixels_[(static_cast<size_t>(row) * width_ + static_cast<size_t>(area.left)) * 3];
    if (colour.red == colour.green && colour.green == colour.blue) {  // white and black boxes
      std::fill_n(pixel, (area.right - area.left) * 3, colour.red);
      continue;
    }
    for (int64_t column = area.left; column < area.right; ++column, pixel += 3) {
      pixel[0] = colour.blue;
      pixel[1] = colour.green;
      pixel[2] = colour.red;
    }
  }
}

void Canvas::Frame(int64_t x, int64_t y, int64_t width, int64_t height, int64_t thickness, Rgb colour) {
  if (width <= 0 || height <= 0 || thickness <= 0) return;
  if (thickness * 2 >= std::min(width, height)) {
    Fill(x, y, width, height, colour);
    return;
  }
  Fill(x, y, width, thickness, colour);
  Fill(x, y + height - thickness, width, thickness, colour);
  Fill(x, y + thickness, thickness, height - 2 * thickness, colour);
  Fill(x + width - thickness, y + thickness, thickness, height - 2 * thickness, colour);
}

bool Canvas::Blank(const Area& area) const {
  if (source_ != 0 || drawnEverywhere_) return false;
  for (const Area& drawn : drawn_)
    if (drawn.left < area.right && area.left < drawn.right && drawn.top < area.bottom && area.top < drawn.bottom)
      return false;
  return true;
}

void Canvas::Ink(int64_t x, int64_t y, const Image& image) {
  Area area{std::max<int64_t>(x, 0), std::max<int64_t>(y, 0), std::min<int64_t>(x + image.width, width_),
            std::min<int64_t>(y + image.height, height_)};
  const bool blank = area.left < area.right && area.top < area.bottom && Blank(area);  // ink on white is itself
  if (!Touch(x, y, image.width, image.height, area)) return;
  const size_t channels = image.channels;
  for (int64_t row = area.top; row < area.bottom; ++row) {
    const uint8_t* source =
        &image.bgr[(static_cast<size_t>(row - y) * image.width + static_cast<size_t>(area.left - x)) * channels];
    uint8_t* pixel = &pixels_[(static_cast<size_t>(row) * width_ + static_cast<size_t>(area.left)) * 3];
    const size_t count = static_cast<size_t>(area.right - area.left);
    if (channels == 3) {
      if (blank) std::copy_n(source, count * 3, pixel);
      else for (size_t i = 0; i < count * 3; ++i) pixel[i] = Times(pixel[i], source[i]);
      continue;
    }
    for (size_t column = 0; column < count; ++column, pixel += 3, source += 4)
      for (int channel = 0; channel < 3; ++channel)
        pixel[channel] = Mix(pixel[channel], Times(pixel[channel], source[channel]), source[3]);
  }
}

void Canvas::Ink(int64_t x, int64_t y, const Canvas& other) {
  Area area;
  if (!Touch(x, y, other.width_, other.height_, area)) return;
  for (int64_t row = area.top; row < area.bottom; ++row) {
    const uint8_t* source =
        &other.pixels_[(static_cast<size_t>(row - y) * other.width_ + static_cast<size_t>(area.left - x)) * 3];
    uint8_t* pixel = &pixels_[(static_cast<size_t>(row) * width_ + static_cast<size_t>(area.left)) * 3];
    for (int64_t i = 0; i < (area.right - area.left) * 3; ++i) pixel[i] = Times(pixel[i], source[i]);
  }
}

bool Canvas::EncodePng(std::vector<uint8_t>& png) const {
  if (pixels_.empty()) return false;
  // The plug-in's encoder with filtering and stronger compression: previews are mostly
  // flat colour and are kept beside reports and in the README.
  commands::PngSettings settings;
  settings.filters = PNG_ALL_FILTERS;
  settings.compressionLevel = 9;
  settings.memoryLevel = 8;
  settings.strategy = 0;
  return settings.EncodePng(png, pixels_.data(), width_, height_, width_ * 3, true);
}

}  // namespace label_inspect

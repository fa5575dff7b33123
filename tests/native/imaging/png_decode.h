// Reading back the PNG files the encoder writes: the chunks as they stand in the file,
// the rows as libpng's reader decodes them, and the inflated image data. Header-only,
// used by the native tests and the Windows ones.
#pragma once

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace imaging_test {

// The PNG of the one download "~DYR:<name>,B,P,<length>,b," that fills `commands` from
// `offset` on; nothing when the header differs, its length has other digits than the
// plain decimal count, or that count is not the number of bytes after it.
inline std::optional<std::vector<uint8_t>> DownloadPayload(std::string_view commands, const std::string& name,
                                                           size_t offset = 0) {
  const std::string head = "~DYR:" + name + ",B,P,";
  if (commands.substr(offset, head.size()) != head) return std::nullopt;
  const size_t lengthAt = offset + head.size();
  const size_t comma = commands.find(",b,", lengthAt);
  if (comma == std::string_view::npos) return std::nullopt;
  const size_t payload = comma + 3;
  if (std::to_string(commands.size() - payload) != commands.substr(lengthAt, comma - lengthAt)) return std::nullopt;
  return std::vector<uint8_t>(commands.begin() + static_cast<std::ptrdiff_t>(payload), commands.end());
}

struct PngChunk {
  std::string type;
  std::vector<uint8_t> data;
};

inline uint32_t BigEndian32(const uint8_t* bytes) {
  return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

// The chunks of a PNG file in order; empty when the signature or a chunk length is wrong.
inline std::vector<PngChunk> PngChunks(const std::vector<uint8_t>& file) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<PngChunk> chunks;
  if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0) return {};
  size_t at = 8;
  while (at < file.size()) {
    if (file.size() - at < 12) return {};
    const uint32_t length = BigEndian32(&file[at]);
    if (length > file.size() - at - 12) return {};
    PngChunk chunk;
    chunk.type.assign(reinterpret_cast<const char*>(&file[at + 4]), 4);
    chunk.data.assign(file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                      file.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
    chunks.push_back(std::move(chunk));
    at += 12 + size_t{length};
  }
  return chunks;
}

inline std::vector<std::string> ChunkTypes(const std::vector<PngChunk>& chunks) {
  std::vector<std::string> types;
  for (const PngChunk& chunk : chunks) types.push_back(chunk.type);
  return types;
}

inline const PngChunk* FindChunk(const std::vector<PngChunk>& chunks, const std::string& type) {
  for (const PngChunk& chunk : chunks)
    if (chunk.type == type) return &chunk;
  return nullptr;
}

// All IDAT data concatenated, inflated by zlib; `ok` false when it is not one whole stream.
struct InflatedData {
  bool ok = false;
  std::vector<uint8_t> zlibStream;  // as stored
  std::vector<uint8_t> bytes;       // inflated
};

inline InflatedData InflateImageData(const std::vector<PngChunk>& chunks) {
  InflatedData result;
  for (const PngChunk& chunk : chunks)
    if (chunk.type == "IDAT") result.zlibStream.insert(result.zlibStream.end(), chunk.data.begin(), chunk.data.end());
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return result;
  stream.next_in = result.zlibStream.data();
  stream.avail_in = static_cast<uInt>(result.zlibStream.size());
  int status = Z_OK;
  uint8_t block[65536];
  while (status == Z_OK) {
    stream.next_out = block;
    stream.avail_out = sizeof block;
    status = inflate(&stream, Z_NO_FLUSH);
    result.bytes.insert(result.bytes.end(), block, block + (sizeof block - stream.avail_out));
  }
  result.ok = status == Z_STREAM_END && stream.avail_in == 0;
  inflateEnd(&stream);
  return result;
}

// The rows of a file as libpng's reader returns them (packed: 1-bit rows are bytes of
// eight pixels, most significant bit first; bits past the last pixel 0), with the
// header it reports.
struct DecodedPng {
  bool ok = false;
  uint32_t width = 0, height = 0;
  int bitDepth = 0, colourType = 0, interlace = 0;
  std::vector<std::vector<uint8_t>> rows;
};

namespace detail {

struct MemoryReader {
  const uint8_t* data;
  size_t size;
  size_t at;
};

inline void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (length > reader->size - reader->at) png_error(png, "read past the end of the file");
  std::memcpy(out, reader->data + reader->at, length);
  reader->at += length;
}

inline void IgnoreWarning(png_structp, png_const_charp) {}

// The libpng frame: nothing here has a destructor. On success the structures stay alive
// for the caller to copy the rows out and destroy them.
inline bool ReadWholeFile(MemoryReader* reader, png_structp* pngOut, png_infop* infoOut) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnoreWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, reader, ReadFromMemory);
  png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  *pngOut = png;
  *infoOut = info;
  return true;
}

}  // namespace detail

inline DecodedPng DecodePng(const std::vector<uint8_t>& file) {
  DecodedPng decoded;
  detail::MemoryReader reader{file.data(), file.size(), 0};
  png_structp png = nullptr;
  png_infop info = nullptr;
  if (!detail::ReadWholeFile(&reader, &png, &info)) return decoded;
  decoded.width = png_get_image_width(png, info);
  decoded.height = png_get_image_height(png, info);
  decoded.bitDepth = png_get_bit_depth(png, info);
  decoded.colourType = png_get_color_type(png, info);
  decoded.interlace = png_get_interlace_type(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  png_bytepp rows = png_get_rows(png, info);
  // The reader leaves the unused low bits of a packed row's last byte as it found its
  // memory; they are cleared so that rows compare by their pixels.
  const uint32_t usedBits = decoded.width * static_cast<uint32_t>(decoded.bitDepth) % 8;
  const uint8_t lastByteMask = usedBits == 0 ? 0xFF : static_cast<uint8_t>(0xFF << (8 - usedBits));
  for (uint32_t r = 0; r < decoded.height; ++r) {
    decoded.rows.emplace_back(rows[r], rows[r] + rowBytes);
    if (rowBytes != 0) decoded.rows.back().back() &= lastByteMask;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  decoded.ok = reader.at == file.size();
  return decoded;
}

}  // namespace imaging_test

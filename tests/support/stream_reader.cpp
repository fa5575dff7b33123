#include "support/stream_reader.h"

#include <array>
#include <set>

namespace testing_support {
namespace {

constexpr std::string_view kDownloadStart = "~DYR:";
constexpr std::string_view kRecallStart = "^IMR:";
constexpr std::string_view kGraphicExtension = ".PNG";
constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string Bytes(size_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

// Reads "<name>,B,P,<length>,b," after "~DYR:" at `at`; on success `headerEnd` is the
// offset just past ",b,".
bool ReadDownloadHeader(std::string_view bytes, size_t at, std::string& name, uint64_t& length, size_t& headerEnd) {
  const size_t comma = bytes.find(',', at);
  if (comma == std::string_view::npos) return false;
  size_t pos = comma;
  if (bytes.substr(pos, 5) != ",B,P,") return false;
  pos += 5;
  const size_t digitsStart = pos;
  uint64_t value = 0;
  while (pos < bytes.size() && bytes[pos] >= '0' && bytes[pos] <= '9') {
    const auto digit = static_cast<uint64_t>(bytes[pos] - '0');
    if (value > (UINT64_MAX - digit) / 10) return false;
    value = value * 10 + digit;
    ++pos;
  }
  if (pos == digitsStart || bytes.substr(pos, 3) != ",b,") return false;
  name.assign(bytes.substr(at, comma - at));
  length = value;
  headerEnd = pos + 3;
  return true;
}

uint32_t Crc32(std::string_view bytes) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> entries{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      entries[n] = c;
    }
    return entries;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (char byte : bytes) crc = table[(crc ^ static_cast<uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

uint32_t BigEndian32(std::string_view bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

void AppendBigEndian32(std::string& bytes, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((value >> shift) & 0xFF);
}

}  // namespace

std::vector<std::string> CommandStream::Texts() const {
  std::vector<std::string> texts;
  texts.reserve(commands.size());
  for (const StreamCommand& command : commands) texts.push_back(command.text);
  return texts;
}

CommandStream ReadCommandStream(std::string_view bytes) {
  CommandStream stream;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t next = bytes.find_first_of("^~", pos + 1);
    if (next == std::string_view::npos) next = bytes.size();
    if (bytes[pos] != '^' && bytes[pos] != '~') {
      stream.errors.push_back({pos, Bytes(next - pos) + " outside any command"});
      pos = next;
      continue;
    }
    StreamCommand command;
    command.offset = pos;
    if (StartsWith(bytes.substr(pos), kDownloadStart)) {
      size_t headerEnd = 0;
      // The header holds no '^' or '~': it ends before the next command mark, where the payload may start.
      if (ReadDownloadHeader(bytes.substr(0, next), pos + kDownloadStart.size(), command.name, command.declaredLength,
                             headerEnd)) {
        command.download = true;
        command.text.assign(bytes.substr(pos, headerEnd - pos));
        const size_t available = bytes.size() - headerEnd;
        if (command.declaredLength > available) {
          stream.errors.push_back({pos, "download of " + command.name + " declares " +
                                            std::to_string(command.declaredLength) + " bytes, only " +
                                            std::to_string(available) + " left"});
          command.payload.assign(bytes.substr(headerEnd));
          stream.commands.push_back(std::move(command));
          break;
        }
        const auto length = static_cast<size_t>(command.declaredLength);
        command.payload.assign(bytes.substr(headerEnd, length));
        pos = headerEnd + length;
        stream.commands.push_back(std::move(command));
        continue;
      }
      stream.errors.push_back({pos, "unreadable download header"});
    }
    command.text.assign(bytes.substr(pos, next - pos));
    stream.commands.push_back(std::move(command));
    pos = next;
  }
  return stream;
}

PngSummary ReadPngSummary(std::string_view bytes) {
  PngSummary summary;
  if (!StartsWith(bytes, kPngSignature)) {
    summary.problem = "no PNG signature";
    return summary;
  }
  summary.isPng = true;
  size_t pos = kPngSignature.size();
  bool first = true;
  while (true) {
    if (bytes.size() - pos < 12) {
      summary.problem = "ends inside a chunk at byte " + std::to_string(pos);
      return summary;
    }
    const uint32_t length = BigEndian32(bytes, pos);
    const std::string_view type = bytes.substr(pos + 4, 4);
    if (length > 0x7FFFFFFFu || bytes.size() - pos - 12 < length) {
      summary.problem = "chunk " + std::string(type) + " at byte " + std::to_string(pos) + " runs past the end";
      return summary;
    }
    if (Crc32(bytes.substr(pos + 4, 4 + length)) != BigEndian32(bytes, pos + 8 + length)) {
      summary.problem = "bad CRC in chunk " + std::string(type) + " at byte " + std::to_string(pos);
      return summary;
    }
    if (first) {
      if (type != "IHDR" || length != 13) {
        summary.problem = "first chunk is not a 13-byte IHDR";
        return summary;
      }
      summary.width = BigEndian32(bytes, pos + 8);
      summary.height = BigEndian32(bytes, pos + 12);
      summary.bitDepth = static_cast<uint8_t>(bytes[pos + 16]);
      summary.colourType = static_cast<uint8_t>(bytes[pos + 17]);
      first = false;
    }
    pos += 12 + length;
    if (type == "IEND") break;
  }
  summary.complete = true;
  summary.length = pos;
  return summary;
}

std::string PngChunk(std::string_view type, std::string_view data) {
  std::string chunk;
  AppendBigEndian32(chunk, static_cast<uint32_t>(data.size()));
  chunk.append(type);
  chunk.append(data);
  AppendBigEndian32(chunk, Crc32(std::string_view(chunk).substr(4)));
  return chunk;
}

std::string MinimalPng(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType, std::string_view idat) {
  std::string header;
  AppendBigEndian32(header, width);
  AppendBigEndian32(header, height);
  header += static_cast<char>(bitDepth);
  header += static_cast<char>(colourType);
  header.append(3, '\0');  // compression, filter, interlace
  return std::string(kPngSignature) + PngChunk("IHDR", header) + PngChunk("IDAT", idat) + PngChunk("IEND", {});
}

std::vector<size_t> FindFramingViolations(const CommandStream& stream) {
  std::vector<size_t> violations;
  bool open = false;
  size_t openedAt = 0;
  for (const StreamCommand& command : stream.commands) {
    if (command.text == "^XA") {
      if (open) violations.push_back(command.offset);
      open = true;
      openedAt = command.offset;
    } else if (command.text == "^XZ") {
      if (!open) violations.push_back(command.offset);
      open = false;
    }
  }
  if (open) violations.push_back(openedAt);
  return violations;
}

std::vector<size_t> FindBadDownloads(const CommandStream& stream) {
  std::set<size_t> strayAt;
  for (const StreamError& error : stream.errors) strayAt.insert(error.offset);
  std::vector<size_t> bad;
  for (const StreamCommand& command : stream.commands) {
    if (!command.download) continue;
    const PngSummary png = ReadPngSummary(command.payload);
    if (command.payload.size() < command.declaredLength || strayAt.count(command.End()) != 0 || !png.complete ||
        png.length != command.payload.size())
      bad.push_back(command.offset);
  }
  return bad;
}

std::vector<size_t> FindRecallsWithoutDownload(const CommandStream& stream) {
  std::set<std::string> downloaded;
  std::vector<size_t> missing;
  for (const StreamCommand& command : stream.commands) {
    if (command.download) {
      downloaded.insert(command.name);
      continue;
    }
    if (!StartsWith(command.text, kRecallStart)) continue;
    std::string_view name = std::string_view(command.text).substr(kRecallStart.size());
    if (name.ends_with(kGraphicExtension)) name.remove_suffix(kGraphicExtension.size());
    if (downloaded.count(std::string(name)) == 0) missing.push_back(command.offset);
  }
  return missing;
}

}  // namespace testing_support

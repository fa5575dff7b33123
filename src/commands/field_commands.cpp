#include "commands/field_commands.h"

#include "commands/writer_support.h"

namespace commands {
namespace {

bool IsSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }
bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

size_t AppendUtf8(char32_t codePoint, uint8_t* out) {
  if (codePoint < 0x80) {
    out[0] = static_cast<uint8_t>(codePoint);
    return 1;
  }
  if (codePoint < 0x800) {
    out[0] = static_cast<uint8_t>(0xC0 | codePoint >> 6);
    out[1] = static_cast<uint8_t>(0x80 | (codePoint & 0x3F));
    return 2;
  }
  if (codePoint < 0x10000) {
    out[0] = static_cast<uint8_t>(0xE0 | codePoint >> 12);
    out[1] = static_cast<uint8_t>(0x80 | (codePoint >> 6 & 0x3F));
    out[2] = static_cast<uint8_t>(0x80 | (codePoint & 0x3F));
    return 3;
  }
  out[0] = static_cast<uint8_t>(0xF0 | codePoint >> 18);
  out[1] = static_cast<uint8_t>(0x80 | (codePoint >> 12 & 0x3F));
  out[2] = static_cast<uint8_t>(0x80 | (codePoint >> 6 & 0x3F));
  out[3] = static_cast<uint8_t>(0x80 | (codePoint & 0x3F));
  return 4;
}

// UTF-8 of `count` (1 or 2) UTF-16 units; unpaired surrogates become U+FFFD. At most 6 bytes.
size_t ToUtf8(const char16_t* units, size_t count, uint8_t* out) {
  size_t produced = 0;
  for (size_t i = 0; i < count; ++i) {
    char32_t codePoint = units[i];
    if (IsHighSurrogate(units[i]) && i + 1 < count && IsLowSurrogate(units[i + 1])) {
      codePoint = 0x10000 + ((char32_t{units[i]} - 0xD800) << 10) + (char32_t{units[i + 1]} - 0xDC00);
      ++i;
    } else if (IsSurrogate(units[i])) {
      codePoint = 0xFFFD;
    }
    produced += AppendUtf8(codePoint, out + produced);
  }
  return produced;
}

bool PassesThrough(char16_t unit) { return unit < 0x80 && unit != u'^' && unit != u'_' && unit != u'~'; }

bool WriteField(CommandBuffer* buffer, FieldPoint origin, const char16_t* text, char orientation, int32_t width,
                int32_t height, uint32_t colour, bool clock) {
  if (buffer == nullptr) return false;
  // The origin moves by the character height for two orientations (32-bit wrapping).
  uint32_t x = static_cast<uint32_t>(origin.x);
  uint32_t y = static_cast<uint32_t>(origin.y);
  uint32_t justification = 0;
  switch (orientation) {
    case 'B': x += static_cast<uint32_t>(height); break;
    case 'I': justification = 1; break;
    case 'N': y += static_cast<uint32_t>(height); break;
    default: break;
  }
  std::string data;
  if (!EncodeFieldText(&data, text)) return false;
  return detail::AppendCommand(buffer, [&](std::string& command) {
    using detail::AppendSigned;
    using detail::AppendUnsigned;
    command = "^FT";
    AppendUnsigned(command, x);
    command += ',';
    AppendUnsigned(command, y);
    command += ',';
    AppendUnsigned(command, justification);
    command += "^F(C";
    for (int shift = 0; shift < 32; shift += 8) {
      if (shift != 0) command += ',';
      AppendUnsigned(command, colour >> shift & 0xFF);
    }
    command += ",N,255,255,255,0,N";
    if (clock) command += "^FC%";
    command += "^A0";
    command += orientation;
    command += ',';
    AppendSigned(command, height);
    command += ',';
    AppendSigned(command, width);
    command += "^FH_^FD";
    command += data;
    command += "^FS";
  });
}

}  // namespace

bool EncodeFieldText(std::string* output, const char16_t* text) {
  if (output == nullptr || text == nullptr) return false;
  try {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    const char16_t* unit = text;
    while (encoded.size() < kFieldDataBudget && *unit != 0) {
      if (PassesThrough(*unit)) {
        encoded += static_cast<char>(*unit);
        ++unit;
        continue;
      }
      // A surrogate is converted together with the unit after it, whatever that is.
      const size_t count = IsSurrogate(*unit) && unit[1] != 0 ? 2 : 1;
      uint8_t bytes[7];
      const size_t produced = ToUtf8(unit, count, bytes);
      if (encoded.size() + 3 * produced > kFieldDataBudget) break;
      for (size_t i = 0; i < produced; ++i) {
        encoded += '_';
        encoded += kHex[bytes[i] >> 4];
        encoded += kHex[bytes[i] & 0xF];
      }
      unit += count;
    }
    output->swap(encoded);
    return true;
  } catch (...) {
    diag::LogPainterFailure();
    return false;
  }
}

bool WriteTextField(CommandBuffer* buffer, FieldPoint origin, const char16_t* text, char orientation, int32_t width,
                    int32_t height, uint32_t colour) {
  return WriteField(buffer, origin, text, orientation, width, height, colour, false);
}

bool WriteClockField(CommandBuffer* buffer, FieldPoint origin, const char16_t* text, char orientation, int32_t width,
                     int32_t height, uint32_t colour) {
  return WriteField(buffer, origin, text, orientation, width, height, colour, true);
}

}  // namespace commands

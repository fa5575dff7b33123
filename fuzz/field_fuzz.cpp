// Field text encoding and the text and clock field writers.
// Properties: the encoded text holds only bytes that cannot end or start a command, fits
// the budget, and its escapes decode to the UTF-8 of the longest prefix of the text that
// fits (surrogates converted as the printer expects, see Expected below); a writer
// appends exactly one "^FT...^FS" command carrying that text, or, when an allocation
// fails, returns false and leaves the buffer as it was.
#include <string>

#include "commands/field_commands.h"
#include "fuzz_input.h"
#include "support/fault_alloc.h"
#include "stream/command_stream.h"

namespace {

void Utf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6), out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12), out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18), out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F)), out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The field data the printer expects, built character by character: a surrogate takes
// the unit after it along (the pair converts as one piece; what is not a valid pair
// becomes U+FFFD per surrogate), and a character whose escapes pass 3072 bytes ends it.
std::string Expected(const std::u16string& text) {
  std::string data;
  size_t budget = 0;
  for (size_t i = 0; i < text.size() && text[i] != 0 && budget < 3072;) {
    const char16_t unit = text[i];
    if (unit < 0x80 && unit != u'^' && unit != u'_' && unit != u'~') {
      data += static_cast<char>(unit), ++budget, ++i;
      continue;
    }
    std::string utf8;
    const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
    const size_t count = surrogate && i + 1 < text.size() && text[i + 1] != 0 ? 2 : 1;
    if (count == 2 && unit <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      Utf8(0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00), utf8);
    } else {
      for (size_t k = 0; k < count; ++k) {
        const char16_t u = text[i + k];
        Utf8(u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u, utf8);
      }
    }
    if (budget + 3 * utf8.size() > 3072) break;
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (unsigned char byte : utf8) data += '_', data += kHex[byte >> 4], data += kHex[byte & 0xF];
    budget += 3 * utf8.size();
    i += count;
  }
  return data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput input(data, size);
  const commands::FieldPoint origin{input.Take<int32_t>(), input.Take<int32_t>()};
  const char orientation = "NBIRX"[input.Below(5)];
  const auto width = input.Take<int32_t>(), height = input.Take<int32_t>();
  const auto colour = input.Take<uint32_t>();
  const bool clock = input.Bool();
  const uint32_t failAt = input.Below(8);  // 0: no allocation fails
  const std::u16string text = input.Text(4000);

  std::string encoded = "unchanged";
  FUZZ_CHECK(commands::EncodeFieldText(&encoded, text.c_str()));
  FUZZ_CHECK(encoded == Expected(text));

  commands::CommandBuffer buffer;
  const std::string before = "^XA";
  buffer.Append(before.data(), before.size());
  bool ok;
  {
    testing_support::ScopedAllocationFailure failure(failAt);
    ok = clock ? commands::WriteClockField(&buffer, origin, text.c_str(), orientation, width, height, colour)
               : commands::WriteTextField(&buffer, origin, text.c_str(), orientation, width, height, colour);
    FUZZ_CHECK(ok == !(failAt != 0 && failure.Fired()));
  }
  const std::string bytes(reinterpret_cast<const char*>(buffer.data()), buffer.size());
  if (!ok) {
    FUZZ_CHECK(bytes == before);
    return 0;
  }
  // "^XA", then the field: ^FT ^F( [^FC] ^A0 ^FH ^FD ^FS, the data inside ^FD.
  const label_stream::CommandStream stream = label_stream::ReadCommandStream(bytes);
  FUZZ_CHECK(stream.ok());
  FUZZ_CHECK(stream.commands.size() == (clock ? 8u : 7u));
  FUZZ_CHECK(stream.commands[1].text.rfind("^FT", 0) == 0);
  FUZZ_CHECK(stream.commands[stream.commands.size() - 2].text == "^FD" + Expected(text));
  FUZZ_CHECK(stream.commands.back().text == "^FS");
  return 0;
}

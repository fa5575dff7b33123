#include "clock_format.h"

#include <charconv>
#include <cstdint>

namespace label_inspect {
namespace {

// The sample time, escape by escape: 17 Apr 2015 is a Friday, day 107 of the year,
// in week 15 counted from Sunday and from Monday alike.
std::string_view SampleField(char escape) {
  switch (escape) {
    case 'a': return "Fri";
    case 'A': return "Friday";
    case 'b': return "Apr";
    case 'B': return "April";
    case 'd': return "17";
    case 'H': return "16";
    case 'I': return "04";
    case 'j': return "107";
    case 'm': return "04";
    case 'M': return "45";
    case 'p': return "PM";
    case 'S': return "06";
    case 'U': return "15";
    case 'W': return "15";
    case 'w': return "5";
    case 'y': return "15";
    case 'Y': return "2015";
    default: return {};
  }
}

}  // namespace

std::string FormatSampleTime(std::string_view format) {
  std::string text;
  for (size_t i = 0; i < format.size(); ++i) {
    const std::string_view field = format[i] == '%' && i + 1 < format.size() ? SampleField(format[i + 1]) : "";
    if (field.empty()) {
      text += format[i];
    } else {
      text += field;
      ++i;
    }
  }
  return text;
}

std::string DecodeFieldEscapes(std::string_view data, char indicator) {
  std::string bytes;
  for (size_t i = 0; i < data.size(); ++i) {
    uint8_t value = 0;
    if (data[i] == indicator && i + 2 < data.size() &&
        std::from_chars(data.data() + i + 1, data.data() + i + 3, value, 16).ptr == data.data() + i + 3) {
      bytes += static_cast<char>(value);
      i += 2;
    } else {
      bytes += data[i];
    }
  }
  return bytes;
}

}  // namespace label_inspect

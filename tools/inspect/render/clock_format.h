// Field text as the printer reads it: "^FH" escapes, and clock fields drawn at one fixed
// time, so that previews are reproducible.
#pragma once

#include <string>
#include <string_view>

namespace label_inspect {

// The time every clock field shows: Friday 17 Apr 2015 16:45:06, the example of the
// date and time format dialog.
inline constexpr std::string_view kSampleTimeText = "17 Apr 2015 16:45:06";

// `format` with each of the printer's escapes (%a %A %b %B %d %H %I %j %m %M %p %S %U %W
// %w %y %Y) replaced by the sample time; every other character, an unknown escape
// included, stays as it is, as the printer prints it.
std::string FormatSampleTime(std::string_view format);

// Field data with its "^FH" escapes decoded: the indicator and two hexadecimal digits
// are that byte; anything else passes through.
std::string DecodeFieldEscapes(std::string_view data, char indicator);

}  // namespace label_inspect

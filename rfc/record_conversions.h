// How the fields the SAP system answers with are read, whatever library
// carried them: the figures as numbers, the collector's time stamp as the
// server's date and time.
#ifndef TIDEWARDEN_RFC_RECORD_CONVERSIONS_H_
#define TIDEWARDEN_RFC_RECORD_CONVERSIONS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace tidewarden {

// Removes every "." from a text longer than 3 characters.
std::string StripDots(std::string_view text);

// A TST04 field as a number: up to a zero byte, dots stripped, the leading
// decimal number, 32-bit wrap-around.
std::int32_t ConvertRecordField(std::string_view field);

// "Tue Nov 18 09:05:00 2025" -> date "20251118", time "09:05:00".
void ConvertCollectorTimestamp(std::string_view timestamp, std::string* date, std::string* time);

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_RECORD_CONVERSIONS_H_

#include "rfc/record_conversions.h"

#include "base/text.h"

namespace tidewarden {

std::string StripDots(std::string_view text) {
  std::string out(text);
  if (out.size() > 3) std::erase(out, '.');
  return out;
}

std::int32_t ConvertRecordField(std::string_view field) {
  const std::size_t zero = field.find('\0');
  if (zero != std::string_view::npos) field = field.substr(0, zero);
  return LeadingDecimal(StripDots(field));
}

void ConvertCollectorTimestamp(std::string_view timestamp, std::string* date, std::string* time) {
  // Positions of a 24-character text; a shorter one reads as blanks.
  std::string stamp(timestamp.substr(0, 25));
  if (stamp.size() < 24) stamp.resize(24, ' ');
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int month = 0; month < 12; ++month) {
    if (stamp.compare(4, 3, kMonths[month]) == 0) {
      stamp[5] = static_cast<char>('0' + (month + 1) / 10);
      stamp[6] = static_cast<char>('0' + (month + 1) % 10);
      break;
    }
  }
  if (stamp[8] == ' ') stamp[8] = '0';
  *date = "20" + stamp.substr(22, 2) + stamp.substr(5, 2) + stamp.substr(8, 2);
  *time = stamp.substr(11, 8);
  // Both go into the state line of the profile: a line end or another
  // control character out of a garbled answer must not split it.
  for (std::string* text : {date, time}) {
    for (char& c : *text) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    }
  }
}

}  // namespace tidewarden

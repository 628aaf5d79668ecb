// The records of the three function modules as the classic library hands
// them over, and how their fields are read.
#ifndef TIDEWARDEN_RFC_CLASSIC_RECORDS_H_
#define TIDEWARDEN_RFC_CLASSIC_RECORDS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tidewarden {

inline constexpr unsigned kTst04Length = 916;
inline constexpr unsigned kGst04Length = 863;

// Offsets and lengths of the TST04 fields the figures come from.
struct RecordField {
  std::size_t offset;
  std::size_t length;
};
inline constexpr RecordField kLogSizeField{280, 14};
inline constexpr RecordField kLogAllocField{308, 14};
inline constexpr RecordField kRollbacksField{392, 14};
inline constexpr RecordField kLogWritesField{406, 14};
inline constexpr RecordField kWaitBusyField{854, 14};

// Removes every "." from a text longer than 3 characters.
std::string StripDots(std::string_view text);

// A TST04 field as a number: up to a zero byte, dots stripped, the leading
// decimal number, 32-bit wrap-around.
std::int32_t ConvertRecordField(std::string_view field);

// "Tue Nov 18 09:05:00 2025" -> date "20251118", time "09:05:00".
void ConvertCollectorTimestamp(std::string_view timestamp, std::string* date, std::string* time);

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_CLASSIC_RECORDS_H_

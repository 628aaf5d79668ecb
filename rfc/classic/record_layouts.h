// The records of the three function modules as the classic library hands
// them over, and how their fields are read.
#ifndef TIDEWARDEN_RFC_CLASSIC_RECORD_LAYOUTS_H_
#define TIDEWARDEN_RFC_CLASSIC_RECORD_LAYOUTS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "rfc/record_conversions.h"

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

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_CLASSIC_RECORD_LAYOUTS_H_

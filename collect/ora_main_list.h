// The one remote call that supplies the figures: DB_ORA_MAIN_LIST, the
// database monitor's main list of an Oracle database.
#ifndef TIDEWARDEN_COLLECT_ORA_MAIN_LIST_H_
#define TIDEWARDEN_COLLECT_ORA_MAIN_LIST_H_

#include <cstddef>
#include <string>

#include "rfc/rfc_session.h"

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

// Installs TST04 and GST04 while their type handles are unset, calls the
// module on the session's connection and returns the library's result
// code. `ora_release` is sent as exactly 7 characters. For codes 2 and 3
// *exception holds the exception name.
RFC_RC CallOraMainList(RfcContext& context, const char* all_instances, const char* ora_release,
                       char* dbora, char* dbora_global, ITAB_H per_instances,
                       std::string* exception);

}  // namespace tidewarden

#endif  // TIDEWARDEN_COLLECT_ORA_MAIN_LIST_H_

// GET_CPU_ALL: the SAP host's date and time from the operating-system
// collector's last write (the figures are compared by the server's day).
#include <cstring>

#include "base/text.h"
#include "rfc/classic/call_pattern.h"
#include "rfc/classic/classic_connection.h"
#include "rfc/classic/record_layouts.h"
#include "rfc/record_conversions.h"

namespace tidewarden {
namespace {

constexpr StructureElement kCpuAllFields[] = {
    {"TYPE", TYPINT2, 2},      {"SUBTYPE", TYPINT2, 2},  {"SERIALNR", TYPINT2, 2},
    {"NBR_CPU", TYPINT, 4},    {"LOAD1_AVG", TYPINT, 4}, {"LOAD5_AVG", TYPINT, 4},
    {"LOAD15_AVG", TYPINT, 4}, {"INT_SEC", TYPINT, 4},   {"SYSC_SEC", TYPINT, 4},
    {"CS_SEC", TYPINT, 4},     {"USR_TOTAL", TYPINT, 4}, {"SYS_TOTAL", TYPINT, 4},
    {"IDLE_TOTAL", TYPINT, 4},
};
auto kCpuAllElements = Elements(kCpuAllFields);

constexpr unsigned kCpuAllRowLength = 48;

}  // namespace

SapResult<ServerClock> ClassicConnection::ReadServerClock() {
  StructureTypes& types = library_.types();
  ITAB_H table = nullptr;
  if (auto done = CreateTable(table_, "TF_CPU_ALL", kCpuAllRowLength, &table); !done.ok())
    return done.error();
  if (auto done = InstallStructure(table_, "CPU_ALL", kCpuAllElements, &types.cpu_all);
      !done.ok()) {
    return done.error();
  }

  char local_remote[6];
  std::memcpy(local_remote, "LOCAL ", 6);
  char logical_destination[32];
  std::memset(logical_destination, ' ', sizeof logical_destination);
  RFC_PARAMETER exporting[] = {
      RfcParameter("LOCAL_REMOTE", TYPC, 6, local_remote),
      RfcParameter("LOGICAL_DESTINATION", TYPC, 32, logical_destination),
      RFC_PARAMETER{},
  };

  std::int32_t active_flag = 0, details_coll = 0, details_mode = 0, details_reqi = 0;
  std::int32_t interval = 0, last_coll_int = 0, norm_coll_int = 0;
  char cpu_all_read[3] = {0};
  char last_coll_wrt[25] = {0};
  char op_system[52] = {0};
  RFC_PARAMETER importing[] = {
      RfcParameter("ACTIVEFLAG", TYPINT, 4, &active_flag),
      RfcParameter("DETAILSCOLL", TYPINT, 4, &details_coll),
      RfcParameter("DETAILSMODE", TYPINT, 4, &details_mode),
      RfcParameter("DETAILSREQI", TYPINT, 4, &details_reqi),
      RfcParameter("F_CPU_ALL_READ", TYPC, 3, cpu_all_read),
      RfcParameter("INTERVAL", TYPINT, 4, &interval),
      RfcParameter("LASTCOLLINT", TYPINT, 4, &last_coll_int),
      RfcParameter("LASTCOLLWRT", TYPC, 25, last_coll_wrt),
      RfcParameter("NORMCOLLINT", TYPINT, 4, &norm_coll_int),
      RfcParameter("OP_SYSTEM", TYPC, 52, op_system),
      RFC_PARAMETER{},
  };
  // Transfer mode 0 and new-table flag 0: the library's defaults for a
  // table passed by handle.
  RFC_TABLE tables[] = {
      RFC_TABLE{RfcName("TF_CPU_ALL"), 10, types.cpu_all.type, kCpuAllRowLength, table,
                RFC_ITMODE_BYREFERENCE, 0},
      RFC_TABLE{},
  };

  std::string exception;
  RFC_RC code = CallFunctionModule(table_, handle_, log_, "GET_CPU_ALL", exporting, importing,
                                   tables, &exception);
  ServerClock clock;
  if (code == RFC_OK) {
    ConvertCollectorTimestamp(FixedFieldText(last_coll_wrt, 25), &clock.date, &clock.time);
  }
  if (auto done = DeleteTable(table_, "TF_CPU_ALL", table); !done.ok()) return done.error();
  if (code != RFC_OK) return Failed(code, exception);
  return clock;
}

}  // namespace tidewarden

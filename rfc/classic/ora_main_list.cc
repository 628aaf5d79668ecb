// DB_ORA_MAIN_LIST: the database monitor's main list of an Oracle
// database, the one call that supplies the figures.
#include <cstring>

#include "base/text.h"
#include "rfc/classic/call_pattern.h"
#include "rfc/classic/classic_connection.h"
#include "rfc/classic/record_layouts.h"

namespace tidewarden {
namespace {

// TST04: 71 fields, 916 bytes, back to back.
constexpr StructureElement kTst04Fields[] = {
    {"DB_NAME", TYPC, 3},       {"DB_THREAD", TYPC, 8},     {"DB_INSTANC", TYPC, 16},
    {"DB_SERVER", TYPC, 16},    {"CURR_TIME", TYPTIME, 6},  {"CURR_DATE", TYPDATE, 8},
    {"DB_UP_TIME", TYPTIME, 6}, {"DB_UP_DATE", TYPDATE, 8}, {"THREAD_STA", TYPC, 6},
    {"SAPDBHOST", TYPC, 32},    {"VERSION", TYPC, 17},      {"ELAPSED_TI", TYPC, 14},
    {"ARCHIVER", TYPC, 7},      {"LOG_SWITCH", TYPC, 11},   {"BUFSIZE", TYPC, 14},
    {"BUFREADS", TYPC, 14},     {"BUFQUAL", TYPC, 6},       {"BUFPWRITES", TYPC, 14},
    {"BUFPREADS", TYPC, 14},    {"BUFWAITS", TYPC, 14},     {"BUFWTIME", TYPC, 14},
    {"DICTSIZE", TYPC, 14},     {"DDQUAL", TYPC, 6},        {"GETRATIO", TYPC, 6},
    {"PINRATIO", TYPC, 6},      {"LOGSIZE", TYPC, 14},      {"LOGENTRIES", TYPC, 14},
    {"LOGALLOC", TYPC, 14},     {"LOGFAULT", TYPC, 14},     {"USERCALLS", TYPC, 14},
    {"RECURCALLS", TYPC, 14},   {"COMMITS", TYPC, 14},      {"PARSES", TYPC, 14},
    {"ROLLBACKS", TYPC, 14},    {"LOGWRITES", TYPC, 14},    {"LOGWTIME", TYPC, 14},
    {"LOGBLOCKS", TYPC, 14},    {"LOGWSIZE", TYPC, 14},     {"LOGLATCH", TYPC, 14},
    {"SCANSHORT", TYPC, 14},    {"SCANLONG", TYPC, 14},     {"SCANROWS", TYPC, 14},
    {"SCANBLOCKS", TYPC, 14},   {"FETCHROWID", TYPC, 14},   {"FETCHCONT", TYPC, 14},
    {"SORTMEM", TYPC, 14},      {"SORTDISK", TYPC, 14},     {"SORTROWS", TYPC, 14},
    {"CPUUSAGE", TYPC, 14},     {"CPUCALLS", TYPC, 14},     {"CPURECURS", TYPC, 14},
    {"CPUPARSE", TYPC, 14},     {"USERTOREC", TYPC, 5},     {"READCALLRA", TYPC, 5},
    {"DD_GETS", TYPC, 20},      {"DD_GET_MIS", TYPC, 20},   {"CONSISTGET", TYPC, 20},
    {"GLOBLCKCON", TYPC, 20},   {"LCKHITRATI", TYPC, 6},    {"DBWRCROSSI", TYPC, 24},
    {"PINGWRITES", TYPC, 6},    {"SQLRELOADS", TYPC, 14},   {"REDO_WAIT", TYPC, 14},
    {"REDO_PROBL", TYPC, 14},   {"CPU_TIME", TYPC, 14},     {"WAIT_TOTAL", TYPC, 14},
    {"WAIT_BUSY", TYPC, 14},    {"SESS_BUSY", TYPC, 14},    {"CPU_BUSY", TYPC, 14},
    {"RESP_TIME", TYPC, 14},    {"CPU_COUNT", TYPC, 6},
};
auto kTst04Elements = Elements(kTst04Fields);

// GST04: 50 fields, 863 bytes, back to back.
constexpr StructureElement kGst04Fields[] = {
    {"DB_NAME", TYPC, 3},     {"DB_UP_DATE", TYPDATE, 8}, {"DB_UP_TIME", TYPTIME, 6},
    {"BUFSIZE", TYPC, 20},    {"BUFREADS", TYPC, 20},     {"BUFQUAL", TYPC, 6},
    {"BUFPWRITES", TYPC, 20}, {"BUFPREADS", TYPC, 20},    {"BUFWAITS", TYPC, 20},
    {"BUFWTIME", TYPC, 20},   {"DICTSIZE", TYPC, 20},     {"DDQUAL", TYPC, 6},
    {"GETRATIO", TYPC, 6},    {"PINRATIO", TYPC, 6},      {"LOGSIZE", TYPC, 20},
    {"LOGENTRIES", TYPC, 20}, {"LOGALLOC", TYPC, 20},     {"LOGFAULT", TYPC, 20},
    {"USERCALLS", TYPC, 20},  {"RECURCALLS", TYPC, 20},   {"COMMITS", TYPC, 20},
    {"PARSES", TYPC, 20},     {"ROLLBACKS", TYPC, 20},    {"LOGWRITES", TYPC, 20},
    {"LOGWTIME", TYPC, 20},   {"LOGBLOCKS", TYPC, 20},    {"LOGWSIZE", TYPC, 20},
    {"LOGLATCH", TYPC, 20},   {"SCANSHORT", TYPC, 20},    {"SCANLONG", TYPC, 20},
    {"SCANROWS", TYPC, 20},   {"SCANBLOCKS", TYPC, 20},   {"FETCHROWID", TYPC, 20},
    {"FETCHCONT", TYPC, 20},  {"SORTMEM", TYPC, 20},      {"SORTDISK", TYPC, 20},
    {"SORTROWS", TYPC, 20},   {"CPUUSAGE", TYPC, 20},     {"CPUCALLS", TYPC, 20},
    {"CPURECURS", TYPC, 20},  {"CPUPARSE", TYPC, 20},     {"USERTOREC", TYPC, 5},
    {"READCALLRA", TYPC, 5},  {"DD_GETS", TYPC, 24},      {"DD_GET_MIS", TYPC, 24},
    {"CONSISTGET", TYPC, 24}, {"GLOBLCKCON", TYPC, 24},   {"LCKHITRATI", TYPC, 6},
    {"DBWRCROSSI", TYPC, 24}, {"PINGWRITES", TYPC, 6},
};
auto kGst04Elements = Elements(kGst04Fields);

}  // namespace

SapResult<OraMainList> ClassicConnection::ReadOraMainList() {
  StructureTypes& types = library_.types();
  ITAB_H per_instances = nullptr;
  if (auto done = CreateTable(table_, "DBORA_PER_INSTANCES", kTst04Length, &per_instances);
      !done.ok()) {
    return done.error();
  }
  if (auto done = InstallStructure(table_, "TST04", kTst04Elements, &types.tst04); !done.ok())
    return done.error();
  if (auto done = InstallStructure(table_, "GST04", kGst04Elements, &types.gst04); !done.ok())
    return done.error();
  char dbora[kTst04Length];
  char dbora_global[kGst04Length];
  std::memset(dbora, 0, sizeof dbora);
  std::memset(dbora_global, 0, sizeof dbora_global);
  char all_instances[] = " ";
  char ora_release[] = "       ";  // exactly 7 characters
  RFC_PARAMETER sent[] = {
      RfcParameter("ALL_INSTANCES", TYPC, 1, all_instances),
      RfcParameter("ORA_RELEASE", TYPC, 7, ora_release),
      RFC_PARAMETER{},
  };
  RFC_PARAMETER received[] = {
      RfcParameter("DBORA", types.tst04.type, kTst04Length, dbora),
      RfcParameter("DBORA_GLOBAL", types.gst04.type, kGst04Length, dbora_global),
      RFC_PARAMETER{},
  };
  // Transfer mode 0 and new-table flag 0: the library's defaults for a
  // table passed by handle.
  RFC_TABLE tables[] = {
      RFC_TABLE{RfcName("DBORA_PER_INSTANCES"), 19, types.tst04.type, kTst04Length, per_instances,
                RFC_ITMODE_BYREFERENCE, 0},
      RFC_TABLE{},
  };
  std::string exception;
  const RFC_RC code = CallFunctionModule(table_, handle_, log_, "DB_ORA_MAIN_LIST", sent, received,
                                         tables, &exception);
  if (code != RFC_OK) {
    if (auto done = DeleteTable(table_, "DBORA_PER_INSTANCES", per_instances); !done.ok())
      return done.error();
    return Failed(code, exception);
  }
  auto field = [&dbora](RecordField f) {
    return ConvertRecordField(std::string_view(dbora + f.offset, f.length));
  };
  OraMainList list;
  list.log_writes = field(kLogWritesField);
  list.wait_busy = field(kWaitBusyField);
  list.rollbacks = field(kRollbacksField);
  list.log_size = field(kLogSizeField);
  list.log_alloc = field(kLogAllocField);
  // Today's order: the figures are delivered before the table is deleted,
  // so its failure is reported after them.
  if (auto done = DeleteTable(table_, "DBORA_PER_INSTANCES", per_instances); !done.ok()) {
    list.fatal_after_delivery = done.error();
  }
  return list;
}

}  // namespace tidewarden

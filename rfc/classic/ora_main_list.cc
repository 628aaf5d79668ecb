// DB_ORA_MAIN_LIST: the database monitor's main list of an Oracle
// database, the one call that supplies the figures.
#include <cstring>

#include "base/text.h"
#include "rfc/classic/call_lists.h"
#include "rfc/classic/call_pattern.h"
#include "rfc/classic/classic_connection.h"
#include "rfc/classic/record_layouts.h"

namespace tidewarden {
namespace {

// TST04: 71 fields, 916 bytes, back to back.
RFC_TYPE_ELEMENT kTst04Elements[] = {
    {RfcName("DB_NAME"), TYPC, 3, 0, 0},       {RfcName("DB_THREAD"), TYPC, 8, 0, 0},
    {RfcName("DB_INSTANC"), TYPC, 16, 0, 0},   {RfcName("DB_SERVER"), TYPC, 16, 0, 0},
    {RfcName("CURR_TIME"), TYPTIME, 6, 0, 0},  {RfcName("CURR_DATE"), TYPDATE, 8, 0, 0},
    {RfcName("DB_UP_TIME"), TYPTIME, 6, 0, 0}, {RfcName("DB_UP_DATE"), TYPDATE, 8, 0, 0},
    {RfcName("THREAD_STA"), TYPC, 6, 0, 0},    {RfcName("SAPDBHOST"), TYPC, 32, 0, 0},
    {RfcName("VERSION"), TYPC, 17, 0, 0},      {RfcName("ELAPSED_TI"), TYPC, 14, 0, 0},
    {RfcName("ARCHIVER"), TYPC, 7, 0, 0},      {RfcName("LOG_SWITCH"), TYPC, 11, 0, 0},
    {RfcName("BUFSIZE"), TYPC, 14, 0, 0},      {RfcName("BUFREADS"), TYPC, 14, 0, 0},
    {RfcName("BUFQUAL"), TYPC, 6, 0, 0},       {RfcName("BUFPWRITES"), TYPC, 14, 0, 0},
    {RfcName("BUFPREADS"), TYPC, 14, 0, 0},    {RfcName("BUFWAITS"), TYPC, 14, 0, 0},
    {RfcName("BUFWTIME"), TYPC, 14, 0, 0},     {RfcName("DICTSIZE"), TYPC, 14, 0, 0},
    {RfcName("DDQUAL"), TYPC, 6, 0, 0},        {RfcName("GETRATIO"), TYPC, 6, 0, 0},
    {RfcName("PINRATIO"), TYPC, 6, 0, 0},      {RfcName("LOGSIZE"), TYPC, 14, 0, 0},
    {RfcName("LOGENTRIES"), TYPC, 14, 0, 0},   {RfcName("LOGALLOC"), TYPC, 14, 0, 0},
    {RfcName("LOGFAULT"), TYPC, 14, 0, 0},     {RfcName("USERCALLS"), TYPC, 14, 0, 0},
    {RfcName("RECURCALLS"), TYPC, 14, 0, 0},   {RfcName("COMMITS"), TYPC, 14, 0, 0},
    {RfcName("PARSES"), TYPC, 14, 0, 0},       {RfcName("ROLLBACKS"), TYPC, 14, 0, 0},
    {RfcName("LOGWRITES"), TYPC, 14, 0, 0},    {RfcName("LOGWTIME"), TYPC, 14, 0, 0},
    {RfcName("LOGBLOCKS"), TYPC, 14, 0, 0},    {RfcName("LOGWSIZE"), TYPC, 14, 0, 0},
    {RfcName("LOGLATCH"), TYPC, 14, 0, 0},     {RfcName("SCANSHORT"), TYPC, 14, 0, 0},
    {RfcName("SCANLONG"), TYPC, 14, 0, 0},     {RfcName("SCANROWS"), TYPC, 14, 0, 0},
    {RfcName("SCANBLOCKS"), TYPC, 14, 0, 0},   {RfcName("FETCHROWID"), TYPC, 14, 0, 0},
    {RfcName("FETCHCONT"), TYPC, 14, 0, 0},    {RfcName("SORTMEM"), TYPC, 14, 0, 0},
    {RfcName("SORTDISK"), TYPC, 14, 0, 0},     {RfcName("SORTROWS"), TYPC, 14, 0, 0},
    {RfcName("CPUUSAGE"), TYPC, 14, 0, 0},     {RfcName("CPUCALLS"), TYPC, 14, 0, 0},
    {RfcName("CPURECURS"), TYPC, 14, 0, 0},    {RfcName("CPUPARSE"), TYPC, 14, 0, 0},
    {RfcName("USERTOREC"), TYPC, 5, 0, 0},     {RfcName("READCALLRA"), TYPC, 5, 0, 0},
    {RfcName("DD_GETS"), TYPC, 20, 0, 0},      {RfcName("DD_GET_MIS"), TYPC, 20, 0, 0},
    {RfcName("CONSISTGET"), TYPC, 20, 0, 0},   {RfcName("GLOBLCKCON"), TYPC, 20, 0, 0},
    {RfcName("LCKHITRATI"), TYPC, 6, 0, 0},    {RfcName("DBWRCROSSI"), TYPC, 24, 0, 0},
    {RfcName("PINGWRITES"), TYPC, 6, 0, 0},    {RfcName("SQLRELOADS"), TYPC, 14, 0, 0},
    {RfcName("REDO_WAIT"), TYPC, 14, 0, 0},    {RfcName("REDO_PROBL"), TYPC, 14, 0, 0},
    {RfcName("CPU_TIME"), TYPC, 14, 0, 0},     {RfcName("WAIT_TOTAL"), TYPC, 14, 0, 0},
    {RfcName("WAIT_BUSY"), TYPC, 14, 0, 0},    {RfcName("SESS_BUSY"), TYPC, 14, 0, 0},
    {RfcName("CPU_BUSY"), TYPC, 14, 0, 0},     {RfcName("RESP_TIME"), TYPC, 14, 0, 0},
    {RfcName("CPU_COUNT"), TYPC, 6, 0, 0},
};

// GST04: 50 fields, 863 bytes, back to back.
RFC_TYPE_ELEMENT kGst04Elements[] = {
    {RfcName("DB_NAME"), TYPC, 3, 0, 0},       {RfcName("DB_UP_DATE"), TYPDATE, 8, 0, 0},
    {RfcName("DB_UP_TIME"), TYPTIME, 6, 0, 0}, {RfcName("BUFSIZE"), TYPC, 20, 0, 0},
    {RfcName("BUFREADS"), TYPC, 20, 0, 0},     {RfcName("BUFQUAL"), TYPC, 6, 0, 0},
    {RfcName("BUFPWRITES"), TYPC, 20, 0, 0},   {RfcName("BUFPREADS"), TYPC, 20, 0, 0},
    {RfcName("BUFWAITS"), TYPC, 20, 0, 0},     {RfcName("BUFWTIME"), TYPC, 20, 0, 0},
    {RfcName("DICTSIZE"), TYPC, 20, 0, 0},     {RfcName("DDQUAL"), TYPC, 6, 0, 0},
    {RfcName("GETRATIO"), TYPC, 6, 0, 0},      {RfcName("PINRATIO"), TYPC, 6, 0, 0},
    {RfcName("LOGSIZE"), TYPC, 20, 0, 0},      {RfcName("LOGENTRIES"), TYPC, 20, 0, 0},
    {RfcName("LOGALLOC"), TYPC, 20, 0, 0},     {RfcName("LOGFAULT"), TYPC, 20, 0, 0},
    {RfcName("USERCALLS"), TYPC, 20, 0, 0},    {RfcName("RECURCALLS"), TYPC, 20, 0, 0},
    {RfcName("COMMITS"), TYPC, 20, 0, 0},      {RfcName("PARSES"), TYPC, 20, 0, 0},
    {RfcName("ROLLBACKS"), TYPC, 20, 0, 0},    {RfcName("LOGWRITES"), TYPC, 20, 0, 0},
    {RfcName("LOGWTIME"), TYPC, 20, 0, 0},     {RfcName("LOGBLOCKS"), TYPC, 20, 0, 0},
    {RfcName("LOGWSIZE"), TYPC, 20, 0, 0},     {RfcName("LOGLATCH"), TYPC, 20, 0, 0},
    {RfcName("SCANSHORT"), TYPC, 20, 0, 0},    {RfcName("SCANLONG"), TYPC, 20, 0, 0},
    {RfcName("SCANROWS"), TYPC, 20, 0, 0},     {RfcName("SCANBLOCKS"), TYPC, 20, 0, 0},
    {RfcName("FETCHROWID"), TYPC, 20, 0, 0},   {RfcName("FETCHCONT"), TYPC, 20, 0, 0},
    {RfcName("SORTMEM"), TYPC, 20, 0, 0},      {RfcName("SORTDISK"), TYPC, 20, 0, 0},
    {RfcName("SORTROWS"), TYPC, 20, 0, 0},     {RfcName("CPUUSAGE"), TYPC, 20, 0, 0},
    {RfcName("CPUCALLS"), TYPC, 20, 0, 0},     {RfcName("CPURECURS"), TYPC, 20, 0, 0},
    {RfcName("CPUPARSE"), TYPC, 20, 0, 0},     {RfcName("USERTOREC"), TYPC, 5, 0, 0},
    {RfcName("READCALLRA"), TYPC, 5, 0, 0},    {RfcName("DD_GETS"), TYPC, 24, 0, 0},
    {RfcName("DD_GET_MIS"), TYPC, 24, 0, 0},   {RfcName("CONSISTGET"), TYPC, 24, 0, 0},
    {RfcName("GLOBLCKCON"), TYPC, 24, 0, 0},   {RfcName("LCKHITRATI"), TYPC, 6, 0, 0},
    {RfcName("DBWRCROSSI"), TYPC, 24, 0, 0},   {RfcName("PINGWRITES"), TYPC, 6, 0, 0},
};

}  // namespace

SapResult<OraMainList> ClassicConnection::ReadOraMainList() {
  StructureTypes& types = library_.types();
  ITAB_H per_instances = nullptr;
  if (auto done = CreateTable(table_, "DBORA_PER_INSTANCES", kTst04Length, &per_instances);
      !done.ok()) {
    return done.error();
  }
  if (types.tst04 == 0) {
    if (auto done = InstallStructure(table_, "TST04", kTst04Elements, 71, &types.tst04);
        !done.ok()) {
      return done.error();
    }
  }
  if (types.gst04 == 0) {
    if (auto done = InstallStructure(table_, "GST04", kGst04Elements, 50, &types.gst04);
        !done.ok()) {
      return done.error();
    }
  }
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
      RfcParameter("DBORA", types.tst04, kTst04Length, dbora),
      RfcParameter("DBORA_GLOBAL", types.gst04, kGst04Length, dbora_global),
      RFC_PARAMETER{},
  };
  // Transfer mode 0 and new-table flag 0: the library's defaults for a
  // table passed by handle.
  RFC_TABLE tables[] = {
      RFC_TABLE{RfcName("DBORA_PER_INSTANCES"), 19, types.tst04, kTst04Length, per_instances,
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

#include "collect/ora_main_list.h"

#include <cstring>

#include "output/log.h"
#include "rfc/failure.h"

namespace tidewarden {
namespace {

char* Name(const char* text) { return const_cast<char*>(text); }

// TST04: 71 fields, 916 bytes, back to back.
RFC_TYPE_ELEMENT kTst04Elements[] = {
    {Name("DB_NAME"), TYPC, 3, 0, 0},
    {Name("DB_THREAD"), TYPC, 8, 0, 0},
    {Name("DB_INSTANC"), TYPC, 16, 0, 0},
    {Name("DB_SERVER"), TYPC, 16, 0, 0},
    {Name("CURR_TIME"), TYPTIME, 6, 0, 0},
    {Name("CURR_DATE"), TYPDATE, 8, 0, 0},
    {Name("DB_UP_TIME"), TYPTIME, 6, 0, 0},
    {Name("DB_UP_DATE"), TYPDATE, 8, 0, 0},
    {Name("THREAD_STA"), TYPC, 6, 0, 0},
    {Name("SAPDBHOST"), TYPC, 32, 0, 0},
    {Name("VERSION"), TYPC, 17, 0, 0},
    {Name("ELAPSED_TI"), TYPC, 14, 0, 0},
    {Name("ARCHIVER"), TYPC, 7, 0, 0},
    {Name("LOG_SWITCH"), TYPC, 11, 0, 0},
    {Name("BUFSIZE"), TYPC, 14, 0, 0},
    {Name("BUFREADS"), TYPC, 14, 0, 0},
    {Name("BUFQUAL"), TYPC, 6, 0, 0},
    {Name("BUFPWRITES"), TYPC, 14, 0, 0},
    {Name("BUFPREADS"), TYPC, 14, 0, 0},
    {Name("BUFWAITS"), TYPC, 14, 0, 0},
    {Name("BUFWTIME"), TYPC, 14, 0, 0},
    {Name("DICTSIZE"), TYPC, 14, 0, 0},
    {Name("DDQUAL"), TYPC, 6, 0, 0},
    {Name("GETRATIO"), TYPC, 6, 0, 0},
    {Name("PINRATIO"), TYPC, 6, 0, 0},
    {Name("LOGSIZE"), TYPC, 14, 0, 0},
    {Name("LOGENTRIES"), TYPC, 14, 0, 0},
    {Name("LOGALLOC"), TYPC, 14, 0, 0},
    {Name("LOGFAULT"), TYPC, 14, 0, 0},
    {Name("USERCALLS"), TYPC, 14, 0, 0},
    {Name("RECURCALLS"), TYPC, 14, 0, 0},
    {Name("COMMITS"), TYPC, 14, 0, 0},
    {Name("PARSES"), TYPC, 14, 0, 0},
    {Name("ROLLBACKS"), TYPC, 14, 0, 0},
    {Name("LOGWRITES"), TYPC, 14, 0, 0},
    {Name("LOGWTIME"), TYPC, 14, 0, 0},
    {Name("LOGBLOCKS"), TYPC, 14, 0, 0},
    {Name("LOGWSIZE"), TYPC, 14, 0, 0},
    {Name("LOGLATCH"), TYPC, 14, 0, 0},
    {Name("SCANSHORT"), TYPC, 14, 0, 0},
    {Name("SCANLONG"), TYPC, 14, 0, 0},
    {Name("SCANROWS"), TYPC, 14, 0, 0},
    {Name("SCANBLOCKS"), TYPC, 14, 0, 0},
    {Name("FETCHROWID"), TYPC, 14, 0, 0},
    {Name("FETCHCONT"), TYPC, 14, 0, 0},
    {Name("SORTMEM"), TYPC, 14, 0, 0},
    {Name("SORTDISK"), TYPC, 14, 0, 0},
    {Name("SORTROWS"), TYPC, 14, 0, 0},
    {Name("CPUUSAGE"), TYPC, 14, 0, 0},
    {Name("CPUCALLS"), TYPC, 14, 0, 0},
    {Name("CPURECURS"), TYPC, 14, 0, 0},
    {Name("CPUPARSE"), TYPC, 14, 0, 0},
    {Name("USERTOREC"), TYPC, 5, 0, 0},
    {Name("READCALLRA"), TYPC, 5, 0, 0},
    {Name("DD_GETS"), TYPC, 20, 0, 0},
    {Name("DD_GET_MIS"), TYPC, 20, 0, 0},
    {Name("CONSISTGET"), TYPC, 20, 0, 0},
    {Name("GLOBLCKCON"), TYPC, 20, 0, 0},
    {Name("LCKHITRATI"), TYPC, 6, 0, 0},
    {Name("DBWRCROSSI"), TYPC, 24, 0, 0},
    {Name("PINGWRITES"), TYPC, 6, 0, 0},
    {Name("SQLRELOADS"), TYPC, 14, 0, 0},
    {Name("REDO_WAIT"), TYPC, 14, 0, 0},
    {Name("REDO_PROBL"), TYPC, 14, 0, 0},
    {Name("CPU_TIME"), TYPC, 14, 0, 0},
    {Name("WAIT_TOTAL"), TYPC, 14, 0, 0},
    {Name("WAIT_BUSY"), TYPC, 14, 0, 0},
    {Name("SESS_BUSY"), TYPC, 14, 0, 0},
    {Name("CPU_BUSY"), TYPC, 14, 0, 0},
    {Name("RESP_TIME"), TYPC, 14, 0, 0},
    {Name("CPU_COUNT"), TYPC, 6, 0, 0},
};

// GST04: 50 fields, 863 bytes, back to back.
RFC_TYPE_ELEMENT kGst04Elements[] = {
    {Name("DB_NAME"), TYPC, 3, 0, 0},
    {Name("DB_UP_DATE"), TYPDATE, 8, 0, 0},
    {Name("DB_UP_TIME"), TYPTIME, 6, 0, 0},
    {Name("BUFSIZE"), TYPC, 20, 0, 0},
    {Name("BUFREADS"), TYPC, 20, 0, 0},
    {Name("BUFQUAL"), TYPC, 6, 0, 0},
    {Name("BUFPWRITES"), TYPC, 20, 0, 0},
    {Name("BUFPREADS"), TYPC, 20, 0, 0},
    {Name("BUFWAITS"), TYPC, 20, 0, 0},
    {Name("BUFWTIME"), TYPC, 20, 0, 0},
    {Name("DICTSIZE"), TYPC, 20, 0, 0},
    {Name("DDQUAL"), TYPC, 6, 0, 0},
    {Name("GETRATIO"), TYPC, 6, 0, 0},
    {Name("PINRATIO"), TYPC, 6, 0, 0},
    {Name("LOGSIZE"), TYPC, 20, 0, 0},
    {Name("LOGENTRIES"), TYPC, 20, 0, 0},
    {Name("LOGALLOC"), TYPC, 20, 0, 0},
    {Name("LOGFAULT"), TYPC, 20, 0, 0},
    {Name("USERCALLS"), TYPC, 20, 0, 0},
    {Name("RECURCALLS"), TYPC, 20, 0, 0},
    {Name("COMMITS"), TYPC, 20, 0, 0},
    {Name("PARSES"), TYPC, 20, 0, 0},
    {Name("ROLLBACKS"), TYPC, 20, 0, 0},
    {Name("LOGWRITES"), TYPC, 20, 0, 0},
    {Name("LOGWTIME"), TYPC, 20, 0, 0},
    {Name("LOGBLOCKS"), TYPC, 20, 0, 0},
    {Name("LOGWSIZE"), TYPC, 20, 0, 0},
    {Name("LOGLATCH"), TYPC, 20, 0, 0},
    {Name("SCANSHORT"), TYPC, 20, 0, 0},
    {Name("SCANLONG"), TYPC, 20, 0, 0},
    {Name("SCANROWS"), TYPC, 20, 0, 0},
    {Name("SCANBLOCKS"), TYPC, 20, 0, 0},
    {Name("FETCHROWID"), TYPC, 20, 0, 0},
    {Name("FETCHCONT"), TYPC, 20, 0, 0},
    {Name("SORTMEM"), TYPC, 20, 0, 0},
    {Name("SORTDISK"), TYPC, 20, 0, 0},
    {Name("SORTROWS"), TYPC, 20, 0, 0},
    {Name("CPUUSAGE"), TYPC, 20, 0, 0},
    {Name("CPUCALLS"), TYPC, 20, 0, 0},
    {Name("CPURECURS"), TYPC, 20, 0, 0},
    {Name("CPUPARSE"), TYPC, 20, 0, 0},
    {Name("USERTOREC"), TYPC, 5, 0, 0},
    {Name("READCALLRA"), TYPC, 5, 0, 0},
    {Name("DD_GETS"), TYPC, 24, 0, 0},
    {Name("DD_GET_MIS"), TYPC, 24, 0, 0},
    {Name("CONSISTGET"), TYPC, 24, 0, 0},
    {Name("GLOBLCKCON"), TYPC, 24, 0, 0},
    {Name("LCKHITRATI"), TYPC, 6, 0, 0},
    {Name("DBWRCROSSI"), TYPC, 24, 0, 0},
    {Name("PINGWRITES"), TYPC, 6, 0, 0},
};

RFC_PARAMETER Parameter(const char* name, unsigned type, unsigned length, void* address) {
  return RFC_PARAMETER{Name(name), static_cast<unsigned>(std::strlen(name)), type, length,
                       address};
}

}  // namespace

RFC_RC CallOraMainList(RfcContext& context, const char* all_instances, const char* ora_release,
                       char* dbora, char* dbora_global, ITAB_H per_instances,
                       std::string* exception) {
  RfcSession& session = context.session;
  if (session.tst04_type == 0) {
    session.tst04_type = InstallStructure(context, "TST04", kTst04Elements, 71);
  }
  if (session.gst04_type == 0) {
    session.gst04_type = InstallStructure(context, "GST04", kGst04Elements, 50);
  }
  RFC_PARAMETER sent[] = {
      Parameter("ALL_INSTANCES", TYPC, 1, const_cast<char*>(all_instances)),
      Parameter("ORA_RELEASE", TYPC, 7, const_cast<char*>(ora_release)),
      RFC_PARAMETER{},
  };
  RFC_PARAMETER received[] = {
      Parameter("DBORA", session.tst04_type, kTst04Length, dbora),
      Parameter("DBORA_GLOBAL", session.gst04_type, kGst04Length, dbora_global),
      RFC_PARAMETER{},
  };
  // Transfer mode 0 and new-table flag 0: the library's defaults for a
  // table passed by handle.
  RFC_TABLE tables[] = {
      RFC_TABLE{Name("DBORA_PER_INSTANCES"), 19, session.tst04_type, kTst04Length, per_instances,
                RFC_ITMODE_BYREFERENCE, 0},
      RFC_TABLE{},
  };
  return CallFunctionModule(context, "DB_ORA_MAIN_LIST", sent, received, tables, exception);
}

}  // namespace tidewarden

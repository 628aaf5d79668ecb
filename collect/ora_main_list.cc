#include "collect/ora_main_list.h"

#include <cstring>

#include "output/log.h"
#include "rfc/call_lists.h"
#include "rfc/failure.h"

namespace tidewarden {
namespace {

// TST04: 71 fields, 916 bytes, back to back.
RFC_TYPE_ELEMENT kTst04Elements[] = {
    {RfcName("DB_NAME"), TYPC, 3, 0, 0},
    {RfcName("DB_THREAD"), TYPC, 8, 0, 0},
    {RfcName("DB_INSTANC"), TYPC, 16, 0, 0},
    {RfcName("DB_SERVER"), TYPC, 16, 0, 0},
    {RfcName("CURR_TIME"), TYPTIME, 6, 0, 0},
    {RfcName("CURR_DATE"), TYPDATE, 8, 0, 0},
    {RfcName("DB_UP_TIME"), TYPTIME, 6, 0, 0},
    {RfcName("DB_UP_DATE"), TYPDATE, 8, 0, 0},
    {RfcName("THREAD_STA"), TYPC, 6, 0, 0},
    {RfcName("SAPDBHOST"), TYPC, 32, 0, 0},
    {RfcName("VERSION"), TYPC, 17, 0, 0},
    {RfcName("ELAPSED_TI"), TYPC, 14, 0, 0},
    {RfcName("ARCHIVER"), TYPC, 7, 0, 0},
    {RfcName("LOG_SWITCH"), TYPC, 11, 0, 0},
    {RfcName("BUFSIZE"), TYPC, 14, 0, 0},
    {RfcName("BUFREADS"), TYPC, 14, 0, 0},
    {RfcName("BUFQUAL"), TYPC, 6, 0, 0},
    {RfcName("BUFPWRITES"), TYPC, 14, 0, 0},
    {RfcName("BUFPREADS"), TYPC, 14, 0, 0},
    {RfcName("BUFWAITS"), TYPC, 14, 0, 0},
    {RfcName("BUFWTIME"), TYPC, 14, 0, 0},
    {RfcName("DICTSIZE"), TYPC, 14, 0, 0},
    {RfcName("DDQUAL"), TYPC, 6, 0, 0},
    {RfcName("GETRATIO"), TYPC, 6, 0, 0},
    {RfcName("PINRATIO"), TYPC, 6, 0, 0},
    {RfcName("LOGSIZE"), TYPC, 14, 0, 0},
    {RfcName("LOGENTRIES"), TYPC, 14, 0, 0},
    {RfcName("LOGALLOC"), TYPC, 14, 0, 0},
    {RfcName("LOGFAULT"), TYPC, 14, 0, 0},
    {RfcName("USERCALLS"), TYPC, 14, 0, 0},
    {RfcName("RECURCALLS"), TYPC, 14, 0, 0},
    {RfcName("COMMITS"), TYPC, 14, 0, 0},
    {RfcName("PARSES"), TYPC, 14, 0, 0},
    {RfcName("ROLLBACKS"), TYPC, 14, 0, 0},
    {RfcName("LOGWRITES"), TYPC, 14, 0, 0},
    {RfcName("LOGWTIME"), TYPC, 14, 0, 0},
    {RfcName("LOGBLOCKS"), TYPC, 14, 0, 0},
    {RfcName("LOGWSIZE"), TYPC, 14, 0, 0},
    {RfcName("LOGLATCH"), TYPC, 14, 0, 0},
    {RfcName("SCANSHORT"), TYPC, 14, 0, 0},
    {RfcName("SCANLONG"), TYPC, 14, 0, 0},
    {RfcName("SCANROWS"), TYPC, 14, 0, 0},
    {RfcName("SCANBLOCKS"), TYPC, 14, 0, 0},
    {RfcName("FETCHROWID"), TYPC, 14, 0, 0},
    {RfcName("FETCHCONT"), TYPC, 14, 0, 0},
    {RfcName("SORTMEM"), TYPC, 14, 0, 0},
    {RfcName("SORTDISK"), TYPC, 14, 0, 0},
    {RfcName("SORTROWS"), TYPC, 14, 0, 0},
    {RfcName("CPUUSAGE"), TYPC, 14, 0, 0},
    {RfcName("CPUCALLS"), TYPC, 14, 0, 0},
    {RfcName("CPURECURS"), TYPC, 14, 0, 0},
    {RfcName("CPUPARSE"), TYPC, 14, 0, 0},
    {RfcName("USERTOREC"), TYPC, 5, 0, 0},
    {RfcName("READCALLRA"), TYPC, 5, 0, 0},
    {RfcName("DD_GETS"), TYPC, 20, 0, 0},
    {RfcName("DD_GET_MIS"), TYPC, 20, 0, 0},
    {RfcName("CONSISTGET"), TYPC, 20, 0, 0},
    {RfcName("GLOBLCKCON"), TYPC, 20, 0, 0},
    {RfcName("LCKHITRATI"), TYPC, 6, 0, 0},
    {RfcName("DBWRCROSSI"), TYPC, 24, 0, 0},
    {RfcName("PINGWRITES"), TYPC, 6, 0, 0},
    {RfcName("SQLRELOADS"), TYPC, 14, 0, 0},
    {RfcName("REDO_WAIT"), TYPC, 14, 0, 0},
    {RfcName("REDO_PROBL"), TYPC, 14, 0, 0},
    {RfcName("CPU_TIME"), TYPC, 14, 0, 0},
    {RfcName("WAIT_TOTAL"), TYPC, 14, 0, 0},
    {RfcName("WAIT_BUSY"), TYPC, 14, 0, 0},
    {RfcName("SESS_BUSY"), TYPC, 14, 0, 0},
    {RfcName("CPU_BUSY"), TYPC, 14, 0, 0},
    {RfcName("RESP_TIME"), TYPC, 14, 0, 0},
    {RfcName("CPU_COUNT"), TYPC, 6, 0, 0},
};

// GST04: 50 fields, 863 bytes, back to back.
RFC_TYPE_ELEMENT kGst04Elements[] = {
    {RfcName("DB_NAME"), TYPC, 3, 0, 0},
    {RfcName("DB_UP_DATE"), TYPDATE, 8, 0, 0},
    {RfcName("DB_UP_TIME"), TYPTIME, 6, 0, 0},
    {RfcName("BUFSIZE"), TYPC, 20, 0, 0},
    {RfcName("BUFREADS"), TYPC, 20, 0, 0},
    {RfcName("BUFQUAL"), TYPC, 6, 0, 0},
    {RfcName("BUFPWRITES"), TYPC, 20, 0, 0},
    {RfcName("BUFPREADS"), TYPC, 20, 0, 0},
    {RfcName("BUFWAITS"), TYPC, 20, 0, 0},
    {RfcName("BUFWTIME"), TYPC, 20, 0, 0},
    {RfcName("DICTSIZE"), TYPC, 20, 0, 0},
    {RfcName("DDQUAL"), TYPC, 6, 0, 0},
    {RfcName("GETRATIO"), TYPC, 6, 0, 0},
    {RfcName("PINRATIO"), TYPC, 6, 0, 0},
    {RfcName("LOGSIZE"), TYPC, 20, 0, 0},
    {RfcName("LOGENTRIES"), TYPC, 20, 0, 0},
    {RfcName("LOGALLOC"), TYPC, 20, 0, 0},
    {RfcName("LOGFAULT"), TYPC, 20, 0, 0},
    {RfcName("USERCALLS"), TYPC, 20, 0, 0},
    {RfcName("RECURCALLS"), TYPC, 20, 0, 0},
    {RfcName("COMMITS"), TYPC, 20, 0, 0},
    {RfcName("PARSES"), TYPC, 20, 0, 0},
    {RfcName("ROLLBACKS"), TYPC, 20, 0, 0},
    {RfcName("LOGWRITES"), TYPC, 20, 0, 0},
    {RfcName("LOGWTIME"), TYPC, 20, 0, 0},
    {RfcName("LOGBLOCKS"), TYPC, 20, 0, 0},
    {RfcName("LOGWSIZE"), TYPC, 20, 0, 0},
    {RfcName("LOGLATCH"), TYPC, 20, 0, 0},
    {RfcName("SCANSHORT"), TYPC, 20, 0, 0},
    {RfcName("SCANLONG"), TYPC, 20, 0, 0},
    {RfcName("SCANROWS"), TYPC, 20, 0, 0},
    {RfcName("SCANBLOCKS"), TYPC, 20, 0, 0},
    {RfcName("FETCHROWID"), TYPC, 20, 0, 0},
    {RfcName("FETCHCONT"), TYPC, 20, 0, 0},
    {RfcName("SORTMEM"), TYPC, 20, 0, 0},
    {RfcName("SORTDISK"), TYPC, 20, 0, 0},
    {RfcName("SORTROWS"), TYPC, 20, 0, 0},
    {RfcName("CPUUSAGE"), TYPC, 20, 0, 0},
    {RfcName("CPUCALLS"), TYPC, 20, 0, 0},
    {RfcName("CPURECURS"), TYPC, 20, 0, 0},
    {RfcName("CPUPARSE"), TYPC, 20, 0, 0},
    {RfcName("USERTOREC"), TYPC, 5, 0, 0},
    {RfcName("READCALLRA"), TYPC, 5, 0, 0},
    {RfcName("DD_GETS"), TYPC, 24, 0, 0},
    {RfcName("DD_GET_MIS"), TYPC, 24, 0, 0},
    {RfcName("CONSISTGET"), TYPC, 24, 0, 0},
    {RfcName("GLOBLCKCON"), TYPC, 24, 0, 0},
    {RfcName("LCKHITRATI"), TYPC, 6, 0, 0},
    {RfcName("DBWRCROSSI"), TYPC, 24, 0, 0},
    {RfcName("PINGWRITES"), TYPC, 6, 0, 0},
};

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
      RfcParameter("ALL_INSTANCES", TYPC, 1, const_cast<char*>(all_instances)),
      RfcParameter("ORA_RELEASE", TYPC, 7, const_cast<char*>(ora_release)),
      RFC_PARAMETER{},
  };
  RFC_PARAMETER received[] = {
      RfcParameter("DBORA", session.tst04_type, kTst04Length, dbora),
      RfcParameter("DBORA_GLOBAL", session.gst04_type, kGst04Length, dbora_global),
      RFC_PARAMETER{},
  };
  // Transfer mode 0 and new-table flag 0: the library's defaults for a
  // table passed by handle.
  RFC_TABLE tables[] = {
      RFC_TABLE{RfcName("DBORA_PER_INSTANCES"), 19, session.tst04_type, kTst04Length, per_instances,
                RFC_ITMODE_BYREFERENCE, 0},
      RFC_TABLE{},
  };
  return CallFunctionModule(context, "DB_ORA_MAIN_LIST", sent, received, tables, exception);
}

}  // namespace tidewarden

// The simulated system's data dictionary: the structures and function
// modules a monitoring probe reaches, with the layouts the system expects.
#include "sim/interfaces.h"

#include <algorithm>
#include <map>
#include <vector>

#include "rfc/classic/saprfc.h"

namespace tidewarden::sim {
namespace {

constexpr ElementSpec kCpuAllElements[] = {
    {"TYPE", TYPINT2, 2},      {"SUBTYPE", TYPINT2, 2},  {"SERIALNR", TYPINT2, 2},
    {"NBR_CPU", TYPINT, 4},    {"LOAD1_AVG", TYPINT, 4}, {"LOAD5_AVG", TYPINT, 4},
    {"LOAD15_AVG", TYPINT, 4}, {"INT_SEC", TYPINT, 4},   {"SYSC_SEC", TYPINT, 4},
    {"CS_SEC", TYPINT, 4},     {"USR_TOTAL", TYPINT, 4}, {"SYS_TOTAL", TYPINT, 4},
    {"IDLE_TOTAL", TYPINT, 4},
};

constexpr ElementSpec kRfcsiElements[] = {
    {"RFCPROTO", TYPC, 3},   {"RFCCHARTYP", TYPC, 4}, {"RFCINTTYP", TYPC, 3},
    {"RFCFLOTYP", TYPC, 3},  {"RFCDEST", TYPC, 32},   {"RFCHOST", TYPC, 8},
    {"RFCSYSID", TYPC, 8},   {"RFCDATABS", TYPC, 8},  {"RFCDBHOST", TYPC, 32},
    {"RFCDBSYS", TYPC, 10},  {"RFCSAPRL", TYPC, 4},   {"RFCMACH", TYPC, 5},
    {"RFCOPSYS", TYPC, 10},  {"RFCTZONE", TYPC, 6},   {"RFCDAYST", TYPC, 1},
    {"RFCIPADDR", TYPC, 15}, {"RFCKERNRL", TYPC, 4},  {"RFCSI_RESV", TYPC, 44},
};

// The database monitor's record of one Oracle instance.
constexpr ElementSpec kTst04Elements[] = {
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

// The database monitor's record over all instances.
constexpr ElementSpec kGst04Elements[] = {
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

constexpr StructureSpec kCpuAll = {"CPU_ALL", kCpuAllElements, 48};
constexpr StructureSpec kRfcsi = {"RFCSI", kRfcsiElements, 200};
constexpr StructureSpec kTst04 = {"TST04", kTst04Elements, 916};
constexpr StructureSpec kGst04 = {"GST04", kGst04Elements, 863};

constexpr ParameterSpec kCpuAllExporting[] = {
    {"LOCAL_REMOTE", TYPC, nullptr, 6, "LOCAL "},
    {"LOGICAL_DESTINATION", TYPC, nullptr, 32, "                                "},
};
constexpr ParameterSpec kCpuAllImporting[] = {
    {"ACTIVEFLAG", TYPINT, nullptr, 4, nullptr},   {"DETAILSCOLL", TYPINT, nullptr, 4, nullptr},
    {"DETAILSMODE", TYPINT, nullptr, 4, nullptr},  {"DETAILSREQI", TYPINT, nullptr, 4, nullptr},
    {"F_CPU_ALL_READ", TYPC, nullptr, 3, nullptr}, {"INTERVAL", TYPINT, nullptr, 4, nullptr},
    {"LASTCOLLINT", TYPINT, nullptr, 4, nullptr},  {"LASTCOLLWRT", TYPC, nullptr, 25, nullptr},
    {"NORMCOLLINT", TYPINT, nullptr, 4, nullptr},  {"OP_SYSTEM", TYPC, nullptr, 52, nullptr},
};
constexpr ParameterSpec kCpuAllTables[] = {
    {"TF_CPU_ALL", 0, &kCpuAll, 48, nullptr},
};

constexpr ParameterSpec kSystemInfoImporting[] = {
    {"CURRENT_RESOURCES", TYPINT, nullptr, 4, nullptr},
    {"DIALOG_USER_TYPE", TYPC, nullptr, 1, nullptr},
    {"MAXIMAL_RESOURCES", TYPINT, nullptr, 4, nullptr},
    {"RECOMMENDED_DELAY", TYPINT, nullptr, 4, nullptr},
    {"RFCSI_EXPORT", 0, &kRfcsi, 200, nullptr},
    {"RFC_LOGIN_COMPLETE", TYPC, nullptr, 1, nullptr},
};

constexpr ParameterSpec kOraMainListExporting[] = {
    {"ALL_INSTANCES", TYPC, nullptr, 1, " "},
    {"ORA_RELEASE", TYPC, nullptr, 7, "       "},
};
constexpr ParameterSpec kOraMainListImporting[] = {
    {"DBORA", 0, &kTst04, 916, nullptr},
    {"DBORA_GLOBAL", 0, &kGst04, 863, nullptr},
};
constexpr ParameterSpec kOraMainListTables[] = {
    {"DBORA_PER_INSTANCES", 0, &kTst04, 916, nullptr},
};

constexpr FunctionSpec kGetCpuAll = {"GET_CPU_ALL", kCpuAllExporting, kCpuAllImporting,
                                     kCpuAllTables};
constexpr FunctionSpec kRfcSystemInfo = {"RFC_SYSTEM_INFO", {}, kSystemInfoImporting, {}};
constexpr FunctionSpec kDbOraMainList = {"DB_ORA_MAIN_LIST", kOraMainListExporting,
                                         kOraMainListImporting, kOraMainListTables};

constexpr const StructureSpec* kStructures[] = {&kCpuAll, &kRfcsi, &kTst04, &kGst04};
constexpr const FunctionSpec* kFunctions[] = {&kGetCpuAll, &kRfcSystemInfo, &kDbOraMainList};

}  // namespace

const StructureSpec* FindStructure(std::string_view name) {
  for (const StructureSpec* s : kStructures) {
    if (name == s->name) return s;
  }
  return nullptr;
}

const FunctionSpec* FindFunction(std::string_view name) {
  for (const FunctionSpec* f : kFunctions) {
    if (name == f->name) return f;
  }
  return nullptr;
}

std::span<const FunctionSpec* const> AllFunctions() { return kFunctions; }

int FindElement(const StructureSpec& structure, std::string_view name) {
  for (std::size_t i = 0; i < structure.elements.size(); ++i) {
    if (name == structure.elements[i].name) return static_cast<int>(i);
  }
  return -1;
}

unsigned TypeAlignment(int type) {
  switch (type) {
    case TYPINT:
      return 4;
    case TYPINT2:
      return 2;
    case TYPFLOAT:
      return 8;
    default:
      return 1;
  }
}

unsigned ElementOffset(const StructureSpec& structure, int index) {
  // Records are built on every answer: lay each structure out only once.
  static std::map<const StructureSpec*, std::vector<unsigned>> offsets;
  std::vector<unsigned>& table = offsets[&structure];
  if (table.empty()) {
    unsigned offset = 0;
    for (const ElementSpec& e : structure.elements) {
      unsigned align = TypeAlignment(e.type);
      offset = (offset + align - 1) / align * align;
      table.push_back(offset);
      offset += e.length;
    }
  }
  return table[static_cast<std::size_t>(index)];
}

std::string TypeName(int type) {
  static constexpr const char* kNames[] = {"TYPC",   "TYPDATE", "TYPP",   "TYPTIME",
                                           "TYPX",   "TYPTABH", "TYPNUM", "TYPFLOAT",
                                           "TYPINT", "TYPINT2", "TYPINT1"};
  if (type >= 0 && type <= TYPINT1) return kNames[type];
  return std::to_string(type);
}

const ParameterSpec* FindParameter(std::span<const ParameterSpec> list, std::string_view name) {
  auto it = std::find_if(list.begin(), list.end(),
                         [&](const ParameterSpec& p) { return name == p.name; });
  return it == list.end() ? nullptr : &*it;
}

}  // namespace tidewarden::sim

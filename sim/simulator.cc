// The simulated RFC library: answers like SAP's classic RFC client library
// talking to the systems of the description file, and refuses, as a fatal
// library error, anything a real system would not accept from its caller.
#include "sim/simulator.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "sim/connect_string.h"

namespace tidewarden::sim {
namespace {

// Function module names, parameter names and element names are at most 30
// characters in the ABAP dictionary.
constexpr unsigned kMaxNameLength = 30;
// A list that does not end within this many entries lacks its end mark.
constexpr int kMaxListEntries = 64;
// Structure type handles start above every elementary type code, so that a
// type code passed where a structure is meant can never pass for one.
constexpr RFC_TYPEHANDLE kFirstStructureHandle = 101;

std::string Printable(std::string_view s) {
  std::string out;
  for (char c : s) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02X", u);
      out += buffer;
    } else {
      out += c;
    }
  }
  return out;
}

std::string Quote(const void* data, std::size_t size) {
  if (data == nullptr) return "null";
  return "\"" + Printable(std::string_view(static_cast<const char*>(data), size)) + "\"";
}

// A zero-terminated text of the caller, read at most `cap` characters far.
std::string CText(const char* p, std::size_t cap = 256) {
  if (p == nullptr) return std::string();
  std::size_t n = 0;
  while (n < cap && p[n] != '\0') ++n;
  return std::string(p, n);
}

std::string QuoteC(const char* p) { return p == nullptr ? "null" : Quote(p, CText(p).size()); }

void CopyText(char* target, std::size_t room, const std::string& text) {
  std::size_t n = std::min(room - 1, text.size());
  std::memcpy(target, text.data(), n);
  target[n] = '\0';
}

// What is wrong with element `i` of a structure install, "" when nothing:
// the messages are made only when needed, as every probe start installs
// some 140 elements.
std::string ElementProblem(const StructureSpec& spec, unsigned i, const RFC_TYPE_ELEMENT& e) {
  const ElementSpec& want = spec.elements[i];
  std::string element = CText(e.name, kMaxNameLength + 1);
  auto at = [&] { return "element " + std::to_string(i); };
  if (e.name == nullptr) return at() + ": the name is a null pointer";
  if (element != want.name) {
    return at() + " is " + Quote(element.data(), element.size()) + ", the dictionary has " +
           want.name;
  }
  auto named = [&] { return at() + " (" + element + ")"; };
  if (static_cast<int>(e.type) != want.type) {
    return named() + ": type " + TypeName(static_cast<int>(e.type)) + ", the dictionary has " +
           TypeName(want.type);
  }
  if (e.length != want.length) {
    return named() + ": length " + std::to_string(e.length) + ", the dictionary has " +
           std::to_string(want.length);
  }
  if (e.decimals != 0) {
    return named() + ": " + std::to_string(e.decimals) + " decimals, the dictionary has 0";
  }
  unsigned natural = ElementOffset(spec, static_cast<int>(i));
  if (e.offset != 0 && e.offset != natural) {
    return named() + ": offset " + std::to_string(e.offset) + ", the element lies at " +
           std::to_string(natural) + " (pass 0 to let the library align)";
  }
  return "";
}

// What a parameter and a table list share: it ends with an entry without
// name within kMaxListEntries, names are 1 to 30 characters, and each entry
// of `expected` comes once. `visit` logs an entry, `unknown` adds a hint to
// the message for a name not in the interface, `check` says what else is
// wrong with an entry; `noun` leads a name in the messages. Returns the
// first problem, "" when the list matches.
template <typename Entry, typename Visit, typename Unknown, typename Check>
std::string CheckList(const Entry* list, const std::string& prefix, const std::string& noun,
                      std::span<const ParameterSpec> expected, const Visit& visit,
                      const Unknown& unknown, const Check& check) {
  if (list == nullptr) {
    return prefix + "list is a null pointer (an empty list is one entry without name)";
  }
  std::vector<bool> seen(expected.size(), false);
  for (int i = 0;; ++i) {
    if (i == kMaxListEntries) {
      return prefix + "list has no end: no entry without name within " +
             std::to_string(kMaxListEntries);
    }
    const Entry& e = list[i];
    if (e.name == nullptr) break;
    if (e.nlen == 0 || e.nlen > kMaxNameLength) {
      return prefix + "entry " + std::to_string(i) + ": name length " + std::to_string(e.nlen) +
             " (names are 1 to 30 characters)";
    }
    std::string name(static_cast<const char*>(e.name), e.nlen);
    visit(e, name);
    const ParameterSpec* spec = FindParameter(expected, name);
    if (spec == nullptr) {
      return prefix + noun + Quote(name.data(), name.size()) + " is not in the interface" +
             unknown(e, name);
    }
    std::size_t index = static_cast<std::size_t>(spec - expected.data());
    if (seen[index]) return prefix + noun + name + " passed twice";
    seen[index] = true;
    std::string problem = check(e, name, *spec, prefix + noun + name);
    if (!problem.empty()) return problem;
  }
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (!seen[i]) return prefix + noun + expected[i].name + " missing";
  }
  return "";
}

}  // namespace

const System* Simulator::CurrentSystem() const {
  auto it = connections_.find(last_opened_);
  return it == connections_.end() ? nullptr : it->second.system;
}

const Fault* Simulator::FaultFor(const System* system, const std::string& target,
                                 const std::string& object) const {
  if (system == nullptr) return nullptr;
  auto it = system->faults.find(target);
  if (it == system->faults.end()) return nullptr;
  if (!it->second.object.empty() && it->second.object != object) return nullptr;
  return &it->second;
}

bool Simulator::ResourceFault(const char* target, const std::string& object,
                              const std::string& operation, const char* status,
                              const std::string& message, const char* result) {
  const Fault* fault = FaultFor(CurrentSystem(), target, object);
  if (fault == nullptr) return false;
  Fail(operation,
       ErrorInfo{"RFC_ERROR_RESOURCE", status, fault->message.empty() ? message : fault->message,
                 "simulated fault"},
       operation, false);
  Log(std::string("  -> ") + result);
  return true;
}

void Simulator::WriteTrace(const std::vector<std::string>& lines) {
  std::FILE* file = std::fopen(PathOf(kTraceFileName).c_str(), "ab");
  if (file == nullptr) return;
  for (const std::string& line : lines) {
    std::fputs(line.c_str(), file);
    std::fputc('\n', file);
  }
  std::fclose(file);
}

// Every process that opens a connection says in the trace file what it talks
// to, so that figures from this library can never pass for a real system's.
// The line matches none of the tests by which callers look for error texts.
void Simulator::WriteNote() {
  std::vector<std::string> lines;
  if (!note_written_) {
    note_written_ = true;
    lines.push_back("**** Trace file opened at " + TraceStamp() +
                    ", Tidewarden SIMULATED RFC library (not SAP's): it serves only the systems "
                    "listed in " +
                    kDescriptionFileName);
  }
  // Problems of the description, once, as soon as it has been read.
  if (description() != nullptr && !errors_written_) {
    errors_written_ = true;
    for (const std::string& error : description()->errors) lines.push_back("     " + error);
  }
  if (!lines.empty()) WriteTrace(lines);
}

std::string Simulator::TraceStamp() const {
  CivilTime t = ToCivil(Now(), false);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d %02d%02d%02d", t.year % 10000, t.month, t.day,
                t.hour, t.minute, t.second);
  return stamp;
}

void Simulator::TraceError(const std::string& location, const std::string& message) {
  WriteNote();
  std::string text = Printable(message);
  WriteTrace({"**** ERROR file opened at " + TraceStamp() + ", Tidewarden simulated RFC library",
              "LOCATION    " + Printable(location), "ERROR       " + text,
              "TIME        " + CollectorTimestamp(ToCivil(Now(), false)),
              "T:SIM  ======> " + text});
}

RFC_RC Simulator::Fail(const std::string& operation, const ErrorInfo& error,
                       const std::string& location, bool fatal) {
  last_error_ = error;
  TraceError(location, error.message);
  Log("  -> " + std::string(fatal ? "FATAL " : "") + "error " + error.key + ": " +
      Printable(error.message));
  if (!fatal) return RFC_FAILURE;
  if (handler_ != nullptr) {
    // The handler receives a text of its own: it may keep or change it.
    char buffer[256];
    CopyText(buffer, sizeof buffer, operation);
    handler_(buffer);
    Log("  (the error handler returned into the library)");
    return RFC_FAILURE;
  }
  std::fprintf(stderr,
               "Tidewarden simulated RFC library: fatal error in %s: %s\n"
               "(no error handler installed with RfcEnvironment; the process ends)\n",
               operation.c_str(), Printable(error.message).c_str());
  std::fflush(stderr);
  std::exit(1);
}

RFC_RC Simulator::Violation(const std::string& operation, const std::string& message) {
  ErrorInfo error{"RFC_ERROR_PROGRAM", "invalid call", message,
                  "simulated system " + SystemLabel(CurrentSystem()) + ": caller error"};
  return Fail(operation, error, operation + ", check of what the caller passed", true);
}

void Simulator::Environment(RFC_ENV* environment) {
  EnsureDescription();
  if (environment == nullptr) {
    Log("RfcEnvironment environment=null");
    Violation("RfcEnvironment", "RfcEnvironment: the environment record is a null pointer");
    return;
  }
  Log(std::string("RfcEnvironment errorhandler=") +
      (environment->errorhandler != nullptr ? "set" : "null") +
      " allocate=" + (environment->allocate != nullptr ? "set" : "null"));
  handler_ = environment->errorhandler;
}

RFC_HANDLE Simulator::FailOpen(const std::string& key, const std::string& message,
                               const std::string& location, RFC_ERROR_INFO_EX* error_info) {
  Fail("RfcOpen", ErrorInfo{key, "logon refused", message, location}, location, false);
  if (error_info != nullptr) {
    std::memset(error_info, 0, sizeof *error_info);
    error_info->group = key == "RFC_ERROR_LOGON_FAILURE" ? 3 : 2;
    CopyText(error_info->key, sizeof error_info->key, key);
    CopyText(error_info->message, sizeof error_info->message, message);
  }
  return 0;
}

RFC_HANDLE Simulator::FinishOpen(const System* system, const std::string& client,
                                 const std::string& user, const std::string& password,
                                 const std::string& language, RFC_ERROR_INFO_EX* error_info) {
  std::string location = LogonLocation(*system);
  auto delay = system->delays.find("open");
  if (delay != system->delays.end()) {
    Log("  (delay " + Seconds(delay->second) + " s)");
    Sleep(delay->second);
  }
  if (const Fault* fault = FaultFor(system, "open", "")) {
    std::string message = OpenFaultMessage(*fault, *system);
    if (fault->kind == Fault::Kind::kFatal) {
      Fail("RfcOpen", ErrorInfo{"RFC_ERROR_COMMUNICATION", "connection broken", message, location},
           location, true);
      return 0;
    }
    return FailOpen("RFC_ERROR_COMMUNICATION", message, location, error_info);
  }
  std::string match;
  std::string refusal = CheckLogon(*system, client, user, password, language, &match);
  if (!refusal.empty()) return FailOpen("RFC_ERROR_LOGON_FAILURE", refusal, location, error_info);
  RFC_HANDLE handle = 1;
  while (connections_.count(handle) != 0) ++handle;
  connections_[handle].system = system;
  last_opened_ = handle;
  Log("  -> handle " + std::to_string(handle) + " " + SystemLabel(system) + ", password " + match);
  return handle;
}

RFC_HANDLE Simulator::Open(RFC_OPTIONS* options) {
  const Description* description = EnsureDescription();
  if (options == nullptr) {
    Log("RfcOpen options=null");
    Violation("RfcOpen", "RfcOpen: the options record is a null pointer");
    return 0;
  }
  std::string line =
      "RfcOpen destination=" + QuoteC(options->destination) +
      " mode=" + std::to_string(options->mode) + " client=" + QuoteC(options->client) +
      " user=" + QuoteC(options->user) + " password=" +
      (options->password == nullptr
           ? std::string("null")
           : "<" + std::to_string(CText(options->password).size()) + " characters>") +
      " language=" + QuoteC(options->language) + " trace=" + std::to_string(options->trace);
  const bool mode_known = options->mode == RFC_MODE_R3ONLY || options->mode == RFC_MODE_CPIC;
  if (!mode_known || options->connopt == nullptr) {
    Log(line);
    Violation("RfcOpen", mode_known ? "RfcOpen: the connection options (connopt) are a null pointer"
                                    : "RfcOpen: mode " + std::to_string(options->mode) +
                                          " is neither 0 (R/3) nor 1 (CPIC, R/2)");
    return 0;
  }
  std::string host;
  int sysnr = 0;
  std::string gwhost, gwservice;
  const bool by_host = options->mode == RFC_MODE_R3ONLY;
  if (by_host) {
    auto* r3 = static_cast<RFC_CONNOPT_R3*>(options->connopt);
    line += " R3.hostname=" + QuoteC(r3->hostname) + " R3.sysnr=" + std::to_string(r3->sysnr) +
            " R3.gateway_host=" + QuoteC(r3->gateway_host) +
            " R3.gateway_service=" + QuoteC(r3->gateway_service);
    host = CText(r3->hostname);
    sysnr = r3->sysnr;
  } else {
    auto* cpic = static_cast<RFC_CONNOPT_CPIC*>(options->connopt);
    line += " CPIC.gateway_host=" + QuoteC(cpic->gateway_host) +
            " CPIC.gateway_service=" + QuoteC(cpic->gateway_service);
    gwhost = CText(cpic->gateway_host);
    gwservice = CText(cpic->gateway_service);
  }
  Log(line);
  WriteNote();
  if (description == nullptr) {
    return FailOpen("RFC_ERROR_COMMUNICATION", NoSystemServed(), "RfcOpen", nullptr);
  }
  if (by_host ? host.empty() : gwhost.empty()) {
    return FailOpen(
        "RFC_ERROR_COMMUNICATION",
        by_host ? "no host name given" : "no gateway host given for the CPIC connection", "RfcOpen",
        nullptr);
  }
  const System* system = by_host ? description->FindByHost(host, sysnr)
                                 : description->FindByGateway(gwhost, gwservice);
  if (system == nullptr) {
    return FailOpen("RFC_ERROR_COMMUNICATION",
                    (by_host ? "partner " + host + " system number " + std::to_string(sysnr)
                             : "partner gateway " + gwhost + "/" + gwservice) +
                        " not reached (host unknown)",
                    by_host ? "RfcOpen to " + host : "RfcOpen to gateway " + gwhost, nullptr);
  }
  return FinishOpen(system, CText(options->client), CText(options->user), CText(options->password),
                    CText(options->language), nullptr);
}

std::string Simulator::ReadDestination(const std::string& dest, IniDestination* entry) {
  std::string text;
  if (!ReadWholeFile(PathOf(kSapRfcIniFileName), &text)) {
    return std::string(kSapRfcIniFileName) + " not found for destination " + dest;
  }
  std::string error;
  if (!FindIniDestination(text, dest, entry, &error)) return error;
  Log("  SapRfc.ini line " + std::to_string(entry->line) + ": DEST=" + entry->Get("DEST") +
      " TYPE=" + entry->Get("TYPE") + " ASHOST=" + entry->Get("ASHOST") +
      " SYSNR=" + entry->Get("SYSNR"));
  return "";
}

RFC_HANDLE Simulator::OpenEx(char* connect_param, RFC_ERROR_INFO_EX* error_info) {
  const Description* description = EnsureDescription();
  if (connect_param == nullptr) {
    Log("RfcOpenEx connect_param=null");
    Violation("RfcOpenEx", "RfcOpenEx: the connect string is a null pointer");
    return 0;
  }
  ConnectString cs = ParseConnectString(CText(connect_param, 2048));
  Log("RfcOpenEx connect_param=\"" + Printable(cs.masked) + "\"" +
      (error_info == nullptr ? " error_info=null" : ""));
  WriteNote();
  if (!cs.error.empty()) return FailOpen("RFC_ERROR_PROGRAM", cs.error, "RfcOpenEx", error_info);
  if (description == nullptr) {
    return FailOpen("RFC_ERROR_COMMUNICATION", NoSystemServed(), "RfcOpenEx", error_info);
  }
  auto get = [&](const char* key) {
    auto it = cs.values.find(key);
    return it == cs.values.end() ? std::string() : it->second;
  };
  std::string type = get("TYPE");
  std::string host = get("ASHOST");
  std::string sysnr_text = get("SYSNR");
  std::string where = "connect string";
  std::string dest = get("DEST");
  if (!dest.empty()) {
    IniDestination entry;
    if (std::string error = ReadDestination(dest, &entry); !error.empty()) {
      return FailOpen("RFC_ERROR_PROGRAM", error, "RfcOpenEx", error_info);
    }
    type = entry.Get("TYPE");
    host = entry.Get("ASHOST");
    sysnr_text = entry.Get("SYSNR");
    where = std::string(kSapRfcIniFileName) + " entry " + dest;
    if (type.empty()) {
      return FailOpen("RFC_ERROR_PROGRAM", "no TYPE= in " + where, "RfcOpenEx", error_info);
    }
  }
  if (!type.empty() && Upper(type) != "A") {
    return FailOpen(
        "RFC_ERROR_PROGRAM",
        "TYPE=" + type + " in " + where + ": only TYPE=A (application server) is served",
        "RfcOpenEx", error_info);
  }
  if (host.empty()) {
    return FailOpen("RFC_ERROR_PROGRAM", "no ASHOST= in " + where, "RfcOpenEx", error_info);
  }
  bool sysnr_ok = !sysnr_text.empty() && sysnr_text.size() <= 2 &&
                  std::all_of(sysnr_text.begin(), sysnr_text.end(),
                              [](char c) { return c >= '0' && c <= '9'; });
  if (!sysnr_ok) {
    return FailOpen("RFC_ERROR_PROGRAM",
                    "SYSNR=" + sysnr_text + " in " + where + " is no system number 00 to 99",
                    "RfcOpenEx", error_info);
  }
  int sysnr = std::stoi(sysnr_text);
  const System* system = description->FindByHost(host, sysnr);
  if (system == nullptr) {
    return FailOpen(
        "RFC_ERROR_COMMUNICATION",
        "partner " + host + " system number " + sysnr_text + " not reached (host unknown)",
        "RfcOpenEx to " + host, error_info);
  }
  return FinishOpen(system, get("CLIENT"), get("USER"), get("PASSWD"), get("LANG"), error_info);
}

void Simulator::Close(RFC_HANDLE handle) {
  if (handle == 0) {
    Log("RfcClose handle=0 (all: " + std::to_string(connections_.size()) + " open)");
    connections_.clear();
    return;
  }
  bool open = connections_.erase(handle) != 0;
  Log("RfcClose handle=" + std::to_string(handle) + (open ? "" : " (not open)"));
}

int Simulator::LastError(RFC_ERROR_INFO* error_info) {
  Log(std::string("RfcLastError") + (last_error_ ? "" : " (no error so far)"));
  if (error_info == nullptr) return 1;
  std::memset(error_info, 0, sizeof *error_info);
  if (!last_error_) return 1;
  CopyText(error_info->key, sizeof error_info->key, last_error_->key);
  CopyText(error_info->status, sizeof error_info->status, last_error_->status);
  CopyText(error_info->message, sizeof error_info->message, Printable(last_error_->message));
  CopyText(error_info->intstat, sizeof error_info->intstat, last_error_->intstat);
  return 0;
}

RFC_RC Simulator::InstallStructure(char* name, RFC_TYPE_ELEMENT* elements, unsigned entries,
                                   RFC_TYPEHANDLE* type_handle) {
  EnsureDescription();
  std::string structure_name = CText(name, kMaxNameLength + 1);
  Log("RfcInstallStructure name=" + QuoteC(name) + " entries=" + std::to_string(entries));
  std::string operation = "RfcInstallStructure " + structure_name;
  auto violation = [&](const std::string& message) {
    return Violation(operation,
                     "RfcInstallStructure " + Printable(structure_name) + ": " + message);
  };
  if (name == nullptr) return violation("the structure name is a null pointer");
  if (type_handle == nullptr) return violation("the place for the type handle is a null pointer");
  if (elements == nullptr) return violation("the element list is a null pointer");
  const StructureSpec* spec = FindStructure(structure_name);
  if (spec == nullptr) {
    return violation("no such structure in the system's dictionary (CPU_ALL, RFCSI, TST04, GST04)");
  }
  if (entries != spec->elements.size()) {
    return violation(std::to_string(entries) + " elements passed, the structure has " +
                     std::to_string(spec->elements.size()));
  }
  for (unsigned i = 0; i < entries; ++i) {
    if (std::string problem = ElementProblem(*spec, i, elements[i]); !problem.empty()) {
      return violation(problem);
    }
  }
  if (ResourceFault("RfcInstallStructure", structure_name, operation, "install failed",
                    "structure " + structure_name + " cannot be installed", "1")) {
    return RFC_FAILURE;
  }
  auto [it, inserted] = structures_.try_emplace(
      spec->name, kFirstStructureHandle + static_cast<RFC_TYPEHANDLE>(structures_.size()));
  *type_handle = it->second;
  Log("  -> 0 type handle " + std::to_string(it->second) + (inserted ? "" : " (installed again)"));
  return RFC_OK;
}

ITAB_H Simulator::Create(char* name, unsigned leng, unsigned occu, unsigned memo) {
  EnsureDescription();
  std::string table_name = CText(name, kMaxNameLength + 1);
  Log("ItCreate name=" + QuoteC(name) + " leng=" + std::to_string(leng) +
      " occu=" + std::to_string(occu) + " memo=" + std::to_string(memo));
  std::string operation = "ItCreate " + table_name;
  if (name == nullptr) {
    Violation(operation, "ItCreate: the table name is a null pointer");
    return nullptr;
  }
  if (leng == 0) {
    Violation(operation, "ItCreate " + Printable(table_name) + ": row length 0");
    return nullptr;
  }
  for (const FunctionSpec* f : AllFunctions()) {
    const ParameterSpec* t = FindParameter(f->tables, table_name);
    if (t != nullptr && t->length != leng) {
      Violation(operation, "ItCreate " + table_name + ": row length " + std::to_string(leng) +
                               ", rows of " + t->structure->name + " are " +
                               std::to_string(t->length) + " bytes");
      return nullptr;
    }
  }
  if (ResourceFault("ItCreate", table_name, operation, "no memory",
                    "no memory for table " + table_name, "NULL")) {
    return nullptr;
  }
  std::uintptr_t id = 1;
  while (tables_.count(id) != 0) ++id;
  tables_[id] = Table{table_name, leng, {}};
  Log("  -> table " + std::to_string(id));
  return reinterpret_cast<ITAB_H>(id);
}

int Simulator::Delete(ITAB_H table) {
  EnsureDescription();
  auto id = reinterpret_cast<std::uintptr_t>(table);
  Log("ItDelete table=" + std::to_string(id));
  auto it = tables_.find(id);
  if (it == tables_.end()) {
    Violation("ItDelete", "ItDelete: " + std::to_string(id) +
                              " is no table of ItCreate (never created, or deleted before)");
    return 1;
  }
  std::string operation = "ItDelete " + it->second.name;
  if (ResourceFault("ItDelete", it->second.name, operation, "free failed",
                    "table " + it->second.name + " cannot be freed", "1")) {
    return 1;
  }
  tables_.erase(it);
  Log("  -> 0");
  return 0;
}

long Simulator::TableRows(ITAB_H table) const {
  auto it = tables_.find(reinterpret_cast<std::uintptr_t>(table));
  return it == tables_.end() ? -1 : static_cast<long>(it->second.rows.size());
}

std::string Simulator::CheckType(const std::string& what, const ParameterSpec& spec,
                                 RFC_TYPEHANDLE type) const {
  if (spec.structure == nullptr) {
    if (static_cast<int>(type) == spec.type) return "";
    return what + ": type " + TypeName(static_cast<int>(type)) + ", the function module expects " +
           TypeName(spec.type);
  }
  auto it = structures_.find(spec.structure->name);
  if (it == structures_.end()) {
    return what + ": type " + TypeName(static_cast<int>(type)) + ", the function module expects " +
           "structure " + spec.structure->name + ", which was never installed";
  }
  if (type == it->second) return "";
  std::string passed = "type " + TypeName(static_cast<int>(type));
  for (const auto& [name, handle] : structures_) {
    if (handle == type) passed = "the type handle of structure " + name;
  }
  return what + ": " + passed + ", the function module expects structure " + spec.structure->name +
         " (type handle " + std::to_string(it->second) + ")";
}

std::string Simulator::CheckParameters(const FunctionSpec& function, const char* direction,
                                       std::span<const ParameterSpec> expected, RFC_PARAMETER* list,
                                       bool check_values, std::vector<std::string>* log) {
  auto visit = [&](const RFC_PARAMETER& p, const std::string& name) {
    std::string entry =
        direction + std::string(" ") + Printable(name) + " nlen=" + std::to_string(p.nlen) +
        " type=" + TypeName(static_cast<int>(p.type)) + " leng=" + std::to_string(p.leng);
    // The value as far as the interface allows: a wrong length is refused below.
    if (check_values) entry += " value=" + Quote(p.addr, std::min(p.leng, 256u));
    log->push_back("  " + entry);
  };
  auto unknown = [&](const RFC_PARAMETER& p, const std::string& name) {
    std::string trimmed = TrimRight(std::string(name.c_str()));
    if (FindParameter(expected, trimmed) == nullptr) return std::string();
    return " (name length " + std::to_string(p.nlen) + " for " + trimmed + ", which has " +
           std::to_string(trimmed.size()) + ")";
  };
  auto check = [&](const RFC_PARAMETER& p, const std::string&, const ParameterSpec& spec,
                   const std::string& what) {
    std::string type_error = CheckType(what, spec, p.type);
    if (!type_error.empty()) return type_error;
    if (p.leng != spec.length) {
      return what + ": length " + std::to_string(p.leng) + ", the function module expects " +
             std::to_string(spec.length);
    }
    if (p.addr == nullptr) return what + ": the buffer address is a null pointer";
    if (check_values && spec.value != nullptr &&
        std::memcmp(p.addr, spec.value, spec.length) != 0) {
      return what + ": value " + Quote(p.addr, p.leng) + ", the system expects " +
             Quote(spec.value, spec.length);
    }
    return std::string();
  };
  return CheckList(list, std::string(function.name) + ": " + direction + " ", "parameter ",
                   expected, visit, unknown, check);
}

std::string Simulator::CheckTables(const FunctionSpec& function, RFC_TABLE* list,
                                   std::vector<TableEntry>* entries,
                                   std::vector<std::string>* log) {
  auto visit = [&](const RFC_TABLE& t, const std::string& name) {
    log->push_back("  table " + Printable(name) + " nlen=" + std::to_string(t.nlen) +
                   " type=" + std::to_string(t.type) + " leng=" + std::to_string(t.leng) +
                   " ithandle=" + std::to_string(reinterpret_cast<std::uintptr_t>(t.ithandle)) +
                   " itmode=" + std::to_string(t.itmode) + " newitab=" + std::to_string(t.newitab));
  };
  auto unknown = [](const RFC_TABLE&, const std::string&) { return std::string(); };
  auto check = [&](const RFC_TABLE& t, const std::string& name, const ParameterSpec& spec,
                   const std::string& what) {
    std::string type_error = CheckType(what, spec, t.type);
    if (!type_error.empty()) return type_error;
    if (t.leng != spec.length) {
      return what + ": row length " + std::to_string(t.leng) + ", rows of " + spec.structure->name +
             " are " + std::to_string(spec.length) + " bytes";
    }
    auto id = reinterpret_cast<std::uintptr_t>(t.ithandle);
    auto table = tables_.find(id);
    if (table == tables_.end())
      return what + ": handle " + std::to_string(id) + " is no table of ItCreate";
    if (table->second.leng != t.leng) {
      return what + ": the table was created with row length " +
             std::to_string(table->second.leng) + ", the entry says " + std::to_string(t.leng);
    }
    if (t.itmode != RFC_ITMODE_BYREFERENCE) {
      return what + ": itmode " + std::to_string(t.itmode) +
             ", a table passed by handle takes 0 (by reference)";
    }
    if (t.newitab != 0) {
      return what + ": newitab " + std::to_string(t.newitab) + ", a table passed by handle takes 0";
    }
    entries->push_back(TableEntry{name, t.nlen, t.type, t.leng, t.ithandle, t.itmode, t.newitab});
    return std::string();
  };
  return CheckList(list, std::string(function.name) + ": table ", "", function.tables, visit,
                   unknown, check);
}

RFC_RC Simulator::CallFault(Connection& c, const FunctionSpec& spec, const Fault& fault) {
  const std::string operation = std::string("RfcCall ") + spec.name;
  auto delay = c.system->delays.find(spec.name);
  if (delay != c.system->delays.end()) Sleep(delay->second);
  std::string message = fault.message.empty()
                            ? std::string("connection to partner broken while sending ") + spec.name
                            : fault.message;
  std::string location = operation + " to " + SystemLabel(c.system);
  c.broken = true;
  if (fault.kind == Fault::Kind::kFatal) {
    return Fail(operation,
                ErrorInfo{"RFC_ERROR_COMMUNICATION", "connection broken", message, location},
                location, true);
  }
  Fail(operation, ErrorInfo{"RFC_ERROR_COMMUNICATION", "call failed", message, location}, location,
       false);
  Log("  -> " + std::to_string(fault.code));
  return fault.code;
}

RFC_RC Simulator::Call(RFC_HANDLE handle, char* function, RFC_PARAMETER* parameters,
                       RFC_TABLE* tables) {
  EnsureDescription();
  std::string function_name = CText(function, kMaxNameLength + 1);
  Log("RfcCall handle=" + std::to_string(handle) + " function=" + QuoteC(function));
  std::string operation = "RfcCall " + function_name;
  auto connection = connections_.find(handle);
  if (connection == connections_.end()) {
    return Violation(operation,
                     "RfcCall: handle " + std::to_string(handle) + " is no open connection");
  }
  Connection& c = connection->second;
  if (c.pending != nullptr) {
    std::string pending = c.pending->name;
    c.pending = nullptr;
    return Violation(operation, "RfcCall " + function_name + ": the answer of " + pending +
                                    " on handle " + std::to_string(handle) +
                                    " was never received (RfcReceive)");
  }
  const FunctionSpec* spec = function == nullptr ? nullptr : FindFunction(function_name);
  if (spec == nullptr) {
    return Violation(operation, "RfcCall: function module " + QuoteC(function) +
                                    " does not exist in " + SystemLabel(c.system));
  }
  std::vector<std::string> details;
  std::vector<TableEntry> entries;
  std::string error =
      CheckParameters(*spec, "exporting", spec->exporting, parameters, true, &details);
  if (error.empty()) error = CheckTables(*spec, tables, &entries, &details);
  for (const std::string& line : details) Log(line);
  if (!error.empty()) {
    return Violation(operation, error);
  }
  const System* system = c.system;
  if (c.broken) {
    Fail(operation,
         ErrorInfo{"RFC_ERROR_COMMUNICATION", "connection closed",
                   "connection to partner was closed by an earlier failure", SystemLabel(system)},
         "RfcCall " + function_name + " on handle " + std::to_string(handle), false);
    Log("  -> 1");
    return RFC_FAILURE;
  }
  const Fault* fault = FaultFor(system, spec->name, "");
  if (fault != nullptr && fault->at_call) return CallFault(c, *spec, *fault);
  c.pending = spec;
  c.pending_tables = std::move(entries);
  Log("  -> 0");
  return RFC_OK;
}

RFC_RC Simulator::ReceiveFault(Connection& c, const FunctionSpec& spec, const Fault& fault,
                               char** exception) {
  const std::string operation = std::string("RfcReceive ") + spec.name;
  std::string location = std::string("RfcReceive ") + spec.name + " from " + SystemLabel(c.system);
  std::string message = fault.message;
  std::string key = "RFC_ERROR_COMMUNICATION";
  switch (fault.kind) {
    case Fault::Kind::kException:
      key = "RFC_ERROR_APPLICATION_EXCEPTION";
      if (message.empty()) {
        message = std::string("function module ") + spec.name + " raised exception " + fault.name;
      }
      break;
    case Fault::Kind::kSysException:
      key = "RFC_ERROR_SYSTEM_FAILURE";
      if (message.empty()) message = std::string("ABAP runtime error in ") + spec.name;
      break;
    default:
      if (message.empty()) message = "connection to partner broken while receiving";
      break;
  }
  if (fault.kind != Fault::Kind::kException) c.broken = true;
  if (fault.kind == Fault::Kind::kFatal) {
    return Fail(operation, ErrorInfo{key, "connection broken", message, location}, location, true);
  }
  Fail(operation, ErrorInfo{key, "call failed", message, location}, location, false);
  if (fault.kind == Fault::Kind::kException || fault.kind == Fault::Kind::kSysException) {
    exception_ = fault.name;
    *exception = exception_.data();
    Log("  -> " + std::to_string(fault.code) + " exception " + fault.name);
  } else {
    Log("  -> " + std::to_string(fault.code));
  }
  return fault.code;
}

RFC_RC Simulator::Receive(RFC_HANDLE handle, RFC_PARAMETER* parameters, RFC_TABLE* tables,
                          char** exception) {
  EnsureDescription();
  Log("RfcReceive handle=" + std::to_string(handle));
  auto connection = connections_.find(handle);
  if (connection == connections_.end()) {
    return Violation("RfcReceive",
                     "RfcReceive: handle " + std::to_string(handle) + " is no open connection");
  }
  Connection& c = connection->second;
  if (c.pending == nullptr) {
    return Violation("RfcReceive", "RfcReceive on handle " + std::to_string(handle) +
                                       " without a call (RfcCall) before it");
  }
  const FunctionSpec& spec = *c.pending;
  std::vector<TableEntry> called_tables = std::move(c.pending_tables);
  c.pending = nullptr;
  std::string operation = std::string("RfcReceive ") + spec.name;
  if (exception == nullptr) {
    return Violation(operation, operation + ": the place for the exception name is a null pointer");
  }
  std::vector<std::string> details;
  std::vector<TableEntry> entries;
  std::string error =
      CheckParameters(spec, "importing", spec.importing, parameters, false, &details);
  if (error.empty()) error = CheckTables(spec, tables, &entries, &details);
  if (error.empty() && entries != called_tables) {
    error = std::string(spec.name) + ": the table list differs from the one passed to RfcCall";
  }
  for (const std::string& line : details) Log(line);
  if (!error.empty()) {
    return Violation(operation, error);
  }
  const System& system = *c.system;
  auto delay = system.delays.find(spec.name);
  if (delay != system.delays.end()) {
    Log("  (delay " + Seconds(delay->second) + " s)");
    Sleep(delay->second);
  }
  *exception = nullptr;
  const Fault* fault = FaultFor(&system, spec.name, "");
  if (fault != nullptr && !fault->at_call) return ReceiveFault(c, spec, *fault, exception);
  WriteAnswers(system, spec, parameters, entries);
  Log("  -> 0");
  return RFC_OK;
}

std::string Simulator::BuildRecord(const System& system, const StructureSpec& structure) const {
  // The description's keys of the elements, made once per structure.
  static std::map<const StructureSpec*, std::vector<std::string>> all_keys;
  std::vector<std::string>& keys = all_keys[&structure];
  if (keys.empty()) {
    for (const ElementSpec& e : structure.elements) {
      keys.push_back(std::string(structure.name) + "." + e.name);
    }
  }
  std::string record(structure.row_length, '\0');
  std::int64_t now = Now();
  for (std::size_t i = 0; i < structure.elements.size(); ++i) {
    const ElementSpec& e = structure.elements[i];
    unsigned offset = ElementOffset(structure, static_cast<int>(i));
    Value value = AnswerValue(system, keys[i], e.type);
    if (e.type == TYPINT || e.type == TYPINT2) {
      auto n = static_cast<std::uint32_t>(NumberAt(value, system.epoch, now));
      if (e.type == TYPINT) {
        std::int32_t v = static_cast<std::int32_t>(n);
        std::memcpy(&record[offset], &v, sizeof v);
      } else {
        std::int16_t v = static_cast<std::int16_t>(n);
        std::memcpy(&record[offset], &v, sizeof v);
      }
    } else {
      std::string text = FormatValue(value, e.type, e.length, system.numbers, system.epoch, now);
      std::memcpy(&record[offset], text.data(), e.length);
    }
  }
  return record;
}

void Simulator::WriteAnswers(const System& system, const FunctionSpec& function,
                             RFC_PARAMETER* list, const std::vector<TableEntry>& tables) {
  std::int64_t now = Now();
  for (int i = 0; list[i].name != nullptr; ++i) {
    RFC_PARAMETER& p = list[i];
    std::string name(static_cast<const char*>(p.name), p.nlen);
    const ParameterSpec* spec = FindParameter(function.importing, name);
    if (spec->structure != nullptr) {
      std::string record = BuildRecord(system, *spec->structure);
      std::memcpy(p.addr, record.data(), spec->length);
      continue;
    }
    std::string key = std::string(function.name) + "." + spec->name;
    Value value = AnswerValue(system, key, spec->type);
    if (spec->type == TYPINT) {
      auto v =
          static_cast<std::int32_t>(static_cast<std::uint32_t>(NumberAt(value, system.epoch, now)));
      std::memcpy(p.addr, &v, sizeof v);
    } else {
      std::string text =
          FormatValue(value, spec->type, spec->length, system.numbers, system.epoch, now);
      std::memcpy(p.addr, text.data(), spec->length);
    }
  }
  for (const TableEntry& entry : tables) {
    Table& table = tables_[reinterpret_cast<std::uintptr_t>(entry.ithandle)];
    const ParameterSpec* spec = FindParameter(function.tables, entry.name);
    table.rows.assign(1, BuildRecord(system, *spec->structure));
  }
}

namespace {
Simulator* instance = nullptr;
}  // namespace

Simulator& TheSimulator() {
  if (instance == nullptr) instance = new Simulator;
  return *instance;
}

void ResetSimulator() {
  delete instance;
  instance = new Simulator;
  instance->keep_call_log = true;
}

}  // namespace tidewarden::sim

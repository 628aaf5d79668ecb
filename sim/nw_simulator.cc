// The simulated NetWeaver RFC library: logon by parameters, function
// modules by name through cached descriptions and data containers, faults
// in the library's result codes, and checks of everything the caller must
// get right (character counts, handle lifetimes, one thread per connection).
#include "sim/nw_simulator.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "rfc/classic/saprfc.h"

namespace tidewarden::sim {
namespace {

using nwrfc::RFC_RC;
using nwrfc::SAP_UC;

// Names are read at most this far, for a caller that forgot the terminator.
constexpr std::size_t kMaxNameChars = 256;
constexpr std::size_t kMaxValueChars = 4096;

// Handles carry their kind in the low bits and a number never used twice,
// so that a stale or mixed-up handle is always recognised.
enum class Kind : std::uint64_t { kConnection = 1, kDescription, kFunction, kStructure };

template <typename Handle>
Handle MakeHandle(Kind kind, std::uint64_t id) {
  return reinterpret_cast<Handle>(static_cast<std::uintptr_t>(id << 4 | static_cast<int>(kind)));
}

template <typename Handle>
std::uint64_t IdOf(Handle handle, Kind kind) {
  auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(handle));
  return (value & 15) == static_cast<std::uint64_t>(kind) ? value >> 4 : 0;
}

// Code points 0 to 255 are the caller's bytes; others cannot come from the
// probe and show as "?".
std::string ToLatin1(const SAP_UC* text, std::size_t length) {
  std::string out;
  out.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    out += text[i] < 256 ? static_cast<char>(text[i]) : '?';
  }
  return out;
}

std::string CText(const SAP_UC* text, std::size_t cap = kMaxNameChars) {
  if (text == nullptr) return std::string();
  std::size_t n = 0;
  while (n < cap && text[n] != 0) ++n;
  return ToLatin1(text, n);
}

std::u16string FromLatin1(const std::string& text) {
  std::u16string out;
  for (char c : text) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

template <std::size_t N>
void CopyText(SAP_UC (&target)[N], const std::string& text) {
  std::size_t n = std::min(N - 1, text.size());
  for (std::size_t i = 0; i < n; ++i) target[i] = static_cast<unsigned char>(text[i]);
  target[n] = 0;
}

const char* const kRcNames[] = {"RFC_OK",
                                "RFC_COMMUNICATION_FAILURE",
                                "RFC_LOGON_FAILURE",
                                "RFC_ABAP_RUNTIME_FAILURE",
                                "RFC_ABAP_MESSAGE",
                                "RFC_ABAP_EXCEPTION",
                                "RFC_CLOSED",
                                "RFC_CANCELED",
                                "RFC_TIMEOUT",
                                "RFC_MEMORY_INSUFFICIENT",
                                "RFC_VERSION_MISMATCH",
                                "RFC_INVALID_PROTOCOL",
                                "RFC_SERIALIZATION_FAILURE",
                                "RFC_INVALID_HANDLE",
                                "RFC_RETRY",
                                "RFC_EXTERNAL_FAILURE",
                                "RFC_EXECUTED",
                                "RFC_NOT_FOUND",
                                "RFC_NOT_SUPPORTED",
                                "RFC_ILLEGAL_STATE",
                                "RFC_INVALID_PARAMETER",
                                "RFC_CODEPAGE_CONVERSION_FAILURE",
                                "RFC_CONVERSION_FAILURE",
                                "RFC_BUFFER_TOO_SMALL",
                                "RFC_TABLE_MOVE_BOF",
                                "RFC_TABLE_MOVE_EOF",
                                "RFC_START_SAPGUI_FAILURE",
                                "RFC_ABAP_CLASS_EXCEPTION",
                                "RFC_UNKNOWN_ERROR",
                                "RFC_AUTHORIZATION_FAILURE",
                                "RFC_AUTHENTICATION_FAILURE",
                                "RFC_CRYPTOLIB_FAILURE",
                                "RFC_IO_FAILURE",
                                "RFC_LOCKING_FAILURE"};
constexpr int kRcCount = sizeof kRcNames / sizeof kRcNames[0];

std::string RcName(RFC_RC rc) {
  return rc >= 0 && rc < kRcCount ? kRcNames[rc] : "RFC_RC " + std::to_string(static_cast<int>(rc));
}

// A library-side failure: the key is the code's name.
nwrfc::RFC_ERROR_GROUP GroupOf(RFC_RC rc) {
  switch (rc) {
    case nwrfc::RFC_ABAP_EXCEPTION:
      return nwrfc::ABAP_APPLICATION_FAILURE;
    case nwrfc::RFC_ABAP_RUNTIME_FAILURE:
    case nwrfc::RFC_ABAP_MESSAGE:
      return nwrfc::ABAP_RUNTIME_FAILURE;
    case nwrfc::RFC_LOGON_FAILURE:
      return nwrfc::LOGON_FAILURE;
    case nwrfc::RFC_COMMUNICATION_FAILURE:
    case nwrfc::RFC_CANCELED:
    case nwrfc::RFC_CLOSED:
    case nwrfc::RFC_TIMEOUT:
      return nwrfc::COMMUNICATION_FAILURE;
    default:
      return nwrfc::EXTERNAL_RUNTIME_FAILURE;
  }
}

// The text of a field that nobody has set or answered yet.
std::string InitialValue(int type, unsigned length) {
  switch (type) {
    case TYPINT:
    case TYPINT2:
      return "0";
    case TYPDATE:
    case TYPTIME:
      return std::string(length, '0');
    default:
      return std::string(length, ' ');
  }
}

std::string Get(const std::map<std::string, std::string>& parameters, const char* key) {
  auto it = parameters.find(key);
  return it == parameters.end() ? std::string() : it->second;
}

// SAP's library checks the forms of the SNC parameters before it connects.
std::string SncParameterProblem(const std::map<std::string, std::string>& p) {
  const std::string mode = Get(p, "SNC_MODE");
  if (!mode.empty() && mode != "0" && mode != "1") return "SNC_MODE=" + mode + " is not 0 or 1";
  const std::string qop = Get(p, "SNC_QOP");
  if (!qop.empty() && (qop.size() != 1 || std::string("12389").find(qop[0]) == std::string::npos)) {
    return "SNC_QOP=" + qop + " is none of 1, 2, 3, 8, 9";
  }
  const std::string sso = Get(p, "SNC_SSO");
  if (!sso.empty() && sso != "0" && sso != "1") return "SNC_SSO=" + sso + " is not 0 or 1";
  if (mode == "1" && Get(p, "SNC_PARTNERNAME").empty()) {
    return "SNC_MODE=1 without SNC_PARTNERNAME: the partner is not named";
  }
  return "";
}

}  // namespace

// Its problems also go to the trace, where SAP's library writes what it
// could not read of its own configuration.
const Description* NwSimulator::EnsureDescription() {
  return SimCore::EnsureDescription(
      [this](const std::string& problem) { WriteTrace("SapSim.txt", problem); });
}

void NwSimulator::WriteConnectLog(const std::string& target) {
  // As SAP's library: at every connect, beside the traces, and no switch
  // turns it off.
  const char* trace_dir = std::getenv("RFC_TRACE_DIR");
  const std::string path = trace_dir != nullptr && *trace_dir != '\0'
                               ? (std::filesystem::path(trace_dir) / kNwConnectLogName).string()
                               : PathOf(kNwConnectLogName);
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) return;
  const CivilTime t = ToCivil(Now(), false);
  const std::string text = "**** " + CollectorTimestamp(t) + " connect to " + target +
                           "\nlibrary     Tidewarden SIMULATED NetWeaver RFC library (not "
                           "SAP's) 7500.0.0\nworking dir " +
                           (working_directory.empty() ? std::string(".") : working_directory) +
                           "\n\n";
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

void NwSimulator::WriteTrace(const std::string& location, const std::string& message) {
  std::FILE* file = std::fopen(PathOf(kNwTraceFileName).c_str(), "ab");
  if (file == nullptr) return;
  CivilTime t = ToCivil(Now(), false);
  std::fprintf(
      file,
      "**** Error file opened at %04d%02d%02d %02d%02d%02d, Tidewarden SIMULATED NetWeaver "
      "RFC library (not SAP's)\nLOCATION    %s\nERROR       %s\nTIME        %s\n\n",
      t.year % 10000, t.month, t.day, t.hour, t.minute, t.second, location.c_str(), message.c_str(),
      CollectorTimestamp(t).c_str());
  std::fclose(file);
}

RFC_RC NwSimulator::Succeed(nwrfc::RFC_ERROR_INFO* error) {
  if (error != nullptr) std::memset(error, 0, sizeof *error);
  return nwrfc::RFC_OK;
}

NwSimulator::Failure NwSimulator::LibraryFailure(RFC_RC code, std::string message) {
  return Failure{code, GroupOf(code), RcName(code), std::move(message)};
}

void NwSimulator::FillErrorRecord(nwrfc::RFC_ERROR_INFO* error, const Failure& failure) {
  if (error == nullptr) return;
  std::memset(error, 0, sizeof *error);
  error->code = failure.code;
  error->group = failure.group;
  CopyText(error->key, failure.key);
  CopyText(error->message, failure.message);
}

RFC_RC NwSimulator::Fail(nwrfc::RFC_ERROR_INFO* error, const Failure& failure,
                         const std::string& location, bool severe) {
  FillErrorRecord(error, failure);
  Log("  -> " + RcName(failure.code) + " key " + failure.key + ": " + failure.message);
  if (severe) {
    WriteTrace(location, RcName(failure.code) + " " + failure.key + ": " + failure.message);
  }
  return failure.code;
}

RFC_RC NwSimulator::Violation(nwrfc::RFC_ERROR_INFO* error, RFC_RC code,
                              const std::string& message) {
  violations_.push_back(message);
  Log("  -> CONTRACT VIOLATION: " + message);
  WriteTrace("check of what the caller passed", message);
  if (abort_on_violation) {
    std::fprintf(stderr,
                 "Tidewarden simulated NetWeaver RFC library: contract violation: %s\n"
                 "(the caller misused the library; the process ends)\n",
                 message.c_str());
    std::fflush(stderr);
    std::abort();
  }
  FillErrorRecord(error, LibraryFailure(code, message));
  return code;
}

RFC_RC NwSimulator::NullErrorRecord(const char* operation) {
  return Violation(nullptr, nwrfc::RFC_INVALID_PARAMETER,
                   std::string(operation) + ": the error record is a null pointer");
}

NwSimulator::Connection* NwSimulator::Owned(std::uint64_t id, const std::string& operation,
                                            bool closing, nwrfc::RFC_ERROR_INFO* error) {
  const std::thread::id self = std::this_thread::get_id();
  auto it = connections_.find(id);
  auto former = former_owner_.find(id);
  std::string problem;
  if (former != former_owner_.end() && former->second == self &&
      (it == connections_.end() || it->second.opener != self)) {
    problem =
        "the library closed this connection itself (after a failure or RfcCancel) and freed "
        "it; its handle value " +
        std::string(it == connections_.end()
                        ? "is free"
                        : "belongs to a connection another thread opened since") +
        ": the handle is dead to its former owner";
  } else if (it == connections_.end()) {
    problem =
        "the connection handle is not open (closed already, or never one of "
        "RfcOpenConnection)";
  } else if (it->second.opener != self && (!closing || openers_.count(self) != 0)) {
    // The fatal report's close of every connection comes from a thread that
    // opened none of them.
    problem = std::string("the connection belongs to another thread (") +
              (closing ? "a thread closes only what it opened"
                       : "one connection serves the thread that opened it") +
              ")";
  } else if (it->second.busy) {
    problem = "the connection is in a call from another thread (end it with RfcCancel)";
  }
  if (problem.empty()) return &it->second;
  Violation(error, nwrfc::RFC_INVALID_HANDLE, operation + ": " + problem);
  return nullptr;
}

void NwSimulator::Free(std::uint64_t id) {
  auto it = connections_.find(id);
  if (it == connections_.end()) return;
  former_owner_[id] = it->second.opener;
  connections_.erase(it);
  Log("  (connection " + std::to_string(id) + " closed and freed by the library)");
}

NwSimulator::Connection* NwSimulator::UsableConnection(nwrfc::RFC_CONNECTION_HANDLE handle,
                                                       const std::string& operation,
                                                       nwrfc::RFC_ERROR_INFO* error) {
  const std::uint64_t id = IdOf(handle, Kind::kConnection);
  Connection* c = Owned(id, operation, false, error);
  if (c == nullptr) return nullptr;
  if (c->canceled) {
    // A cancel from another thread may come an instant before the call it
    // meant reaches the library: the call ends as the cancelled one would.
    Fail(error, kCanceled, operation);
    Free(id);
    return nullptr;
  }
  return c;
}

NwSimulator::Function* NwSimulator::LiveFunction(nwrfc::DATA_CONTAINER_HANDLE handle,
                                                 const std::string& operation,
                                                 nwrfc::RFC_ERROR_INFO* error) {
  auto it = functions_.find(IdOf(handle, Kind::kFunction));
  if (it != functions_.end()) return &it->second;
  std::string what = IdOf(handle, Kind::kStructure) != 0
                         ? "a structure handle, not a function of RfcCreateFunction"
                         : "no live function (destroyed already, or never one of "
                           "RfcCreateFunction)";
  Violation(error, nwrfc::RFC_INVALID_HANDLE, operation + ": the handle is " + what);
  return nullptr;
}

std::optional<NwSimulator::Field> NwSimulator::FindField(nwrfc::DATA_CONTAINER_HANDLE container,
                                                         const std::string& name,
                                                         Function** function,
                                                         const std::string& operation,
                                                         nwrfc::RFC_ERROR_INFO* error) {
  // A name the container does not hold fails the call as SAP's does.
  auto not_found = [this, &name, &operation, error]() -> std::optional<Field> {
    Fail(error, LibraryFailure(nwrfc::RFC_INVALID_PARAMETER, "field '" + name + "' not found"),
         operation, false);
    return std::nullopt;
  };
  if (std::uint64_t sid = IdOf(container, Kind::kStructure); sid != 0) {
    auto it = structures_.find(sid);
    if (it == structures_.end()) {
      Violation(error, nwrfc::RFC_INVALID_HANDLE,
                operation +
                    ": the structure handle is gone with its function "
                    "(RfcDestroyFunction frees them together)");
      return std::nullopt;
    }
    *function = &functions_.at(it->second.function);
    const StructureSpec& structure = *it->second.parameter->structure;
    int index = FindElement(structure, name);
    if (index < 0) return not_found();
    const ElementSpec& e = structure.elements[static_cast<std::size_t>(index)];
    return Field{std::string(it->second.parameter->name) + "." + e.name, e.type, e.length, false};
  }
  *function = LiveFunction(container, operation, error);
  if (*function == nullptr) return std::nullopt;
  const FunctionSpec& spec = *(*function)->spec;
  if (const ParameterSpec* p = FindParameter(spec.exporting, name)) {
    return Field{p->name, p->type, p->length, true};
  }
  const ParameterSpec* p = FindParameter(spec.importing, name);
  if (p == nullptr || p->structure != nullptr) return not_found();
  return Field{p->name, p->type, p->length, false};
}

const SAP_UC* NwSimulator::GetVersion(unsigned* major, unsigned* minor, unsigned* patch) {
  if (major != nullptr) *major = 7500;
  if (minor != nullptr) *minor = 0;
  if (patch != nullptr) *patch = 0;
  std::lock_guard lock(mutex_);
  Log("RfcGetVersion");
  return kNwVersionText;
}

std::optional<NwSimulator::Parameters> NwSimulator::ReadParameters(
    const nwrfc::RFC_CONNECTION_PARAMETER* parameters, unsigned count,
    nwrfc::RFC_ERROR_INFO* error) {
  std::string line = "RfcOpenConnection";
  auto violation = [&](const std::string& message) -> std::optional<Parameters> {
    Log(line);
    Violation(error, nwrfc::RFC_INVALID_PARAMETER, "RfcOpenConnection: " + message);
    return std::nullopt;
  };
  if (error == nullptr) return violation("the error record is a null pointer");
  if (parameters == nullptr && count != 0) {
    return violation(std::to_string(count) + " parameters announced, the array is a null pointer");
  }
  Parameters values;
  for (unsigned i = 0; i < count; ++i) {
    if (parameters[i].name == nullptr || parameters[i].value == nullptr) {
      return violation("parameter " + std::to_string(i) + " has a null " +
                       (parameters[i].name == nullptr ? "name" : "value"));
    }
    std::string name = Upper(CText(parameters[i].name));
    std::string value = CText(parameters[i].value, kMaxValueChars);
    line += " " + name + "=" +
            (name == "PASSWD" ? "<" + std::to_string(value.size()) + " characters>" : value);
    values[name] = value;
  }
  Log(line);
  return values;
}

// SAP's library checks the parameters' forms before it looks for a system.
std::optional<NwSimulator::Refusal> NwSimulator::FormProblem(const Parameters& p, unsigned count,
                                                             const Description* description) {
  auto refusal = [](RFC_RC code, std::string message) {
    return Refusal{code, std::move(message), "RfcOpenConnection"};
  };
  if (count == 0) {
    return refusal(nwrfc::RFC_INVALID_PARAMETER,
                   "Invalid parameter 'unsigned paramCount' was passed to the API call");
  }
  if (std::string problem = SncParameterProblem(p); !problem.empty()) {
    return refusal(nwrfc::RFC_INVALID_PARAMETER, problem);
  }
  if (!Get(p, "DEST").empty()) {
    return refusal(nwrfc::RFC_INVALID_PARAMETER,
                   "destination " + Get(p, "DEST") +
                       ": the simulated library reads no sapnwrfc.ini; pass the entry's keys");
  }
  if (description == nullptr) return refusal(nwrfc::RFC_COMMUNICATION_FAILURE, NoSystemServed());
  return std::nullopt;
}

// The system is found by its application server, else by its message
// server, else by its gateway; a route string's last /H/ is the target.
std::optional<NwSimulator::Refusal> NwSimulator::FindTarget(const Parameters& p,
                                                            const Description& description,
                                                            const System** system,
                                                            std::string* target) {
  std::string ashost = Get(p, "ASHOST");
  if (std::size_t h = ashost.rfind("/H/"); ashost.starts_with("/") && h != std::string::npos) {
    std::string rest = ashost.substr(h + 3);
    ashost = rest.substr(0, rest.find('/'));
  }
  if (!ashost.empty()) {
    std::string sysnr = Get(p, "SYSNR");
    if (sysnr.size() != 2 || sysnr[0] < '0' || sysnr[0] > '9' || sysnr[1] < '0' || sysnr[1] > '9') {
      return Refusal{nwrfc::RFC_INVALID_PARAMETER,
                     "SYSNR=" + sysnr + " is no system number of two digits", "RfcOpenConnection"};
    }
    *target = ashost + " system number " + sysnr;
    *system = description.FindByHost(ashost, std::stoi(sysnr));
  } else if (std::string mshost = Get(p, "MSHOST"); !mshost.empty()) {
    std::string sid = Get(p, "R3NAME").empty() ? Get(p, "SYSID") : Get(p, "R3NAME");
    *target = "message server " + mshost + (sid.empty() ? "" : " of " + sid);
    for (const System& s : description.systems) {
      if (Upper(s.host) == Upper(mshost) && (sid.empty() || Upper(s.name) == Upper(sid))) {
        *system = &s;
        break;
      }
    }
  } else if (std::string gwhost = Get(p, "GWHOST"); !gwhost.empty()) {
    *target = "gateway " + gwhost + "/" + Get(p, "GWSERV");
    *system = description.FindByGateway(gwhost, Get(p, "GWSERV"));
  } else {
    return Refusal{nwrfc::RFC_INVALID_PARAMETER,
                   "Parameter ASHOST, GWHOST, MSHOST or PORT is missing.", "RfcOpenConnection"};
  }
  return std::nullopt;
}

std::optional<NwSimulator::Refusal> NwSimulator::LogOn(std::unique_lock<std::mutex>& lock,
                                                       const System& system, const Parameters& p,
                                                       std::string* match) {
  const std::string location = LogonLocation(system);
  if (auto delay = system.delays.find("open"); delay != system.delays.end()) {
    // No handle exists yet, so nothing can cancel it: as the real logon,
    // which only its timeout ends.
    Log("  (delay " + Seconds(delay->second) + " s)");
    lock.unlock();
    Sleep(delay->second);
    lock.lock();
  }
  if (auto fault = system.faults.find("open"); fault != system.faults.end()) {
    return Refusal{fault->second.kind == Fault::Kind::kRefuse ? nwrfc::RFC_LOGON_FAILURE
                                                              : nwrfc::RFC_COMMUNICATION_FAILURE,
                   OpenFaultMessage(fault->second, system), location};
  }
  if (!system.snc_partnername.empty() && Get(p, "SNC_MODE") != "1") {
    return Refusal{nwrfc::RFC_LOGON_FAILURE, "SNC required for this connection", location};
  }
  if (!system.snc_partnername.empty() && Get(p, "SNC_PARTNERNAME") != system.snc_partnername) {
    return Refusal{nwrfc::RFC_COMMUNICATION_FAILURE,
                   "SNC partner name " + Get(p, "SNC_PARTNERNAME") + " is not the name of " +
                       SystemLabel(&system) + " (" + system.snc_partnername + ")",
                   location};
  }
  std::string refusal =
      CheckLogon(system, Get(p, "CLIENT"), Get(p, "USER"), Get(p, "PASSWD"), Get(p, "LANG"), match);
  if (!refusal.empty()) return Refusal{nwrfc::RFC_LOGON_FAILURE, refusal, location};
  return std::nullopt;
}

nwrfc::RFC_CONNECTION_HANDLE NwSimulator::OpenConnection(
    const nwrfc::RFC_CONNECTION_PARAMETER* parameters, unsigned count,
    nwrfc::RFC_ERROR_INFO* error) {
  std::unique_lock lock(mutex_);
  const Description* description = EnsureDescription();
  std::optional<Parameters> p = ReadParameters(parameters, count, error);
  if (!p) return nullptr;
  const System* system = nullptr;
  std::string target, match;
  std::optional<Refusal> refusal = FormProblem(*p, count, description);
  if (!refusal) refusal = FindTarget(*p, *description, &system, &target);
  if (!refusal) {
    WriteConnectLog(target);
    if (system == nullptr) {
      refusal = Refusal{nwrfc::RFC_COMMUNICATION_FAILURE,
                        "partner " + target + " not reached (host unknown)",
                        "RfcOpenConnection to " + target};
    }
  }
  if (!refusal) refusal = LogOn(lock, *system, *p, &match);
  if (refusal) {
    Fail(error, LibraryFailure(refusal->code, refusal->message), refusal->location);
    return nullptr;
  }
  std::uint64_t id = 1;
  while (connections_.count(id) != 0) ++id;
  const std::thread::id self = std::this_thread::get_id();
  connections_[id] = Connection{system, self};
  openers_.insert(self);
  if (auto former = former_owner_.find(id);
      former != former_owner_.end() && former->second == self) {
    former_owner_.erase(former);
  }
  Log("  -> connection " + std::to_string(id) + " " + SystemLabel(system) + ", password " + match);
  Succeed(error);
  return MakeHandle<nwrfc::RFC_CONNECTION_HANDLE>(Kind::kConnection, id);
}

RFC_RC NwSimulator::CloseConnection(nwrfc::RFC_CONNECTION_HANDLE handle,
                                    nwrfc::RFC_ERROR_INFO* error) {
  std::unique_lock lock(mutex_);
  std::uint64_t id = IdOf(handle, Kind::kConnection);
  Log("RfcCloseConnection connection=" + std::to_string(id));
  if (error == nullptr) return NullErrorRecord("RfcCloseConnection");
  Connection* c = Owned(id, "RfcCloseConnection", true, error);
  if (c == nullptr) return error->code;
  if (c->closing) {
    return Violation(error, nwrfc::RFC_INVALID_HANDLE,
                     "RfcCloseConnection: the connection is being closed already");
  }
  if (auto delay = c->system->delays.find("close"); delay != c->system->delays.end()) {
    // The logoff crosses the network; the handle stays taken until it ends.
    c->closing = true;
    Log("  (delay " + Seconds(delay->second) + " s)");
    lock.unlock();
    Sleep(delay->second);
    lock.lock();
  }
  connections_.erase(id);
  former_owner_.erase(id);
  return Succeed(error);
}

nwrfc::RFC_FUNCTION_DESC_HANDLE NwSimulator::GetFunctionDesc(nwrfc::RFC_CONNECTION_HANDLE handle,
                                                             const SAP_UC* name,
                                                             nwrfc::RFC_ERROR_INFO* error) {
  std::lock_guard lock(mutex_);
  EnsureDescription();
  std::string function = CText(name);
  Log("RfcGetFunctionDesc connection=" + std::to_string(IdOf(handle, Kind::kConnection)) +
      " function=" + function);
  if (error == nullptr || name == nullptr) {
    Violation(error, nwrfc::RFC_INVALID_PARAMETER,
              std::string("RfcGetFunctionDesc: the ") +
                  (error == nullptr ? "error record" : "name") + " is a null pointer");
    return nullptr;
  }
  Connection* c = UsableConnection(handle, "RfcGetFunctionDesc " + function, error);
  if (c == nullptr) return nullptr;
  std::span<const FunctionSpec* const> all = AllFunctions();
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (function != all[i]->name) continue;
    described_.resize(all.size());
    Log(described_[i] ? "  -> from the cache" : "  -> looked up and cached");
    described_[i] = true;
    Succeed(error);
    return MakeHandle<nwrfc::RFC_FUNCTION_DESC_HANDLE>(Kind::kDescription, i + 1);
  }
  Fail(error,
       Failure{nwrfc::RFC_ABAP_EXCEPTION, nwrfc::ABAP_APPLICATION_FAILURE, "FU_NOT_FOUND",
               "ID:FL Type:E Number:046 " + function},
       "RfcGetFunctionDesc " + function + " in " + SystemLabel(c->system));
  return nullptr;
}

nwrfc::RFC_FUNCTION_HANDLE NwSimulator::CreateFunction(nwrfc::RFC_FUNCTION_DESC_HANDLE description,
                                                       nwrfc::RFC_ERROR_INFO* error) {
  std::lock_guard lock(mutex_);
  std::uint64_t index = IdOf(description, Kind::kDescription);
  Log("RfcCreateFunction description=" + std::to_string(index));
  std::span<const FunctionSpec* const> all = AllFunctions();
  if (error == nullptr) {
    NullErrorRecord("RfcCreateFunction");
    return nullptr;
  }
  if (index == 0 || index > all.size() || index > described_.size() || !described_[index - 1]) {
    Violation(error, nwrfc::RFC_INVALID_HANDLE,
              "RfcCreateFunction: the handle is no description of RfcGetFunctionDesc");
    return nullptr;
  }
  std::uint64_t id = next_id_++;
  Function& f = functions_[id];
  f.spec = all[index - 1];
  for (const ParameterSpec& p : f.spec->exporting)
    f.values[p.name] = InitialValue(p.type, p.length);
  for (const ParameterSpec& p : f.spec->importing) {
    if (p.structure == nullptr) {
      f.values[p.name] = InitialValue(p.type, p.length);
      continue;
    }
    for (const ElementSpec& e : p.structure->elements) {
      f.values[std::string(p.name) + "." + e.name] = InitialValue(e.type, e.length);
    }
  }
  Log("  -> function " + std::to_string(id) + " " + f.spec->name);
  Succeed(error);
  return MakeHandle<nwrfc::RFC_FUNCTION_HANDLE>(Kind::kFunction, id);
}

RFC_RC NwSimulator::DestroyFunction(nwrfc::RFC_FUNCTION_HANDLE function,
                                    nwrfc::RFC_ERROR_INFO* error) {
  std::lock_guard lock(mutex_);
  Log("RfcDestroyFunction function=" + std::to_string(IdOf(function, Kind::kFunction)));
  if (error == nullptr) return NullErrorRecord("RfcDestroyFunction");
  if (IdOf(function, Kind::kDescription) != 0) {
    return Violation(error, nwrfc::RFC_INVALID_HANDLE,
                     "RfcDestroyFunction: the handle is a cached description, which belongs to "
                     "the library");
  }
  Function* f = LiveFunction(function, "RfcDestroyFunction", error);
  if (f == nullptr) return error->code;
  for (const auto& [name, structure] : f->structures) structures_.erase(structure);
  functions_.erase(IdOf(function, Kind::kFunction));
  return Succeed(error);
}

RFC_RC NwSimulator::SetChars(nwrfc::DATA_CONTAINER_HANDLE container, const SAP_UC* name,
                             const nwrfc::RFC_CHAR* value, unsigned length,
                             nwrfc::RFC_ERROR_INFO* error) {
  std::lock_guard lock(mutex_);
  std::string field_name = CText(name);
  std::string operation = "RfcSetChars " + field_name;
  Log(operation + " length=" + std::to_string(length));
  if (error == nullptr || name == nullptr || (value == nullptr && length != 0)) {
    return Violation(error, nwrfc::RFC_INVALID_PARAMETER,
                     operation + ": the " +
                         (error == nullptr  ? "error record"
                          : name == nullptr ? "field name"
                                            : "value") +
                         " is a null pointer");
  }
  Function* function = nullptr;
  std::optional<Field> field = FindField(container, field_name, &function, operation, error);
  if (!field) return error->code;
  if (!field->settable) {
    return Violation(error, nwrfc::RFC_INVALID_PARAMETER,
                     operation + ": " + field_name + " is an answer of " + function->spec->name +
                         ", not a value the caller sends");
  }
  for (unsigned i = 0; i < length; ++i) {
    if (value[i] == 0) {
      return Violation(error, nwrfc::RFC_INVALID_PARAMETER,
                       operation + ": length " + std::to_string(length) +
                           " runs past the value's end at character " + std::to_string(i) +
                           " (lengths count characters, not bytes)");
    }
  }
  if (length > field->length) {
    return Violation(error, nwrfc::RFC_INVALID_PARAMETER,
                     operation + ": length " + std::to_string(length) + ", the field has " +
                         std::to_string(field->length) +
                         " characters (lengths count characters, not bytes)");
  }
  std::string text = ToLatin1(value, length);
  text.resize(field->length, ' ');
  const ParameterSpec* spec = FindParameter(function->spec->exporting, field_name);
  if (spec->value != nullptr && text != spec->value) {
    return Violation(
        error, nwrfc::RFC_INVALID_PARAMETER,
        operation + ": value \"" + text + "\", the system expects \"" + spec->value + "\"");
  }
  function->values[field->key] = text;
  return Succeed(error);
}

void NwSimulator::WaitForDelay(std::unique_lock<std::mutex>& lock, Connection& connection,
                               double seconds) {
  Log("  (delay " + Seconds(seconds) + " s)");
  ++waiting_;
  if (sleeper) {
    lock.unlock();
    sleeper(seconds);
    lock.lock();
  } else {
    cancel_.wait_for(lock, std::chrono::duration<double>(seconds),
                     [&] { return connection.canceled; });
  }
  --waiting_;
}

void NwSimulator::Answer(const System& system, Function& function) {
  std::int64_t now = Now();
  auto text = [&](const std::string& key, int type, unsigned length) {
    Value value = AnswerValue(system, key, type);
    if (type == TYPINT || type == TYPINT2) {
      auto n = static_cast<std::uint32_t>(NumberAt(value, system.epoch, now));
      return std::to_string(type == TYPINT ? static_cast<std::int32_t>(n)
                                           : static_cast<std::int16_t>(n));
    }
    return FormatValue(value, type, length, system.numbers, system.epoch, now);
  };
  const FunctionSpec& spec = *function.spec;
  for (const ParameterSpec& p : spec.importing) {
    if (p.structure == nullptr) {
      function.values[p.name] = text(std::string(spec.name) + "." + p.name, p.type, p.length);
      continue;
    }
    for (const ElementSpec& e : p.structure->elements) {
      function.values[std::string(p.name) + "." + e.name] =
          text(std::string(p.structure->name) + "." + e.name, e.type, e.length);
    }
  }
}

// What a described fault of a call makes the library answer.
NwSimulator::Failure NwSimulator::FailureOf(const Fault& fault, const char* function) {
  Failure failure{nwrfc::RFC_COMMUNICATION_FAILURE, nwrfc::COMMUNICATION_FAILURE,
                  "RFC_COMMUNICATION_FAILURE", fault.message};
  switch (fault.kind) {
    case Fault::Kind::kException:
      failure = {nwrfc::RFC_ABAP_EXCEPTION, nwrfc::ABAP_APPLICATION_FAILURE, fault.name,
                 fault.message.empty() ? std::string("function module ") + function +
                                             " raised exception " + fault.name
                                       : fault.message};
      break;
    case Fault::Kind::kSysException:
      failure = {
          fault.abap_message ? nwrfc::RFC_ABAP_MESSAGE : nwrfc::RFC_ABAP_RUNTIME_FAILURE,
          nwrfc::ABAP_RUNTIME_FAILURE, fault.name,
          fault.message.empty()
              ? std::string(fault.abap_message ? "ABAP message in " : "ABAP runtime error in ") +
                    function
              : fault.message};
      break;
    case Fault::Kind::kCode: {
      // The classic codes keep their meaning (code 2 has no exception
      // name); any other becomes a code the probe counts as other failure.
      RFC_RC code = fault.code == 1   ? nwrfc::RFC_COMMUNICATION_FAILURE
                    : fault.code == 2 ? nwrfc::RFC_ABAP_EXCEPTION
                    : fault.code == 3 ? nwrfc::RFC_ABAP_RUNTIME_FAILURE
                                      : nwrfc::RFC_UNKNOWN_ERROR;
      failure = {code, GroupOf(code), code == nwrfc::RFC_ABAP_EXCEPTION ? "" : RcName(code),
                 fault.message.empty() ? "function module " + std::string(function) +
                                             " failed with code " + std::to_string(fault.code)
                                       : fault.message};
      break;
    }
    default:
      if (failure.message.empty()) {
        failure.message = "connection to partner broken while sending " + std::string(function);
      }
      break;
  }
  return failure;
}

RFC_RC NwSimulator::Invoke(nwrfc::RFC_CONNECTION_HANDLE handle,
                           nwrfc::RFC_FUNCTION_HANDLE function_handle,
                           nwrfc::RFC_ERROR_INFO* error) {
  std::unique_lock lock(mutex_);
  std::uint64_t id = IdOf(handle, Kind::kConnection);
  Log("RfcInvoke connection=" + std::to_string(id) +
      " function=" + std::to_string(IdOf(function_handle, Kind::kFunction)));
  if (error == nullptr) return NullErrorRecord("RfcInvoke");
  Connection* c = UsableConnection(handle, "RfcInvoke", error);
  if (c == nullptr) return error->code;
  Function* f = LiveFunction(function_handle, "RfcInvoke", error);
  if (f == nullptr) return error->code;
  const FunctionSpec& spec = *f->spec;
  std::string operation = std::string("RfcInvoke ") + spec.name;
  for (const ParameterSpec& p : spec.exporting) {
    if (p.value != nullptr && f->values[p.name] != p.value) {
      return Violation(
          error, nwrfc::RFC_INVALID_PARAMETER,
          operation + ": " + p.name + " was not set (RfcSetChars) to \"" + p.value + "\"");
    }
  }
  const System& system = *c->system;
  std::string location = operation + " to " + SystemLabel(&system);
  if (auto delay = system.delays.find(spec.name); delay != system.delays.end()) {
    c->busy = true;
    WaitForDelay(lock, *c, delay->second);
    // Nothing frees or closes a connection while a call runs on it (the
    // checks refuse it), so it is still there.
    c = &connections_.at(id);
    c->busy = false;
    if (c->canceled) {
      Fail(error, kCanceled, location);
      Free(id);
      return nwrfc::RFC_CANCELED;
    }
  }
  if (auto it = system.faults.find(spec.name); it != system.faults.end()) {
    const Failure failure = FailureOf(it->second, spec.name);
    Fail(error, failure, location);
    // As SAP's library: a broken connection, an ABAP message or runtime
    // failure close it; an exception or another code leaves it open.
    if (failure.code == nwrfc::RFC_COMMUNICATION_FAILURE ||
        failure.code == nwrfc::RFC_ABAP_RUNTIME_FAILURE ||
        failure.code == nwrfc::RFC_ABAP_MESSAGE) {
      Free(id);
    }
    return failure.code;
  }
  Answer(system, *f);
  Log("  -> RFC_OK");
  return Succeed(error);
}

RFC_RC NwSimulator::GetStructure(nwrfc::DATA_CONTAINER_HANDLE container, const SAP_UC* name,
                                 nwrfc::RFC_STRUCTURE_HANDLE* structure,
                                 nwrfc::RFC_ERROR_INFO* error) {
  std::lock_guard lock(mutex_);
  std::string parameter = CText(name);
  std::string operation = "RfcGetStructure " + parameter;
  Log(operation);
  if (error == nullptr || name == nullptr || structure == nullptr) {
    return Violation(error, nwrfc::RFC_INVALID_PARAMETER,
                     operation + ": the " +
                         (error == nullptr  ? "error record"
                          : name == nullptr ? "name"
                                            : "place for the handle") +
                         " is a null pointer");
  }
  Function* f = LiveFunction(container, operation, error);
  if (f == nullptr) return error->code;
  const ParameterSpec* p = FindParameter(f->spec->importing, parameter);
  if (p == nullptr || p->structure == nullptr) {
    return Fail(error,
                LibraryFailure(
                    nwrfc::RFC_INVALID_PARAMETER,
                    "field '" + parameter + (p == nullptr ? "' not found" : "' is no structure")),
                operation, false);
  }
  std::uint64_t& sid = f->structures[p->name];
  if (sid == 0) {
    sid = next_id_++;
    structures_[sid] = Structure{IdOf(container, Kind::kFunction), p};
  }
  *structure = MakeHandle<nwrfc::RFC_STRUCTURE_HANDLE>(Kind::kStructure, sid);
  return Succeed(error);
}

RFC_RC NwSimulator::GetString(nwrfc::DATA_CONTAINER_HANDLE container, const SAP_UC* name,
                              SAP_UC* buffer, unsigned buffer_length, unsigned* string_length,
                              nwrfc::RFC_ERROR_INFO* error) {
  std::lock_guard lock(mutex_);
  std::string field_name = CText(name);
  std::string operation = "RfcGetString " + field_name;
  Log(operation + " bufferLength=" + std::to_string(buffer_length));
  if (error == nullptr || name == nullptr || string_length == nullptr ||
      (buffer == nullptr && buffer_length != 0)) {
    return Violation(error, nwrfc::RFC_INVALID_PARAMETER,
                     operation + ": the " +
                         (error == nullptr           ? "error record"
                          : name == nullptr          ? "field name"
                          : string_length == nullptr ? "place for the length"
                                                     : "buffer") +
                         " is a null pointer");
  }
  Function* function = nullptr;
  std::optional<Field> field = FindField(container, field_name, &function, operation, error);
  if (!field) return error->code;
  std::u16string text = FromLatin1(function->values[field->key]);
  *string_length = static_cast<unsigned>(text.size());
  if (buffer_length < text.size() + 1) {
    return Fail(error,
                LibraryFailure(nwrfc::RFC_BUFFER_TOO_SMALL,
                               "buffer of " + std::to_string(buffer_length) + " characters for " +
                                   field_name + ", the value needs " + std::to_string(text.size()) +
                                   " and the terminator"),
                operation, false);
  }
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = 0;
  return Succeed(error);
}

const SAP_UC* NwSimulator::RcAsString(RFC_RC rc) {
  // Made once, then only read: safe from every thread.
  static const std::vector<std::u16string> names = [] {
    std::vector<std::u16string> all;
    for (const char* name : kRcNames) all.push_back(FromLatin1(name));
    all.push_back(u"RFC_UNKNOWN_RC");
    return all;
  }();
  return names[rc >= 0 && rc < kRcCount ? rc : kRcCount].c_str();
}

RFC_RC NwSimulator::Cancel(nwrfc::RFC_CONNECTION_HANDLE handle, nwrfc::RFC_ERROR_INFO* error) {
  std::lock_guard lock(mutex_);
  std::uint64_t id = IdOf(handle, Kind::kConnection);
  Log("RfcCancel connection=" + std::to_string(id));
  if (error == nullptr) return NullErrorRecord("RfcCancel");
  auto it = connections_.find(id);
  auto former = former_owner_.find(id);
  if (it == connections_.end() && former != former_owner_.end() &&
      former->second != std::this_thread::get_id()) {
    // A call that failed freed its connection an instant before another
    // thread's cancel of it: the library knows the handle no more.
    return Fail(error,
                LibraryFailure(nwrfc::RFC_INVALID_HANDLE, "the connection is closed already"),
                "RfcCancel", false);
  }
  if (it == connections_.end() ||
      (former != former_owner_.end() && former->second == std::this_thread::get_id())) {
    return Violation(error, nwrfc::RFC_INVALID_HANDLE,
                     "RfcCancel: the connection handle is not open (closed already, freed by the "
                     "library, or never one of RfcOpenConnection)");
  }
  // The cancel closes the connection: the call in progress (or the next
  // one, when the cancel came first) returns RFC_CANCELED and frees it.
  it->second.canceled = true;
  cancel_.notify_all();
  return Succeed(error);
}

std::vector<std::string> NwSimulator::CallLog() const {
  std::lock_guard lock(mutex_);
  return logged();
}

std::vector<std::string> NwSimulator::Violations() const {
  std::lock_guard lock(mutex_);
  return violations_;
}

int NwSimulator::LiveFunctions() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(functions_.size());
}

int NwSimulator::WaitingCalls() const {
  std::lock_guard lock(mutex_);
  return waiting_;
}

void NwSimulator::NoteUnload() {
  std::lock_guard lock(mutex_);
  Log("(library unloaded: static destructors run)");
}

std::string NwSimulator::LeakReport() const {
  std::lock_guard lock(mutex_);
  if (functions_.empty()) return "";
  std::string names;
  for (const auto& [id, function] : functions_) {
    names += (names.empty() ? "" : ", ") + std::string(function.spec->name);
  }
  return std::to_string(functions_.size()) +
         " function handle(s) never destroyed with RfcDestroyFunction: " + names;
}

namespace {
NwSimulator* nw_instance = nullptr;
}  // namespace

NwSimulator& TheNwSimulator() {
  // Made before any second thread can call in: the probe loads the library
  // and asks its version first.
  static NwSimulator* first = nw_instance = new NwSimulator;
  (void)first;
  return *nw_instance;
}

void ResetNwSimulator() {
  TheNwSimulator();
  delete nw_instance;
  nw_instance = new NwSimulator;
  nw_instance->keep_call_log = true;
  nw_instance->abort_on_violation = false;
}

}  // namespace tidewarden::sim

#include "rfc/netweaver/netweaver_library.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/system.h"
#include "rfc/ini_entry.h"
#include "rfc/netweaver/logon_parameters.h"
#include "rfc/netweaver/sap_text.h"
#include "rfc/record_conversions.h"

namespace tidewarden {
namespace {

using nwrfc::RFC_RC;

constexpr const char* kTraceFileName = "Dev_Rfc.Trc";
// The NetWeaver library's own settings, in the working directory.
constexpr const char* kNwIniFile = "sapnwrfc.ini";

// A zero-terminated text of the library's records, at most `room` units.
std::string RecordText(const nwrfc::SAP_UC* text, std::size_t room) {
  std::size_t length = 0;
  while (length < room && text[length] != 0) ++length;
  return FromSapText(std::u16string_view(text, length));
}

// What one function-module call ended with, besides the fields it read.
struct CallEnd {
  std::optional<CallFailure> failure;
  std::optional<FatalFailure> fatal;
  // The function's destroy failed after its fields were read.
  std::optional<FatalFailure> destroy_fatal;
};

class NetWeaverConnection;

// Reads fields of a called function by name, fitted to the classic widths.
class FieldReader {
 public:
  FieldReader(NetWeaverConnection& connection, nwrfc::RFC_FUNCTION_HANDLE handle)
      : connection_(connection), handle_(handle) {}

  // The text of `field`, of `structure` when one is named.
  std::optional<FatalFailure> Text(const char* structure, const char* field, std::string* value);

 private:
  NetWeaverConnection& connection_;
  nwrfc::RFC_FUNCTION_HANDLE handle_;
};

class NetWeaverConnection : public SapConnection {
 public:
  NetWeaverConnection(NetWeaverSapLibrary& library, nwrfc::RFC_CONNECTION_HANDLE handle,
                      std::uint64_t ticket, const CallLogger& log)
      : library_(library), f_(library.functions()), log_(log), handle_(handle), ticket_(ticket) {}

  SapResult<ServerClock> ReadServerClock() override;
  SapResult<SystemInfo> ReadSystemInfo() override;
  SapResult<OraMainList> ReadOraMainList() override;
  void Close() override;
  void Cancel() override;

  NetWeaverSapLibrary& library() { return library_; }

 private:
  static CallFailure Canceled();

  using Exporting = std::vector<std::pair<const char*, std::string>>;
  template <typename Read>
  CallEnd Call(const char* function, const Exporting& exporting, Read read);
  CallFailure Failed(RFC_RC code, const nwrfc::RFC_ERROR_INFO& info);

  NetWeaverSapLibrary& library_;
  const nwrfc::NwRfcFunctions& f_;
  CallLogger log_;
  // The value stays here after the handle is dead to this connection; the
  // library's registry says whether it may still be passed to the library.
  const nwrfc::RFC_CONNECTION_HANDLE handle_;
  const std::uint64_t ticket_;
};

std::optional<FatalFailure> FieldReader::Text(const char* structure, const char* field,
                                              std::string* value) {
  const nwrfc::NwRfcFunctions& f = connection_.library().functions();
  const std::string name = std::string(structure != nullptr ? structure : "") +
                           (structure != nullptr ? "." : "") + field;
  nwrfc::RFC_ERROR_INFO info{};
  nwrfc::DATA_CONTAINER_HANDLE container = handle_;
  if (structure != nullptr) {
    const std::u16string structure_name = ToSapText(structure);
    const RFC_RC code = f.RfcGetStructure(handle_, structure_name.c_str(), &container, &info);
    if (code != nwrfc::RFC_OK) {
      return connection_.library().Fatal("RfcGetStructure " + std::string(structure), code, info);
    }
  }
  const std::u16string field_name = ToSapText(field);
  std::vector<nwrfc::SAP_UC> buffer(64);
  unsigned length = 0;
  RFC_RC code = f.RfcGetString(container, field_name.c_str(), buffer.data(),
                               static_cast<unsigned>(buffer.size()), &length, &info);
  if (code == nwrfc::RFC_BUFFER_TOO_SMALL) {
    // The length counts characters without the terminator.
    buffer.assign(static_cast<std::size_t>(length) + 1, 0);
    code = f.RfcGetString(container, field_name.c_str(), buffer.data(),
                          static_cast<unsigned>(buffer.size()), &length, &info);
  }
  if (code != nwrfc::RFC_OK) {
    return connection_.library().Fatal("RfcGetString " + name, code, info);
  }
  *value = RecordText(buffer.data(), std::min<std::size_t>(length, buffer.size() - 1));
  return std::nullopt;
}

template <typename Read>
CallEnd NetWeaverConnection::Call(const char* function, const Exporting& exporting, Read read) {
  CallEnd end;
  nwrfc::RFC_ERROR_INFO info{};
  const std::u16string function_name = ToSapText(function);
  if (!library_.EnterCall(handle_, ticket_)) {
    end.failure = Canceled();
    return end;
  }
  nwrfc::RFC_FUNCTION_DESC_HANDLE description =
      f_.RfcGetFunctionDesc(handle_, function_name.c_str(), &info);
  library_.LeaveCall(handle_, ticket_, description != nullptr ? nwrfc::RFC_OK : info.code);
  if (description == nullptr) {
    end.failure = Failed(info.code, info);
    return end;
  }
  nwrfc::RFC_FUNCTION_HANDLE handle = f_.RfcCreateFunction(description, &info);
  if (handle == nullptr) {
    end.fatal = library_.Fatal("RfcCreateFunction " + std::string(function), info.code, info);
    return end;
  }
  for (const auto& [name, value] : exporting) {
    const std::u16string field = ToSapText(name);
    const std::u16string text = ToSapText(value);
    const RFC_RC code = f_.RfcSetChars(handle, field.c_str(), text.data(),
                                       static_cast<unsigned>(text.size()), &info);
    if (code != nwrfc::RFC_OK) {
      end.fatal = library_.Fatal("RfcSetChars " + std::string(function) + "." + name, code, info);
      break;
    }
  }
  if (!end.fatal && !library_.EnterCall(handle_, ticket_)) {
    end.failure = Canceled();
  } else if (!end.fatal) {
    const RFC_RC code = f_.RfcInvoke(handle_, handle, &info);
    library_.LeaveCall(handle_, ticket_, code);
    // A cancelled call did not answer.
    log_.Write(library_.OpenCount(), "RfcInvoke " + std::string(function) +
                                         (code == nwrfc::RFC_CANCELED ? " canceled" : " called"));
    if (code != nwrfc::RFC_OK) {
      end.failure = Failed(code, info);
    } else {
      FieldReader reader(*this, handle);
      end.fatal = read(reader);
    }
  }
  nwrfc::RFC_ERROR_INFO destroy_info{};
  const RFC_RC destroyed = f_.RfcDestroyFunction(handle, &destroy_info);
  if (destroyed != nwrfc::RFC_OK) {
    FatalFailure fatal =
        library_.Fatal("RfcDestroyFunction " + std::string(function), destroyed, destroy_info);
    // A failed destroy after a call that failed is reported at once, like
    // every fatal failure before the figures are delivered.
    if (end.failure || end.fatal) {
      end.failure.reset();
      if (!end.fatal) end.fatal = std::move(fatal);
    } else {
      end.destroy_fatal = std::move(fatal);
    }
  }
  return end;
}

CallFailure NetWeaverConnection::Failed(RFC_RC code, const nwrfc::RFC_ERROR_INFO& info) {
  CallFailure failure;
  failure.code = ClassicCallCode(code);
  if (failure.code == kCallException) failure.exception = RecordText(info.key, 128);
  failure.last_error_text = LastErrorTextOf(RecordText(info.message, 512));
  library_.RememberLastError(failure.last_error_text);
  return failure;
}

SapResult<ServerClock> NetWeaverConnection::ReadServerClock() {
  ServerClock clock;
  CallEnd end = Call("GET_CPU_ALL",
                     {{"LOCAL_REMOTE", "LOCAL "}, {"LOGICAL_DESTINATION", std::string(32, ' ')}},
                     [&clock](FieldReader& reader) -> std::optional<FatalFailure> {
                       std::string stamp;
                       if (auto fatal = reader.Text(nullptr, "LASTCOLLWRT", &stamp)) return fatal;
                       ConvertCollectorTimestamp(FitToWidth(stamp, 25), &clock.date, &clock.time);
                       return std::nullopt;
                     });
  if (end.fatal) return *end.fatal;
  if (end.destroy_fatal) return *end.destroy_fatal;
  if (end.failure) return *end.failure;
  return clock;
}

SapResult<SystemInfo> NetWeaverConnection::ReadSystemInfo() {
  SystemInfo system;
  CallEnd end =
      Call("RFC_SYSTEM_INFO", {}, [&system](FieldReader& reader) -> std::optional<FatalFailure> {
        if (auto fatal = reader.Text("RFCSI_EXPORT", "RFCHOST", &system.host)) return fatal;
        if (auto fatal = reader.Text("RFCSI_EXPORT", "RFCDBSYS", &system.db_system_name))
          return fatal;
        system.host = FitToWidth(system.host, 8);
        system.db_system_name = FitToWidth(system.db_system_name, 10);
        return std::nullopt;
      });
  if (end.fatal) return *end.fatal;
  if (end.destroy_fatal) return *end.destroy_fatal;
  if (end.failure) return *end.failure;
  return system;
}

SapResult<OraMainList> NetWeaverConnection::ReadOraMainList() {
  OraMainList list;
  CallEnd end =
      Call("DB_ORA_MAIN_LIST", {{"ALL_INSTANCES", " "}, {"ORA_RELEASE", std::string(7, ' ')}},
           [&list](FieldReader& reader) -> std::optional<FatalFailure> {
             // A figure wider than its classic field is read whole: no digit is lost.
             const std::pair<const char*, std::int32_t*> figures[] = {
                 {"LOGWRITES", &list.log_writes}, {"WAIT_BUSY", &list.wait_busy},
                 {"ROLLBACKS", &list.rollbacks},  {"LOGSIZE", &list.log_size},
                 {"LOGALLOC", &list.log_alloc},
             };
             for (const auto& [field, value] : figures) {
               std::string text;
               if (auto fatal = reader.Text("DBORA", field, &text)) return fatal;
               *value = ConvertRecordField(text);
             }
             return std::nullopt;
           });
  if (end.fatal) return *end.fatal;
  if (end.failure) return *end.failure;
  list.fatal_after_delivery = std::move(end.destroy_fatal);
  return list;
}

CallFailure NetWeaverConnection::Canceled() {
  CallFailure failure;
  failure.code = kCallFailure;
  failure.last_error_text = " - Connection was canceled.";
  return failure;
}

void NetWeaverConnection::Cancel() {
  if (library_.Cancel(handle_, ticket_)) log_.Write(library_.OpenCount(), "RfcCancel called");
}

void NetWeaverConnection::Close() {
  // Not when the library closed the connection itself (after a
  // communication failure, an ABAP message or runtime failure, a cancel):
  // the value may be another thread's connection by now.
  if (!library_.Release(handle_, ticket_)) return;
  nwrfc::RFC_ERROR_INFO info{};
  f_.RfcCloseConnection(handle_, &info);
}

}  // namespace

int ClassicCallCode(nwrfc::RFC_RC code) {
  switch (code) {
    case nwrfc::RFC_OK:
      return kCallOk;
    case nwrfc::RFC_ABAP_EXCEPTION:
      return kCallException;
    case nwrfc::RFC_ABAP_RUNTIME_FAILURE:
    case nwrfc::RFC_ABAP_MESSAGE:
      return kCallSysException;
    case nwrfc::RFC_COMMUNICATION_FAILURE:
    case nwrfc::RFC_CLOSED:
    case nwrfc::RFC_CANCELED:
    case nwrfc::RFC_TIMEOUT:
      return kCallFailure;
    default:
      return -1;
  }
}

std::optional<FatalFailure> NetWeaverSapLibrary::Prepare(const CallLogger&) {
  // Loaded and its version read when it was chosen; it has no environment.
  // Before the first logon, as its connect adds to dev_rfc.log.
  if (!library_logs_checked_) {
    library_logs_checked_ = true;
    std::optional<std::string> trace_dir = ProcessEnvironment().Value("RFC_TRACE_DIR");
    if (trace_dir && trace_dir->empty()) trace_dir.reset();
    std::string ini;
    if (!trace_dir) static_cast<void>(fs_.ReadFile(kNwIniFile, &ini));
    SetAsideLargeLibraryLogs(fs_, LibraryLogFolder(trace_dir, ini));
  }
  return std::nullopt;
}

std::string LibraryLogFolder(const std::optional<std::string>& env_trace_dir,
                             std::string_view sapnwrfc_ini) {
  std::string folder =
      env_trace_dir.value_or(FindIniDefault(sapnwrfc_ini, "RFC_TRACE_DIR").value_or(std::string()));
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  return folder;
}

void SetAsideLargeLibraryLogs(FileSystem& fs, const std::string& folder) {
  for (const char* name : {"dev_rfc.log", "dev_rfc.trc"}) {
    const std::string path = folder + name;
    if (fs.FileSize(path) <= kMaxLibraryLogBytes) continue;
    // Moved aside under a name of this run's own first: of two runs that
    // both found the file large, only one gets it. A file another process
    // holds open stays where it is.
    std::string own;
    std::unique_ptr<WritableFile> placeholder;
    if (!fs.CreateTempFileBeside(path, &own, &placeholder).ok()) continue;
    static_cast<void>(placeholder->Close());
    if (!fs.ReplaceFile(path, own).ok()) {
      static_cast<void>(fs.RemoveFile(own));
      continue;
    }
    if (fs.FileSize(own) > kMaxLibraryLogBytes) {
      if (fs.ReplaceFile(own, path + ".old").ok()) continue;
    } else {
      // The other run moved the large file an instant before, and the
      // library began a new one: it goes back, after what came since.
      std::string content;
      if (!fs.ReadFile(own, &content).ok() || !fs.AppendToFile(path, content).ok()) continue;
    }
    static_cast<void>(fs.RemoveFile(own));
  }
}

std::variant<std::unique_ptr<SapConnection>, LogonRefused, FatalFailure> NetWeaverSapLibrary::Open(
    LogonRequest request, const CallLogger& log) {
  // The entry is in the text the caller put in place: the logon itself
  // needs the file no more.
  request.ini_lock.reset();
  const NetWeaverLogon logon = BuildNetWeaverLogon(request);
  for (const std::string& note : logon.notes) log.Write(0, "RfcOpenConnection", note);
  if (!logon.refusal.empty()) {
    log.Write(0, "RfcOpenConnection refused", logon.refusal);
    return LogonRefused{"", logon.refusal};
  }
  const auto& parameters = logon.parameters;

  std::vector<std::pair<std::u16string, std::u16string>> texts;
  texts.reserve(parameters.size());
  for (const auto& [name, value] : parameters)
    texts.emplace_back(ToSapText(name), ToSapText(value));
  std::vector<nwrfc::RFC_CONNECTION_PARAMETER> records;
  for (const auto& [name, value] : texts) records.push_back({name.c_str(), value.c_str()});
  nwrfc::RFC_ERROR_INFO info{};
  nwrfc::RFC_CONNECTION_HANDLE handle =
      functions_.RfcOpenConnection(records.data(), static_cast<unsigned>(records.size()), &info);
  if (handle == nullptr) {
    log.Write(OpenCount(), "RfcOpenConnection called");
    log.Write(0, "RfcOpenConnection failed",
              RecordText(info.key, 128) + ": " + RecordText(info.message, 512));
    // Only RFC_LOGON_FAILURE is SAP's refusal of user and password. Code 30,
    // RFC_AUTHENTICATION_FAILURE in late 7.50 libraries, is the list's end
    // marker in the earlier ones, so it cannot tell a refused password.
    return LogonRefused{RecordText(info.key, 128), RecordText(info.message, 512),
                        info.code == nwrfc::RFC_LOGON_FAILURE};
  }
  const std::uint64_t ticket = Register(handle);
  log.Write(OpenCount(), "RfcOpenConnection called");
  return std::make_unique<NetWeaverConnection>(*this, handle, ticket, log);
}

std::string NetWeaverSapLibrary::LastErrorText() {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_error_text_.empty() ? std::string(" - Please Check Trace-File !") : last_error_text_;
}

void NetWeaverSapLibrary::DiscardErrorTrail() { fs_.RemoveFile(kTraceFileName); }

void NetWeaverSapLibrary::CloseAll() {
  std::map<nwrfc::RFC_CONNECTION_HANDLE, Owner> owned;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    owned.swap(owners_);
  }
  for (const auto& [handle, owner] : owned) {
    nwrfc::RFC_ERROR_INFO info{};
    functions_.RfcCloseConnection(handle, &info);
  }
}

int NetWeaverSapLibrary::OpenCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(owners_.size());
}

std::uint64_t NetWeaverSapLibrary::Register(nwrfc::RFC_CONNECTION_HANDLE handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  // A value an older owner still holds was freed by the library inside a
  // call of that owner that has not returned yet: it is this one's now.
  Owner& owner = owners_[handle];
  owner = Owner{next_ticket_++};
  return owner.ticket;
}

bool NetWeaverSapLibrary::EnterCall(nwrfc::RFC_CONNECTION_HANDLE handle, std::uint64_t ticket) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = owners_.find(handle);
  if (it == owners_.end() || it->second.ticket != ticket || it->second.canceled) return false;
  it->second.in_call = true;
  return true;
}

void NetWeaverSapLibrary::LeaveCall(nwrfc::RFC_CONNECTION_HANDLE handle, std::uint64_t ticket,
                                    nwrfc::RFC_RC code) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = owners_.find(handle);
  if (it == owners_.end() || it->second.ticket != ticket) return;
  it->second.in_call = false;
  switch (code) {
    case nwrfc::RFC_COMMUNICATION_FAILURE:
    case nwrfc::RFC_ABAP_RUNTIME_FAILURE:
    case nwrfc::RFC_ABAP_MESSAGE:
    case nwrfc::RFC_CLOSED:
    case nwrfc::RFC_CANCELED:
    case nwrfc::RFC_TIMEOUT:
      // The library has closed the connection and may hand the value to
      // the next logon in any thread.
      owners_.erase(it);
      break;
    default:
      break;
  }
}

bool NetWeaverSapLibrary::Cancel(nwrfc::RFC_CONNECTION_HANDLE handle, std::uint64_t ticket) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = owners_.find(handle);
  if (it == owners_.end() || it->second.ticket != ticket || it->second.canceled) return false;
  it->second.canceled = true;
  // Between two calls nothing waits on the handle: the next call is simply
  // not made, and the handle is closed as usual.
  if (!it->second.in_call) return false;
  // Under the lock, so that no other thread registers the value between
  // the check and the cancel. RfcCancel only signals the call in progress;
  // it does not wait for the partner.
  nwrfc::RFC_ERROR_INFO info{};
  functions_.RfcCancel(handle, &info);
  owners_.erase(it);
  return true;
}

bool NetWeaverSapLibrary::Release(nwrfc::RFC_CONNECTION_HANDLE handle, std::uint64_t ticket) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = owners_.find(handle);
  if (it == owners_.end() || it->second.ticket != ticket) return false;
  owners_.erase(it);
  return true;
}

void NetWeaverSapLibrary::RememberLastError(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  last_error_text_ = text;
}

FatalFailure NetWeaverSapLibrary::Fatal(std::string operation, nwrfc::RFC_RC code,
                                        const nwrfc::RFC_ERROR_INFO& info) {
  FatalFailure fatal;
  fatal.operation = std::move(operation);
  fatal.record.key = RecordText(info.key, 128).substr(0, 32);
  const nwrfc::SAP_UC* name = functions_.RfcGetRcAsString(code);
  fatal.record.status = name != nullptr ? RecordText(name, 64) : std::to_string(code);
  fatal.record.message = RecordText(info.message, 512).substr(0, 255);
  return fatal;
}

}  // namespace tidewarden

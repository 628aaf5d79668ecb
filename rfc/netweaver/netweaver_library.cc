#include "rfc/netweaver/netweaver_library.h"

#include <utility>
#include <vector>

#include "platform/system.h"
#include "rfc/ini_entry.h"
#include "rfc/library_files.h"
#include "rfc/netweaver/logon_parameters.h"
#include "rfc/netweaver/netweaver_connection.h"
#include "rfc/netweaver/sap_text.h"

namespace tidewarden {
namespace {

// The NetWeaver library's own settings, in the working directory.
constexpr const char* kNwIniFile = "sapnwrfc.ini";

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

Result<void, FatalFailure> NetWeaverSapLibrary::Prepare(const CallLogger&) {
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
  return {};
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

Result<std::unique_ptr<SapConnection>, OpenFailure> NetWeaverSapLibrary::Open(
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

Status NetWeaverSapLibrary::DiscardErrorTrail() { return fs_.RemoveFile(kTraceFileName); }

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

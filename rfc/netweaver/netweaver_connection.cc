#include "rfc/netweaver/netweaver_connection.h"

#include <algorithm>
#include <utility>

#include "rfc/netweaver/sap_text.h"
#include "rfc/record_conversions.h"

namespace tidewarden {

using nwrfc::RFC_RC;

struct NetWeaverConnection::CallEnd {
  std::optional<CallFailure> failure;
  std::optional<FatalFailure> fatal;
  // The function's destroy failed after its fields were read.
  std::optional<FatalFailure> destroy_fatal;
};

Result<std::string, FatalFailure> FieldReader::Text(const char* structure, const char* field) {
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
  return RecordText(buffer.data(), std::min<std::size_t>(length, buffer.size() - 1));
}

template <typename Read>
NetWeaverConnection::CallEnd NetWeaverConnection::Call(const char* function,
                                                       const Exporting& exporting, Read read) {
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
      if (Result<void, FatalFailure> read_fields = read(reader); !read_fields.ok()) {
        end.fatal = std::move(read_fields).error();
      }
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
                     [&clock](FieldReader& reader) -> Result<void, FatalFailure> {
                       auto stamp = reader.Text(nullptr, "LASTCOLLWRT");
                       if (!stamp.ok()) return stamp.error();
                       ConvertCollectorTimestamp(FitToWidth(*stamp, 25), &clock.date, &clock.time);
                       return {};
                     });
  if (end.fatal) return *end.fatal;
  if (end.destroy_fatal) return *end.destroy_fatal;
  if (end.failure) return *end.failure;
  return clock;
}

SapResult<SystemInfo> NetWeaverConnection::ReadSystemInfo() {
  SystemInfo system;
  CallEnd end =
      Call("RFC_SYSTEM_INFO", {}, [&system](FieldReader& reader) -> Result<void, FatalFailure> {
        auto host = reader.Text("RFCSI_EXPORT", "RFCHOST");
        if (!host.ok()) return host.error();
        auto db_system_name = reader.Text("RFCSI_EXPORT", "RFCDBSYS");
        if (!db_system_name.ok()) return db_system_name.error();
        system.host = FitToWidth(*host, 8);
        system.db_system_name = FitToWidth(*db_system_name, 10);
        return {};
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
           [&list](FieldReader& reader) -> Result<void, FatalFailure> {
             // A figure wider than its classic field is read whole: no digit is lost.
             const std::pair<const char*, std::int32_t*> figures[] = {
                 {"LOGWRITES", &list.log_writes}, {"WAIT_BUSY", &list.wait_busy},
                 {"ROLLBACKS", &list.rollbacks},  {"LOGSIZE", &list.log_size},
                 {"LOGALLOC", &list.log_alloc},
             };
             for (const auto& [field, value] : figures) {
               auto text = reader.Text("DBORA", field);
               if (!text.ok()) return text.error();
               *value = ConvertRecordField(*text);
             }
             return {};
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

}  // namespace tidewarden

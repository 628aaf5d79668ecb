#include "rfc/classic/call_pattern.h"

#include <cstring>

#include "base/text.h"

namespace tidewarden {

ErrorRecord ReadErrorRecord(const ClassicRfcFunctions* library) {
  RFC_ERROR_INFO info;
  std::memset(&info, 0, sizeof info);
  if (library != nullptr && library->RfcLastError != nullptr) library->RfcLastError(&info);
  return ErrorRecord{FixedFieldText(info.key, sizeof info.key),
                     FixedFieldText(info.status, sizeof info.status),
                     FixedFieldText(info.message, sizeof info.message),
                     FixedFieldText(info.intstat, sizeof info.intstat)};
}

FatalFailure FatalNow(const ClassicRfcFunctions* library, std::string operation) {
  return FatalFailure{std::move(operation), ReadErrorRecord(library)};
}

RFC_RC CallFunctionModule(const ClassicRfcFunctions& library, RFC_HANDLE handle,
                          const CallLogger& log, const char* function, RFC_PARAMETER* exporting,
                          RFC_PARAMETER* importing, RFC_TABLE* tables, std::string* exception) {
  RFC_RC code = library.RfcCall(handle, const_cast<char*>(function), exporting, tables);
  log.Write(static_cast<std::int32_t>(handle), "RfcCall called");
  if (code != RFC_OK) return code;
  char* exception_name = nullptr;
  code = library.RfcReceive(handle, importing, tables, &exception_name);
  log.Write(static_cast<std::int32_t>(handle), "RfcReceive called");
  if ((code == RFC_EXCEPTION || code == RFC_SYS_EXCEPTION) && exception_name != nullptr) {
    // The exception buffer of the calling step holds 255 characters.
    *exception = FixedFieldText(exception_name, 255);
  }
  return code;
}

Result<void, FatalFailure> InstallStructure(const ClassicRfcFunctions& library, const char* name,
                                            std::span<RFC_TYPE_ELEMENT> elements,
                                            InstalledStructure* structure) {
  if (structure->installed) return {};
  if (library.RfcInstallStructure(RfcName(name), elements.data(),
                                  static_cast<unsigned>(elements.size()),
                                  &structure->type) != RFC_OK) {
    return FatalNow(&library, "RfcInstallStructure");
  }
  structure->installed = true;
  return {};
}

Result<void, FatalFailure> CreateTable(const ClassicRfcFunctions& library, const char* name,
                                       unsigned row_length, ITAB_H* table) {
  *table = library.ItCreate(const_cast<char*>(name), row_length, 0, 0);
  if (*table == nullptr) return FatalNow(&library, std::string("ItCreate ") + name);
  return {};
}

Result<void, FatalFailure> DeleteTable(const ClassicRfcFunctions& library, const char* name,
                                       ITAB_H table) {
  if (library.ItDelete(table) != 0) return FatalNow(&library, std::string("ItDelete ") + name);
  return {};
}

}  // namespace tidewarden

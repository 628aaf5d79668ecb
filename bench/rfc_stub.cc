// A reference RFC library for bench/run: PRD's answers to the probe's three calls, nothing else.
//
// The simulated library parses its description and builds every answer
// field by field, which is a fair part of what a run with it costs. Run
// beside a copy of the probe instead of it, this library shows what the
// probe itself costs with a vendor library that costs nearly nothing. It
// answers only what the probe reads; bench/run checks that the probe's
// document with it is the very document of the simulated run.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "rfc/classic/record_layouts.h"
#include "rfc/classic/saprfc.h"

namespace {

// RFCSI as the probe installs it: character fields only, so each offset is
// the sum of the lengths before it.
constexpr std::size_t kRfcsiHostOffset = 45;
constexpr std::size_t kRfcsiDbSysOffset = 101;

bool Named(const RFC_PARAMETER& parameter, const char* name) {
  return parameter.nlen == std::strlen(name) &&
         std::memcmp(parameter.name, name, parameter.nlen) == 0;
}

// Right-aligned digits, as the database monitor writes its numbers.
void PutNumber(char* record, tidewarden::RecordField field, long value) {
  char digits[32];
  int n = std::snprintf(digits, sizeof digits, "%ld", value);
  std::memset(record + field.offset, ' ', field.length);
  std::memcpy(record + field.offset + field.length - static_cast<std::size_t>(n), digits,
              static_cast<std::size_t>(n));
}

}  // namespace

extern "C" {

void SAP_API RfcEnvironment(RFC_ENV*) {}

RFC_HANDLE SAP_API RfcOpen(RFC_OPTIONS*) { return 1; }

RFC_HANDLE SAP_API RfcOpenEx(char*, RFC_ERROR_INFO_EX*) { return 1; }

void SAP_API RfcClose(RFC_HANDLE) {}

int SAP_API RfcLastError(RFC_ERROR_INFO* error_info) {
  std::memset(error_info, 0, sizeof *error_info);
  return 0;
}

RFC_RC SAP_API RfcInstallStructure(char*, RFC_TYPE_ELEMENT*, unsigned int,
                                   RFC_TYPEHANDLE* type_handle) {
  *type_handle = 100;
  return RFC_OK;
}

RFC_RC SAP_API RfcCall(RFC_HANDLE, char*, RFC_PARAMETER*, RFC_TABLE*) { return RFC_OK; }

RFC_RC SAP_API RfcReceive(RFC_HANDLE, RFC_PARAMETER* parameters, RFC_TABLE*, char**) {
  for (RFC_PARAMETER* p = parameters; p->name != nullptr; ++p) {
    char* field = static_cast<char*>(p->addr);
    if (Named(*p, "LASTCOLLWRT")) {
      std::time_t now = std::time(nullptr);
      std::tm local{};
      localtime_r(&now, &local);
      char stamp[32];
      std::strftime(stamp, sizeof stamp, "%a %b %e %H:%M:%S %Y", &local);
      std::memset(field, ' ', p->leng);
      std::memcpy(field, stamp, std::min<std::size_t>(std::strlen(stamp), p->leng));
    } else if (Named(*p, "RFCSI_EXPORT")) {
      std::memset(field, ' ', p->leng);
      std::memcpy(field + kRfcsiHostOffset, "sapprd01", 8);
      std::memcpy(field + kRfcsiDbSysOffset, "ORACLE", 6);
    } else if (Named(*p, "DBORA")) {
      std::memset(field, ' ', p->leng);
      PutNumber(field, tidewarden::kLogSizeField, 1310720);
      PutNumber(field, tidewarden::kLogAllocField, 40960);
      PutNumber(field, tidewarden::kRollbacksField, 5120);
      PutNumber(field, tidewarden::kLogWritesField, 1843221);
      PutNumber(field, tidewarden::kWaitBusyField, 17);
    } else {
      std::memset(field, 0, p->leng);
    }
  }
  return RFC_OK;
}

ITAB_H SAP_API ItCreate(char*, unsigned int, unsigned int, unsigned int) { return std::malloc(1); }

int SAP_API ItDelete(ITAB_H table) {
  std::free(table);
  return 0;
}

}  // extern "C"

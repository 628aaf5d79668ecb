// RFC_SYSTEM_INFO: which database the SAP system runs on, and the host
// name it reports.
#include <cstring>

#include "base/text.h"
#include "rfc/classic/call_pattern.h"
#include "rfc/classic/classic_connection.h"

namespace tidewarden {
namespace {

constexpr StructureElement kRfcsiFields[] = {
    {"RFCPROTO", TYPC, 3},   {"RFCCHARTYP", TYPC, 4}, {"RFCINTTYP", TYPC, 3},
    {"RFCFLOTYP", TYPC, 3},  {"RFCDEST", TYPC, 32},   {"RFCHOST", TYPC, 8},
    {"RFCSYSID", TYPC, 8},   {"RFCDATABS", TYPC, 8},  {"RFCDBHOST", TYPC, 32},
    {"RFCDBSYS", TYPC, 10},  {"RFCSAPRL", TYPC, 4},   {"RFCMACH", TYPC, 5},
    {"RFCOPSYS", TYPC, 10},  {"RFCTZONE", TYPC, 6},   {"RFCDAYST", TYPC, 1},
    {"RFCIPADDR", TYPC, 15}, {"RFCKERNRL", TYPC, 4},  {"RFCSI_RESV", TYPC, 44},
};
auto kRfcsiElements = Elements(kRfcsiFields);

constexpr unsigned kRfcsiLength = 200;
constexpr std::size_t kHostOffset = 45;
constexpr std::size_t kHostLength = 8;
constexpr std::size_t kDbSysOffset = 101;
constexpr std::size_t kDbSysLength = 10;

}  // namespace

SapResult<SystemInfo> ClassicConnection::ReadSystemInfo() {
  StructureTypes& types = library_.types();
  if (auto done = InstallStructure(table_, "RFCSI", kRfcsiElements, &types.rfcsi); !done.ok())
    return done.error();
  std::int32_t current_resources = 0, maximal_resources = 0, recommended_delay = 0;
  char dialog_user_type[1] = {0};
  char login_complete[1] = {0};
  char rfcsi[kRfcsiLength];
  std::memset(rfcsi, 0, sizeof rfcsi);
  RFC_PARAMETER exporting[] = {RFC_PARAMETER{}};
  RFC_PARAMETER importing[] = {
      RfcParameter("CURRENT_RESOURCES", TYPINT, 4, &current_resources),
      RfcParameter("DIALOG_USER_TYPE", TYPC, 1, dialog_user_type),
      RfcParameter("MAXIMAL_RESOURCES", TYPINT, 4, &maximal_resources),
      RfcParameter("RECOMMENDED_DELAY", TYPINT, 4, &recommended_delay),
      RfcParameter("RFCSI_EXPORT", types.rfcsi.type, kRfcsiLength, rfcsi),
      RfcParameter("RFC_LOGIN_COMPLETE", TYPC, 1, login_complete),
      RFC_PARAMETER{},
  };
  RFC_TABLE tables[] = {RFC_TABLE{}};
  std::string exception;
  RFC_RC code = CallFunctionModule(table_, handle_, log_, "RFC_SYSTEM_INFO", exporting, importing,
                                   tables, &exception);
  if (code != RFC_OK) return Failed(code, exception);
  return SystemInfo{FixedFieldText(rfcsi + kHostOffset, kHostLength),
                    FixedFieldText(rfcsi + kDbSysOffset, kDbSysLength)};
}

}  // namespace tidewarden

#include "tests/fake_rfc_library.h"

#include <cstring>

#include "rfc/classic/record_layouts.h"

namespace tidewarden {
namespace {

FakeRfc* g_fake = nullptr;

std::string Name(void* name, unsigned length) {
  return std::string(static_cast<const char*>(name), length);
}

std::optional<std::string> Text(const char* text) {
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

void SAP_API Environment(RFC_ENV* environment) { g_fake->handler = environment->errorhandler; }

RFC_HANDLE SAP_API Open(RFC_OPTIONS* options) {
  FakeRfc::OpenSeen seen;
  seen.destination = options->destination;
  seen.client = options->client;
  seen.user = options->user;
  seen.password = options->password;
  seen.language = options->language;
  seen.mode = options->mode;
  if (options->mode == RFC_MODE_CPIC) {
    auto* cpic = static_cast<RFC_CONNOPT_CPIC*>(options->connopt);
    seen.gwhost = Text(cpic->gateway_host);
    seen.gwservice = Text(cpic->gateway_service);
  } else {
    auto* r3 = static_cast<RFC_CONNOPT_R3*>(options->connopt);
    seen.hostname = Text(r3->hostname);
    seen.sysnr = r3->sysnr;
    seen.gwhost = Text(r3->gateway_host);
    seen.gwservice = Text(r3->gateway_service);
  }
  g_fake->opens.push_back(seen);
  g_fake->calls.push_back("RfcOpen");
  return g_fake->open_result;
}

RFC_HANDLE SAP_API OpenEx(char* connect, RFC_ERROR_INFO_EX*) {
  g_fake->connect_strings.push_back(connect);
  g_fake->calls.push_back("RfcOpenEx");
  if (g_fake->on_open_ex) g_fake->on_open_ex();
  return g_fake->open_result;
}

void SAP_API Close(RFC_HANDLE handle) { g_fake->closed.push_back(handle); }

int SAP_API LastError(RFC_ERROR_INFO* info) {
  *info = g_fake->last_error;
  return 0;
}

RFC_RC SAP_API Install(char* name, RFC_TYPE_ELEMENT*, unsigned, RFC_TYPEHANDLE* type) {
  g_fake->installed.push_back(name);
  if (g_fake->fail_install) return RFC_FAILURE;
  *type = static_cast<RFC_TYPEHANDLE>(100 + g_fake->installed.size());
  return RFC_OK;
}

std::string g_current_function;

RFC_RC SAP_API Call(RFC_HANDLE, char* function, RFC_PARAMETER* exporting, RFC_TABLE*) {
  g_current_function = function;
  g_fake->calls.push_back("RfcCall " + g_current_function);
  for (RFC_PARAMETER* p = exporting; p != nullptr && p->name != nullptr; ++p) {
    g_fake->exported_values.push_back(Name(p->name, p->nlen) + "=" +
                                      std::string(static_cast<char*>(p->addr), p->leng));
  }
  return g_fake->answers[g_current_function].call;
}

void Fill(RFC_PARAMETER* parameter, const std::string& value) {
  std::memset(parameter->addr, ' ', parameter->leng);
  std::memcpy(parameter->addr, value.data(), std::min<std::size_t>(value.size(), parameter->leng));
}

RFC_RC SAP_API Receive(RFC_HANDLE, RFC_PARAMETER* importing, RFC_TABLE*, char** exception) {
  g_fake->calls.push_back("RfcReceive");
  FakeRfc::Answer& answer = g_fake->answers[g_current_function];
  if (answer.receive != RFC_OK) {
    *exception = answer.exception.empty() ? nullptr : answer.exception.data();
    return answer.receive;
  }
  for (RFC_PARAMETER* p = importing; p != nullptr && p->name != nullptr; ++p) {
    std::string name = Name(p->name, p->nlen);
    if (name == "LASTCOLLWRT") Fill(p, g_fake->lastcollwrt);
    if (name == "RFCSI_EXPORT") {
      std::string record(200, ' ');
      record.replace(45, 8, (g_fake->rfchost + std::string(8, ' ')).substr(0, 8));
      record.replace(101, 10, (g_fake->rfcdbsys + std::string(10, ' ')).substr(0, 10));
      Fill(p, record);
    }
    if (name == "DBORA") {
      std::string record(kTst04Length, ' ');
      const std::map<std::string, RecordField> fields = {
          {"LOGWRITES", kLogWritesField}, {"WAIT_BUSY", kWaitBusyField},
          {"ROLLBACKS", kRollbacksField}, {"LOGSIZE", kLogSizeField},
          {"LOGALLOC", kLogAllocField}};
      for (const auto& [field, value] : g_fake->dbora_fields) {
        RecordField f = fields.at(field);
        std::string text = value.size() < f.length
                               ? std::string(f.length - value.size(), ' ') + value
                               : value.substr(0, f.length);
        record.replace(f.offset, f.length, text);
      }
      Fill(p, record);
    }
  }
  return RFC_OK;
}

int g_table_token = 0;

ITAB_H SAP_API Create(char* name, unsigned, unsigned, unsigned) {
  g_fake->calls.push_back(std::string("ItCreate ") + name);
  if (g_fake->fail_create) return nullptr;
  return &g_table_token;
}

int SAP_API Delete(ITAB_H) {
  g_fake->calls.push_back("ItDelete");
  return g_fake->fail_delete ? 1 : 0;
}

}  // namespace

FakeRfc& FakeRfc::Get() {
  if (g_fake == nullptr) g_fake = new FakeRfc();
  return *g_fake;
}

void FakeRfc::Reset() {
  delete g_fake;
  g_fake = new FakeRfc();
}

ClassicRfcFunctions FakeRfc::Table() {
  Get();
  ClassicRfcFunctions table;
  table.RfcEnvironment = &Environment;
  table.RfcOpen = &Open;
  table.RfcOpenEx = &OpenEx;
  table.RfcClose = &Close;
  table.RfcLastError = &LastError;
  table.RfcInstallStructure = &Install;
  table.RfcCall = &Call;
  table.RfcReceive = &Receive;
  table.ItCreate = &Create;
  table.ItDelete = &Delete;
  return table;
}

}  // namespace tidewarden

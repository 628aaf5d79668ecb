// Logs on as a run does, through the classic library over the scripted one,
// for the tests of the logon and of the library behind the seam.
#ifndef TIDEWARDEN_TESTS_LOGON_FIXTURE_H_
#define TIDEWARDEN_TESTS_LOGON_FIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <variant>

#include "base/call_log.h"
#include "collect/logon_preparation.h"
#include "driver/run_options.h"
#include "tests/fake_file_system.h"
#include "tests/fake_rfc_library.h"
#include "tests/fake_system.h"

namespace tidewarden {

class LogonFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeRfc::Reset();
    sap_ = std::make_unique<FakeSapLibrary>(fs_, console_);
    ASSERT_TRUE(sap_->sap.Prepare(Logger()).ok());
    parameters_.destination = "PRD";
    parameters_.client = "100";
    parameters_.user = "AB";
    parameters_.password = "secret";
    parameters_.language = "E";
    parameters_.mode = "R/3";
    parameters_.hostname = "sapprd01";
    parameters_.sysnr = "00";
  }
  void SetOptions(const std::string& text) { ReadOptionText(text, &options_); }
  FakeRfc& rfc() { return FakeRfc::Get(); }
  CallLogger Logger() { return CallLogger{&log_, options_.syslog, ""}; }
  // Logs on as a run does; the library's handle, or 0.
  RFC_HANDLE Open() {
    auto request = PrepareLogon(fs_, console_, Logger(),
                                MakeLogonParameters(parameters_, options_.host, &kept_sysnr_));
    if (!request.ok()) return 0;
    auto opened = sap_->sap.Open(std::move(*request), Logger());
    if (!opened.ok()) return 0;
    connection_ = std::move(opened).value();
    return rfc().open_result;
  }
  SapConnection& connection() {
    if (connection_ == nullptr) Open();
    return *connection_;
  }

  FakeFileSystem fs_;
  StringConsole console_;
  CallLog log_{fs_};
  RunOptions options_;
  std::unique_ptr<FakeSapLibrary> sap_;
  std::unique_ptr<SapConnection> connection_;
  ConnectionParameters parameters_;
  std::int32_t kept_sysnr_ = 0;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_TESTS_LOGON_FIXTURE_H_

// The remote steps of a listing pass on threads of their own, against the
// simulated NetWeaver library: outcomes in listing order, whatever order
// the systems end in, and a deadline that cancels a hanging call.
#include "collect/measure_pool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "rfc/netweaver/netweaver_library.h"
#include "sim/sim_control.h"
#include "tests/fake_file_system.h"

namespace tidewarden {
namespace {

class MeasurePoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("tidewarden_pool_" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    sim::Reset();
    std::filesystem::remove_all(dir_);
  }
  // Systems S1, S2, ... whose clock call waits the given seconds.
  void Describe(const std::vector<const char*>& delays) {
    std::ofstream file(dir_ / "SapSim.txt", std::ios::binary);
    for (std::size_t i = 0; i < delays.size(); ++i) {
      file << "[S" << i + 1 << "]\nhost = s" << i + 1 << "\nsysnr = 00\nclient = 100\n"
           << "user = MONITOR\npassword = Secret12\nLOGSIZE = 100\nLOGALLOC = " << i + 1
           << "\ndelay.GET_CPU_ALL = " << delays[i] << "\n";
    }
  }
  LogonRequest Request(int system) {
    LogonRequest request;
    request.parameters.hostname = "s" + std::to_string(system);
    request.parameters.client = "100";
    request.parameters.user = "MONITOR";
    request.parameters.password = "Secret12";
    request.parameters.language = "E";
    return request;
  }

  std::filesystem::path dir_;
  FakeFileSystem fs_;
  NetWeaverSapLibrary sap_{sim::SimulatedNwRfcFunctions(), fs_};
  std::shared_ptr<CallLog> log_ = std::make_shared<CallLog>(fs_);
};

TEST_F(MeasurePoolTest, OutcomesInListingOrderAndADeadlineForAHangingCall) {
  const struct {
    std::vector<const char*> delays;
    int slots;
    std::optional<double> timeout;
    std::size_t past_deadline;  // the system the deadline fails, or 9
  } rows[] = {
      {{"0.3", "0.2", "0.1", "0"}, 4, std::nullopt, 9},  // reverse order of ending
      {{"0.1", "0", "0.1", "0"}, 2, 30.0, 9},            // fewer slots than systems
      {{"0", "3600", "0"}, 2, 0.3, 1},                   // a hanging call fails alone
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.slots);
    sim::Reset();
    sim::SetWorkingDirectory(dir_.string());
    Describe(row.delays);
    MeasurePool pool(sap_, log_, row.slots, row.timeout);
    std::vector<std::size_t> tickets;
    for (std::size_t i = 0; i < row.delays.size(); ++i) {
      while (!pool.HasFreeSlot()) pool.WaitForChange();
      tickets.push_back(pool.Start(Request(static_cast<int>(i) + 1), CallLogger{}));
    }
    for (std::size_t i = 0; i < tickets.size(); ++i) {
      while (!pool.Decided(tickets[i])) pool.WaitForChange();
      const SystemOutcome outcome = pool.TakeOutcome(tickets[i]);
      EXPECT_EQ(outcome.end, i == row.past_deadline ? MeasureEnd::kDeadline : MeasureEnd::kMeasured)
          << i;
      if (outcome.end == MeasureEnd::kMeasured) {
        EXPECT_EQ(outcome.figures.log_usage, static_cast<std::int32_t>(i) + 1);
      }
    }
    pool.CancelAll();
    pool.AwaitLogoffs(std::chrono::minutes(1));  // none hangs: all end
    EXPECT_EQ(sap_.OpenCount(), 0);
    EXPECT_EQ(sim::NwContractViolations(), std::vector<std::string>{});
    EXPECT_EQ(sim::NwLiveFunctions(), 0);
  }
}

// A system given up before its thread reached the logon never logs on: a
// wrong password would count towards locking the user.
TEST_F(MeasurePoolTest, NoLogonAfterTheCancel) {
  sim::Reset();
  sim::SetWorkingDirectory(dir_.string());
  Describe({"0"});
  MeasureControl control;
  control.Cancel();
  ListedMeasurement measured = MeasureListedSystem(sap_, Request(1), CallLogger{}, &control);
  EXPECT_EQ(measured.outcome.end, MeasureEnd::kDeadline);
  EXPECT_EQ(measured.logoff, nullptr);
  for (const std::string& line : sim::NwCallLog())
    EXPECT_NE(line.rfind("RfcOpenConnection", 0), 0u);
}

}  // namespace
}  // namespace tidewarden

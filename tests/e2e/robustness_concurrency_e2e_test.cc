// Simultaneous runs of the real probe against the simulated SAP system, in
// one folder, natively and under Wine: many processes running the same
// sensor while its totals grow, and sensors of different destinations (some
// logging on through per-destination ini files) at the same moment. After
// every run the profile is valid, and every run printed a well-formed
// document; none reports 1016 because another run held the profile open.
// (Simultaneous runs are not coordinated: one run's state may replace
// another's. Losing or corrupting the file is what must never happen.)
//
// The figures come from the environment, so CI runs a short version and
// scripts/stress the full one:
//   TIDEWARDEN_ROBUSTNESS_PROCESSES  processes at once (default 2)
//   TIDEWARDEN_ROBUSTNESS_RUNS       runs of each process (default 50)
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "tests/e2e/probe_runner.h"
#include "tests/profile_text.h"

namespace tidewarden::e2e {
namespace {

namespace fs = std::filesystem;

struct Sensor {
  std::string destination;
  std::string host;
  std::string sysnr;
  bool ini;  // logs on through "SapRfc.<DEST>"
};

const Sensor kSensors[] = {
    {"PRD", "sapprd01", "00", false},
    {"QAS", "sapqas01", "01", true},
    {"DEV", "sapdev01", "02", true},
    {"TST", "saptst01", "03", false},
};

std::string SensorProfile(const Sensor& s) {
  return ProfileText(s.destination, s.host, s.sysnr)
      .Prepend("* Sensor " + s.destination)
      .Set("Password...:", std::string(kStoredSecret12Other))
      .Append("* end of " + s.destination)
      .Bytes();
}

std::string Description(std::uint64_t step) {
  std::string text;
  for (const Sensor& s : kSensors) {
    text += "[" + s.destination + "]\nhost = " + s.host + "\nsysnr = " + s.sysnr +
            "\nclient = 100\nuser = MONITOR\npassword = Secret12\nLASTCOLLWRT = clock\n"
            "RFCDBSYS = ORACLE\nLOGWRITES = " +
            std::to_string(1843001 + 3 * step) + "\nWAIT_BUSY = " + std::to_string(17 + step / 2) +
            "\nROLLBACKS = " + std::to_string(5118 + step) + "\nLOGSIZE = 900\nLOGALLOC = 27\n";
  }
  return text;
}

int EnvironmentFigure(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

std::vector<std::string> Lines(const std::string& content) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// "" when `content` is a valid rewrite of `original`: each original line
// once and in order, exactly one state line (at most one when
// `measured` is false: a run that failed writes nothing), at most one
// history line.
std::string ProfileFault(const std::string& original, const std::string& content, bool measured) {
  std::vector<std::string> kept;
  int states = 0, histories = 0;
  for (const std::string& line : Lines(content)) {
    if (line.rfind("# Olg ", 0) == 0) {
      ++states;
      if (line.rfind("# Olg Date=", 0) != 0 || line.find(" Writes=") == std::string::npos ||
          line.find(" WaitBusy=") == std::string::npos ||
          line.find(" RollBacks=") == std::string::npos) {
        return "a broken state line: " + line;
      }
    } else if (line.rfind("# Olx ", 0) == 0) {
      ++histories;
    } else {
      kept.push_back(line);
    }
  }
  if (kept != Lines(original)) return "the profile's own lines changed";
  if (states > 1 || (measured && states == 0)) return std::to_string(states) + " state lines";
  if (histories > 1) return std::to_string(histories) + " history lines";
  return "";
}

// "" when `out` is the well-formed document of a single-system run, after
// the line that tells of a per-destination ini file.
std::string DocumentFault(const Sensor& sensor, std::string out) {
  const std::string ini_line = Text("* SapRfc.Ini.......: " + sensor.destination + "<\n");
  if (sensor.ini) {
    if (out.rfind(ini_line, 0) != 0) return "no ini line";
    out.erase(0, ini_line.size());
  }
  const std::string head =
      Text("\n<Prtg>\n\n<Text>(" + sensor.destination + ") Logging: LogWrites=");
  if (out.rfind(head, 0) != 0) return "no document head";
  if (!out.ends_with(Text("\n</Prtg>\n"))) return "no document end";
  std::size_t channels = 0;
  for (std::size_t at = out.find("<Result>"); at != std::string::npos;
       at = out.find("<Result>", at + 1)) {
    ++channels;
  }
  if (channels != 4) return std::to_string(channels) + " channels";
  return "";
}

class RobustnessConcurrencyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!probe_.RfcLibraryAvailable()) GTEST_SKIP() << "no simulator drop-in beside the probe";
    processes_ = EnvironmentFigure("TIDEWARDEN_ROBUSTNESS_PROCESSES", 2);
    runs_ = EnvironmentFigure("TIDEWARDEN_ROBUSTNESS_RUNS", 50);
    // Under Wine a first start may take long; later ones are quick.
    probe_.WithTimeout(std::chrono::seconds(120));
  }

  // The totals grow with every run: the description is replaced in one step
  // (written beside, renamed over), so no library reads half of it.
  void Grow(WorkDir& dir) {
    std::lock_guard<std::mutex> lock(grow_mutex_);
    const fs::path temp = dir.host_path() / "SapSim.txt.next";
    {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      out << Description(++step_);
    }
    fs::rename(temp, dir.host_path() / "SapSim.txt");
  }

  // `processes` workers, worker i running sensor `pick(i)` `runs` times,
  // each checking the profile and the document after every run.
  void RunWorkers(WorkDir& dir, const std::function<const Sensor&(int)>& pick) {
    for (const Sensor& s : kSensors) {
      dir.Write(s.destination + ".P00", SensorProfile(s));
      if (s.ini) {
        dir.Write("SapRfc." + s.destination, "DEST=" + s.destination + "\nTYPE=A\nASHOST=" +
                                                 s.host + "\nSYSNR=" + s.sysnr + "\n");
      }
    }
    Grow(dir);
    std::atomic<int> faults{0}, done{0};
    std::vector<std::thread> workers;
    for (int worker = 0; worker < processes_; ++worker) {
      workers.emplace_back([&, worker] {
        const Sensor& sensor = pick(worker);
        for (int run = 0; run < runs_ && faults < 10; ++run) {
          Grow(dir);
          RunResult r = probe_.Run(dir, {sensor.destination});
          ++done;
          wine_start_retries_ += r.wine_start_retries;
          std::string content;
          if (!ReadProfile(dir, sensor.destination + ".P00", &content)) {
            ++faults;
            ADD_FAILURE() << "worker " << worker << ", run " << run << ": the profile "
                          << sensor.destination << ".P00 is gone";
            continue;
          }
          // Under Wine only (see ReadProfile): a run that found the profile
          // missing for that moment.
          if (UnderWine() && r.exit_code == 2 &&
              r.out == Text("<Prtg>\n<Error>1</Error>\n<Text>Error 1002: Profile " +
                            sensor.destination + ".P00 is missing...</Text>\n</Prtg>\n")) {
            ++wine_gaps_;
            continue;
          }
          // The library reads the one "SapRfc.ini" of the folder; without the
          // folder's lock another destination's run could replace it between
          // this run's copy and its logon. Counted, and must not happen.
          const bool ini_replaced =
              sensor.ini && r.exit_code == 2 &&
              r.out == Text("* SapRfc.Ini.......: " + sensor.destination +
                            "<\n<Prtg>\n<Error>1</Error>\n<Text>Error 1011: RFC-Open for " +
                            sensor.destination + " failed !</Text>\n</Prtg>\n");
          if (ini_replaced) ++ini_replaced_;
          std::string fault = ProfileFault(SensorProfile(sensor), content, !ini_replaced);
          if (fault.empty() && r.exit_code != 0 && !ini_replaced) {
            fault = "exit code " + std::to_string(r.exit_code);
          }
          if (fault.empty() && !ini_replaced) fault = DocumentFault(sensor, r.out);
          if (!fault.empty()) {
            ++faults;
            ADD_FAILURE() << "worker " << worker << ", run " << run << " of " << sensor.destination
                          << ": " << fault << "\noutput:\n"
                          << r.out << r.err << "\nprofile:\n"
                          << content;
          }
        }
      });
    }
    for (std::thread& worker : workers) worker.join();
    EXPECT_EQ(ini_replaced_, 0) << "logons refused because another run replaced SapRfc.ini";
    std::cout << "[ figures  ] " << done << " runs by " << processes_ << " processes at once ("
              << (UnderWine() ? "Wine" : "native") << "), " << faults << " faults, "
              << ini_replaced_ << " logons refused because another destination's run had "
              << "replaced SapRfc.ini";
    int wine_leftovers = 0;
    for (const std::string& file : dir.Files()) {
      // Wine's ReplaceFileW moves the original aside as "rf*.tmp" before it
      // moves the new file in, and may leave it there.
      if (UnderWine() && file.rfind("rf", 0) == 0 && file.ends_with(".tmp")) {
        ++wine_leftovers;
        continue;
      }
      // Killed by nobody, so nothing may be left beside the profiles.
      EXPECT_EQ(file.find(".tmp"), std::string::npos) << file;
    }
    if (UnderWine()) {
      std::cout << "; Wine failed to start the probe " << wine_start_retries_
                << " times (started again)";
      std::cout << "; Wine's ReplaceFileW: the profile missing for a moment " << wine_gaps_
                << " times, " << wine_leftovers << " rf*.tmp files left";
    }
    std::cout << "\n";
  }

  // Reads a profile. Natively it is always there, since it is only ever
  // replaced by a rename. Wine's ReplaceFileW (unlike Windows') leaves a
  // moment without it: there the read is retried, and the gap counted.
  bool ReadProfile(const WorkDir& dir, const std::string& name, std::string* content) {
    for (int attempt = 0; attempt < (UnderWine() ? 200 : 1); ++attempt) {
      if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      std::ifstream in(dir.host_path() / name, std::ios::binary);
      if (!in) continue;
      content->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      if (attempt > 0) ++wine_gaps_;
      return true;
    }
    return false;
  }

  Probe probe_;
  int processes_ = 2;
  int runs_ = 50;
  std::mutex grow_mutex_;
  std::uint64_t step_ = 0;
  std::atomic<int> ini_replaced_{0};
  std::atomic<int> wine_gaps_{0};
  std::atomic<int> wine_start_retries_{0};
};

TEST_F(RobustnessConcurrencyTest, ManyProcessesRunTheSameSensor) {
  WorkDir dir;
  RunWorkers(dir, [](int) -> const Sensor& { return kSensors[0]; });
}

TEST_F(RobustnessConcurrencyTest, SensorsOfDifferentDestinationsRunAtOnce) {
  WorkDir dir;
  RunWorkers(dir, [](int worker) -> const Sensor& { return kSensors[worker % 4]; });
}

}  // namespace
}  // namespace tidewarden::e2e

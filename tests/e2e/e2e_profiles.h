// Sensor profiles, simulated SAP systems and expected documents shared by the
// end-to-end cases of measurements, listing runs and profile handling.
//
// Only *_e2e_test.cc files are compiled into the harness, so everything here
// is inline.
#ifndef TIDEWARDEN_TESTS_E2E_E2E_PROFILES_H_
#define TIDEWARDEN_TESTS_E2E_E2E_PROFILES_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/e2e/probe_runner.h"
#include "tests/profile_text.h"

namespace tidewarden::e2e {

// "Secret12" as `tidewarden-profile scramble` stores it (check digit 5, key
// offset 2, length 08).
inline constexpr std::string_view kStoredSecret12 = "67+6Hmt6ciuSY_*1lA#I.ujn";
// The same with the check digit 2: the header decodes, the check fails.
inline constexpr std::string_view kStoredWrongCheck = "17+6Hmt6ciuSY_*1lA#I.ujn";
// The same with the stored length 00: a valid form of no password.
inline constexpr std::string_view kStoredLengthZero = "67+>Hmt6ciuSY_*1lA#I.ujn";

// The collector timestamp of the fixed server clock, and its server day.
inline constexpr std::string_view kServerClock = "Tue Nov 18 09:05:00 2025";

// The line end of files the probe writes: CR LF on Windows.
inline std::string NativeEol() { return UnderWine() ? "\r\n" : "\n"; }

// Every line followed by `eol`.
inline std::string JoinLines(const std::vector<std::string>& lines, std::string_view eol = "\n") {
  std::string text;
  for (const std::string& line : lines) text.append(line).append(eol);
  return text;
}

// A sensor profile of an end-to-end case: a comment and the eleven entry
// lines, the gateway on the system's host.
inline ProfileText SensorProfile(std::string destination, std::string hostname, std::string sysnr,
                                 std::string client = "100") {
  ProfileText profile(std::move(destination), hostname, std::move(sysnr), std::move(client));
  profile.Prepend("; Sensor profile of an end-to-end case");
  profile.Set("Password...:", std::string(kStoredSecret12)).Set("Gwhost.....:", hostname);
  return profile;
}

// One system of the simulated SAP landscape (SapSim.txt), answering fixed
// figures so that documents are known to the byte.
struct SimSystem {
  SimSystem(std::string name_, std::string host_, std::string sysnr_)
      : name(std::move(name_)), host(std::move(host_)), sysnr(std::move(sysnr_)) {}

  std::string name;
  std::string host;
  std::string sysnr;
  std::string client = "100";
  std::string password = "Secret12";
  std::string clock = std::string(kServerClock);
  std::string logwrites = "1843221";
  std::string wait_busy = "17";
  std::string rollbacks = "5120";
  std::string logsize = "1310720";
  std::string logalloc = "40960";  // 3 per cent of LOGSIZE
  std::vector<std::string> more;   // further "key = value" lines, e.g. faults

  std::string Section() const {
    std::vector<std::string> lines = {
        "[" + name + "]",
        "host = " + host,
        "sysnr = " + sysnr,
        "client = " + client,
        "user = MONITOR",
        "password = " + password,
        "LASTCOLLWRT = \"" + clock + "\"",
        "LOGWRITES = " + logwrites,
        "WAIT_BUSY = " + wait_busy,
        "ROLLBACKS = " + rollbacks,
        "LOGSIZE = " + logsize,
        "LOGALLOC = " + logalloc,
    };
    lines.insert(lines.end(), more.begin(), more.end());
    return JoinLines(lines) + "\n";
  }
};

inline std::string SimDescription(const std::vector<SimSystem>& systems) {
  std::string text = "# Simulated SAP systems of an end-to-end case.\n\n";
  for (const SimSystem& system : systems) text += system.Section();
  return text;
}

// The simulated PRD with the fixed figures, as the example profile names it.
// Renames the import of KERNEL32.dll in the RFC library copied into `dir`'s
// "bin" to a DLL that is nowhere: the file is there but does not load.
inline void MakeRfcLibraryLackADll(WorkDir& dir) {
  const std::string file = "bin/" + Probe::RfcLibraryFileName();
  std::string bytes = dir.Read(file);
  for (std::size_t at = bytes.find("KERNEL32.dll"); at != std::string::npos;
       at = bytes.find("KERNEL32.dll", at)) {
    bytes.replace(at, 12, "TWABSENT.dll");
  }
  dir.Write(file, bytes);
}

inline SimSystem SimPrd() { return SimSystem{"PRD", "sapprd01", "00"}; }
inline ProfileText PrdProfile() { return SensorProfile("PRD", "sapprd01", "00"); }

// Expected documents, with "\n" line ends (compare through Text()).

inline std::string ErrorDocument(std::string_view message) {
  return "<Prtg>\n<Error>1</Error>\n<Text>" + std::string(message) + "</Text>\n</Prtg>\n";
}

inline std::string XmlChannel(std::string_view name, std::string_view value,
                              std::string_view unit = "") {
  std::string channel = "\n<Result><Channel>" + std::string(name) + "</Channel>";
  if (!unit.empty()) {
    channel += "\n<Unit>Custom</Unit>\n<CustomUnit>" + std::string(unit) + "</CustomUnit>";
  }
  return channel + "\n<Value>" + std::string(value) + "</Value></Result>\n";
}

// The text line of a measurement, the figures as printed (grouped).
inline std::string LoggingText(std::string_view destination, std::string_view writes,
                               std::string_view busy, std::string_view rollbacks,
                               std::string_view usage) {
  return "(" + std::string(destination) + ") Logging: LogWrites=" + std::string(writes) +
         ", WaitBusy=" + std::string(busy) + ", RollBacks=" + std::string(rollbacks) +
         ", LogUsage=" + std::string(usage) + "% ";
}

struct Figures {
  std::string writes, busy, rollbacks, usage;          // channel values
  std::string text_writes, text_busy, text_rollbacks;  // the same in the text line
};

// The whole XML document of a successful single-system run.
inline std::string MeasurementDocument(std::string_view destination, const Figures& f) {
  return "\n<Prtg>\n\n<Text>" +
         LoggingText(destination, f.text_writes, f.text_busy, f.text_rollbacks, f.usage) +
         "</Text>\n" + XmlChannel("LogWrites", f.writes) + XmlChannel("WaitBusy", f.busy) +
         XmlChannel("RollBacks", f.rollbacks) + XmlChannel("LogUsage", f.usage, "PerCent") +
         "\n</Prtg>\n";
}

// The state line the probe writes for the fixed clock and figures.
inline std::string StateLine(std::string_view date_time, std::string_view writes,
                             std::string_view busy, std::string_view rollbacks) {
  return "# Olg Date=" + std::string(date_time) + " Writes=" + std::string(writes) +
         " WaitBusy=" + std::string(busy) + " RollBacks=" + std::string(rollbacks);
}

// Progress lines carry the local time; compare them with every hh:mm:ss
// replaced by the letters.
inline std::string MaskTimes(std::string text) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  for (std::size_t i = 0; i + 8 <= text.size(); ++i) {
    if (digit(text[i]) && digit(text[i + 1]) && text[i + 2] == ':' && digit(text[i + 3]) &&
        digit(text[i + 4]) && text[i + 5] == ':' && digit(text[i + 6]) && digit(text[i + 7])) {
      text.replace(i, 8, "hh:mm:ss");
      i += 7;
    }
  }
  return text;
}

inline constexpr std::string_view kBanner = "* hh:mm:ss SAP Tidewarden Vers 4.3 / 29.08.22\n";

}  // namespace tidewarden::e2e

#endif  // TIDEWARDEN_TESTS_E2E_E2E_PROFILES_H_

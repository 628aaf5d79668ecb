// Shared helpers of the fuzzing harnesses.
#include "fuzz/fuzz_support.h"

#include <cstdio>

#include "profiles/password.h"

namespace tidewarden::fuzz {

// A model of its own, not the line reader it is checked against.
std::vector<std::string> WholeLines(std::string_view content) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < content.size()) {
    std::size_t end = content.find('\n', at);
    const bool last = end == std::string_view::npos;
    if (last) end = content.size();
    std::string line(content.substr(at, end - at));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    at = last ? content.size() : end + 1;
  }
  return lines;
}

std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7f && c != '\\') {
      out += c;
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02X", u);
      out += buffer;
    }
  }
  return out;
}

void CheckRunEnding(int code, const std::string& output) {
  FUZZ_CHECK(code == 0 || code == 2, "exit code " + std::to_string(code));
  if (code == 2) {
    FUZZ_CHECK(output.ends_with("</Text>\n</Prtg>\n"), Escaped(output));
    FUZZ_CHECK(output.find("<Prtg>\n<Error>1</Error>\n<Text>") != std::string::npos,
               Escaped(output));
  }
}

std::string SoundProfile() {
  static const std::string profile = [] {
    const std::string stored = ScramblePassword("Secret12", PasswordKeys(), 1).value();
    return "Extcompany.: ACME\nDestination: PRD\nClient.....: 100\nUser.......: monitor\n"
           "Password...: " +
           stored +
           "\nLanguage...: E\nMode.......: R/3\n"
           "Hostname...: sapprd01\nSysnr......: 00\nGwhost.....: gw01\nGwservice..: sapgw00\n";
  }();
  return profile;
}

namespace {

bool IsStateOrHistory(const std::string& line) {
  return line.compare(0, 6, "# Olg ") == 0 || line.compare(0, 6, "# Olx ") == 0;
}

}  // namespace

std::string CheckRewrittenProfile(std::string_view before, std::string_view after) {
  std::vector<std::string> kept;
  for (const std::string& line : WholeLines(before)) {
    if (!IsStateOrHistory(line)) kept.push_back(line);
  }
  // The rewrite writes LF line ends here; a kept line may itself hold a CR.
  const std::vector<std::string> lines = WholeLines(after);
  if (lines.size() < kept.size() + 1) return "lines were lost";
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (lines[i] != kept[i]) return "line " + std::to_string(i + 1) + " changed";
  }
  const std::size_t rest = lines.size() - kept.size();
  if (rest > 2) return "more than a state and a history line were added";
  if (lines[kept.size()].compare(0, 11, "# Olg Date=") != 0) return "no state line";
  if (rest == 2 && lines[kept.size() + 1].compare(0, 6, "# Olx ") != 0) return "no history line";
  return "";
}

}  // namespace tidewarden::fuzz

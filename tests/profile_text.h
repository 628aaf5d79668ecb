// The text of a sensor profile for the tests: the eleven entry lines of a
// sound profile in the order an administrator writes them, with lines before
// and after. Header-only apart from StoredPassword, so that the end-to-end
// harness, which links no probe code, can use it too.
#ifndef TIDEWARDEN_TESTS_PROFILE_TEXT_H_
#define TIDEWARDEN_TESTS_PROFILE_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tidewarden {

// "Secret12" as the profile tool stored it for the robustness cases; each
// scramble differs, and every form reads back the same.
inline constexpr std::string_view kStoredSecret12Other = ";3+6Na|=IGQY>-lhW<CJ&{hf";

// `clear_text` as the probe's scrambler stores it with `seed` (unit tests
// only: it needs the password code).
std::string StoredPassword(std::string_view clear_text, std::uint32_t seed = 1);

class ProfileText {
 public:
  // The password line stays empty until set: its stored form depends on who
  // scrambled it.
  explicit ProfileText(std::string destination = "PRD", std::string hostname = "sapprd01",
                       std::string sysnr = "00", std::string client = "100") {
    entries_ = {{"Extcompany.:", "ACME"},
                {"Destination:", std::move(destination)},
                {"Client.....:", std::move(client)},
                {"User.......:", "monitor"},
                {"Password...:", ""},
                {"Language...:", "E"},
                {"Mode.......:", "R/3"},
                {"Hostname...:", std::move(hostname)},
                {"Sysnr......:", std::move(sysnr)},
                {"Gwhost.....:", "gw01"},
                {"Gwservice..:", "sapgw00"}};
    for (auto& [label, line] : entries_) line = label + " " + line;
  }

  // Replaces the value of `label` (e.g. "Client.....:").
  ProfileText& Set(std::string_view label, const std::string& value) {
    return SetLine(label, std::string(label) + " " + value);
  }
  // Replaces the whole line of `label` by `line`, exactly as given; an empty
  // line drops it.
  ProfileText& SetLine(std::string_view label, std::string line) {
    for (auto& entry : entries_) {
      if (entry.first == label) entry.second = std::move(line);
    }
    return *this;
  }
  ProfileText& Remove(std::string_view label) { return SetLine(label, ""); }
  // A line before the entry lines, or after them, exactly as given.
  ProfileText& Prepend(std::string line) {
    head_.push_back(std::move(line));
    return *this;
  }
  ProfileText& Append(std::string line) {
    tail_.push_back(std::move(line));
    return *this;
  }

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines = head_;
    for (const auto& entry : entries_) {
      if (!entry.second.empty()) lines.push_back(entry.second);
    }
    lines.insert(lines.end(), tail_.begin(), tail_.end());
    return lines;
  }
  // Every line followed by `eol`.
  std::string Bytes(std::string_view eol = "\n") const {
    std::string text;
    for (const std::string& line : Lines()) text.append(line).append(eol);
    return text;
  }

 private:
  std::vector<std::pair<std::string, std::string>> entries_;  // label, whole line
  std::vector<std::string> head_, tail_;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_TESTS_PROFILE_TEXT_H_

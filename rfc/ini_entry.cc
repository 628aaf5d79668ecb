#include "rfc/ini_entry.h"

#include "base/text.h"

namespace tidewarden {
namespace {

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::optional<std::map<std::string, std::string>> FindIniEntry(std::string_view ini,
                                                               std::string_view destination) {
  const std::string wanted = UpperCase(Trimmed(destination));
  std::optional<std::map<std::string, std::string>> entry;
  while (!ini.empty()) {
    const std::size_t end = ini.find('\n');
    const std::string_view line = Trimmed(ini.substr(0, end));
    ini.remove_prefix(end == std::string_view::npos ? ini.size() : end + 1);
    if (line.empty() || line.front() == '*' || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string key = UpperCase(Trimmed(line.substr(0, equals)));
    const std::string value(Trimmed(line.substr(equals + 1)));
    if (key == "DEST") {
      if (entry) break;
      if (UpperCase(value) == wanted) entry.emplace();
    }
    if (entry) (*entry)[key] = value;
  }
  return entry;
}

std::optional<std::string> FindIniDefault(std::string_view ini, std::string_view key) {
  const std::string wanted = UpperCase(key);
  bool in_default = false;
  std::optional<std::string> value;
  while (!ini.empty()) {
    const std::size_t end = ini.find('\n');
    const std::string_view line = Trimmed(ini.substr(0, end));
    ini.remove_prefix(end == std::string_view::npos ? ini.size() : end + 1);
    if (line.starts_with("#") || line.starts_with("/*") || line.starts_with("//")) continue;
    if (line.empty()) {
      in_default = false;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      in_default = UpperCase(line) == "DEFAULT";
      continue;
    }
    const std::string name = UpperCase(Trimmed(line.substr(0, equals)));
    if (name == "DEST") in_default = false;
    if (in_default && name == wanted) value = std::string(Trimmed(line.substr(equals + 1)));
  }
  return value;
}

}  // namespace tidewarden

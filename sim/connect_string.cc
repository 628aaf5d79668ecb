// Connect strings and "SapRfc.ini" as the RFC library reads them.
#include "sim/connect_string.h"

#include "sim/sim_core.h"

namespace tidewarden::sim {

ConnectString ParseConnectString(std::string_view text) {
  ConnectString result;
  std::size_t position = 0;
  while (position < text.size()) {
    if (text[position] == ' ' || text[position] == '\t') {
      ++position;
      continue;
    }
    std::size_t end = text.find_first_of(" \t", position);
    if (end == std::string_view::npos) end = text.size();
    std::string_view word = text.substr(position, end - position);
    std::size_t eq = word.find('=');
    if (!result.masked.empty()) result.masked += ' ';
    if (eq == std::string_view::npos || eq == 0) {
      result.masked += "<" + std::to_string(word.size()) + " characters without a key>";
      if (result.error.empty()) {
        result.error =
            "connect string: text without KEY= at position " + std::to_string(position + 1);
      }
    } else {
      std::string key = Upper(word.substr(0, eq));
      std::string value(word.substr(eq + 1));
      result.masked += key == "PASSWD" ? key + "=<" + std::to_string(value.size()) + " characters>"
                                       : std::string(word);
      result.values[key] = std::move(value);
    }
    position = end;
  }
  return result;
}

bool FindIniDestination(std::string_view ini, std::string_view destination, IniDestination* entry,
                        std::string* error) {
  std::string wanted = Upper(Trim(destination));
  bool inside = false;
  int line_number = 0;
  while (!ini.empty()) {
    std::size_t end = ini.find('\n');
    std::string_view line = Trim(ini.substr(0, end));
    ini.remove_prefix(end == std::string_view::npos ? ini.size() : end + 1);
    ++line_number;
    if (line.empty() || line.front() == '*' || line.front() == '#') continue;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string key = Upper(Trim(line.substr(0, eq)));
    std::string value(Trim(line.substr(eq + 1)));
    if (key == "DEST") {
      if (inside) return true;
      inside = Upper(value) == wanted;
      if (inside) entry->line = line_number;
    }
    if (inside) entry->values[key] = value;
  }
  if (inside) return true;
  *error = "destination " + std::string(destination) + " not found in " + kSapRfcIniFileName;
  return false;
}

}  // namespace tidewarden::sim

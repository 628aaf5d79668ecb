// The RFC library's own texts: connect strings of RfcOpenEx and the
// destinations of "SapRfc.ini".
#ifndef TIDEWARDEN_SIM_CONNECT_STRING_H_
#define TIDEWARDEN_SIM_CONNECT_STRING_H_

#include <map>
#include <string>
#include <string_view>

namespace tidewarden::sim {

inline constexpr const char* kSapRfcIniFileName = "SapRfc.ini";

struct ConnectString {
  std::map<std::string, std::string> values;  // by upper-case key; the last one wins
  std::string error;                          // the first problem; "" when sound
  // The string for the call log: the password's value masked, words that
  // are no KEY=VALUE shown only by their length (they may be password parts).
  std::string masked;
};

// "CLIENT=100 USER=MONITOR PASSWD=secret LANG=D DEST=PRD": blank-separated
// KEY=VALUE words.
ConnectString ParseConnectString(std::string_view text);

struct IniDestination {
  int line = 0;                               // of its DEST= line
  std::map<std::string, std::string> values;  // by upper-case key, DEST= included
  std::string Get(const std::string& key) const {
    auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
  }
};

// Finds the entry of `destination` (letter case ignored) in the text of
// "SapRfc.ini": the DEST= line and the KEY=VALUE lines up to the next DEST=.
// Lines starting with "*" or "#" are comments. False, with *error set, when
// the destination is not there.
bool FindIniDestination(std::string_view ini, std::string_view destination, IniDestination* entry,
                        std::string* error);

}  // namespace tidewarden::sim

#endif  // TIDEWARDEN_SIM_CONNECT_STRING_H_

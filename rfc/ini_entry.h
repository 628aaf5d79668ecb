// The entry of one destination in the classic library's "SapRfc.ini", read
// by the probe itself for the NetWeaver library, which has no such file, and
// by the setup check, which shows what a logon by destination will pass.
#ifndef TIDEWARDEN_RFC_INI_ENTRY_H_
#define TIDEWARDEN_RFC_INI_ENTRY_H_

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tidewarden {

// The KEY=VALUE lines of `destination`'s entry, by upper-cased key, its
// DEST= line included. An entry runs from its DEST= line to the next DEST=;
// lines starting with "*" or "#" are comments; keys and destination names
// ignore letter case; blanks around keys and values are dropped. nullopt
// when the destination has no entry.
std::optional<std::map<std::string, std::string>> FindIniEntry(std::string_view ini,
                                                               std::string_view destination);

// The value of `key` in the DEFAULT section of a sapnwrfc.ini: from a line
// "DEFAULT" to an empty line or the next DEST= line. Lines starting with
// "#", "/*" or "//" are comments; keys ignore letter case. nullopt when the
// section does not set it.
std::optional<std::string> FindIniDefault(std::string_view ini, std::string_view key);

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_INI_ENTRY_H_

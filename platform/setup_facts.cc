// The part of the setup facts that reads bytes alike on every system.
#include "platform/setup_facts.h"

#include <cstdint>

namespace tidewarden {
namespace {

std::uint32_t LittleEndian(std::string_view bytes, std::size_t at, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = size; i > 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i - 1]);
  }
  return value;
}

}  // namespace

std::string PosixNarrowing(const std::string& path, const std::string& owner,
                           const std::string& account) {
  const std::string quoted = "'" + path + "'";
  if (owner == account) return "chmod go-rwx " + quoted;
  return "as root: chown '" + account + "' " + quoted + " && chmod go-rwx " + quoted;
}

std::string WindowsNarrowing(const std::string& path, const std::string& owner,
                             const std::string& account, const std::string& sids) {
  const std::string icacls = "icacls \"" + path + "\"";
  // Inherited grants cannot be removed until the inheritance is cut.
  const std::string narrow = icacls + " /inheritance:d && " + icacls + " /remove:g" + sids;
  if (owner == account) return narrow;
  return "as an administrator: " + icacls + " /setowner \"" + account + "\" && " + icacls +
         " /grant \"" + account + ":(M)\" && " + narrow;
}

int WidthFromHeader(std::string_view head) {
  if (head.size() >= 5 && head.substr(0, 4) ==
                              "\x7f"
                              "ELF") {
    if (head[4] == 1) return 32;
    if (head[4] == 2) return 64;
    return 0;
  }
  if (head.size() >= 0x40 && head.substr(0, 2) == "MZ") {
    const std::uint32_t pe = LittleEndian(head, 0x3C, 4);
    if (pe > head.size() || head.size() - pe < 6) return 0;
    if (head.substr(pe, 4) != std::string_view("PE\0\0", 4)) return 0;
    switch (LittleEndian(head, pe + 4, 2)) {
      case 0x014C:
        return 32;  // i386
      case 0x8664:
        return 64;  // x86-64
      case 0xAA64:
        return 64;  // ARM64
      default:
        return 0;
    }
  }
  return 0;
}

}  // namespace tidewarden

// The setup facts on POSIX.
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/paths.h"
#include "platform/posix_path.h"
#include "platform/setup_facts.h"

namespace tidewarden {

std::string AccountName() {
  // The effective user decides what the probe may do, whatever the login.
  const passwd* entry = ::getpwuid(::geteuid());
  if (entry != nullptr && entry->pw_name != nullptr) return entry->pw_name;
  return "uid " + std::to_string(::geteuid());
}

std::string WorkingDirectory() {
  char buffer[PATH_MAX];
  return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

std::string WhyNotReplaceable(const std::string& path) {
  // A rename replaces the folder's entry: the file's own mode does not
  // matter, the folder's write and search rights do.
  std::string folder = DirectoryPart(ToPosixPath(path));
  if (folder.empty()) folder = ".";
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    return "its folder " + folder + " is not writable for this account";
  }
  return std::string();
}

std::string OthersWhoMayRead(const std::string& path, std::string* narrow) {
  const std::string native = ToPosixPath(path);
  struct stat info;
  if (::stat(native.c_str(), &info) != 0) return std::string();
  const bool group = (info.st_mode & S_IRGRP) != 0;
  const bool others = (info.st_mode & S_IROTH) != 0;
  if (!group && !others) return std::string();
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
  const passwd* owner = ::getpwuid(info.st_uid);
  const std::string owner_name = info.st_uid == ::geteuid() ? AccountName()
                                 : owner != nullptr && owner->pw_name != nullptr
                                     ? std::string(owner->pw_name)
                                     : "uid " + std::to_string(info.st_uid);
  *narrow = PosixNarrowing(native, owner_name, AccountName());
  return std::string(group && others ? "its group and all others"
                     : group         ? "its group"
                                     : "all others") +
         " (mode " + mode + ")";
}

bool OnWindows() { return false; }

std::string SystemPath(std::string_view probe_path) { return ToPosixPath(probe_path); }

int LibraryFileWidth(const std::string& path) {
  const int fd = ::open(ToPosixPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  std::string head(4096, '\0');
  std::size_t have = 0;
  while (have < head.size()) {
    const ssize_t n = ::read(fd, head.data() + have, head.size() - have);
    if (n <= 0) break;
    have += static_cast<std::size_t>(n);
  }
  ::close(fd);
  head.resize(have);
  return WidthFromHeader(head);
}

}  // namespace tidewarden

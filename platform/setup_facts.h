// What a setup check asks of the operating system besides files: who runs
// the program, where, and what that account may do with a profile or a
// library file. Each answer is a value; nothing here prints or changes a
// file.
#ifndef TIDEWARDEN_PLATFORM_SETUP_FACTS_H_
#define TIDEWARDEN_PLATFORM_SETUP_FACTS_H_

#include <string>
#include <string_view>

namespace tidewarden {

// The account this process runs under ("" when the system cannot tell).
std::string AccountName();

// The working directory as the system names it ("" when unknown).
std::string WorkingDirectory();

// Why the file at `path` could not be replaced by another file in one step
// (Windows: read-only, or no delete access; POSIX: its folder is not
// writable for this account), or "" when it could. Opens nothing for
// writing and changes nothing.
std::string WhyNotReplaceable(const std::string& path);

// Who besides the file's owner may read it ("group and others (mode 0644)",
// "Everyone, Users"), or "" when nobody. *narrow receives the commands that
// leave it to this process's account (see the *Narrowing functions).
std::string OthersWhoMayRead(const std::string& path, std::string* narrow);

// The commands that leave the file at `path` (as this system names it) to
// `account`. When `owner` is another account, ownership comes first: taking
// the others' rights alone would shut `account` out, and only the owner
// may change them. `sids` are the Windows groups to remove (" *S-1-1-0 ...").
std::string PosixNarrowing(const std::string& path, const std::string& owner,
                           const std::string& account);
std::string WindowsNarrowing(const std::string& path, const std::string& owner,
                             const std::string& account, const std::string& sids);

// Whether this is a Windows system (otherwise a POSIX one).
bool OnWindows();

// A path of the probe's (backslashes, "C:\PRTG_Path.Txt") as this system
// names the file it opens.
std::string SystemPath(std::string_view probe_path);

// The width of the shared library at `path` from its header (PE machine
// field, ELF class): 32 or 64, 0 when the file cannot be read or is no
// library this system knows.
int LibraryFileWidth(const std::string& path);

// The width of this build: 32 or 64.
inline constexpr int ProgramWidth() { return static_cast<int>(sizeof(void*) * 8); }

// The width by the first bytes of a library file (at least 4096 of them
// when the file is that long); 0 when they are neither PE nor ELF.
int WidthFromHeader(std::string_view head);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PLATFORM_SETUP_FACTS_H_

// The setup facts on Windows.
#include "platform/win32.h"
// After windows.h, which it needs.
#include <aclapi.h>

#include "platform/setup_facts.h"

namespace tidewarden {
namespace {

// The groups whose read grant puts a profile before every local user.
struct WideGroup {
  WELL_KNOWN_SID_TYPE type;
  const char* name;
  const char* sid;  // for icacls, which takes "*S-..." in every language
};
constexpr WideGroup kWideGroups[] = {
    {WinWorldSid, "Everyone", "*S-1-1-0"},
    {WinBuiltinUsersSid, "Users", "*S-1-5-32-545"},
    {WinAuthenticatedUserSid, "Authenticated Users", "*S-1-5-11"},
};

constexpr ACCESS_MASK kReadRights = FILE_READ_DATA | GENERIC_READ | GENERIC_ALL;

// The owner's account name ("" when the system cannot name it).
std::string OwnerName(PSID owner) {
  char name[257];
  char domain[257];
  DWORD name_size = sizeof name;
  DWORD domain_size = sizeof domain;
  SID_NAME_USE use;
  if (owner == nullptr ||
      !::LookupAccountSidA(nullptr, owner, name, &name_size, domain, &domain_size, &use)) {
    return std::string();
  }
  return std::string(name, name_size);
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                          b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace

std::string AccountName() {
  char buffer[257];
  DWORD size = sizeof buffer;
  if (!::GetUserNameA(buffer, &size) || size == 0) return std::string();
  return std::string(buffer, size - 1);
}

std::string WorkingDirectory() {
  char buffer[MAX_PATH + 1];
  const DWORD n = ::GetCurrentDirectoryA(sizeof buffer, buffer);
  if (n == 0 || n > MAX_PATH) return std::string();
  return std::string(buffer, n);
}

std::string WhyNotReplaceable(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return "cannot read its attributes (error " + std::to_string(::GetLastError()) + ")";
  }
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return "it is read-only";
  // Replacing deletes the old file: asking for that right alone opens
  // nothing for writing, and every other opener may go on.
  ScopedHandle file(::CreateFileA(path.c_str(), DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    return "this account has no delete access to it (error " + std::to_string(::GetLastError()) +
           ")";
  }
  return std::string();
}

std::string OthersWhoMayRead(const std::string& path, std::string* narrow) {
  PACL dacl = nullptr;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION, &owner,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return std::string();
  }
  std::string who;
  std::string sids;
  if (dacl == nullptr) {
    who = "Everyone (the file has no access list)";
    sids = " *S-1-1-0";
  } else {
    for (const WideGroup& group : kWideGroups) {
      BYTE sid[SECURITY_MAX_SID_SIZE];
      DWORD size = sizeof sid;
      if (!::CreateWellKnownSid(group.type, nullptr, sid, &size)) continue;
      bool grants = false;
      for (DWORD i = 0; i < dacl->AceCount && !grants; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) continue;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        if ((allowed->Mask & kReadRights) == 0) continue;
        grants = ::EqualSid(const_cast<DWORD*>(&allowed->SidStart), sid) != 0;
      }
      if (grants) {
        who += (who.empty() ? "" : ", ") + std::string(group.name);
        sids += " " + std::string(group.sid);
      }
    }
  }
  const std::string account = AccountName();
  const std::string owner_name = OwnerName(owner);
  ::LocalFree(descriptor);
  if (!who.empty()) {
    // An owner the system cannot name is taken for this account: nothing
    // better could be told.
    *narrow = WindowsNarrowing(
        path, owner_name.empty() || SameName(owner_name, account) ? account : owner_name, account,
        sids);
  }
  return who;
}

bool OnWindows() { return true; }

std::string SystemPath(std::string_view probe_path) { return std::string(probe_path); }

int LibraryFileWidth(const std::string& path) {
  ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return 0;
  std::string head(4096, '\0');
  DWORD read = 0;
  if (!::ReadFile(file.get(), head.data(), static_cast<DWORD>(head.size()), &read, nullptr)) {
    return 0;
  }
  head.resize(read);
  return WidthFromHeader(head);
}

}  // namespace tidewarden

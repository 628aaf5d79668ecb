// "scramble": a clear password from standard input, its stored form out.
#include "profile_tool/commands.h"

#include "profiles/password.h"

namespace tidewarden {

int Scramble(std::istream& in, std::ostream& out, std::ostream& err, std::uint32_t seed) {
  std::string password;
  if (!std::getline(in, password)) {
    err << "tidewarden-profile: no password on standard input.\n";
    return kToolFailure;
  }
  if (!password.empty() && password.back() == '\r') password.pop_back();
  const Result<std::string> stored = ScramblePassword(password, PasswordKeys(), seed);
  if (!stored.ok()) {
    err << "tidewarden-profile: " << stored.error() << "\n";
    return kToolFailure;
  }
  if (password.size() < 2) {
    err << "tidewarden-profile: note: the probe refuses passwords shorter than 2 characters "
           "(Error 1003).\n";
  }
  out << *stored << "\n";
  return kToolSuccess;
}

}  // namespace tidewarden

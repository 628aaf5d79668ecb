// The part of the simulated libraries that does not depend on which one a
// caller loaded.
#include "sim/sim_core.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace tidewarden::sim {

SimCore::~SimCore() {
  if (call_log_file_ != nullptr) std::fclose(call_log_file_);
}

std::int64_t SimCore::Now() const { return SimulatedNow(clock); }

void SimCore::Sleep(double seconds) const {
  if (seconds <= 0) return;
  if (sleeper) {
    sleeper(seconds);
  } else {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  }
}

std::string SimCore::PathOf(const std::string& name) const {
  if (working_directory.empty()) return name;
  return (std::filesystem::path(working_directory) / name).string();
}

const Description* SimCore::EnsureDescription(const std::function<void(const std::string&)>& also) {
  if (description_read_) return description();
  description_read_ = true;
  description_ = LoadDescription(PathOf(kDescriptionFileName), Now());
  if (!description_) return nullptr;
  if (!description_->call_log.empty()) {
    call_log_file_ = std::fopen(PathOf(description_->call_log).c_str(), "ab");
  }
  for (const std::string& problem : description_->errors) {
    Log("description: " + problem);
    if (also) also(problem);
  }
  return description();
}

void SimCore::Log(const std::string& line) {
  constexpr std::size_t kMaxKept = 100000;
  if (keep_call_log && call_log_.size() < kMaxKept) call_log_.push_back(line);
  if (call_log_file_ != nullptr) {
    std::fputs(line.c_str(), call_log_file_);
    std::fputc('\n', call_log_file_);
    // The process may end inside the next call (a fatal error): keep nothing back.
    std::fflush(call_log_file_);
  }
}

std::string SimCore::CheckLogon(const System& system, const std::string& client,
                                const std::string& user, const std::string& password,
                                const std::string& language, std::string* match) {
  *match = PasswordMatches(system, password) ? "matches" : "does not match";
  std::string refusal = LogonRefusal(system, client, user, password, language);
  if (!refusal.empty()) Log("  (password " + *match + ")");
  return refusal;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

std::string TrimRight(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string Seconds(double seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", seconds);
  return buffer;
}

std::string SystemLabel(const System* system) {
  return system == nullptr ? std::string("no system") : "[" + system->name + "]";
}

std::string LogonLocation(const System& system) {
  return "SAP system " + SystemLabel(&system) + " on host " + HostOf(system);
}

std::string OpenFaultMessage(const Fault& fault, const System& system) {
  return fault.message.empty() ? "Connection to partner " + HostOf(system) + " refused"
                               : fault.message;
}

std::string NoSystemServed() {
  return std::string("no ") + kDescriptionFileName +
         " in the working directory: this simulated library serves no system";
}

}  // namespace tidewarden::sim

// The commands of tidewarden-profile.
#include "profile_tool/profile_tool.h"

namespace tidewarden {
namespace {

constexpr const char* kUsage =
    "Usage: tidewarden-profile COMMAND [ARGUMENT]\n"
    "\n"
    "Writes and checks the sensor profiles of Tidewarden.\n"
    "\n"
    "Commands:\n"
    "  scramble        read a clear password from standard input and print the\n"
    "                  stored form for the profile's \"Password...:\" line\n"
    "  new DEST        print a sensor profile for the SAP destination DEST\n"
    "  check PROFILE   read PROFILE as the probe does and show what it finds\n"
    "  doctor PROFILE [OPTIONS]\n"
    "                  run every step of the probe's run and say what is wrong\n"
    "\n"
    "\"tidewarden-profile COMMAND --help\" tells more about each command.\n";

constexpr const char* kScrambleHelp =
    "Usage: tidewarden-profile scramble\n"
    "\n"
    "Reads one line from standard input, the clear password (1 to 20 printable\n"
    "ASCII characters; blanks count as characters), and prints its stored form:\n"
    "24 printable characters without blanks, to be pasted after\n"
    "\"Password...: \" in a sensor profile. Each run may print another stored\n"
    "form of the same password; all of them are good.\n"
    "\n"
    "Exit code 0 when the stored form was printed, 2 when the password cannot\n"
    "be stored (the message says why).\n";

constexpr const char* kNewHelp =
    "Usage: tidewarden-profile new DEST > DEST.P00\n"
    "\n"
    "Prints a complete sensor profile for the SAP destination DEST (3 to 11\n"
    "characters): the eleven entry lines with placeholders and a comment on each\n"
    "field. Fill in the placeholders and the password (see \"scramble\"), then\n"
    "run \"tidewarden-profile check DEST.P00\".\n";

constexpr const char* kCheckHelp =
    "Usage: tidewarden-profile check PROFILE\n"
    "\n"
    "Reads the sensor profile PROFILE (\".P00\" added when it has no extension,\n"
    "as the probe does) exactly as the probe reads the profile of a\n"
    "single-system run. Prints the probe's own error message when it would\n"
    "refuse the profile (exit code 2), or every field with its value in double\n"
    "quotes and the password as its length only (exit code 0). A profile that\n"
    "still holds the placeholders of \"new\" is refused too (exit code 2).\n";

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

int Help(std::ostream& out, const char* text) {
  out << text;
  return kToolSuccess;
}

int UsageError(std::ostream& err, const std::string& problem, const char* usage) {
  err << "tidewarden-profile: " << problem << "\n\n" << usage;
  return kToolFailure;
}

}  // namespace

int RunProfileTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                   std::ostream& err, FileSystem& fs, std::uint32_t seed) {
  if (args.empty()) return UsageError(err, "no command given.", kUsage);
  const std::string& command = args[0];
  const std::size_t rest = args.size() - 1;
  if (IsHelp(command) && rest == 0) return Help(out, kUsage);
  if (command == "scramble") {
    if (rest == 1 && IsHelp(args[1])) return Help(out, kScrambleHelp);
    if (rest != 0) return UsageError(err, "scramble takes no argument.", kScrambleHelp);
    return Scramble(in, out, err, seed);
  }
  if (command == "new") {
    if (rest == 1 && IsHelp(args[1])) return Help(out, kNewHelp);
    if (rest != 1) return UsageError(err, "new takes one argument, the destination.", kNewHelp);
    return NewProfile(args[1], out, err);
  }
  if (command == "check") {
    if (rest == 1 && IsHelp(args[1])) return Help(out, kCheckHelp);
    if (rest != 1) return UsageError(err, "check takes one argument, the profile.", kCheckHelp);
    return Check(args[1], out, err, fs);
  }
  return UsageError(err, "unknown command \"" + command + "\".", kUsage);
}

}  // namespace tidewarden

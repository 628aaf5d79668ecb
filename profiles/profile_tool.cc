// The commands of tidewarden-profile.
#include "profiles/profile_tool.h"

#include "platform/paths.h"
#include "profiles/connection_parameters.h"
#include "profiles/profile_search.h"
#include "profiles/password.h"
#include "profiles/profile_lines.h"
#include "profiles/system_entry.h"

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
    "quotes and the password as its length only (exit code 0).\n";

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

int Help(std::ostream& out, const char* text) {
  out << text;
  return kToolSuccess;
}

int UsageError(std::ostream& err, const std::string& problem, const char* usage) {
  err << "tidewarden-profile: " << problem << "\n\n" << usage;
  return kToolFailure;
}

int Scramble(std::istream& in, std::ostream& out, std::ostream& err, std::uint32_t seed) {
  std::string password;
  if (!std::getline(in, password)) {
    err << "tidewarden-profile: no password on standard input.\n";
    return kToolFailure;
  }
  if (!password.empty() && password.back() == '\r') password.pop_back();
  std::string stored;
  if (std::optional<std::string> problem =
          ScramblePassword(password, PasswordKeys(), seed, &stored)) {
    err << "tidewarden-profile: " << *problem << "\n";
    return kToolFailure;
  }
  if (password.size() < 2) {
    err << "tidewarden-profile: note: the probe refuses passwords shorter than 2 characters "
           "(Error 1003).\n";
  }
  out << stored << "\n";
  return kToolSuccess;
}

int NewProfile(const std::string& destination, std::ostream& out, std::ostream& err) {
  const EntryField& field = EntryFields()[1];
  bool printable = true;
  for (char c : destination) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F) printable = false;
  }
  if (destination.size() < field.minimum_length || destination.size() > field.width || !printable) {
    err << "tidewarden-profile: the destination must be 3 to 11 printable characters without "
           "blanks, not \""
        << destination << "\".\n";
    return kToolFailure;
  }
  out << ProfileSkeleton(destination);
  return kToolSuccess;
}

int Check(const std::string& given, std::ostream& out, std::ostream& err, FileSystem& fs) {
  // "PRD" means PRD.P00 here as on the probe's command line.
  const std::string path = WithProfileExtension(given);
  std::string content;
  const Status read = fs.ReadFile(path, &content);
  if (!read.ok()) {
    err << "tidewarden-profile: cannot read the profile: " << read.message() << "\n";
    return kToolFailure;
  }
  // The probe names a profile by its file name alone.
  const std::string name = FileNamePart(path);
  ConnectionParameters parameters;
  ProfileLines lines;
  if (std::optional<std::string> message = ReadSystemEntry(
          content, name, PasswordKeys(), ProcessEnvironment(), &parameters, &lines)) {
    out << *message << "\n";
    return kToolFailure;
  }
  out << name << ": the probe accepts this profile.\n";
  for (const EntryField& field : EntryFields()) {
    const std::string& value = parameters.*field.field;
    out << field.label << ' ';
    if (field.field == &ConnectionParameters::password) {
      out << value.size() << (value.size() == 1 ? " character" : " characters") << "\n";
    } else {
      out << '"' << value << "\"\n";
    }
  }
  return kToolSuccess;
}

}  // namespace

std::string ProfileSkeleton(const std::string& destination) {
  // Comment lines start with ";" so that no comment can ever be taken for an
  // entry line, a listing line or the state line. "Password...: " keeps the
  // blank after its label, so that a stored form pasted at the end of the
  // line lands in the value.
  std::string text = R"(; Tidewarden sensor profile for the SAP system @.
; Save it as @.P00 in the monitor's Custom Sensors\ExeXml folder.
;
; Only the eleven entry lines below are read: a label of exactly 12
; characters, one blank, then the value (at most 60 characters, taken
; exactly as written: blanks at the end count). Every other line, like
; these comments, is ignored and kept. The probe keeps its state in a
; line it adds at the end of this file; leave that line alone.
; After editing, run: tidewarden-profile check @.P00
;
; Extcompany: your company's name (at least 2 characters).
Extcompany.: <company>
; Destination: the SAP destination (3 to 11 characters). When a file
; SapRfc.@ lies in the probe's working directory, the connection
; is made through it instead of the fields below.
Destination: @
; Client: the SAP client (three digits).
Client.....: 000
; User: the RFC logon user; it is used in capitals.
User.......: <rfc user>
; Password: the stored form printed by "tidewarden-profile scramble",
; never the clear password. Until it is filled in, check reports 1007.
Password...: 
; Language: the logon language (for example E or D).
Language...: E
; Mode: R/3 to log on to the application server below; exactly R/2
; for a CPIC connection through the gateway.
Mode.......: R/3
; Hostname: the host name of the SAP application server.
Hostname...: <application server>
; Sysnr: the SAP system number (two digits).
Sysnr......: 00
; Gwhost and Gwservice: the SAP gateway's host and service.
Gwhost.....: <gateway host>
Gwservice..: sapgw00
)";
  for (std::size_t at = text.find('@'); at != std::string::npos;
       at = text.find('@', at + destination.size())) {
    text.replace(at, 1, destination);
  }
  return text;
}

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

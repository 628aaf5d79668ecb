// The commands but the doctor: "scramble" (a clear password from standard
// input, its stored form out), "new" (a commented sensor profile to fill in)
// and "check" (a profile read as the probe reads a single system's).
#include "platform/paths.h"
#include "profile_tool/doctor_report.h"
#include "profile_tool/profile_tool.h"
#include "profiles/password.h"
#include "profiles/profile_lines.h"
#include "profiles/profile_search.h"
#include "profiles/system_entry.h"

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

std::vector<std::string> PlaceholdersLeft(const ConnectionParameters& parameters) {
  // The skeleton read as the probe reads a profile holds the placeholders
  // as a profile's fields do (the user in capitals).
  ConnectionParameters skeleton;
  static_cast<void>(ReadSystemEntryForPass(ProfileSkeleton(parameters.destination), "",
                                           PasswordKeys(), ProcessEnvironment(), &skeleton));
  std::vector<std::string> left;
  bool placeholder = false;
  for (const EntryField& field : EntryFields()) {
    const std::string& value = parameters.*field.field;
    if (field.field == &ConnectionParameters::password || value != skeleton.*field.field) continue;
    if (value.starts_with('<')) {
      placeholder = true;
    } else if (field.field != &ConnectionParameters::client) {
      continue;
    }
    left.push_back(std::string(field.label) + " \"" + value + "\"");
  }
  if (!placeholder) left.clear();
  return left;
}

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
  if (Status read =
          ReadSystemEntry(content, name, PasswordKeys(), ProcessEnvironment(), &parameters, &lines);
      !read.ok()) {
    out << read.message() << "\n";
    return kToolFailure;
  }
  if (const std::vector<std::string> left = PlaceholdersLeft(parameters); !left.empty()) {
    out << name << ": not filled in: " << Join(left) << " as tidewarden-profile new wrote them.\n";
    return kToolFailure;
  }
  out << name << ": the probe accepts this profile.\n";
  for (const EntryField& field : EntryFields()) out << ShownField(field, parameters) << "\n";
  return kToolSuccess;
}

std::string ShownField(const EntryField& field, const ConnectionParameters& parameters) {
  const std::string& value = parameters.*field.field;
  return std::string(field.label) + " " +
         (field.field == &ConnectionParameters::password ? Characters(value.size())
                                                         : "\"" + value + "\"");
}

}  // namespace tidewarden

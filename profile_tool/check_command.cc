// "check": a profile read as the probe reads a single system's.
#include "profile_tool/commands.h"

#include "platform/paths.h"
#include "profiles/connection_parameters.h"
#include "profiles/password.h"
#include "profiles/profile_lines.h"
#include "profiles/profile_search.h"
#include "profiles/system_entry.h"

namespace tidewarden {

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
    out << name << ": not filled in: ";
    for (std::size_t i = 0; i < left.size(); ++i) out << (i == 0 ? "" : ", ") << left[i];
    out << " as tidewarden-profile new wrote them.\n";
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

}  // namespace tidewarden

// Profile name rules and the search for the profile on disk.
#include "profiles/profile_search.h"

#include "base/text.h"
#include "profiles/line_reader.h"

namespace tidewarden {
namespace {

constexpr const char* kExtension = ".P00";
constexpr const char* kMonitorFolder = "PRTG Network Monitor\\Custom Sensors\\ExeXml\\";
constexpr const char* kCustomSensorFolder = "Custom Sensors\\ExeXml\\";
// Without a path file the monitor's usual folders on the current drive are
// tried after the working directory.
constexpr const char* kFixedFolders[] = {
    "",
    "\\Programme\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
    "\\Program Files\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
    "\\Program Files (x86)\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
};

Status Missing(const std::string& what) {
  return Status::Error("Error 1002: Profile " + what + " is missing...");
}

bool NamesBaseFolder(const std::string& line) {
  return (!line.empty() && line[0] == '\\') || (line.size() >= 2 && line[1] == ':') ||
         (line.size() >= 3 && line[2] == '\\');
}

Status Tried(const std::string& folder, Status outcome, std::vector<ProfileTry>* tried) {
  if (tried != nullptr) tried->push_back({folder, outcome});
  return outcome;
}

Status TooLong(const std::string& path) {
  return Status::Error(path + ": longer than " + std::to_string(kMaxProfilePath) + " characters");
}

// Reads the profile at directory + name into *location when the path fits
// our room and the file can be read.
Status ReadProfileAt(FileSystem& fs, const std::string& directory, ProfileLocation* location,
                     std::vector<ProfileTry>* tried) {
  const std::string path = directory + location->name;
  if (path.size() > kMaxProfilePath) return Tried(directory, TooLong(path), tried);
  std::string content;
  if (Status read = fs.ReadFile(path, &content); !read.ok()) return Tried(directory, read, tried);
  location->directory = directory;
  location->path = path;
  location->content = std::move(content);
  return Tried(directory, Status::Ok(), tried);
}

Status CanOpen(FileSystem& fs, const std::string& folder, const std::string& name,
               std::vector<ProfileTry>* tried) {
  const std::string path = folder + name;
  if (path.size() > kMaxProfilePath) return Tried(folder, TooLong(path), tried);
  return Tried(folder,
               fs.CanOpenForReading(path) ? Status::Ok()
                                          : Status::Error(path + ": cannot be opened for reading"),
               tried);
}

}  // namespace

std::string WithProfileExtension(const std::string& name) {
  if (name.size() < 4 || name[name.size() - 4] != '.') return name + kExtension;
  return name;
}

Status ApplyNameRules(const std::string& profile_name, ProfileLocation* location,
                      bool* global_run) {
  std::string name = WithProfileExtension(profile_name);

  std::string directory;
  const std::size_t last = name.find_last_of('\\');
  // A single leading backslash stays part of the name.
  if (last != std::string::npos && name.find('\\', 1) != std::string::npos) {
    directory = name.substr(0, last + 1);
    name.erase(0, last + 1);
  }

  if (UpperCase(name) == "GLOBAL.P00") {
    name = kGlobalProfileName;
    *global_run = true;
  }

  location->name = name;
  location->directory = directory;
  location->path = directory + name;
  location->content.clear();
  if (name.size() > kMaxProfileName || directory.size() > kMaxProfilePath ||
      location->path.size() > kMaxProfilePath) {
    return Missing(name);
  }
  return Status::Ok();
}

Status SearchProfile(FileSystem& fs, ProfileLocation* location, std::vector<ProfileTry>* tried) {
  std::string path_file;
  if (fs.ReadFile(kPrtgPathFile, &path_file).ok()) {
    std::string base;
    LineReader reader(path_file, kPathFileLineRoom);
    std::string line;
    while (reader.Next(&line)) {
      if (NamesBaseFolder(line)) base = line;
    }
    if (base.empty() || base.back() != '\\') base += '\\';
    if (CanOpen(fs, base + kMonitorFolder, location->name, tried).ok()) base += kMonitorFolder;
    if (CanOpen(fs, base + kCustomSensorFolder, location->name, tried).ok()) {
      base += kCustomSensorFolder;
    }
    // The path file names the one place: nothing else is tried.
    if (!ReadProfileAt(fs, base, location, tried).ok()) return Missing(location->name);
    return Status::Ok();
  }
  for (const char* folder : kFixedFolders) {
    if (ReadProfileAt(fs, folder, location, tried).ok()) return Status::Ok();
  }
  return Missing(location->name);
}

Status OpenProfileInDirectory(FileSystem& fs, ProfileLocation* location,
                              std::vector<ProfileTry>* tried) {
  const std::string path = location->directory + location->name;
  if (!ReadProfileAt(fs, location->directory, location, tried).ok()) return Missing(path);
  return Status::Ok();
}

}  // namespace tidewarden

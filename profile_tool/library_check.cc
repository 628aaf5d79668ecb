// The doctor's library step: which candidate loaded, and why the others
// did not, as far as their files tell.
#include <string_view>

#include "base/text.h"
#include "platform/paths.h"
#include "platform/setup_facts.h"
#include "profile_tool/doctor_steps.h"

namespace tidewarden {
namespace {

// Only a simulated library carries this text (its version and trace note).
constexpr std::string_view kSimulatedMark = "SIMULATED";
constexpr std::size_t kMaxLibraryRead = 128 * 1024 * 1024;

}  // namespace

bool Doctor::CheckLibrary() {
  if (library_checked_) return library_ok_;
  library_checked_ = true;
  report_.SetCurrent("library");
  const Result<void, FatalFailure> prepared = sap_.Prepare(Logger());
  LibraryProblems problems;
  std::vector<std::string> details = CandidateLines(&problems);
  if (!prepared.ok()) {
    ReportNoLibrary(problems, details);
    return library_ok_ = false;
  }
  ReportChosenLibrary(std::move(details));
  return library_ok_ = true;
}

std::vector<std::string> Doctor::CandidateLines(LibraryProblems* problems) {
  const std::vector<CandidateOutcome>& outcomes = sap_.outcomes();
  std::vector<std::string> details;
  std::size_t i = 0;
  // The outcomes run in the candidates' order and end at the chosen one.
  for (const RfcLibraryCandidate& candidate : RfcLibraryCandidates(sap_.folder())) {
    if (i >= outcomes.size()) {
      details.push_back(candidate.path + ": not tried (an earlier one serves)");
    } else if (outcomes[i].chosen) {
      const std::string& loaded = outcomes[i].loaded_path;
      details.push_back(candidate.path + ": loaded" +
                        (loaded.empty() || loaded == candidate.path ? std::string()
                                                                    : " from " + loaded));
    } else {
      NoteRefusedCandidate(candidate, outcomes[i], &details, problems);
    }
    ++i;
  }
  return details;
}

void Doctor::NoteRefusedCandidate(const RfcLibraryCandidate& candidate,
                                  const CandidateOutcome& outcome,
                                  std::vector<std::string>* details, LibraryProblems* problems) {
  const bool own_folder = candidate.path.find_first_of("\\/") != std::string::npos;
  if (own_folder && fs_.FileSize(candidate.path) < 0) {
    details->push_back(candidate.path + ": not found");
    return;
  }
  details->push_back(candidate.path + ": " + (own_folder ? "" : "by the system's search: ") +
                     outcome.error);
  if (!own_folder) return;
  // The DLLs a present library lacks, as the load named them.
  if (const std::size_t lacks = outcome.error.find("; of the DLLs it imports");
      lacks != std::string::npos && problems->imports.empty()) {
    problems->imports = candidate.path + " does not load" + outcome.error.substr(lacks);
  }
  const int width = LibraryFileWidth(candidate.path);
  const std::string ours = std::to_string(ProgramWidth());
  if (width != 0 && width != ProgramWidth() && problems->width.empty()) {
    // Only the Windows packages come in both widths.
    problems->width = candidate.path + " is a " + std::to_string(width) +
                      "-bit library; this probe is " + ours + "-bit: " +
                      (OnWindows() ? "use the " + std::to_string(width) + "-bit package or a " +
                                         ours + "-bit library"
                                   : "use a " + ours + "-bit library (Tidewarden for " +
                                         "this system comes in its " + ours + "-bit form only)");
  }
  if (candidate.kind != RfcLibraryKind::kNetWeaver || (width != 0 && width != ProgramWidth())) {
    return;
  }
  std::vector<std::string> found, missing;
  if (const Status listed = CompanionsOf(DirectoryPart(candidate.path), &found, &missing);
      !listed.ok()) {
    problems->companions =
        candidate.path + (width == 0 ? " is no library this system loads" : " does not load") +
        ", and its folder cannot be listed to look for its companions: " + listed.message();
    return;
  }
  if (width == 0) {
    problems->companions = candidate.path + " is no library this system loads" +
                           (missing.empty() ? std::string()
                                            : ", and its companions " + Join(missing) +
                                                  " are missing in its folder");
  } else if (!missing.empty()) {
    problems->companions =
        candidate.path + " lacks its companions " + Join(missing) + " in its folder";
  }
}

void Doctor::ReportNoLibrary(const LibraryProblems& problems,
                             const std::vector<std::string>& details) {
  const std::string hint = "install SAP's NetWeaver RFC library " +
                           std::string(NetWeaverRfcLibraryFileName()) +
                           " with all its companion libraries, or the classic " +
                           ClassicRfcLibraryFileName() + ", of this probe's width (" +
                           std::to_string(ProgramWidth()) + "-bit), into " +
                           FolderName(sap_.folder());
  std::string finding = "no SAP RFC library loads";
  if (!problems.width.empty()) {
    finding += ": " + problems.width;
  } else if (!problems.imports.empty()) {
    finding += ": " + problems.imports;
  } else if (!problems.companions.empty()) {
    finding += ": " + problems.companions;
  }
  report_.Step("library", Verdict::kFail, finding, hint);
  for (const std::string& detail : details) report_.Detail(detail);
}

void Doctor::ReportChosenLibrary(std::vector<std::string> details) {
  const CandidateOutcome& chosen = sap_.outcomes().back();
  const std::string path = chosen.loaded_path.empty() ? chosen.candidate.path : chosen.loaded_path;
  const bool netweaver = chosen.candidate.kind == RfcLibraryKind::kNetWeaver;
  const int width = LibraryFileWidth(path);
  std::string content;
  const bool simulated = fs_.ReadFile(path, &content, kMaxLibraryRead).ok() &&
                         content.find(kSimulatedMark) != std::string::npos;
  const std::string finding =
      std::string(netweaver ? "the NetWeaver RFC library " : "the classic RFC library ") + path +
      ", " + (width != 0 ? std::to_string(width) + "-bit" : std::string("width unknown")) + ", " +
      (netweaver ? "version " + sap_.version()
                 : std::string("no version (the classic library reports none)"));
  std::vector<std::string> found, missing;
  Status listed;
  if (!simulated && netweaver) listed = CompanionsOf(DirectoryPart(path), &found, &missing);
  if (!found.empty()) details.push_back("companions found: " + Join(found));
  if (!listed.ok()) {
    report_.Step("library", Verdict::kWarn,
                 finding + "; its folder cannot be listed, so its companions are not known: " +
                     listed.message(),
                 "give the monitor's account the right to list " + FolderName(DirectoryPart(path)));
  } else if (simulated) {
    report_.Step("library", Verdict::kWarn, "simulated library: " + finding,
                 "it serves only the systems of SapSim.txt; install SAP's library to measure "
                 "real systems");
  } else if (!missing.empty()) {
    report_.Step("library", Verdict::kWarn,
                 finding + "; companions missing beside it: " + Join(missing) +
                     " (on Windows a missing ICU library may only fail at the first use)",
                 "copy every library of the NetWeaver RFC SDK's lib folder beside " + path);
  } else {
    report_.Step("library", Verdict::kOk, finding);
  }
  for (const std::string& detail : details) report_.Detail(detail);
}

Status Doctor::CompanionsOf(const std::string& folder, std::vector<std::string>* found,
                            std::vector<std::string>* missing) {
  std::vector<DirectoryEntry> entries;
  if (Status listed = fs_.ListDirectory(folder, &entries); !listed.ok()) return listed;
  for (const std::string& prefix : NetWeaverCompanionPrefixes()) {
    std::string name;
    for (const DirectoryEntry& entry : entries) {
      if (LowerCase(entry.name).compare(0, prefix.size(), prefix) == 0) name = entry.name;
    }
    if (name.empty()) {
      missing->push_back(prefix + "*");
    } else {
      found->push_back(name);
    }
  }
  return Status::Ok();
}

}  // namespace tidewarden

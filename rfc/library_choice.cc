#include "rfc/library_choice.h"

#include "platform/library_imports.h"
#include "platform/paths.h"
#include "rfc/classic/classic_library.h"
#include "rfc/netweaver/netweaver_library.h"
#include "rfc/netweaver/sap_text.h"

namespace tidewarden {
namespace {

template <typename Slot>
void Fill(SharedLibrary& library, Slot*& slot, const char* name, std::string* missing) {
  void* symbol = library.Symbol(name);
  slot = symbol != nullptr ? FunctionCast<Slot>(symbol) : nullptr;
  if (slot == nullptr && missing->empty()) *missing = name;
}

Status Filled(const std::string& missing) {
  if (missing.empty()) return Status::Ok();
  return Status::Error("lacks the function " + missing);
}

const char* FileName(RfcLibraryKind kind) {
  return kind == RfcLibraryKind::kClassic ? ClassicRfcLibraryFileName()
                                          : NetWeaverRfcLibraryFileName();
}

Result<std::unique_ptr<SharedLibrary>> LoadCandidate(const RfcLibraryCandidate& candidate) {
  const bool full_path = candidate.path.find_first_of("\\/") != std::string::npos;
  std::string error;
  std::unique_ptr<SharedLibrary> library =
      candidate.kind == RfcLibraryKind::kNetWeaver && full_path
          ? LoadSharedLibraryWithCompanions(candidate.path, NetWeaverCompanionPrefixes(), &error)
          : LoadSharedLibrary(candidate.path, &error);
  if (library != nullptr) return library;
  // A file that is there but does not load: Windows says only "module not
  // found", so the DLLs it lacks (the Visual C++ runtime, say) are named.
  if (full_path) error += DescribeUnloadableImports(ImportsThatDoNotLoad(candidate.path));
  return Failure{std::move(error)};
}

}  // namespace

std::vector<RfcLibraryCandidate> RfcLibraryCandidates(const std::string& folder) {
  std::vector<RfcLibraryCandidate> candidates;
  for (bool own_folder : {true, false}) {
    if (own_folder && folder.empty()) continue;
    for (RfcLibraryKind kind : {RfcLibraryKind::kClassic, RfcLibraryKind::kNetWeaver}) {
      candidates.push_back({kind, (own_folder ? folder : std::string()) + FileName(kind)});
    }
  }
  return candidates;
}

namespace {
bool Windows() { return SystemSharedLibraryForm() == SharedLibraryForm::kDll; }
}  // namespace

const char* ClassicRfcLibraryFileName() { return Windows() ? "librfc32.dll" : "librfccm.so"; }

const char* NetWeaverRfcLibraryFileName() { return Windows() ? "sapnwrfc.dll" : "libsapnwrfc.so"; }

const std::vector<std::string>& NetWeaverCompanionPrefixes() {
  static const std::vector<std::string> dll = {"icudt", "icuuc", "icuin", "libicudecnumber.dll",
                                               "libsapucum.dll"};
  static const std::vector<std::string> shared_object = {
      "libicudata.so", "libicuuc.so", "libicui18n.so", "libicudecnumber.so", "libsapucum.so"};
  return Windows() ? dll : shared_object;
}

Status FillClassicFunctions(SharedLibrary& library, ClassicRfcFunctions* table) {
  std::string missing;
  Fill(library, table->RfcEnvironment, "RfcEnvironment", &missing);
  Fill(library, table->RfcOpen, "RfcOpen", &missing);
  Fill(library, table->RfcOpenEx, "RfcOpenEx", &missing);
  Fill(library, table->RfcClose, "RfcClose", &missing);
  Fill(library, table->RfcLastError, "RfcLastError", &missing);
  Fill(library, table->RfcInstallStructure, "RfcInstallStructure", &missing);
  Fill(library, table->RfcCall, "RfcCall", &missing);
  Fill(library, table->RfcReceive, "RfcReceive", &missing);
  Fill(library, table->ItCreate, "ItCreate", &missing);
  Fill(library, table->ItDelete, "ItDelete", &missing);
  return Filled(missing);
}

Status FillNetWeaverFunctions(SharedLibrary& library, nwrfc::NwRfcFunctions* table) {
  std::string missing;
  Fill(library, table->RfcGetVersion, "RfcGetVersion", &missing);
  Fill(library, table->RfcOpenConnection, "RfcOpenConnection", &missing);
  Fill(library, table->RfcCloseConnection, "RfcCloseConnection", &missing);
  Fill(library, table->RfcGetFunctionDesc, "RfcGetFunctionDesc", &missing);
  Fill(library, table->RfcCreateFunction, "RfcCreateFunction", &missing);
  Fill(library, table->RfcDestroyFunction, "RfcDestroyFunction", &missing);
  Fill(library, table->RfcSetChars, "RfcSetChars", &missing);
  Fill(library, table->RfcInvoke, "RfcInvoke", &missing);
  Fill(library, table->RfcGetStructure, "RfcGetStructure", &missing);
  Fill(library, table->RfcGetString, "RfcGetString", &missing);
  Fill(library, table->RfcGetRcAsString, "RfcGetRcAsString", &missing);
  Fill(library, table->RfcCancel, "RfcCancel", &missing);
  return Filled(missing);
}

ChosenSapLibrary::ChosenSapLibrary(std::string program_path, FileSystem& fs, Console& console,
                                   CandidateLoader loader)
    : program_path_(std::move(program_path)),
      fs_(fs),
      console_(console),
      loader_(loader ? std::move(loader) : CandidateLoader(LoadCandidate)) {}

ChosenSapLibrary::~ChosenSapLibrary() = default;

Result<void, FatalFailure> ChosenSapLibrary::Choose(const CallLogger& log) {
  folder_ = OwnExecutableDirectory();
  if (folder_.empty()) folder_ = DirectoryPart(program_path_);
  std::string tried;
  outcomes_.clear();
  for (const RfcLibraryCandidate& candidate : RfcLibraryCandidates(folder_)) {
    Result<std::unique_ptr<SharedLibrary>> loaded = loader_(candidate);
    const Status taken = loaded.ok() ? Take(candidate, std::move(*loaded), log)
                                     : Status::Error(std::move(loaded).error());
    if (taken.ok()) return {};
    outcomes_.push_back({candidate, false, taken.message(), ""});
    tried += (tried.empty() ? "" : "; ") + candidate.path + ": " + taken.message();
  }
  const std::string classic = ClassicRfcLibraryFileName();
  const std::string netweaver = NetWeaverRfcLibraryFileName();
  FatalFailure fatal;
  fatal.operation = "load " + classic + " or " + netweaver;
  fatal.record.message = "no SAP RFC library loads (" + tried +
                         "): install SAP's NetWeaver RFC library " + netweaver +
                         " with its companion libraries, or the classic " + classic + ", into " +
                         (folder_.empty() ? std::string("the probe's folder") : folder_);
  return fatal;
}

Status ChosenSapLibrary::Take(const RfcLibraryCandidate& candidate,
                              std::unique_ptr<SharedLibrary> library, const CallLogger& log) {
  if (candidate.kind == RfcLibraryKind::kClassic) {
    ClassicRfcFunctions table;
    if (Status filled = FillClassicFunctions(*library, &table); !filled.ok()) return filled;
    chosen_ = std::make_unique<ClassicSapLibrary>(table, fs_, console_);
  } else {
    nwrfc::NwRfcFunctions table;
    if (Status filled = FillNetWeaverFunctions(*library, &table); !filled.ok()) return filled;
    // Nothing else talks to the library before its version is read.
    unsigned major = 0, minor = 0, patch = 0;
    const nwrfc::SAP_UC* version = table.RfcGetVersion(&major, &minor, &patch);
    version_ =
        std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch) + " " +
        FromSapText(version != nullptr ? std::u16string_view(version) : std::u16string_view());
    log.Write(0, "NetWeaver RFC library " + candidate.path, version_);
    chosen_ = std::make_unique<NetWeaverSapLibrary>(table, fs_, set_aside_logs_);
  }
  outcomes_.push_back({candidate, true, "", library->LoadedPath()});
  shared_library_ = std::move(library);
  return Status::Ok();
}

Result<void, FatalFailure> ChosenSapLibrary::Prepare(const CallLogger& log) {
  if (chosen_ == nullptr) {
    if (Result<void, FatalFailure> chosen = Choose(log); !chosen.ok()) return chosen;
  }
  return chosen_->Prepare(log);
}

bool ChosenSapLibrary::AllowsParallelConnections() {
  return chosen_ != nullptr && chosen_->AllowsParallelConnections();
}

std::size_t ChosenSapLibrary::PasswordRoom() {
  return chosen_ != nullptr ? chosen_->PasswordRoom() : 0;
}

Result<std::unique_ptr<SapConnection>, OpenFailure> ChosenSapLibrary::Open(LogonRequest request,
                                                                           const CallLogger& log) {
  return chosen_->Open(std::move(request), log);
}

std::string ChosenSapLibrary::LastErrorText() { return chosen_->LastErrorText(); }

Status ChosenSapLibrary::DiscardErrorTrail() {
  if (chosen_ == nullptr) return Status::Ok();
  return chosen_->DiscardErrorTrail();
}

void ChosenSapLibrary::CloseAll() {
  if (chosen_ != nullptr) chosen_->CloseAll();
}

}  // namespace tidewarden

#include "rfc/classic/library_loader.h"

#include "platform/paths.h"

namespace tidewarden {

std::string FillRfcLibrary(SharedLibrary& library, RfcLibrary* table) {
  std::string missing;
  auto fill = [&](auto*& slot, const char* name) {
    using F = std::remove_pointer_t<std::remove_reference_t<decltype(slot)>>;
    void* symbol = library.Symbol(name);
    slot = symbol != nullptr ? FunctionCast<F>(symbol) : nullptr;
    if (slot == nullptr && missing.empty()) missing = name;
  };
  fill(table->RfcEnvironment, "RfcEnvironment");
  fill(table->RfcOpen, "RfcOpen");
  fill(table->RfcOpenEx, "RfcOpenEx");
  fill(table->RfcClose, "RfcClose");
  fill(table->RfcLastError, "RfcLastError");
  fill(table->RfcInstallStructure, "RfcInstallStructure");
  fill(table->RfcCall, "RfcCall");
  fill(table->RfcReceive, "RfcReceive");
  fill(table->ItCreate, "ItCreate");
  fill(table->ItDelete, "ItDelete");
  return missing;
}

const RfcLibrary* VendorRfcLibrarySource::Get(std::string* failure_operation,
                                              std::string* failure_message,
                                              RfcLibrary* partial) {
  if (loaded_) return &table_;
  const char* const kRfcLibraryFileName = ClassicRfcLibraryFileName();
  std::string folder = OwnExecutableDirectory();
  if (folder.empty()) folder = DirectoryPart(program_path_);
  std::string error;
  // The probe's own folder first: that is where the install guide puts the
  // library, and it must win over any other copy on the machine.
  if (!folder.empty()) library_ = LoadSharedLibrary(folder + kRfcLibraryFileName, &error);
  if (library_ == nullptr) library_ = LoadSharedLibrary(kRfcLibraryFileName, &error);
  if (library_ == nullptr) {
    *failure_operation = std::string("load ") + kRfcLibraryFileName;
    *failure_message = std::string("SAP RFC library ") + kRfcLibraryFileName +
                       " not found: install SAP's classic RFC client library " +
                       kRfcLibraryFileName + " into " + (folder.empty() ? "the probe's folder" : folder) +
                       " or in the system's library search path (" + error + ")";
    return nullptr;
  }
  std::string missing = FillRfcLibrary(*library_, &table_);
  if (!missing.empty()) {
    *failure_operation = std::string("load ") + kRfcLibraryFileName + " " + missing;
    *failure_message = std::string(kRfcLibraryFileName) + " lacks the function " + missing +
                       ": install SAP's classic RFC client library (not the NetWeaver RFC SDK)";
    *partial = table_;
    return nullptr;
  }
  loaded_ = true;
  return &table_;
}

}  // namespace tidewarden

// Reads the import table of a PE file (32- or 64-bit) and tries to load
// each DLL it names as the loader would for that library.
#include "platform/win32.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/library_imports.h"
#include "platform/paths.h"

namespace tidewarden {
namespace {

// A file read at offsets; every read past its end fails. Through stdio, not
// iostreams, which would add most of a megabyte to the probe.
class PeFile {
 public:
  explicit PeFile(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {}
  ~PeFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  PeFile(const PeFile&) = delete;
  PeFile& operator=(const PeFile&) = delete;
  bool ok() const { return file_ != nullptr; }
  template <typename T>
  bool Read(std::uint64_t offset, T* value) {
    std::uint8_t bytes[sizeof(T)];
    if (file_ == nullptr || _fseeki64(file_, static_cast<__int64>(offset), SEEK_SET) != 0 ||
        std::fread(bytes, 1, sizeof bytes, file_) != sizeof bytes) {
      return false;
    }
    // Little-endian, whatever this machine is.
    *value = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) *value = static_cast<T>(*value << 8 | bytes[i]);
    return true;
  }
  bool ReadName(std::uint64_t offset, std::string* name) {
    name->clear();
    for (int i = 0; i < MAX_PATH; ++i) {
      std::uint8_t c = 0;
      if (!Read(offset + static_cast<std::uint64_t>(i), &c)) return false;
      if (c == 0) return !name->empty();
      *name += static_cast<char>(c);
    }
    return false;
  }

 private:
  std::FILE* file_;
};

struct Section {
  std::uint32_t address, size, raw_size, raw_offset;
};

// The file offset of a relative virtual address, or 0.
std::uint64_t FileOffset(const std::vector<Section>& sections, std::uint32_t rva) {
  for (const Section& s : sections) {
    const std::uint32_t size = s.size > s.raw_size ? s.size : s.raw_size;
    if (rva >= s.address && rva - s.address < size && rva - s.address < s.raw_size) {
      return std::uint64_t{s.raw_offset} + (rva - s.address);
    }
  }
  return 0;
}

// The DLL names of the import table; false when the file is no PE library.
bool ImportNames(const std::string& path, std::vector<std::string>* names, bool* x64) {
  PeFile file(path);
  std::uint16_t magic = 0, machine = 0, section_count = 0, optional_size = 0, kind = 0;
  std::uint32_t pe = 0, signature = 0;
  if (!file.ok() || !file.Read(0, &magic) || magic != 0x5A4D || !file.Read(0x3C, &pe) ||
      !file.Read(pe, &signature) || signature != 0x4550 || !file.Read(pe + 4, &machine) ||
      !file.Read(pe + 6, &section_count) || !file.Read(pe + 20, &optional_size) ||
      !file.Read(pe + 24, &kind) || (kind != 0x10b && kind != 0x20b)) {
    return false;
  }
  *x64 = kind == 0x20b;
  const std::uint64_t optional = std::uint64_t{pe} + 24;
  std::uint32_t directories = 0, import_rva = 0;
  if (!file.Read(optional + (*x64 ? 108 : 92), &directories) || directories < 2 ||
      !file.Read(optional + (*x64 ? 112 : 96) + 8, &import_rva)) {
    return false;
  }
  std::vector<Section> sections;
  for (std::uint16_t i = 0; i < section_count; ++i) {
    const std::uint64_t at = optional + optional_size + 40u * i;
    Section s{};
    if (!file.Read(at + 8, &s.size) || !file.Read(at + 12, &s.address) ||
        !file.Read(at + 16, &s.raw_size) || !file.Read(at + 20, &s.raw_offset)) {
      return false;
    }
    sections.push_back(s);
  }
  if (import_rva == 0) return true;
  const std::uint64_t table = FileOffset(sections, import_rva);
  if (table == 0) return false;
  // 20 bytes a descriptor, the last all zero; the name's address at 12.
  for (std::uint64_t at = table; names->size() < 1024; at += 20) {
    std::uint32_t name_rva = 0;
    if (!file.Read(at + 12, &name_rva) || name_rva == 0) break;
    std::string name;
    const std::uint64_t offset = FileOffset(sections, name_rva);
    if (offset != 0 && file.ReadName(offset, &name)) names->push_back(name);
  }
  return true;
}

bool IsApiSet(const std::string& name) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower.rfind("api-ms-", 0) == 0 || lower.rfind("ext-ms-", 0) == 0;
}

// As the loader resolves a dependency of a library loaded with the altered
// search: the library's own folder first, then the system's search.
bool Loads(const std::string& folder, const std::string& name) {
  const std::string beside = folder + name;
  const bool there = ::GetFileAttributesW(Wide(beside).c_str()) != INVALID_FILE_ATTRIBUTES;
  HMODULE module =
      there ? ::LoadLibraryExW(Wide(beside).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)
            : ::LoadLibraryExW(Wide(name).c_str(), nullptr, 0);
  if (module == nullptr) return false;
  ::FreeLibrary(module);
  return true;
}

}  // namespace

UnloadableImports ImportsThatDoNotLoad(const std::string& path) {
  UnloadableImports result;
  std::vector<std::string> names;
  if (!ImportNames(path, &names, &result.x64)) return result;
  const UINT old_mode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  const std::string folder = DirectoryPart(path);
  for (const std::string& name : names) {
    if (!IsApiSet(name) && !Loads(folder, name)) result.names.push_back(name);
  }
  ::SetErrorMode(old_mode);
  return result;
}

}  // namespace tidewarden

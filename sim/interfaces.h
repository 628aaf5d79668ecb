// The structures and function modules the simulated SAP system knows, as its
// data dictionary holds them: what a caller must pass and what comes back.
#ifndef TIDEWARDEN_SIM_INTERFACES_H_
#define TIDEWARDEN_SIM_INTERFACES_H_

#include <span>
#include <string>
#include <string_view>

namespace tidewarden::sim {

struct ElementSpec {
  const char* name;
  int type;  // TYPC, TYPINT, ...
  unsigned length;
};

struct StructureSpec {
  const char* name;
  std::span<const ElementSpec> elements;
  unsigned row_length;  // with the library's natural alignment
};

// A parameter or table of a function module. `structure` is set for
// structured parameters and tables; `type` then is unused.
struct ParameterSpec {
  const char* name;
  int type;
  const StructureSpec* structure;
  unsigned length;
  // Exporting parameters: the only value the probe is entitled to send
  // (nullptr: any value).
  const char* value;
};

struct FunctionSpec {
  const char* name;
  std::span<const ParameterSpec> exporting;
  std::span<const ParameterSpec> importing;
  std::span<const ParameterSpec> tables;
};

// nullptr when the dictionary has no such structure / function module.
const StructureSpec* FindStructure(std::string_view name);
const FunctionSpec* FindFunction(std::string_view name);
std::span<const FunctionSpec* const> AllFunctions();

// Index of `name` in the structure, or -1.
int FindElement(const StructureSpec& structure, std::string_view name);
// Byte offset of element `index` under natural alignment.
unsigned ElementOffset(const StructureSpec& structure, int index);
// Alignment of an elementary type in a record (1 for character-like types).
unsigned TypeAlignment(int type);
// "TYPC", "TYPINT", ... or the number for unknown codes.
std::string TypeName(int type);

// The function modules' parameters, looked up by name within one list.
const ParameterSpec* FindParameter(std::span<const ParameterSpec> list, std::string_view name);

}  // namespace tidewarden::sim

#endif  // TIDEWARDEN_SIM_INTERFACES_H_

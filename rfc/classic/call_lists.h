// Building the parameter lists of a function-module call.
#ifndef TIDEWARDEN_RFC_CLASSIC_CALL_LISTS_H_
#define TIDEWARDEN_RFC_CLASSIC_CALL_LISTS_H_

#include <cstring>

#include "rfc/classic/saprfc.h"

namespace tidewarden {

// The library never writes the names it is given; its types are not const.
constexpr char* RfcName(const char* text) { return const_cast<char*>(text); }

// One parameter entry; the name length is the name's.
inline RFC_PARAMETER RfcParameter(const char* name, unsigned type, unsigned length, void* address) {
  return RFC_PARAMETER{RfcName(name), static_cast<unsigned>(std::strlen(name)), type, length,
                       address};
}

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_CLASSIC_CALL_LISTS_H_

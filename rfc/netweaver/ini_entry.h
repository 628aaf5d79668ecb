// The SapRfc.ini entry reader lives in base/, where the logon guard above
// the seam reads it too.
#ifndef TIDEWARDEN_RFC_NETWEAVER_INI_ENTRY_H_
#define TIDEWARDEN_RFC_NETWEAVER_INI_ENTRY_H_

#include "base/ini_entry.h"

#endif  // TIDEWARDEN_RFC_NETWEAVER_INI_ENTRY_H_

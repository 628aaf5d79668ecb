// The classic library's trace file "Dev_Rfc.Trc": where its last error
// text is read from.
#ifndef TIDEWARDEN_RFC_CLASSIC_TRACE_FILE_H_
#define TIDEWARDEN_RFC_CLASSIC_TRACE_FILE_H_

#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "rfc/library_files.h"

namespace tidewarden {

// The error text the scan finds in a trace file's bytes ("" for none).
std::string LastTraceErrorText(std::string_view content);

// " - " + the last error text of "Dev_Rfc.Trc", or " - Please Check
// Trace-File !", or " - Look for Trace-File" when there is no trace file.
std::string TraceFileErrorText(FileSystem& fs);

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_CLASSIC_TRACE_FILE_H_

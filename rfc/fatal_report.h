// The plain-text report of a fatal failure, the same from the driver and
// from inside a library's error callback.
#ifndef TIDEWARDEN_RFC_FATAL_REPORT_H_
#define TIDEWARDEN_RFC_FATAL_REPORT_H_

#include <string_view>

#include "platform/system.h"
#include "rfc/sap_library.h"

namespace tidewarden {

// "RFC error", the operation and the error record, an empty line, then
// every connection of `library` closed (when there is one), then
// "* Programm aborted...".
void WriteFatalReport(Console& console, const FatalFailure& failure, SapLibrary* library);

// Indentation as blanks, then the label padded to `width` (a longer label is
// not cut), " : ", the text and a line feed.
void PrintLabelLine(Console& console, std::string_view label, int indent, int width,
                    std::string_view text);

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_FATAL_REPORT_H_

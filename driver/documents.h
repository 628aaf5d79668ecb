// The documents of measured logging figures, which the probe prints and the
// doctor shows as the probe would.
#ifndef TIDEWARDEN_DRIVER_DOCUMENTS_H_
#define TIDEWARDEN_DRIVER_DOCUMENTS_H_

#include <string>

#include "collect/logging_figures.h"
#include "output/result_document.h"
#include "platform/system.h"

namespace tidewarden {

// The document of a measured system: the text line and the four channels.
void SetLoggingDocument(ResultDocument& document, const std::string& destination,
                        const LoggingFigures& figures);

// The channel of a system measured in a listing pass, printed at once
// (nothing for an item of another name). A pass keeps no state, so only
// the usage is a real figure.
void PrintListingChannel(Console& console, ResultDocument& document, const std::string& item,
                         const std::string& system_name, const LoggingFigures& figures);

}  // namespace tidewarden

#endif  // TIDEWARDEN_DRIVER_DOCUMENTS_H_

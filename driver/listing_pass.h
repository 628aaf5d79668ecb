// The multi-system pass of a listing run, one channel per listed system.
#ifndef TIDEWARDEN_DRIVER_LISTING_PASS_H_
#define TIDEWARDEN_DRIVER_LISTING_PASS_H_

#include <string>

#include "driver/run_state.h"
#include "profiles/listing.h"

namespace tidewarden {

// Returns the exit code.
int RunListingPass(RunState& run, std::string server_listing, ChannelNaming naming);

}  // namespace tidewarden

#endif  // TIDEWARDEN_DRIVER_LISTING_PASS_H_

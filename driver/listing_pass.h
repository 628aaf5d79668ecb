// The multi-system pass of a listing run, one channel per listed system.
#ifndef TIDEWARDEN_DRIVER_LISTING_PASS_H_
#define TIDEWARDEN_DRIVER_LISTING_PASS_H_

#include <string>

#include "driver/pass_observer.h"
#include "driver/run_state.h"
#include "profiles/listing.h"

namespace tidewarden {

// Returns the exit code. `observer` (may be null) is told each listed
// system's steps and outcome, and the pass's end.
int RunListingPass(RunState& run, std::string server_listing, ChannelNaming naming,
                   PassObserver* observer = nullptr);

}  // namespace tidewarden

#endif  // TIDEWARDEN_DRIVER_LISTING_PASS_H_

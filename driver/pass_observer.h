// What a pass tells a setup check (the doctor) about each system it decides:
// the check reports the probe's own decisions instead of guessing them.
#ifndef TIDEWARDEN_DRIVER_PASS_OBSERVER_H_
#define TIDEWARDEN_DRIVER_PASS_OBSERVER_H_

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "collect/measure.h"
#include "profiles/connection_parameters.h"
#include "profiles/system_entry.h"
#include "rfc/logon_request.h"

namespace tidewarden {

// One system as the pass decided it.
struct DecidedSystem {
  std::size_t position = 0;  // in the listing, from 1, empty entries counted
  std::string entry;         // the listing's entry; the profile's name in a single run
  // Counted in NoSystems only: the entry is empty, or names no file there.
  bool passed_over = false;
  bool entry_fits = true;           // a longer entry is failed without a logon
  bool sound = true;                // the pass took its profile
  ConnectionParameters parameters;  // as the pass took them, carried-over fields included
  EntryLinesGiven given;            // the lines its profile had; the rest are carried over
  LogonParameters logon;
  std::optional<SystemOutcome> outcome;  // none without a logon attempt
  // A listing's State= ("Processed" or "Rfc Failure"); "" for a
  // single run and for a system that ends the pass.
  std::string state;
  // The document's message when the single run failed, or the message the
  // pass ends with at this system.
  std::string message;
  // The run ends here with the fatal report instead.
  bool fatal = false;
  // What the probe printed for it: its channel in a listing (with the
  // progress lines under ",TRACE"), the document of a single run.
  std::string printed;
};

// How a listing pass ended.
struct PassEnding {
  // "(***) ITEM: NoSystems=..., Processed=..., Failed=..."; "" when the
  // pass ended early.
  std::string summary;
  // Why it ended early: the error document's message, or the fatal report.
  std::string message;
  bool fatal = false;
};

class PassObserver {
 public:
  virtual ~PassObserver() = default;
  // On the pass's thread, before the logon of the system at `position`:
  // false keeps the logon from being made (the system fails as a refused
  // logon), for a setup check that knows it would fail.
  virtual bool MayLogOn(std::size_t /*position*/, const ConnectionParameters& /*parameters*/,
                        const LogonParameters& /*logon*/) {
    return true;
  }
  // On the pass's thread: told as the system's steps begin, maybe from a
  // thread of the pass's pool, which keeps it alive while it runs.
  virtual std::shared_ptr<MeasureObserver> StepsOf(std::size_t /*position*/,
                                                   const std::string& /*entry*/) {
    return nullptr;
  }
  // On the pass's thread, in listing order.
  virtual void SystemDecided(const DecidedSystem& system) = 0;
  virtual void PassEnded(const PassEnding& /*ending*/) {}
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_DRIVER_PASS_OBSERVER_H_

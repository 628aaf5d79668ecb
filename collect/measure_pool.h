// The remote steps of a listing pass's systems on threads of their own: at
// most `slots` systems (and so connections) at once, each with an optional
// deadline counted from its start. The pass's own thread starts them, asks
// for their outcomes in listing order and prints; nothing here prints.
#ifndef TIDEWARDEN_COLLECT_MEASURE_POOL_H_
#define TIDEWARDEN_COLLECT_MEASURE_POOL_H_

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "base/call_log.h"
#include "collect/measure.h"
#include "rfc/sap_library.h"

namespace tidewarden {

class MeasurePool {
 public:
  // `sap` must allow parallel connections and stay alive as long as a
  // thread abandoned inside a logon may run (the probe never destroys it);
  // `log` is kept alive by such threads.
  MeasurePool(SapLibrary& sap, std::shared_ptr<CallLog> log, int slots,
              std::optional<double> timeout_seconds);
  // CancelAll, and abandons every logoff still running.
  ~MeasurePool();
  MeasurePool(const MeasurePool&) = delete;
  MeasurePool& operator=(const MeasurePool&) = delete;

  bool HasFreeSlot();
  // Starts the remote steps of one system; returns its ticket. The thread
  // tells `observer` (may be null) as each step begins, and keeps it alive
  // for as long as it runs. REQUIRES: HasFreeSlot().
  std::size_t Start(LogonRequest request, CallLogger log,
                    std::shared_ptr<MeasureObserver> observer = nullptr);
  // Whether the outcome of `ticket` is known: its steps ended, or its
  // deadline passed first (the system is then cancelled and has failed).
  bool Decided(std::size_t ticket);
  // The outcome of a decided system (kDeadline when the deadline decided).
  SystemOutcome TakeOutcome(std::size_t ticket);
  // Blocks until a thread ends or the next deadline passes.
  void WaitForChange();
  // Cancels every system still running and waits for its thread, except
  // for a thread inside a logon, which cannot be ended: it is abandoned,
  // and closes what it gets once the logon returns; and a thread inside
  // its logoff, which is left to AwaitLogoffs. The process then ends
  // without waiting for an abandoned thread (EndProcess).
  void CancelAll();
  // After CancelAll: waits at most `grace` for the logoffs still running
  // and abandons those that take longer.
  void AwaitLogoffs(std::chrono::milliseconds grace);

  // Whether any pool of the process abandoned a thread: the process must
  // then end without running static destructors under it.
  static bool AnyThreadAbandoned();

 private:
  using Clock = std::chrono::steady_clock;
  // Shared with the thread, which may outlive the pool when abandoned.
  struct Job {
    MeasureControl control;
    // Guarded by Shared::mutex.
    SystemOutcome outcome;
    bool finished = false;     // the outcome is known: the last call returned
    bool logging_off = false;  // the connection's close runs after it
    bool ended = false;        // the thread is done
    Clock::time_point finished_at;
  };
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t changes = 0;  // outcomes known and threads ended
  };
  struct Running {
    std::shared_ptr<Job> job;
    std::thread thread;
    std::optional<Clock::time_point> deadline;
    bool cancelled = false;
    CallLogger log;
  };

  // Joins threads that have ended and cancels systems past their deadline.
  void Reap();
  void Abandon(Running& running, const char* what);

  SapLibrary& sap_;
  std::shared_ptr<CallLog> log_;
  const std::size_t slots_;
  const std::optional<Clock::duration> timeout_;
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  std::vector<Running> systems_;  // by ticket
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_COLLECT_MEASURE_POOL_H_

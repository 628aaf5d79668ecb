#include "collect/measure_pool.h"

#include <atomic>
#include <utility>

namespace tidewarden {
namespace {

std::atomic<bool> any_thread_abandoned{false};

}  // namespace

bool MeasurePool::AnyThreadAbandoned() { return any_thread_abandoned.load(); }

MeasurePool::MeasurePool(SapLibrary& sap, std::shared_ptr<CallLog> log, int slots,
                         std::optional<double> timeout_seconds)
    : sap_(sap),
      log_(std::move(log)),
      slots_(static_cast<std::size_t>(slots < 1 ? 1 : slots)),
      timeout_(timeout_seconds
                   ? std::optional<Clock::duration>(std::chrono::duration_cast<Clock::duration>(
                         std::chrono::duration<double>(*timeout_seconds)))
                   : std::nullopt) {}

MeasurePool::~MeasurePool() {
  CancelAll();
  AwaitLogoffs(std::chrono::milliseconds(0));
}

void MeasurePool::Reap() {
  const Clock::time_point now = Clock::now();
  for (Running& running : systems_) {
    if (!running.thread.joinable()) continue;
    bool finished = false;
    bool ended = false;
    {
      std::lock_guard<std::mutex> lock(shared_->mutex);
      finished = running.job->finished;
      ended = running.job->ended;
    }
    if (ended) {
      running.thread.join();
    } else if (!finished && !running.cancelled && running.deadline && now >= *running.deadline) {
      // The thread keeps its slot until its steps end: never more
      // connections than slots.
      running.cancelled = true;
      running.log.Write(0, "deadline passed",
                        "the system has failed; its step in progress is cancelled");
      running.job->control.Cancel();
    }
  }
}

bool MeasurePool::HasFreeSlot() {
  Reap();
  std::size_t busy = 0;
  for (const Running& running : systems_) busy += running.thread.joinable() ? 1 : 0;
  return busy < slots_;
}

std::size_t MeasurePool::Start(LogonRequest request, CallLogger log,
                               std::shared_ptr<MeasureObserver> observer) {
  Running running;
  running.job = std::make_shared<Job>();
  if (timeout_) running.deadline = Clock::now() + *timeout_;
  running.log = log;
  running.thread = std::thread([shared = shared_, job = running.job, &sap = sap_, keep_log = log_,
                                request = std::move(request), log = std::move(log),
                                observer = std::move(observer)]() mutable {
    ListedMeasurement measured =
        MeasureListedSystem(sap, std::move(request), log, &job->control, observer.get());
    {
      std::lock_guard<std::mutex> lock(shared->mutex);
      job->outcome = std::move(measured.outcome);
      job->finished = true;
      job->logging_off = measured.logoff != nullptr;
      job->finished_at = Clock::now();
      ++shared->changes;
      shared->changed.notify_all();
    }
    // The system's outcome does not wait for its logoff.
    if (measured.logoff != nullptr) measured.logoff->Close();
    std::lock_guard<std::mutex> lock(shared->mutex);
    job->ended = true;
    ++shared->changes;
    shared->changed.notify_all();
  });
  systems_.push_back(std::move(running));
  return systems_.size() - 1;
}

bool MeasurePool::Decided(std::size_t ticket) {
  Reap();
  Running& running = systems_[ticket];
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return running.job->finished || running.cancelled;
}

SystemOutcome MeasurePool::TakeOutcome(std::size_t ticket) {
  Running& running = systems_[ticket];
  std::lock_guard<std::mutex> lock(shared_->mutex);
  // Steps that ended before the deadline keep their outcome, however late
  // it is asked for; after it, the deadline decides, whatever the
  // cancelled step returned.
  if (running.job->finished &&
      (!running.deadline || running.job->finished_at <= *running.deadline)) {
    return std::move(running.job->outcome);
  }
  SystemOutcome outcome;
  outcome.end = MeasureEnd::kDeadline;
  return outcome;
}

void MeasurePool::WaitForChange() {
  Reap();
  std::unique_lock<std::mutex> lock(shared_->mutex);
  // A system whose outcome is known has no deadline left, even while its
  // thread still logs off.
  std::optional<Clock::time_point> next;
  bool any_running = false;
  for (const Running& running : systems_) {
    if (!running.thread.joinable() || running.job->ended) continue;
    any_running = true;
    if (!running.job->finished && !running.cancelled && running.deadline &&
        (!next || *running.deadline < *next)) {
      next = running.deadline;
    }
  }
  if (!any_running) return;
  const std::size_t seen = shared_->changes;
  auto changed = [this, seen] { return shared_->changes != seen; };
  if (next) {
    shared_->changed.wait_until(lock, *next, changed);
  } else {
    shared_->changed.wait(lock, changed);
  }
}

void MeasurePool::CancelAll() {
  for (Running& running : systems_) {
    if (running.thread.joinable() && !running.cancelled) {
      running.cancelled = true;
      running.job->control.Cancel();
    }
  }
  for (Running& running : systems_) {
    if (!running.thread.joinable()) continue;
    bool logging_off = false;
    {
      std::lock_guard<std::mutex> lock(shared_->mutex);
      logging_off = running.job->logging_off && !running.job->ended;
    }
    if (logging_off) continue;
    // Nothing ends a logon but the library's own timeout; the run does
    // not wait for it.
    if (running.job->control.NotYetOpened()) {
      Abandon(running, "logon abandoned");
    } else {
      running.thread.join();
    }
  }
}

void MeasurePool::AwaitLogoffs(std::chrono::milliseconds grace) {
  const Clock::time_point until = Clock::now() + grace;
  for (Running& running : systems_) {
    if (!running.thread.joinable()) continue;
    bool ended = false;
    {
      std::unique_lock<std::mutex> lock(shared_->mutex);
      ended = shared_->changed.wait_until(lock, until, [&running] { return running.job->ended; });
    }
    if (ended) {
      running.thread.join();
    } else {
      Abandon(running, "logoff abandoned");
    }
  }
}

void MeasurePool::Abandon(Running& running, const char* what) {
  running.job->control.Abandon();
  running.log.Write(0, what, "the run ends without waiting for it");
  any_thread_abandoned = true;
  running.thread.detach();
}

}  // namespace tidewarden

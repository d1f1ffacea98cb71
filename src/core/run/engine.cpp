#include "core/run/engine.h"

#include <algorithm>
#include <chrono>

#include "core/run/failure.h"

namespace zur {

void Run::ReportFailure(size_t item) { Emit({item, Outcome::Failed, Why::Error, CurrentFailureText()}); }

Run::Run(RunJob& job, size_t items, RunOptions options) : job_(job), count_(items), options_(options) {
  if (options_.workers == 0) {
    const unsigned cores = std::thread::hardware_concurrency();
    options_.workers = std::clamp<size_t>(cores == 0 ? 1 : cores, 1, 4);
  }
  options_.window = std::max(options_.window, options_.workers);
  slots_.resize(options_.window);
}

Run::Run(RunJob& job, RunFeed feed, RunOptions options) : Run(job, 0, std::move(options)) {
  feed_ = std::move(feed);
  closed_ = false;
}

void Run::Add(size_t n) {
  std::lock_guard<std::mutex> guard(lock_);
  count_ += n;
  if (workersWaiting_ > 0) roomReady_.notify_all();
}

Run::~Run() {
  RequestStop();
  Wait();
}

void Run::Start() {
  runner_ = std::thread([this] { RunLoop(); });
}

void Run::Wait() {
  if (runner_.joinable()) runner_.join();
}

void Run::RequestStop() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stop_ = true;
  }
  roomReady_.notify_all();
  workersOut_.notify_all();
}

std::vector<RunEvent> Run::TakeEvents() {
  std::lock_guard<std::mutex> guard(eventsLock_);
  std::vector<RunEvent> out;
  out.swap(events_);
  return out;
}

void Run::Emit(RunEvent event) {
  std::lock_guard<std::mutex> guard(eventsLock_);
  events_.push_back(std::move(event));
}

// Called from a job's Commit and Flush, which run without the lock.
void Run::Hold(size_t bytes) {
  std::lock_guard<std::mutex> guard(lock_);
  held_ += bytes;
}

void Run::Release(size_t bytes) {
  std::lock_guard<std::mutex> guard(lock_);
  held_ -= std::min(held_, bytes);
  if (workersWaiting_ > 0) roomReady_.notify_all();
}

bool Run::CommitsOver() const { return stop_ || (closed_ && nextCommit_ >= count_); }

bool Run::MayClaim() const {
  if (CommitsOver() || (closed_ && nextClaim_ >= count_)) return true;  // (to leave)
  if (nextClaim_ >= count_) return false;                            // items are still to come
  if (nextClaim_ == nextCommit_) return true;              // the item next in line always goes
  return nextClaim_ < nextCommit_ + options_.window && held_ <= options_.heldLimit;
}

void Run::CommitReady(std::unique_lock<std::mutex>& guard) {
  if (committing_) return;
  committing_ = true;
  while (!CommitsOver()) {
    auto& slot = slots_[nextCommit_ % options_.window];
    if (!slot) break;
    std::unique_ptr<RunJob::Prepared> prepared = std::move(slot);
    held_ -= std::min(held_, prepared->heldBytes);
    const size_t item = nextCommit_;
    guard.unlock();
    try {
      job_.Commit(item, std::move(prepared), *this);
    } catch (...) {
      ReportFailure(item);
    }
    guard.lock();
    ++nextCommit_;
    ++committed_;
    // Workers that wait for room are woken when a good part of the window is free again (or when
    // the next item in line is theirs to take).
    if (workersWaiting_ > 0) {
      const size_t slack = std::max<size_t>(1, options_.window / 4);
      if (nextClaim_ == nextCommit_ ||
          (nextClaim_ + slack <= nextCommit_ + options_.window && held_ <= options_.heldLimit)) {
        roomReady_.notify_all();
      }
    }
  }
  committing_ = false;
  if (CommitsOver()) {
    roomReady_.notify_all();
    workersOut_.notify_all();
  }
}

void Run::WorkerLoop(size_t id) {
  RunJob::Worker worker;
  worker.id = id;
  std::unique_lock<std::mutex> guard(lock_);
  for (;;) {
    if (!MayClaim()) {
      ++workersWaiting_;
      roomReady_.wait(guard, [&] { return MayClaim(); });
      --workersWaiting_;
    }
    if (CommitsOver() || nextClaim_ >= count_) break;  // (only when no more will come)
    const size_t item = nextClaim_++;
    guard.unlock();
    std::unique_ptr<RunJob::Prepared> prepared;
    std::string why;
    try {
      prepared = job_.Prepare(item, worker);
    } catch (...) {
      prepared.reset();
      why = CurrentFailureText();
    }
    if (!prepared) {
      prepared = std::make_unique<RunJob::Prepared>();
      prepared->broken = true;
      prepared->brokenWhy = std::move(why);
    }
    guard.lock();
    held_ += prepared->heldBytes;
    slots_[item % options_.window] = std::move(prepared);
    CommitReady(guard);
  }
  --workersRunning_;
  workersOut_.notify_all();
}

void Run::RunLoop() {
  using namespace std::chrono_literals;
  {
    std::lock_guard<std::mutex> guard(lock_);
    workersRunning_ = options_.workers;
  }
  for (size_t i = 0; i < options_.workers; ++i) workers_.emplace_back([this, i] { WorkerLoop(i); });
  if (feed_) {
    try {
      feed_(*this);
    } catch (...) {
      ReportFailure(kNoItem);
    }
    std::lock_guard<std::mutex> guard(lock_);
    closed_ = true;
    // A feed that ended because the run was asked to stop did not announce everything.
    feedCut_ = stop_;
    roomReady_.notify_all();
    workersOut_.notify_all();
  }
  {
    std::unique_lock<std::mutex> guard(lock_);
    while (workersRunning_ > 0) {
      if (workersOut_.wait_for(guard, 40ms, [&] { return workersRunning_ == 0; })) break;
      // Nothing committed for a while (a large file being read): what a job keeps back is written
      // and reported meanwhile.
      if (!committing_ && !CommitsOver()) {
        committing_ = true;
        guard.unlock();
        try {
          job_.Idle(*this);
        } catch (...) {
          ReportFailure(kNoItem);
        }
        guard.lock();
        committing_ = false;
        CommitReady(guard);
      }
    }
  }
  for (auto& w : workers_) w.join();
  workers_.clear();
  // Every item was prepared and stored when the workers left, so what is ready is committed now,
  // unless the run stopped.
  std::unique_lock<std::mutex> guard(lock_);
  CommitReady(guard);
  stopped_ = stop_ && (nextCommit_ < count_ || feedCut_);
  for (size_t i = nextCommit_; i < count_ && i < nextCommit_ + options_.window; ++i) {
    auto& slot = slots_[i % options_.window];
    if (!slot) continue;
    try {
      job_.Discard(i, *slot);
    } catch (...) {
      ReportFailure(i);
    }
    slot.reset();
  }
  guard.unlock();
  try {
    job_.Flush(*this);
    job_.Finish(*this, stopped_);
  } catch (...) {
    ReportFailure(kNoItem);
  }
  finished_ = true;
  if (options_.onFinished) options_.onFinished();
}

}  // namespace zur

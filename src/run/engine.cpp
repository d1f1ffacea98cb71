#include "run/engine.h"

#include <algorithm>
#include <chrono>

namespace zur {

Run::Run(RunJob& job, size_t items, RunOptions options) : job_(job), count_(items), options_(options) {
  if (options_.workers == 0) {
    const unsigned cores = std::thread::hardware_concurrency();
    options_.workers = std::clamp<size_t>(cores == 0 ? 1 : cores, 1, 4);
  }
  options_.window = std::max<size_t>(options_.window, options_.workers);
  slots_.resize(options_.window);
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

void Run::Hold(size_t bytes) {
  std::lock_guard<std::mutex> guard(lock_);
  held_ += bytes;
}

void Run::Release(size_t bytes) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    held_ -= std::min(held_, bytes);
  }
  wake_.notify_all();
}

void Run::WorkerLoop(size_t id) {
  RunJob::Worker worker;
  worker.id = id;
  for (;;) {
    size_t item;
    {
      std::unique_lock<std::mutex> guard(lock_);
      // The item the commit waits for always goes; others wait for room in the window and in memory.
      wake_.wait(guard, [&] {
        if (workersDone_ || nextClaim_ >= count_) return true;
        if (nextClaim_ == nextCommit_) return true;
        return nextClaim_ < nextCommit_ + options_.window && held_ <= options_.heldLimit;
      });
      if (workersDone_ || nextClaim_ >= count_) return;
      item = nextClaim_++;
    }
    std::unique_ptr<RunJob::Prepared> prepared;
    try {
      prepared = job_.Prepare(item, worker);
    } catch (...) {
      prepared.reset();
    }
    if (!prepared) {
      prepared = std::make_unique<RunJob::Prepared>();
      prepared->broken = true;
    }
    {
      std::lock_guard<std::mutex> guard(lock_);
      held_ += prepared->heldBytes;
      slots_[item % options_.window] = std::move(prepared);
    }
    wake_.notify_all();
  }
}

void Run::RunLoop() {
  for (size_t i = 0; i < options_.workers; ++i) workers_.emplace_back([this, i] { WorkerLoop(i); });
  using namespace std::chrono_literals;
  while (nextCommit_ < count_) {
    if (stop_) {
      stopped_ = true;
      break;
    }
    if (committed_ == options_.abandonAfter) {
      // What a program killed at this point leaves: the files of the last group written, the run
      // not ended.
      try {
        job_.Flush(*this);
      } catch (...) {
      }
      abandoned_ = true;
      break;
    }
    const size_t item = nextCommit_;
    std::unique_ptr<RunJob::Prepared> prepared;
    {
      std::unique_lock<std::mutex> guard(lock_);
      auto& slot = slots_[item % options_.window];
      while (!slot && !stop_) {
        if (!wake_.wait_for(guard, 40ms, [&] { return slot || stop_.load(); })) {
          // Nothing ready for a while: what is kept back is written and reported meanwhile.
          guard.unlock();
          try {
            job_.Flush(*this);
          } catch (...) {
          }
          guard.lock();
        }
      }
      if (!slot) continue;  // a stop was asked for
      prepared = std::move(slot);
      held_ -= std::min(held_, prepared->heldBytes);
    }
    try {
      job_.Commit(item, std::move(prepared), *this);
    } catch (...) {
      Emit({item, Outcome::Failed, Why::Error, {}});
    }
    {
      std::lock_guard<std::mutex> guard(lock_);
      ++nextCommit_;
    }
    ++committed_;
    wake_.notify_all();
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    workersDone_ = true;
  }
  wake_.notify_all();
  for (auto& w : workers_) w.join();
  workers_.clear();
  if (!abandoned_) {
    for (size_t i = nextCommit_; i < count_ && i < nextCommit_ + options_.window; ++i) {
      auto& slot = slots_[i % options_.window];
      if (slot) {
        try {
          job_.Discard(i, *slot);
        } catch (...) {
        }
        slot.reset();
      }
    }
    try {
      job_.Flush(*this);
      job_.Finish(*this, stopped_);
    } catch (...) {
    }
  }
  finished_ = true;
}

}  // namespace zur

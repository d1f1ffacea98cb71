// The items a writing job has committed and not yet written. Files wait to be written together (one
// flush of the disk for many), and the events of the items between them wait with them, so that the
// events keep the run's order.
#pragma once

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "core/run/engine.h"
#include "core/run/filewrite.h"

namespace zur {

// `P` is the job's prepared item: it has `heldBytes` and `FileWrite out`.
template <class P>
class WriteGroup {
 public:
  struct Pending {
    size_t item;
    std::unique_ptr<P> write;  // empty for an item that is only reported
    RunEvent event;
  };

  WriteGroup() : start_(Clock::now()) {}

  void AddWrite(size_t item, std::unique_ptr<P> p, RunJob::Context& ctx) {
    ctx.Hold(p->heldBytes);
    bytes_ += p->heldBytes;
    ++writes_;
    pending_.push_back({item, std::move(p), {}});
  }
  void AddEvent(RunEvent event) { pending_.push_back({event.item, nullptr, std::move(event)}); }

  bool HasWrites() const { return writes_ > 0; }
  // Enough waits to be written now.
  bool Full() const { return writes_ >= maxWrites_ || bytes_ >= kBytes || Old(); }
  // Each waiting write holds its file and its folder open: a group stays well within what the process
  // may open (`openFiles`).
  void FitTo(size_t openFiles) { maxWrites_ = std::clamp<size_t>(openFiles / 4, 16, kWrites); }
  // It has waited long enough (the disk's flush is shared by fewer files then).
  bool Old() const { return Clock::now() - start_ >= kTime; }

  // The writes, in order.
  std::vector<FileWrite*> Writes() {
    std::vector<FileWrite*> out;
    for (Pending& p : pending_) {
      if (p.write) out.push_back(&p.write->out);
    }
    return out;
  }

  // Passes the events on in order: a write's event is its FileWrite's (`settle` may amend it first).
  // The group is empty afterwards.
  template <class Settle>
  void Emit(RunJob::Context& ctx, Settle&& settle) {
    for (Pending& p : pending_) {
      if (p.write) {
        p.event = std::move(p.write->out.event);
        settle(p.event, *p.write);
        ctx.Release(p.write->heldBytes);
        p.write.reset();
      }
      ctx.Emit(std::move(p.event));
    }
    pending_.clear();
    writes_ = bytes_ = 0;
    start_ = Clock::now();
  }
  void Emit(RunJob::Context& ctx) {
    Emit(ctx, [](RunEvent&, P&) {});
  }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr size_t kWrites = 512;
  static constexpr size_t kBytes = 32u << 20;
  static constexpr auto kTime = std::chrono::milliseconds(1000);

  std::vector<Pending> pending_;
  size_t writes_ = 0;
  size_t bytes_ = 0;
  size_t maxWrites_ = kWrites;
  Clock::time_point start_;
};

}  // namespace zur

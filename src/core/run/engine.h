// The one run loop of every command that walks files (the batches, match, restore, rename, search).
//
// A run is given its inputs when it starts (the items are fixed then) and visits each item once, in
// order. Worker threads do what needs no order (reading, deciding, replacing, copying); the run's own
// thread then commits each item in input order (what must happen in order: the journal, the writes,
// the report). A stop request is honoured between two items, never inside one. The window only reads
// the events a run emits and turns them into report lines, hints and progress.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/platform/bytebuffer.h"

namespace zur {

inline constexpr size_t kNoItem = static_cast<size_t>(-1);

enum class Outcome {
  Done,       // the item was processed (written, renamed, restored)
  Unchanged,  // looked at; nothing to do
  Hit,        // the search found its text
  Skipped,    // left alone on purpose (the reason says why)
  Failed,     // could not be processed; it is as it was
};

enum class Why {
  None,
  Missing,
  NotRegular,
  NotReadable,
  NotWritable,
  TooLong,
  NotText,
  ChangedDuringRun,  // another program wrote to the file while the run read it
  Replaced,          // the name was given to another file or a link since the file was listed
  NotDurable,        // written, but the disk did not confirm it (the original is kept)
  Damaged,           // a failed write could not be undone; the detail says where the original is
  ChangedSinceRun,   // (restore) the file no longer holds what the run wrote
  AlreadyOriginal,   // (restore) the file holds its original bytes already
  NoCopy,            // (restore) the original bytes are gone or damaged
  FolderUnreadable,  // (scan) a folder that could not be opened
  TargetExists,      // (rename) a file of the new name is there
  OpenForWriting,    // another program holds the file open for writing (its lines would be lost)
  LinkOutside,       // a link that leads out of the source folder (the detail: where to)
  ForeignLink,       // (as root) a link of another user's that leads to a file of a third
  JournalDamaged,    // (no item) a line of the run's journal is damaged (the detail: the journal and line)
  NotEncodable,      // a rule's replacement cannot be written in the file's encoding
  PatternTooCostly,  // a rule's pattern would take too long on the file (it backtracks without end)
  Error,             // anything else; the detail says what
};

struct RunEvent {
  size_t item = kNoItem;
  Outcome outcome = Outcome::Done;
  Why why = Why::None;
  std::string detail;  // a system error text, or a path the event is about
  size_t replaced = 0;  // occurrences the rules replaced in a file written (Done), or would (a dry run's Hit)
  std::vector<size_t> byRule{};  // the same for each rule of the command, in order
  std::vector<std::pair<uint32_t, uint32_t>> byPair{};  // (a rule table) by the line of each pair that did
  const char* encoding = nullptr;  // (a batch's Done or Hit) the file's encoding, as EncodingName gives it
};

// What one command does to each item. Prepare runs on worker threads in any order and must only
// touch the item (and the worker's own buffer); Commit runs on the run's thread in input order.
class RunJob {
 public:
  struct Prepared {
    virtual ~Prepared() = default;
    size_t heldBytes = 0;  // memory the prepared item holds until it is committed
    bool broken = false;   // Prepare failed unexpectedly: Commit reports the item as failed
    std::string brokenWhy;  // what went wrong then
  };
  struct Worker {
    size_t id = 0;
    ByteBuffer buffer;  // reused from item to item
  };
  class Context {
   public:
    virtual ~Context() = default;
    virtual void Emit(RunEvent event) = 0;
    // Memory a job keeps after Commit (a group of writes), so that workers do not run too far ahead.
    virtual void Hold(size_t bytes) = 0;
    virtual void Release(size_t bytes) = 0;
  };

  virtual ~RunJob() = default;
  virtual std::unique_ptr<Prepared> Prepare(size_t item, Worker& worker) = 0;
  virtual void Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) = 0;
  // Finishes what Commit has kept back; called at the end.
  virtual void Flush(Context&) {}
  // No item has been ready for a while (a large file is being read): what waits may be finished now.
  virtual void Idle(Context& ctx) { Flush(ctx); }
  // The run is over; `stopped` when it ended early.
  virtual void Finish(Context&, bool /*stopped*/) {}
  // An item that was prepared but will not be committed (the run stopped first).
  virtual void Discard(size_t /*item*/, Prepared&) {}
};

struct RunOptions {
  size_t workers = 0;                  // 0: one a processor, at most four
  size_t window = 64;                  // items prepared ahead of the commit at most
  size_t heldLimit = 64u << 20;        // bytes held ahead of the commit at most (one item always goes)
  // Called on the run's thread once the run has ended (for a window to notice at once).
  std::function<void()> onFinished;
};

class Run;
// Gives a run its items while it goes (a scan that is still walking the folder tree): called on the
// run's own thread once the workers have started; it announces items with Run::Add and returns when
// there are no more (or when the run is asked to stop).
using RunFeed = std::function<void(Run&)>;

class Run : private RunJob::Context {
 public:
  Run(RunJob& job, size_t items, RunOptions options = {});
  // A run whose items come from `feed` while it goes.
  Run(RunJob& job, RunFeed feed, RunOptions options = {});
  ~Run() override;
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  void Start();
  void RequestStop();
  bool StopRequested() const { return stop_; }
  bool Finished() const { return finished_; }
  // Blocks until the run has ended.
  void Wait();
  // The events emitted since the last call, in order.
  std::vector<RunEvent> TakeEvents();
  // Items committed so far.
  size_t Committed() const { return committed_; }
  // A feed announces `n` more items (the job can give them to its workers now).
  void Add(size_t n);
  bool Stopped() const { return stopped_; }

 private:
  void Emit(RunEvent event) override;
  void Hold(size_t bytes) override;
  void Release(size_t bytes) override;
  void WorkerLoop(size_t id);
  void RunLoop();
  // Whether a worker may take the next item now (called under the lock).
  bool MayClaim() const;
  // Commits the items that are ready, in order, unless another thread is doing so already (called
  // under the lock; the lock is let go while a job's Commit runs).
  void CommitReady(std::unique_lock<std::mutex>& guard);
  bool CommitsOver() const;

  // Reports a failure of the job's own (an exception) as an event of `item`, so that nothing vanishes.
  void ReportFailure(size_t item);

  RunJob& job_;
  size_t count_;        // items announced so far
  bool closed_ = true;  // no more items will come
  bool feedCut_ = false;  // the feed ended on a stop request (items may be missing)
  RunFeed feed_;
  RunOptions options_;
  // Whichever thread finishes the item next in line commits it and the ready ones after it, so that
  // no thread sleeps and wakes for each item; `committing_` keeps commits to one thread at a time.
  std::mutex lock_;
  std::condition_variable roomReady_;  // workers wait here for room in the window
  std::condition_variable workersOut_;
  std::vector<std::unique_ptr<RunJob::Prepared>> slots_;
  size_t nextClaim_ = 0;
  size_t nextCommit_ = 0;
  size_t held_ = 0;
  size_t workersWaiting_ = 0;
  size_t workersRunning_ = 0;
  bool committing_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
  std::atomic<size_t> committed_{0};
  bool stopped_ = false;
  std::mutex eventsLock_;
  std::vector<RunEvent> events_;
  std::thread runner_;
  std::vector<std::thread> workers_;
};

// What a feed uses to announce its items a few at a time: a fast scan then does not take the run's
// lock and wake the workers for every file. The rest is announced by Flush or at the end of scope.
class ItemAnnouncer {
 public:
  explicit ItemAnnouncer(Run& run) : run_(run) {}
  ~ItemAnnouncer() { Flush(); }
  ItemAnnouncer(const ItemAnnouncer&) = delete;
  ItemAnnouncer& operator=(const ItemAnnouncer&) = delete;

  void One() {
    if (++pending_ == kGroup) Flush();
  }
  void Flush() {
    if (pending_ > 0) run_.Add(pending_);
    pending_ = 0;
  }

 private:
  static constexpr size_t kGroup = 16;
  Run& run_;
  size_t pending_ = 0;
};

}  // namespace zur

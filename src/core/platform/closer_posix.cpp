#include "core/platform/closer.h"

#include <pthread.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace zur::fs {
namespace {

class Closer {
 public:
  void Add(int fd) {
    if (forked_) {
      ::close(fd);
      return;
    }
    std::unique_lock<std::mutex> guard(lock_);
    room_.wait(guard, [&] { return waiting_.size() < kMaxWaiting; });
    waiting_.push_back(fd);
    if (!started_) {
      started_ = true;
      for (int i = 0; i < kThreads; ++i) std::thread([this] { Loop(); }).detach();
    }
    ready_.notify_one();
  }

  void Wait() {
    if (forked_) return;
    std::unique_lock<std::mutex> guard(lock_);
    room_.wait(guard, [&] { return waiting_.empty() && closing_ == 0; });
  }

  // A child made by fork has no closing thread: it closes at once (the lock is held across the fork,
  // so that the child's copy of the queue is whole).
  void BeforeFork() { lock_.lock(); }
  void AfterForkInParent() { lock_.unlock(); }
  void AfterForkInChild() {
    for (int fd : waiting_) ::close(fd);
    waiting_.clear();
    forked_ = true;
    lock_.unlock();
  }

 private:
  static constexpr size_t kMaxWaiting = 128;
  // Freeing waits on the disk more than on a processor: a few at once go faster.
  static constexpr int kThreads = 4;

  void Loop() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
      ready_.wait(guard, [&] { return !waiting_.empty(); });
      const int fd = waiting_.front();
      waiting_.pop_front();
      ++closing_;
      guard.unlock();
      ::close(fd);
      guard.lock();
      --closing_;
      room_.notify_all();
    }
  }

  std::mutex lock_;
  std::condition_variable ready_;
  std::condition_variable room_;
  std::deque<int> waiting_;
  size_t closing_ = 0;
  bool started_ = false;
  bool forked_ = false;
};

// Made once and never destroyed: the thread may still be closing when the program ends.
Closer& TheCloser() {
  static Closer* closer = [] {
    auto* made = new Closer();
    ::pthread_atfork([] { TheCloser().BeforeFork(); }, [] { TheCloser().AfterForkInParent(); },
                     [] { TheCloser().AfterForkInChild(); });
    return made;
  }();
  return *closer;
}

}  // namespace

void CloseInBackground(int fd) {
  if (fd >= 0) TheCloser().Add(fd);
}

void WaitForBackgroundCloses() { TheCloser().Wait(); }

}  // namespace zur::fs

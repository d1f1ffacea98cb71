// How a command's journal records the writes of a group (filewrite.h): "writing" before a file is
// written in place, then "done" for a run's file or "restored" for a restore's. Workers add their own
// records meanwhile, so the journal is written by one thread at a time.
#pragma once

#include <mutex>

#include "core/run/filewrite.h"
#include "core/run/journal.h"

namespace zur {

class JournalMarks : public WriteMarks {
 public:
  enum class Of { Run, Restore };
  JournalMarks(JournalWriter& journal, std::mutex& lock, Of of) : journal_(journal), lock_(lock), of_(of) {}

  bool WritingInPlace(uint64_t n) override {
    std::lock_guard<std::mutex> guard(lock_);
    return journal_.Writing(n);
  }
  bool Written(uint64_t n, const fs::FileId& written) override {
    std::lock_guard<std::mutex> guard(lock_);
    return of_ == Of::Run ? journal_.Done(n, written) : journal_.Restored(n);
  }
  bool Left(uint64_t n) override {
    std::lock_guard<std::mutex> guard(lock_);
    return journal_.Left(n);
  }

 private:
  JournalWriter& journal_;
  std::mutex& lock_;
  Of of_;
};

}  // namespace zur

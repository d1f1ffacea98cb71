#include "run/rewritejob.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "fileset/paths.h"
#include "platform/fileio.h"
#include "platform/filesystem.h"
#include "replace/substitute.h"
#include "replace/worktext.h"
#include "run/runevents.h"

namespace zur {

namespace {

constexpr size_t kGroupWrites = 256;
constexpr size_t kGroupBytes = 32u << 20;
constexpr auto kGroupTime = std::chrono::milliseconds(250);
constexpr size_t kMaxWorkers = 16;

std::string WorkingFolder() {
  char cwd[4096];
  return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" : std::string();
}

std::string Absolute(const std::string& path, const std::string& cwd) {
  if (!path.empty() && path[0] == '/') return path;
  return cwd + path;
}

}  // namespace

struct RewriteJob::Prepared : RunJob::Prepared {
  fs::OpenedFile file;
  RunEvent verdict{kNoItem, Outcome::Unchanged, Why::None, {}};
  bool write = false;
  ByteBuffer bytes;    // what the file becomes
  JournalEntry kept;   // the original: where it is kept (a copy or a stretch of a data file), its size,
                       // permissions, time and fingerprint; the rest is filled in when it is journalled
  bool copyMade = false;
  std::string keepError;  // the original could not be kept: the file is not rewritten
};

RewriteJob::RewriteJob(RewriteSetup setup) : setup_(std::move(setup)), state_(setup_.stateDir), cwd_(WorkingFolder()) {
  dataFiles_.resize(kMaxWorkers);
  for (RunItem& item : setup_.items) AddItem(std::move(item));
  setup_.items.clear();
}

void RewriteJob::AddItem(RunItem item) {
  item.path = Absolute(item.stored, cwd_);
  items_.Append(std::move(item));
}

RewriteJob::~RewriteJob() {
  for (DataFile& d : dataFiles_) {
    if (d.fd >= 0) ::close(d.fd);
  }
}

bool RewriteJob::Begin(std::string& error) {
  if (!state_.Ready()) {
    error = state_.Folder();
    return false;
  }
  id_ = state_.NewId();
  JournalHeader header{id_, setup_.kind, setup_.copies, Absolute(setup_.source, cwd_), Absolute(setup_.output, cwd_)};
  std::vector<JournalEntry> carried;
  if (setup_.copies) {
    if (!MakeFolders(setup_.output)) {
      error = setup_.output;
      return false;
    }
    journalPath_ = Absolute(setup_.output, cwd_) + kJournalName;
    if (fs::Probe(journalPath_) == fs::Kind::File) {
      RecoverJournal(journalPath_);
      auto earlier = ReadJournal(journalPath_);
      if (earlier && earlier->Interrupted()) {
        for (const JournalEntry* e : earlier->LatestEntries()) {
          if (e->copy.empty()) continue;
          carried.push_back(*e);
          carried_[e->path] = *e;
          carriedCopies_.insert(e->copy);
          nextEntry_ = std::max(nextEntry_, e->n + 1);
        }
      }
    }
  } else {
    journalPath_ = state_.JournalPathFor(id_);
  }
  if (!state_.MarkActive(id_, journalPath_)) {
    error = state_.Folder();
    return false;
  }
  journal_ = JournalWriter::Create(journalPath_, header, carried);
  if (!journal_) {
    state_.ClearActive(id_);
    error = journalPath_;
    return false;
  }
  if (setup_.copies) state_.SetLastJournal(journalPath_);
  groupStart_ = std::chrono::steady_clock::now();
  return true;
}

std::string RewriteJob::CopyPathFor(size_t item) const {
  const std::string base = Absolute(setup_.output, cwd_) + items_[item].below;
  std::string path = base;
  // The copy of another file that an unfinished earlier run still needs is never written over.
  for (int k = 1; carriedCopies_.count(path); ++k) path = base + "~" + std::to_string(k);
  return path;
}

void RewriteJob::KeepOriginal(size_t item, size_t worker, std::string_view original, Prepared& p) {
  const fs::FileStat& st = p.file.Stat();
  auto carried = carried_.find(items_[item].path);
  if (carried != carried_.end()) {
    // An unfinished earlier run changed this file: its copy is the original, and stays so.
    p.kept = carried->second;
    return;
  }
  JournalEntry& k = p.kept;
  k.before = FingerprintOf(original);
  k.size = original.size();
  k.mode = st.mode & 07777;
  k.mtimeSec = st.mtimeSec;
  k.mtimeNsec = st.mtimeNsec;
  try {
    if (setup_.copies) {
      k.copy = CopyPathFor(item);
      if (!MakeFolders(FolderPart(k.copy))) throw fs::FileError(fs::ErrorText(errno));
      fs::WriteNewFile(k.copy, original, k.mode, k.mtimeSec, k.mtimeNsec);
      p.copyMade = true;
      return;
    }
    DataFile& d = dataFiles_[worker % kMaxWorkers];
    k.data = state_.DataPathFor(id_, worker % kMaxWorkers);
    if (d.fd < 0) {
      d.fd = ::open(k.data.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
      if (d.fd < 0) throw fs::FileError(fs::ErrorText(errno));
    }
    k.dataOffset = d.size;
    size_t done = 0;
    while (done < original.size()) {
      const ssize_t n = ::pwrite(d.fd, original.data() + done, original.size() - done, static_cast<off_t>(d.size + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw fs::FileError(fs::ErrorText(n < 0 ? errno : EIO));
      done += static_cast<size_t>(n);
    }
    d.size += original.size();
  } catch (const std::exception& e) {
    p.keepError = e.what();
  }
}

std::unique_ptr<RunJob::Prepared> RewriteJob::Prepare(size_t item, Worker& worker) {
  auto p = std::make_unique<Prepared>();
  p->verdict.item = item;
  p->file = fs::OpenedFile::Open(items_[item].path, true, items_[item].regular);
  if (!p->file.Ok()) {
    p->verdict = RefusalEvent(item, p->file.Refused(), p->file.Error());
    return p;
  }
  if (!p->file.ReadAll(worker.buffer)) {
    p->verdict = {item, Outcome::Failed, Why::Error, fs::ErrorText(p->file.Error())};
    return p;
  }
  WorkText work(setup_.locale);
  work.Take(std::move(worker.buffer));
  if (work.NotText()) {
    p->verdict = {item, Outcome::Skipped, Why::NotText, {}};
    worker.buffer = std::move(work.Bytes());
    return p;
  }
  const bool writable = p->file.Writable();
  work.beforeFirstChange = [&](std::string_view original) {
    if (writable) KeepOriginal(item, worker.id, original, *p);
  };
  ApplyRules(work, setup_.rules, setup_.keyed);
  auto unchanged = [&](RunEvent verdict) {
    DropCopy(*p);
    p->verdict = std::move(verdict);
    worker.buffer = std::move(work.Bytes());
    return std::move(p);
  };
  if (!work.Changed()) return unchanged({item, Outcome::Unchanged, Why::None, {}});
  p->kept.after = FingerprintOf(work.View());
  if (!writable) return unchanged({item, Outcome::Skipped, Why::NotWritable, {}});
  if (!p->keepError.empty()) return unchanged({item, Outcome::Failed, Why::Error, p->keepError});
  // The rules may have given the text back as it was (one rule undoing another).
  if (carried_.count(items_[item].path) == 0 && p->kept.after == p->kept.before) {
    return unchanged({item, Outcome::Unchanged, Why::None, {}});
  }
  p->write = true;
  p->bytes = std::move(work.Bytes());
  p->heldBytes = p->bytes.size();
  return p;
}

void RewriteJob::DropCopy(Prepared& p) {
  if (p.copyMade) ::unlink(p.kept.copy.c_str());
  p.copyMade = false;
}

void RewriteJob::Discard(size_t, RunJob::Prepared& prepared) {
  if (!prepared.broken) DropCopy(static_cast<Prepared&>(prepared));
}

void RewriteJob::Commit(size_t item, std::unique_ptr<RunJob::Prepared> prepared, Context& ctx) {
  if (prepared->broken) {
    group_.push_back({item, nullptr, {item, Outcome::Failed, Why::Error, {}}});
  } else {
    std::unique_ptr<Prepared> p(static_cast<Prepared*>(prepared.release()));
    if (p->file.Ok() && !seen_.First(p->file.Stat().device, p->file.Stat().inode)) {
      DropCopy(*p);  // the same file by another name: it was handled under the first
      return;
    }
    if (p->write) {
      ctx.Hold(p->heldBytes);
      groupBytes_ += p->heldBytes;
      ++groupWrites_;
      group_.push_back({item, std::move(p), {}});
    } else {
      group_.push_back({item, nullptr, p->verdict});
    }
  }
  if (groupWrites_ == 0) {
    EmitGroup(ctx);
  } else if (groupWrites_ >= kGroupWrites || groupBytes_ >= kGroupBytes ||
             std::chrono::steady_clock::now() - groupStart_ >= kGroupTime) {
    Flush(ctx);
  }
}

void RewriteJob::EmitGroup(Context& ctx) {
  for (Pending& pending : group_) ctx.Emit(std::move(pending.event));
  group_.clear();
  groupWrites_ = groupBytes_ = 0;
  groupStart_ = std::chrono::steady_clock::now();
}

void RewriteJob::Flush(Context& ctx) {
  if (groupWrites_ == 0) {
    EmitGroup(ctx);
    return;
  }
  // The kept originals reach the disk before the journal says where they are.
  bool kept = true;
  if (setup_.copies) {
    kept = fs::SyncFileSystemOf(Absolute(setup_.output, cwd_));
  } else {
    for (DataFile& d : dataFiles_) {
      if (d.fd >= 0 && ::fdatasync(d.fd) != 0) kept = false;
    }
  }
  std::vector<uint64_t> numbers(group_.size(), 0);
  bool journalled = kept;
  for (size_t i = 0; i < group_.size() && journalled; ++i) {
    Pending& pending = group_[i];
    if (!pending.write) continue;
    Prepared& p = *pending.write;
    if (!p.file.Unchanged()) {
      pending.event = {pending.item, Outcome::Skipped, Why::ChangedDuringRun, {}};
      continue;
    }
    p.kept.n = nextEntry_++;
    p.kept.path = items_[pending.item].path;
    p.kept.shown = items_[pending.item].shown;
    journalled = journal_->Entry(p.kept);
    numbers[i] = p.kept.n;
  }
  journalled = journalled && journal_->Sync();
  for (size_t i = 0; i < group_.size(); ++i) {
    Pending& pending = group_[i];
    if (!pending.write) continue;
    Prepared& p = *pending.write;
    if (numbers[i] != 0 && journalled) {
      std::string error;
      if (p.file.WriteInPlace(p.bytes.view(), error)) {
        journal_->Done(numbers[i]);
        writtenDevices_.emplace(p.file.Stat().device, items_[pending.item].path);
        pending.event = {pending.item, Outcome::Done, Why::None, {}};
      } else {
        // Written in part at most: the original goes back at once (the journal still has it).
        ByteBuffer original;
        std::string ignored;
        if (LoadOriginal(p.kept, original)) p.file.WriteInPlace(original.view(), ignored);
        pending.event = {pending.item, Outcome::Failed, Why::Error, error};
      }
    } else if (pending.event.why != Why::ChangedDuringRun) {
      pending.event = {pending.item, Outcome::Failed, Why::Error, kept ? journalPath_ : fs::ErrorText(EIO)};
      DropCopy(p);
    } else {
      DropCopy(p);
    }
    ctx.Release(p.heldBytes);
    pending.write.reset();
  }
  EmitGroup(ctx);
}

void RewriteJob::Finish(Context& ctx, bool stopped) {
  Flush(ctx);
  // What was written reaches the disk before the run is recorded as ended.
  for (const auto& [device, path] : writtenDevices_) fs::SyncFileSystemOf(path);
  if (journal_) journal_->Closed(stopped ? "stopped" : "done");
  journal_.reset();
  for (DataFile& d : dataFiles_) {
    if (d.fd >= 0) ::close(d.fd);
    d = DataFile{};
  }
  state_.ClearActive(id_);
  if (!setup_.copies) state_.RemoveRunFiles(id_);
}

}  // namespace zur

#include "core/run/rewritejob.h"

#include <unistd.h>

#include <cerrno>

#include "core/files/paths.h"
#include "core/platform/closer.h"
#include "core/platform/fileio.h"
#include "core/platform/filesystem.h"
#include "core/platform/privatefiles.h"
#include "core/replace/substitute.h"
#include "core/replace/worktext.h"
#include "core/run/filewrite.h"
#include "core/run/history.h"
#include "core/run/journalmarks.h"
#include "core/run/runevents.h"

namespace zur {

struct RewriteJob::Prepared : RunJob::Prepared {
  fs::OpenedFile file;
  RunEvent verdict{kNoItem, Outcome::Unchanged, Why::None, {}};
  bool write = false;
  ByteBuffer bytes;    // what the file becomes
  JournalEntry kept;   // the original: where it is kept (a copy or a stretch of a data file), its size,
                       // permissions, time and fingerprint; the rest is filled in when it is journalled
  bool copyMade = false;
  std::string keepError;  // the original could not be kept: the file is not rewritten
  bool carried = false;   // an unfinished earlier run changed the file:
  ByteBuffer read;        // what it holds now
  FileWrite out;          // the new content on its way
  fs::FileId now;         // (a name given to another file since the listing) the file it holds now
};

RewriteJob::RewriteJob(RewriteSetup setup) : setup_(std::move(setup)), state_(setup_.stateDir), cwd_(fs::WorkingFolder()) {
  for (RunItem& item : setup_.items) AddItem(std::move(item));
  setup_.items.clear();
}

void RewriteJob::AddItem(RunItem item) {
  // The path in one spelling (its folder without links, "." or ".."), as the journal records it and
  // as an undo walks it again. Items of one folder come together, so each folder is resolved once.
  const std::string absolute = fs::AbsolutePath(item.stored, cwd_);
  const std::string folder = FolderPart(absolute);
  auto known = folders_.find(folder);
  if (known == folders_.end()) {
    auto canonical = fs::CanonicalFolder(folder);
    known = folders_.emplace(folder, canonical ? *canonical : fs::LexicalPath(folder)).first;
  }
  item.path = known->second + FileNamePart(absolute);
  items_.Append(std::move(item));
}

RewriteJob::~RewriteJob() = default;

// An earlier run into the same output folder: put right first; if it did not end, its originals are
// carried into this run's journal.
bool RewriteJob::TakeOver(HeldJournal& earlier, std::vector<JournalEntry>& carried, StartRefusal& refusal) {
  RecoveryReport report = RecoverJournal(earlier, state_.Key(), state_.Folder());
  if (!report.resolved) {
    refusal = {StartRefusal::Kind::Waiting, journalPath_};
    return false;
  }
  const Journal& j = earlier.Read();
  if (!j.Interrupted()) return true;
  for (const JournalEntry* e : j.ChangedFiles()) {
    if (e->copy.empty()) continue;
    carried.push_back(*e);
    // The earlier run may have named the folders otherwise (./site, site): its files are known by what
    // they are, not by how their paths were spelled.
    fs::FileStat now;
    if (fs::ProbeRegular(e->path, &now) == fs::Refusal::None) carriedById_[now.device][now.inode] = *e;
    auto canonical = fs::CanonicalFilePath(e->path);
    carriedByPath_[canonical ? *canonical : fs::LexicalPath(e->path)] = *e;
    firstEntry_ = std::max(firstEntry_, e->n + 1);
  }
  return true;
}

bool RewriteJob::Begin(StartRefusal& refusal) {
  group_.FitTo(fs::RaiseOpenFileLimit());  // a group of files and their folders are held open at once
  std::string why;
  if (!state_.Ready(why)) {
    refusal = {StartRefusal::Kind::Records, why};
    return false;
  }
  id_ = state_.NewId();
  tempPrefix_ = ".zur-" + id_ + "-";
  output_ = fs::AbsolutePath(setup_.output, cwd_);
  JournalHeader header{id_, setup_.kind, setup_.copies, fs::AbsolutePath(setup_.source, cwd_), output_, {}};
  for (size_t i = 0; i < setup_.described.size(); ++i) {
    const Rule& r = setup_.described[i];
    if (r.Active()) {
      header.rules.push_back({i + 1, EncodeText(r.find, Encoding::Utf8), EncodeText(r.replacement, Encoding::Utf8), r.options});
    }
  }
  header.table = setup_.table;
  header.tablePairs = setup_.tablePairs;
  std::vector<JournalEntry> carried;
  HeldJournal earlier;
  if (setup_.copies) {
    if (!MakeFolders(output_)) {
      refusal = {StartRefusal::Kind::Records, output_ + ": " + fs::ErrorText(errno)};
      return false;
    }
    // One spelling, so that runs into it are found and matched however it was named.
    output_ = fs::CanonicalFolder(output_).value_or(output_);
    header.output = output_;
    // The journal there must stay this user's to trust.
    if (!fs::IsSafeFolder(output_, why)) {
      refusal = {StartRefusal::Kind::Records, output_ + ": " + why};
      return false;
    }
    journalPath_ = output_ + kJournalName;
    earlier = HeldJournal::Open(journalPath_, state_.Key());
    switch (earlier.State()) {
      case HeldJournal::Status::Missing:
        break;
      case HeldJournal::Status::Busy:
        refusal = {StartRefusal::Kind::Busy, journalPath_};
        return false;
      case HeldJournal::Status::Refused:
        refusal = {StartRefusal::Kind::Journal, journalPath_ + ": " + earlier.Why()};
        return false;
      case HeldJournal::Status::Ok:
        if (!TakeOver(earlier, carried, refusal)) return false;
        // A finished run keeps its copies: it moves into the output folder's history, to be undone
        // after this one.
        if (!earlier.Read().Interrupted()) {
          // Where the history cannot be used, the finished run stays beside this one, and the user is
          // told; its copies are never written over either way.
          if (!MoveRunAside(earlier, kJournalName, why)) {
            std::string kept;
            if (!KeepRunInPlace(earlier, kJournalName, kept)) {
              refusal = {StartRefusal::Kind::Records, why + "; " + kept};
              return false;
            }
            notes_.push_back(why);
          }
          earlier = HeldJournal();
        }
        break;
    }
  } else {
    journalPath_ = state_.JournalPathFor(id_);
  }
  mark_ = state_.MarkActive(id_, journalPath_, why);
  if (!mark_) {
    refusal = {StartRefusal::Kind::Records, why};
    return false;
  }
  journal_ = JournalWriter::Create(journalPath_, header, carried, state_.Key(), earlier.Ok(), why);
  if (!journal_) {
    mark_->Remove();
    // A journal that appeared meanwhile belongs to a run of another window.
    const bool busy = !earlier.Ok() && fs::Probe(journalPath_) != fs::Kind::Missing;
    refusal = {busy ? StartRefusal::Kind::Busy : StartRefusal::Kind::Records, busy ? journalPath_ : why};
    return false;
  }
  earlier = HeldJournal();  // its lock goes with it; the new journal holds the name now
  store_ = std::make_unique<OriginalStore>(setup_.copies, output_, state_.DataBaseFor(id_), setup_.source, id_);
  if (setup_.copies) state_.SetLastJournal(journalPath_);
  return true;
}

const JournalEntry* RewriteJob::CarriedFor(const fs::OpenedFile& file) const {
  auto device = carriedById_.find(file.Stat().device);
  if (device != carriedById_.end()) {
    auto inode = device->second.find(file.Stat().inode);
    if (inode != device->second.end()) return &inode->second;
  }
  auto byPath = carriedByPath_.find(file.Path());
  return byPath == carriedByPath_.end() ? nullptr : &byPath->second;
}

void RewriteJob::KeepOriginal(size_t item, size_t worker, std::string_view original, Prepared& p) {
  const fs::FileStat& st = p.file.Stat();
  if (const JournalEntry* carried = CarriedFor(p.file)) {
    // An unfinished earlier run changed this file: its copy is the original, and stays so. What the
    // file holds now is kept for putting back should writing it in place fail.
    p.kept = *carried;
    p.carried = true;
    p.read.assign(original);
    return;
  }
  JournalEntry& k = p.kept;
  k.before = FingerprintOf(original);
  k.size = original.size();
  k.mode = st.mode & 07777;
  k.mtimeSec = st.mtimeSec;
  k.mtimeNsec = st.mtimeNsec;
  k.owned = true;
  k.uid = st.uid;
  k.gid = st.gid;
  try {
    store_->Keep(worker, items_[item].below, original, k);
    p.copyMade = setup_.copies;
  } catch (const fs::FileError& e) {
    p.keepError = e.what();
  }
}

std::unique_ptr<RunJob::Prepared> RewriteJob::Prepare(size_t item, Worker& worker) {
  auto p = std::make_unique<Prepared>();
  p->verdict.item = item;
  const RunItem& it = items_[item];
  p->file = fs::OpenedFile::Open(it.path, true, it.listed.Known() ? &it.listed : nullptr);
  if (!p->file.Ok()) {
    p->verdict = RefusalEvent(item, p->file.Refused(), p->file.Error());
    // (Perhaps a file this run has written already, under another name.)
    fs::FileStat now;
    if (p->file.Refused() == fs::Refusal::Replaced && fs::ProbeRegular(it.path, &now) == fs::Refusal::None) {
      p->now = now.Id();
    }
    return p;
  }
  if (LinkRefused(it, p->file, p->verdict)) return p;
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
  const Applied applied = ApplyRules(work, setup_.rules);
  auto unchanged = [&](RunEvent verdict) {
    DropCopy(*p);
    p->verdict = std::move(verdict);
    worker.buffer = std::move(work.Bytes());
    return std::move(p);
  };
  if (applied.problem != RuleProblem::None) return unchanged(RuleProblemEvent(item, applied));
  if (!work.Changed()) return unchanged({item, Outcome::Unchanged, Why::None, {}});
  p->kept.after = FingerprintOf(work.View());
  if (!writable) return unchanged({item, Outcome::Skipped, Why::NotWritable, {}});
  if (!p->keepError.empty()) return unchanged({item, Outcome::Failed, Why::Error, p->keepError});
  // The rules may have given the text back as it was (one rule undoing another).
  if (!p->carried && p->kept.after == p->kept.before) {
    return unchanged({item, Outcome::Unchanged, Why::None, {}});
  }
  p->bytes = std::move(work.Bytes());
  // The entry is in the journal before the new content is written beside the file, so that nothing a
  // run cut short leaves behind goes unnamed; the content is written here, on the worker's thread.
  if (!Journalled(item, *p)) return unchanged({item, Outcome::Failed, Why::Error, journalPath_ + ": " + fs::ErrorText(errno)});
  FileWrite& w = p->out;
  w.file = &p->file;
  w.bytes = p->bytes.view();
  w.n = p->kept.n;
  w.event = {item, Outcome::Done, Why::None, {}, applied.Total(), applied.counts, applied.pairs, EncodingName(work.Kind())};
  Prepared* raw = p.get();
  w.previous = [raw](ByteBuffer& into) {
    if (!raw->carried) return LoadOriginal(raw->kept, into);
    into.assign(raw->read.view());
    return true;
  };
  StageWrite(w, tempPrefix_);
  if (w.step == FileWrite::Step::Over) {
    DropCopy(*p);
    p->verdict = std::move(w.event);
    return p;
  }
  p->write = true;
  p->heldBytes = p->bytes.size();
  return p;
}

// A link of the tree is followed only where the scan would follow it (it may have been changed since
// the scan looked): into the source folder, or anywhere when the user asked.
bool RewriteJob::LinkRefused(const RunItem& item, const fs::OpenedFile& file, RunEvent& verdict) const {
  if (setup_.kind != RunKind::FolderTree || file.Path() == item.path) return false;
  const fs::LinkVerdict judged = fs::JudgeLink(item.path, file.Path(), file.Stat().uid, setup_.source, setup_.followOutside);
  if (judged == fs::LinkVerdict::Follow) return false;
  verdict.outcome = Outcome::Skipped;
  verdict.why = judged == fs::LinkVerdict::Outside ? Why::LinkOutside : Why::ForeignLink;
  verdict.detail = file.Path();
  return true;
}

bool RewriteJob::Journalled(size_t item, Prepared& p) {
  std::lock_guard<std::mutex> guard(journalLock_);
  // Numbered in the run's order (the order the restore reports in), whichever worker comes first.
  p.kept.n = firstEntry_ + item;
  p.kept.path = p.file.Path();
  p.kept.shown = items_[item].shown;
  return journal_->Entry(p.kept);
}

void RewriteJob::DropCopy(Prepared& p) {
  if (p.copyMade) ::unlink(p.kept.copy.c_str());
  p.copyMade = false;
}

void RewriteJob::Discard(size_t, RunJob::Prepared& prepared) {
  if (!prepared.broken) DropCopy(static_cast<Prepared&>(prepared));
}

void RewriteJob::AllListed() {
  std::lock_guard<std::mutex> guard(journalLock_);
  if (journal_) journal_->Listed(items_.size());  // a count that does not reach the journal is only not told
}

void RewriteJob::Commit(size_t item, std::unique_ptr<RunJob::Prepared> prepared, Context& ctx) {
  ++committed_;
  if (prepared->broken) {
    group_.AddEvent({item, Outcome::Failed, Why::Error, prepared->brokenWhy});
  } else {
    std::unique_ptr<Prepared> p(static_cast<Prepared*>(prepared.release()));
    // The same file by another name (a link, or a name whose file this run has replaced already): it
    // was handled under the first.
    if ((p->file.Ok() && !seen_.First(p->file.Stat().device, p->file.Stat().inode)) ||
        (p->now.Known() && seen_.Met(p->now.device, p->now.inode))) {
      DropCopy(*p);
      return;
    }
    if (p->write) {
      group_.AddWrite(item, std::move(p), ctx);
    } else {
      group_.AddEvent(std::move(p->verdict));
    }
  }
  if (!group_.HasWrites()) {
    group_.Emit(ctx);
  } else if (group_.Full()) {
    Flush(ctx);
  }
}

// A group waits for the disk's flush with others; only one kept back too long is written while
// workers are busy.
void RewriteJob::Idle(Context& ctx) {
  if (group_.Old()) Flush(ctx);
}

void RewriteJob::Flush(Context& ctx) {
  if (group_.HasWrites()) {
    // The kept originals and the entries reach the disk with the new contents, before any file changes.
    fs::SyncPoint before;
    store_->AddTo(before);
    before.File(journal_->Fd());
    JournalMarks marks(*journal_, journalLock_, JournalMarks::Of::Run);
    WriteFiles(group_.Writes(), tempPrefix_, marks, before);
    std::lock_guard<std::mutex> guard(journalLock_);
    journal_->Reached(committed_);  // how far the run got, for a start after it was cut short
  }
  group_.Emit(ctx, [this](RunEvent& event, Prepared& p) {
    // The new file is the one its other names (links) now lead to.
    const fs::FileId written = p.out.staged.NewId();
    if (event.outcome == Outcome::Done && written.Known()) seen_.First(written.device, written.inode);
    if (p.out.leftover) ++unresolved_;  // a hidden new file stays: the next start removes it
    if (event.why == Why::Damaged || event.why == Why::NotDurable) {
      // The file may not hold whole bytes, or the disk did not confirm them: its original stays.
      ++unresolved_;
      if (event.why == Why::Damaged) event.detail = p.kept.copy.empty() ? p.kept.data : p.kept.copy;
    } else if (event.outcome != Outcome::Done) {
      DropCopy(p);  // the file keeps its bytes; its copy is not an original of anything
    }
  });
}

void RewriteJob::Finish(Context& ctx, bool stopped) {
  Flush(ctx);
  store_->Close();
  fs::WaitForBackgroundCloses();  // the replaced files are freed before the run says it has ended
  // Everything resolved: the run is closed and its originals (without copies) go. Otherwise all stays,
  // and the next start puts right what it can and tells the user of the rest.
  if (unresolved_ == 0 && journal_->Closed(stopped ? "stopped" : "done")) {
    journal_.reset();
    mark_->Remove();
    if (!setup_.copies) state_.RemoveRunFiles(id_);
  }
  journal_.reset();
  mark_.reset();
}

}  // namespace zur

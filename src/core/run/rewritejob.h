// The job of the commands that rewrite files with the rule rows: the two text batches and the match
// batches.
//
// Each file is read and its new text made on a worker thread; a file whose bytes would not change is
// not written. Before a file is rewritten its original bytes are kept (a backup copy in the output
// folder with the file's permissions and modification time, or, without backup, a data file of the
// run's journal), and the journal records both fingerprints; then the file gets its new bytes the one
// way every command writes (filewrite.h). Files are written in groups: the kept originals and the
// journal reach the disk once a group, before any file of the group is touched. A file reached twice
// (links) is processed once; a file that may not be written, is not text, or changed while the run
// read it is left as it is and reported.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/platform/fileio.h"
#include "core/replace/rules.h"
#include "core/run/engine.h"
#include "core/run/filesmet.h"
#include "core/run/filewrite.h"
#include "core/run/itemlist.h"
#include "core/run/journal.h"
#include "core/run/originals.h"
#include "core/run/refusal.h"
#include "core/run/runstate.h"
#include "core/run/writegroup.h"
#include "core/text/encoding.h"

namespace zur {

// One file a run works on, fixed when the run starts.
struct RunItem {
  std::string shown;   // as the report lines show it
  std::string stored;  // as the file system finds it
  std::string below;   // the path of its backup copy below the output folder
  fs::FileId listed;   // the regular file a listing saw there (unknown for a link or a picked name)
  std::string path;    // (filled in by the job) the stored path made absolute
  bool regular = false;  // a listing said it is a regular file (no link)
};

struct RewriteSetup {
  std::vector<RunItem> items;  // more may be added while the run goes (AddItem)
  RuleSet rules;  // (the key placeholder is understood for the match commands)
  std::vector<Rule> described;  // the same rules as the user gave them, for the journal
  std::string table;            // (for the journal) the rule table that runs after them, and its pairs
  size_t tablePairs = 0;
  Encoding locale = Encoding::Utf8;
  RunKind kind = RunKind::FolderTree;
  bool copies = false;  // backup copies into `output`
  bool followOutside = false;  // (a tree) links that lead out of the source folder are followed
  std::string source;  // folders in one spelling (absolute, no links)
  std::string output;
  std::string stateDir;  // the folder of the program's run records
};

class RewriteJob : public RunJob {
 public:
  static constexpr const char* kJournalName = "ZURTextReplace.journal";

  explicit RewriteJob(RewriteSetup setup);
  ~RewriteJob() override;

  // Records the run before it starts (its journal, and the mark that it is going). An earlier run into
  // the same output folder that did not end keeps its originals: they are carried into this run's
  // journal and never overwritten. False, with the reason, when the run must not start; nothing was
  // touched then.
  bool Begin(StartRefusal& refusal);
  const std::string& JournalPath() const { return journalPath_; }
  // What the start had to leave undone but did not stop the run for (the history could not be used).
  const std::vector<std::string>& Notes() const { return notes_; }
  const ItemList<RunItem>& Items() const { return items_; }
  // Adds an item while the run goes (from the run's feed).
  void AddItem(RunItem item);
  // Every item is known (added or given at the start): the journal records how many, so that a run
  // cut short can be told how many files it had not reached.
  void AllListed();

  std::unique_ptr<Prepared> Prepare(size_t item, Worker& worker) override;
  void Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) override;
  void Flush(Context& ctx) override;
  void Idle(Context& ctx) override;
  void Finish(Context& ctx, bool stopped) override;
  void Discard(size_t item, Prepared& prepared) override;

 private:
  struct Prepared;
  bool TakeOver(HeldJournal& earlier, std::vector<JournalEntry>& carried, StartRefusal& refusal);
  bool Journalled(size_t item, Prepared& p);
  void KeepOriginal(size_t item, size_t worker, std::string_view original, Prepared& p);
  void DropCopy(Prepared& p);
  const JournalEntry* CarriedFor(const fs::OpenedFile& file) const;
  bool LinkRefused(const RunItem& item, const fs::OpenedFile& file, RunEvent& verdict) const;

  RewriteSetup setup_;
  RunState state_;
  std::string id_;
  std::string tempPrefix_;  // the hidden names of new contents on their way
  std::string output_;      // the output folder, absolute
  std::string journalPath_;
  std::unique_ptr<JournalWriter> journal_;
  std::mutex journalLock_;  // workers add entries while the run's thread records writes
  uint64_t committed_ = 0;  // items gone through (the run's thread)
  std::unique_ptr<RunState::Mark> mark_;
  std::unique_ptr<OriginalStore> store_;
  std::string cwd_;  // what relative paths are relative to
  ItemList<RunItem> items_;
  // Originals of an unfinished earlier run, by the file that holds its bytes now (and by path, for a
  // file that cannot be looked at).
  std::unordered_map<uint64_t, std::unordered_map<uint64_t, JournalEntry>> carriedById_;
  std::unordered_map<std::string, JournalEntry> carriedByPath_;
  std::unordered_map<std::string, std::string> folders_;  // folders of items, as given -> in one spelling
  std::vector<std::string> notes_;
  uint64_t firstEntry_ = 1;  // the entry number of the first item (after those carried over)
  WriteGroup<Prepared> group_;
  FilesMet seen_;
  size_t unresolved_ = 0;  // files whose write could not be undone or confirmed: the originals stay
};

}  // namespace zur

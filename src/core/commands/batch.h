// The batch commands: the rule rows applied to the files selected in the file list or to every listed
// file of the source tree, each result written over its file, with an optional copy of each changed
// file in the output folder first. The text batches and the match commands (which understand the key
// placeholder) are the same service.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/commands/driver.h"
#include "core/files/scan.h"
#include "core/replace/matcher.h"
#include "core/replace/rules.h"
#include "core/replace/ruletable.h"
#include "core/run/refusal.h"

namespace zur {

struct BatchRequest {
  enum class Files { Selected, Tree };
  Files files = Files::Tree;
  bool keyed = false;   // the key placeholder "#key#" is understood (the match commands)
  bool copies = false;  // a copy of each changed file in `output` first (what the restore undoes)
  bool dryRun = false;  // nothing written, no copies, no journal: each file that would change is a Hit
  bool followOutside = false;  // (Tree) links that lead out of the source folder are followed
  std::string source;   // folder values
  std::string output;
  std::vector<std::string> selected;  // (Selected) entries of the file list: names in `source`
  FileFilter filter;                  // (Tree) the files to take
  std::vector<Rule> rules;  // in order (the rule rows, rows without a find text included)
  std::string ruleTable;    // a rule table's file, read when the command starts and run after the rules
                            // ("" for none)
  Encoding cp = Encoding::Utf8;
  std::string stateDir;  // the program's records of runs
};

// Whether the output folder can take the copies of a batch.
enum class OutputFolder { Ready, Missing, IsSource, ContainsSource };

// The check a batch with copies starts with: the output folder is made (with its parents) when missing,
// normalised when `normalise` (as the whole-folder batch does), and must exist and be neither the
// source folder nor a folder above it (copies would land on the files themselves).
OutputFolder PrepareOutputFolder(std::string& output, const std::string& source, bool normalise);

using BatchResult = CommandResult;

// Runs the batch and reports every file (and every folder of the tree that could not be opened) to
// `sink`. A text batch without copies forgets the last run with copies: a restore would put back
// what this one changed.
//
// The request is checked first: the source folder must be one the user can read, and the folders are
// taken in one spelling. Selected files are visited once each however they are named (x, ./x, a/../x,
// a link to it): by the file they are, or by one spelling of their path where there is no file.
BatchResult RunBatch(BatchRequest request, RunDriver& driver, CommandSink& sink);

// The request's rules (its rule table's among them, which `table` then holds), checked before anything
// is read; nothing, with `refusal` saying why, when one cannot run.
std::optional<RuleSet> BatchRules(const BatchRequest& request, std::optional<RuleTable>& table, StartRefusal& refusal);

// The batch's rules applied to one text given as bytes (a filter between two programs): detected and
// written back as a file would be. A text that is not text, or a rule that cannot finish on it, gives
// the bytes back as they came.
struct TextResult {
  StartRefusal refusal;  // the rules cannot run (nothing was done)
  bool notText = false;
  Applied applied;       // what each rule did (its problem, when one could not finish)
  const char* encoding = nullptr;
  std::string bytes;
};
TextResult ReplaceInText(const BatchRequest& request, std::string bytes);

}  // namespace zur

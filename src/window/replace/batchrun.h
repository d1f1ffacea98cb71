// What the batch and match commands share on the window's side: the request read from the fields as a
// command starts, the output-folder check with its message and focus, and the run with its report lines
// and hint.
#pragma once

#include <optional>

#include <QString>

#include "core/commands/batch.h"

namespace zur {

class FileList;
struct MessageTables;
class FormBase;
class RuleRows;

// The parts of the window a batch reads besides the fields: given by the window that makes the batch
// and match commands.
struct BatchInputs {
  const FileList& files;
  const RuleRows& rules;
};

// The request from the window as it stands: the selected entries of the file list, or the source
// tree with the extension field's list; the rule rows; the folders.
std::optional<BatchRequest> BatchRequestFromWindow(FormBase& f, const BatchInputs& in, BatchRequest::Files files, bool keyed,
                                    bool copies);

// True while the dry-run box is ticked: the batches and match commands write nothing.
bool DryRunTicked(FormBase& f);
// How a rule matches, in words ("区分大小写，全字匹配").
QString OptionsText(const MessageTables& msg, const RuleOptions& options);
// Lists the active rules with their options in the pane (the head of a dry run's report).
void ListDryRunRules(FormBase& f, const std::vector<Rule>& rules);
// True while the box is ticked: tree commands follow links that lead out of the source folder.
bool FollowOutsideTicked(FormBase& f);

// The hint a batch ends with: the closing word (`success` when all went well) and the counts, or for a
// dry run what would change.
QString BatchEndHint(FormBase& f, const BatchRequest& request, const RunTally& tally, const QString& success);

// The check a batch with copies starts with (see PrepareOutputFolder). False, after saying why and
// moving the focus to the field to mend, when the batch must not start.
bool OutputFolderAccepted(FormBase& f, bool normalise);

// Which files the pane lists: written files always (unless `written` is false: then only the hint names
// them), processed files that did not change too when `unchanged`. Files left alone are always listed.
struct BatchListing {
  bool unchanged = false;
  bool written = true;
};

// Runs the batch, reporting in the pane and the hint. `started` is false in the tally when the run did
// not start (a message said why).
RunTally RunBatchInWindow(FormBase& f, const BatchRequest& request, BatchListing listing);

}  // namespace zur

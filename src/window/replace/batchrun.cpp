#include "window/replace/batchrun.h"

#include <QCheckBox>
#include <QLineEdit>
#include <algorithm>
#include <climits>
#include <memory>

#include "window/files/filelist.h"
#include "window/files/treefilter.h"
#include "window/form/commandrunner.h"
#include "window/form/formbase.h"
#include "window/form/outputpane.h"
#include "window/form/panesink.h"
#include "window/form/runreport.h"
#include "window/replace/dryrundiff.h"
#include "window/replace/rulerows.h"

namespace zur {

std::optional<BatchRequest> BatchRequestFromWindow(FormBase& f, const BatchInputs& in, BatchRequest::Files files, bool keyed,
                                    bool copies) {
  BatchRequest r;
  r.files = files;
  r.keyed = keyed;
  r.dryRun = DryRunTicked(f);
  r.copies = copies && !r.dryRun;  // a dry run keeps no copies
  r.source = f.State().SourcePath;
  r.output = f.State().OutputPath;
  if (files == BatchRequest::Files::Selected) {
    const FileList& list = in.files;
    for (int row = 0; row < list.Count(); ++row) {
      if (list.IsSelected(row)) r.selected.push_back(list.Entry(row));
    }
  } else {
    std::optional<FileFilter> filter = FilterFromWindow(f);
    if (!filter) return std::nullopt;
    r.filter = std::move(*filter);
  }
  r.rules = in.rules.CurrentRules();
  r.ruleTable = f.B(f.View().EdtRuleTable->text().trimmed());
  r.cp = f.Cp();
  r.stateDir = f.RunsFolder();
  r.followOutside = FollowOutsideTicked(f);
  return r;
}

bool DryRunTicked(FormBase& f) { return f.View().CbDryRun->isChecked(); }

QString OptionsText(const MessageTables& msg, const RuleOptions& o) {
  QStringList said;
  if (o.matchCase) said.append(msg.CapMatchCase);
  if (!o.matchCase) said.append(msg.CapIgnoreCase);
  if (o.wholeWord) said.append(msg.CapWholeWord);
  if (o.regex) said.append(msg.CapRegex);
  return said.join(QStringLiteral("，"));
}

// The dry run's report begins with the rules it ran, and how each matches.
void ListDryRunRules(FormBase& f, const std::vector<Rule>& rules) {
  for (size_t i = 0; i < rules.size(); ++i) {
    const Rule& r = rules[i];
    if (!r.Active()) continue;
    const QString find = OneLineName(QString::fromStdU16String(r.find));
    const QString replacement = OneLineName(QString::fromStdU16String(r.replacement));
    f.Pane().AppendLine(FormatMessage(FormatMessage(FormatMessage(FormatMessage(f.Msg().FmtRuleLine, static_cast<int>(i + 1)),
                                                                  find), replacement),
                                      OptionsText(f.Msg(), r.options)));
  }
}

bool FollowOutsideTicked(FormBase& f) { return f.View().CbFollowOutside->isChecked(); }

QString BatchEndHint(FormBase& f, const BatchRequest& request, const RunTally& tally, const QString& success) {
  if (request.dryRun) {
    return FormatMessage(FormatMessage(f.Msg().FmtDryRunDone, static_cast<int>(tally.hits)), static_cast<int>(tally.replaced));
  }
  return WithCounts(f.Msg(), tally, ClosingHint(f.Msg(), tally, success));
}

bool OutputFolderAccepted(FormBase& f, bool normalise) {
  FormState& s = f.State();
  const OutputFolder check = PrepareOutputFolder(s.OutputPath, s.SourcePath, normalise);
  switch (check) {
    case OutputFolder::Ready:
      return true;
    case OutputFolder::Missing:
      // The text batches keep their copies in the output folder: that is the field to mend.
      f.Notice(FormatMessage(f.Msg().FmtOutputFolderMissing, f.Q(s.OutputPath)));
      f.View().EdtOutput->setFocus(Qt::OtherFocusReason);
      return false;
    case OutputFolder::IsSource:
    case OutputFolder::ContainsSource:
      // Copies in the source folder itself would be the files themselves, and copies in a folder
      // above it could land on files not yet processed.
      f.Notice(check == OutputFolder::IsSource ? f.Msg().MsgOutputIsSource : f.Msg().MsgOutputContainsSource);
      f.View().EdtOutput->setFocus(Qt::OtherFocusReason);
      return false;
  }
  return false;
}

RunTally RunBatchInWindow(FormBase& f, const BatchRequest& request, BatchListing listing) {
  // (Rules that cannot run are refused by the batch itself, which says why.) A look at a file's
  // changes applies the rules the batch ran, its rule table as read when it started included.
  const auto dryRules = std::make_shared<DryRunRules>(DryRunRules{RuleSet{}, request.cp});
  if (request.dryRun) ListDryRunRules(f, request.rules);
  PaneSink sink(f, [&](const RunEvent& e, const std::string& shown, const std::string& path) {
    const bool listed = e.outcome == Outcome::Done || (listing.unchanged && e.outcome == Outcome::Unchanged);
    if (listed) {
      if (listing.written) f.Pane().AppendLine(f.Line(shown));
      f.Hint(FormatMessage(f.Msg().FmtSave, f.Line(shown)));
    } else if (e.outcome == Outcome::Hit) {
      // A dry run: the file that would change, with what each rule would replace in it.
      QStringList counts;
      for (size_t i = 0; i < e.byRule.size(); ++i) {
        // The rule table, after the rows, is told by its name.
        const QString rule = i >= request.rules.size() ? f.Msg().CapTableCount : QString::number(i + 1);
        counts.append(FormatMessage(FormatMessage(f.Msg().FmtRuleCount, rule), static_cast<int>(e.byRule[i])));
      }
      QString line = FormatMessage(f.Msg().FmtDryRunFile, f.Line(shown)) + counts.join(QStringLiteral("，"));
      if (!e.byPair.empty()) {
        // The table's pairs that would replace something here, by line (the first twenty).
        QStringList pairs;
        for (size_t i = 0; i < e.byPair.size() && i < 20; ++i) {
          pairs << FormatMessage(FormatMessage(f.Msg().FmtTablePairCount, static_cast<int>(e.byPair[i].first)),
                                 static_cast<int>(e.byPair[i].second));
        }
        if (e.byPair.size() > 20) pairs << QStringLiteral("…");
        line += QStringLiteral("（") + pairs.join(QStringLiteral("，")) + QStringLiteral("）");
      }
      // A click on the line shows the file's changes.
      f.Pane().AppendLine(line, [&f, dryRules, path, name = f.Line(shown)] { ShowDryRunDiff(f, *dryRules, path, name); });
    } else if (e.outcome == Outcome::Skipped || e.outcome == Outcome::Failed) {
      f.Pane().AppendLine(ProblemLine(f.Msg(), e, f.Line(shown)));
    }
  });
  const BatchResult result = RunBatch(request, f.Runner(), sink);
  dryRules->rules = result.rules;
  for (const std::string& note : result.notes) f.Pane().AppendLine(f.Msg().MsgHistoryKeptInPlace + f.Q(note));
  if (!result.pairTotals.empty()) {
    // What the table's pairs replaced in the whole run (would, in a dry run), by line: the first fifty.
    QStringList pairs;
    for (size_t i = 0; i < result.pairTotals.size() && i < 50; ++i) {
      pairs << FormatMessage(FormatMessage(f.Msg().FmtTablePairCount, static_cast<int>(result.pairTotals[i].first)),
                             static_cast<int>(std::min<uint64_t>(result.pairTotals[i].second, INT_MAX)));
    }
    if (result.pairTotals.size() > 50) pairs << QStringLiteral("…");
    f.Pane().AppendLine(FormatMessage(f.Msg().FmtTableTotals, pairs.join(QStringLiteral("，"))));
  }
  if (!result.unmatchedPairs.empty()) {
    // Pairs of the table that matched nothing, most often a typo: the first fifty lines.
    QStringList lines;
    for (size_t i = 0; i < result.unmatchedPairs.size() && i < 50; ++i) lines << QString::number(result.unmatchedPairs[i]);
    if (result.unmatchedPairs.size() > 50) lines << QStringLiteral("…");
    f.Pane().AppendLine(FormatMessage(f.Msg().FmtTableUnmatched, lines.join(QStringLiteral("、"))));
  }
  TellLeftOut(f, result);
  if (request.dryRun && result.tally.hits > 0) f.Pane().AppendLine(f.Msg().MsgDiffBack);
  if (result.refusal.Refused()) f.Notice(RefusalText(f.Msg(), result.refusal, f.Q(result.refusal.detail)));
  return result.tally;
}

}  // namespace zur

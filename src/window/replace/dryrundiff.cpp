#include "window/replace/dryrundiff.h"

#include <QApplication>

#include "core/commands/batchdiff.h"
#include "core/run/runevents.h"
#include "window/form/formbase.h"
#include "window/form/outputpane.h"
#include "window/form/runreport.h"

namespace zur {

void ShowDryRunDiff(FormBase& f, const DryRunRules& rules, const std::string& path, const QString& shown) {
  const MessageTables& msg = f.Msg();
  QApplication::setOverrideCursor(Qt::BusyCursor);
  const BatchDiff d = DiffBatchFile(path, rules.rules, rules.cp);
  QApplication::restoreOverrideCursor();
  switch (d.result) {
    case BatchDiff::Result::Shown: {
      QString text = QStringLiteral("--- %1\n+++ %1\n").arg(shown) + QString::fromStdU16String(d.diff.text);
      if (d.diff.truncated) text += msg.MsgDiffTruncated;
      const QString caption = FormatMessage(msg.FmtDiffCaption, shown) + QStringLiteral("（") +
                              QString::fromLatin1(EncodingName(d.kind)) + QStringLiteral("）");
      f.Pane().ShowDiff(caption, text);
      f.Hint(msg.MsgDiffBack);
      return;
    }
    case BatchDiff::Result::Unchanged:
      f.Notice(FormatMessage(msg.FmtDiffUnchanged, shown));
      return;
    case BatchDiff::Result::TooLarge:
      f.Notice(FormatMessage(msg.FmtDiffTooLarge, shown));
      return;
    case BatchDiff::Result::NotText:
      f.Notice(FormatMessage(msg.MsgSkippedNotText, shown));
      return;
    case BatchDiff::Result::Refused:
      f.Notice(ProblemLine(msg, RefusalEvent(kNoItem, d.refusal, d.error), shown), MessageIcon::Error);
      return;
  }
}

}  // namespace zur

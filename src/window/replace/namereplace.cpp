#include "window/replace/namereplace.h"

#include <QLineEdit>
#include <QToolButton>

#include <tuple>

#include "core/text/text.h"
#include "window/files/treefilter.h"
#include "window/form/commandgate.h"
#include "window/form/commandrunner.h"
#include "window/form/formbase.h"
#include "window/form/outputpane.h"
#include "window/form/panesink.h"
#include "window/form/runreport.h"
#include "window/replace/batchrun.h"

namespace zur {

NameReplace::NameReplace(FormBase& form) : f_(form) {
  MainView& v = f_.View();
  connect(v.BtnReplaceFileName, &QToolButton::clicked, this, [this] { BtnRepalceFileNameClick(); });
  connect(v.BtnRplaceNameOfDIR, &QToolButton::clicked, this, [this] { BtnBtnRplaceNameOfDIRClick(); });
  f_.Gate().Guard(v.BtnReplaceFileName);
  f_.Gate().Guard(v.BtnRplaceNameOfDIR);
}

std::pair<std::string, std::string> NameReplace::Texts() const {
  return {TrimControl(f_.B(f_.View().EditOldFileName->text())), TrimControl(f_.B(f_.View().EditNewFileName->text()))};
}

// Runs the renames of `files` with the page's texts. `listRenamed`: each renamed file is listed under
// its new name (the tree); otherwise only the files that could not be renamed are.
void NameReplace::Rename(RenameRequest::Files files, bool listRenamed) {
  if (f_.Gate().Busy()) return;
  try {
    {
      CommandGate::Running running(f_.Gate());
      RenameRequest request;
      request.files = files;
      request.source = f_.State().SourcePath;
      if (files == RenameRequest::Files::Tree) {
        std::optional<FileFilter> filter = FilterFromWindow(f_);
        if (!filter) return;
        request.filter = std::move(*filter);
      }
      std::tie(request.find, request.replacement) = Texts();
      request.cp = f_.Cp();
      request.dryRun = DryRunTicked(f_);
      request.followOutside = FollowOutsideTicked(f_);
      f_.Pane().Clear();
      PaneSink sink(f_, [&](const RunEvent& e, const std::string& shown, const std::string& renamed) {
        if (e.outcome == Outcome::Done || e.outcome == Outcome::Unchanged) {
          if (listRenamed) f_.Pane().AppendLine(f_.Line(renamed));
        } else if (e.outcome == Outcome::Hit) {
          f_.Pane().AppendLine(f_.Line(shown) + QStringLiteral(" → ") + f_.Line(renamed));  // a dry run
        } else {
          f_.Pane().AppendLine(ProblemLine(f_.Msg(), e, f_.Line(shown)));
        }
      });
      const CommandResult result = RunRename(request, f_.Runner(), sink);
      if (result.refusal.Refused()) {
        f_.Notice(RefusalText(f_.Msg(), result.refusal, f_.Q(result.refusal.detail)));
        return;
      }
      TellLeftOut(f_, result);
      const RunTally& tally = result.tally;
      if (request.dryRun) {
        f_.Hint(FormatMessage(FormatMessage(f_.Msg().FmtDryRunDone, static_cast<int>(tally.hits)),
                              static_cast<int>(tally.replaced)));
      } else {
        f_.Hint(WithCounts(f_.Msg(), tally, ClosingHint(f_.Msg(), tally, QString())));
      }
    }
    emit f_.SourceFilesChanged();
  } catch (...) {
    f_.ReportFailure();
  }
}

void NameReplace::BtnRepalceFileNameClick() { Rename(RenameRequest::Files::Folder, false); }

void NameReplace::BtnBtnRplaceNameOfDIRClick() { Rename(RenameRequest::Files::Tree, true); }

}  // namespace zur

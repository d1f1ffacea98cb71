#include "window/form/panesink.h"

#include "window/form/formbase.h"
#include "window/form/outputpane.h"
#include "window/form/runreport.h"

namespace zur {

void PaneSink::File(const RunEvent& event, const std::string& shown, const std::string& second) {
  if (event.item == kNoItem) {
    // A failure of the run itself, not of one file: said as it is.
    f_.Pane().AppendLine(event.why == Why::JournalDamaged ? ProblemLine(f_.Msg(), event, {})
                                                          : FormatMessage(f_.Msg().FmtRunError, f_.Q(event.detail)));
    return;
  }
  if (onFile_) onFile_(event, shown, second);
}

void PaneSink::Folder(const ScanProblem& problem) {
  f_.Pane().AppendLine(FolderProblemLine(f_.Msg(), problem, OneLineName(f_.Q(problem.folder))));
}

void PaneSink::Pause() {
  if (onPause_) onPause_();
}

}  // namespace zur

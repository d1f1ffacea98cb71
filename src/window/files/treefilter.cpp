#include "window/files/treefilter.h"

#include <QCheckBox>
#include <QLineEdit>
#include <algorithm>
#include <climits>

#include "window/form/formbase.h"
#include "window/form/outputpane.h"
#include "window/form/runreport.h"

namespace zur {

std::optional<FileFilter> FilterFromWindow(FormBase& f) {
  const MainView& v = f.View();
  FileFilter filter(SetExtList(f.B(v.EdtEXT->text())));
  filter.exclude = SplitPatterns(f.B(v.EdtExclude->text()));
  filter.skipHidden = v.CbSkipHidden->isChecked();
  const std::optional<uint64_t> size = ParseSize(f.B(v.EdtMaxSize->text()));
  if (!size) {
    f.Notice(f.Msg().MsgMaxSizeWrong + v.EdtMaxSize->text());
    v.EdtMaxSize->setFocus(Qt::OtherFocusReason);
    return std::nullopt;
  }
  filter.maxSize = *size;
  return filter;
}

void TellLeftOut(FormBase& f, const CommandResult& result) {
  if (result.leftOut.byFilter == 0) return;
  const int count = static_cast<int>(std::min<size_t>(result.leftOut.byFilter, INT_MAX));
  f.Pane().AppendLine(FormatMessage(f.Msg().FmtLeftOut, count));
}

}  // namespace zur

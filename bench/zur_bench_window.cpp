// The whole-folder batch through the real window (headless, a click on BtnDirTextReplace) against the
// same work on the core alone, on two identical synthetic trees; and the cost per line of appending
// report lines to the output pane, early and late. One figure a line, "name: value unit".
//
// Usage: zur_bench_window [files] [megabytes]   (defaults: 20000 300)
#include <stdlib.h>

#include <QApplication>
#include <QTest>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>
#include <filesystem>

#include "app/mainform.h"
#include "app/outputpane.h"
#include "bench_report.h"
#include "fileset/scan.h"
#include "replace/backup.h"
#include "platform/filesystem.h"
#include "replace/substitute.h"
#include "synthetic_tree.h"

using namespace zur;
using namespace zur::bench;

namespace {

// Answers nothing and opens nothing.
class SilentDesktop : public DesktopServices {
 public:
  void ShowMessage(QWidget*, const QString&, MessageIcon, std::optional<QPoint>) override {}
  bool AskYesNo(QWidget*, const QString&, const QString&) override { return false; }
  std::string PickFolder(QWidget*, const QString&) override { return {}; }
  void OpenWithDefault(const std::string&) override {}
  void OpenFolderWindow(const std::string&) override {}
  void OpenInTextEditor(const std::string&) override {}
};

// What the whole-folder batch does to each file, without the window.
size_t CoreBatch(const std::string& root) {
  std::vector<ScanEntry> files;
  ScanFolderTree(root, SetExtList(kExtensions), files);
  WorkText work(Encoding::Gb18030);
  std::array<Rule, 3> rules;
  for (int r = 0; r < 3; ++r) rules[r] = MakeRule(DecodeText(kFind[r], CodePage::Gbk), DecodeText(kReplace[r], CodePage::Gbk));
  const PreparedRules prepared = PrepareRules(rules);
  size_t written = 0;
  for (const auto& f : files) {
    work.LoadFromFile(f.stored);
    ApplyRules(work, prepared, false);
    if (!work.Changed()) continue;
    fs::WriteFileSafely(f.stored, work.View());
    ++written;
  }
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  TreeShape shape;
  if (argc > 1) shape.files = std::stoul(argv[1]);
  if (argc > 2) shape.megabytes = std::stoul(argv[2]);
  std::string pattern = (std::filesystem::temp_directory_path() / "zurbench.XXXXXX").string();
  const std::string root = ::mkdtemp(pattern.data());
  BuildTree(root + "/core", shape);
  BuildTree(root + "/window", shape);

  Timer coreTimer;
  const size_t written = CoreBatch(root + "/core/");
  const double coreSeconds = coreTimer.Seconds();
  Report("batch_core", coreSeconds, "s");
  Report("batch_files_written", static_cast<double>(written), "files");

  SilentDesktop desktop;
  MainFormEnv env;
  env.exeDir = root + "/prog/";
  env.homeDir = root + "/home";
  env.codePage = CodePage::Gbk;
  env.desktop = &desktop;
  std::filesystem::create_directories(env.exeDir);
  {
    TMainForm form(env);
    form.show();
    MainView& v = form.View();
    v.EdtPath->setText(form.Q(root + "/window/"));
    QTest::keyClick(v.EdtPath, Qt::Key_Return);
    v.EdtEXT->setText(QString::fromLatin1(kExtensions));
    for (int r = 0; r < 3; ++r) {
      v.MmRuleFind[r + 1]->setPlainText(form.Q(kFind[r]));
      v.MmRuleReplace[r + 1]->setPlainText(form.Q(kReplace[r]));
    }
    Timer windowTimer;
    v.BtnDirTextReplace->click();
    const double windowSeconds = windowTimer.Seconds();
    Report("batch_window", windowSeconds, "s");
    Report("batch_window_over_core", 100.0 * (windowSeconds - coreSeconds) / coreSeconds, "%");
    Report("batch_window_pane_lines", static_cast<double>(v.MemoHint->blockCount()), "lines");

    // Report lines: the cost per line of the first and of the last ten thousand of fifty thousand,
    // with the window painting between groups.
    form.Pane().Clear();
    const QString line = form.Q(root + "/window/d1/e1/f1/file12345.htm");
    double first = 0, last = 0;
    for (int block = 0; block < 5; ++block) {
      Timer t;
      for (int i = 0; i < 10000; ++i) {
        form.Pane().AppendLine(line);
        if (i % 100 == 99) {  // shown in groups, as a run shows them between events
          form.Pane().Flush();
          QCoreApplication::processEvents();
        }
      }
      const double s = t.Seconds();
      if (block == 0) first = s;
      last = s;
    }
    Report("pane_append_first_10k", first * 1e6 / 10000, "us/line");
    Report("pane_append_last_10k", last * 1e6 / 10000, "us/line");
  }
  std::filesystem::remove_all(root);
  return 0;
}

// A window with a source and an output folder of its own, and helpers to fill rule rows and pick files.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QAbstractButton>
#include <QPlainTextEdit>
#include <QToolButton>
#include <signal.h>
#include <sys/resource.h>

#include "support/formfixture.h"

namespace zur::testing {

struct BatchFixture : FormFixture {
  explicit BatchFixture(Encoding cp = Encoding::Utf8) : FormFixture(cp) {}

  std::string src() const { return dir / "src/"; }
  std::string out() const { return dir / "out/"; }

  // Opens the window on the source folder with the output folder committed.
  TMainForm& OpenOn() {
    std::filesystem::create_directories(src());
    TMainForm& form = Open();
    UseSource(src());
    Type("EdtOutput", out());
    Leave();
    return form;
  }

  void Rule(int row, const QString& find, const QString& replacement) {
    form->View().MmRuleFind[row]->setPlainText(find);
    form->View().MmRuleReplace[row]->setPlainText(replacement);
  }
  void Backup(bool on) { Find<QCheckBox>("cbBackupWhenTransfter")->setChecked(on); }
  void Select(std::initializer_list<const char*> names) {
    auto* list = Find<QListWidget>("LbDocList");
    list->clearSelection();
    for (const char* n : names) {
      auto items = list->findItems(QString::fromUtf8(n), Qt::MatchExactly);
      if (!items.isEmpty()) items.first()->setSelected(true);
    }
  }
  void Click(const char* button) { Find<QAbstractButton>(button)->click(); }
  QStringList PaneLines() { return Find<QPlainTextEdit>("MemoHint")->toPlainText().split('\n', Qt::SkipEmptyParts); }
  QString HintText() { return Find<QLabel>("LbHint")->text(); }
};

// Makes writes of more than `bytes` bytes fail for its lifetime, as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit small = old_;
    small.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &old_); }

 private:
  rlimit old_{};
};

}  // namespace zur::testing

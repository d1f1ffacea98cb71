// The text search and the commands on its results.
#include <QAction>
#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <filesystem>
#include <unistd.h>

#include "support/batchfixture.h"
#include "window/form/outputpane.h"
#include "window/search/textsearch.h"

using namespace zur;
using zur::testing::BatchFixture;
using zur::testing::WriteBytes;

namespace {

QStringList Results(BatchFixture& f) {
  QStringList out;
  auto* list = f.Find<QListWidget>("LbSearch");
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

void Search(BatchFixture& f, const QString& text) {
  f.form->View().MmoSearchText->setPlainText(text);
  f.Click("BtnSearch");
}

}  // namespace

class SearchTest : public QObject {
  Q_OBJECT

 private slots:
  void findsEachFileOnceAndCountsFiles() {
    BatchFixture f;
    WriteBytes(f.src() + "three.htm", "key key key\n");
    WriteBytes(f.src() + "upper.htm", "KEY\n");
    WriteBytes(f.src() + "sub/Deep.TXT", "a key\n");
    WriteBytes(f.src() + "skip.png", "key");
    TMainForm& form = f.OpenOn();
    Search(f, QStringLiteral("  key \n"));
    QCOMPARE(Results(f), (QStringList{form.Q(f.src() + "sub/Deep.TXT"), form.Q(f.src() + "three.htm")}));
    QCOMPARE(f.Find<QGroupBox>("GbSearchResult")->title(), QStringLiteral("共查到2条记录"));
    QCOMPARE(f.HintText(), QStringLiteral("所有查询已经完成。共查到2条记录"));
    QVERIFY(!f.Find<QProgressBar>("ProgressBar1")->isVisible());

    Search(f, QStringLiteral("nothing"));
    QVERIFY(Results(f).isEmpty());
    QCOMPARE(f.Find<QGroupBox>("GbSearchResult")->title(), QStringLiteral("共查到0条记录"));
  }

  void aTwoLineTextFindsFilesWithAnyLineEnds() {
    BatchFixture f;
    WriteBytes(f.src() + "lf.htm", "x\nalpha\nbeta\n");
    WriteBytes(f.src() + "cr.htm", "alpha\rbeta");
    WriteBytes(f.src() + "apart.htm", "alpha\n\nbeta\n");
    TMainForm& form = f.OpenOn();
    Search(f, QStringLiteral("alpha\nbeta"));
    QCOMPARE(Results(f), (QStringList{form.Q(f.src() + "cr.htm"), form.Q(f.src() + "lf.htm")}));
  }

  void anEmptyTextIsRefusedAfterClearingThePane() {
    BatchFixture f;
    WriteBytes(f.src() + "a.htm", "key\n");
    TMainForm& form = f.OpenOn();
    Search(f, QStringLiteral("key"));
    form.Pane().AppendLine("something");
    Search(f, QStringLiteral(" \n "));
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("请输入要查询的文字")});
    QCOMPARE(f.Focused(), f.Find<QWidget>("MmoSearchText"));
    QCOMPARE(Results(f).size(), 1);  // the old results stay
    QVERIFY(f.Find<QPlainTextEdit>("MemoHint")->toPlainText().isEmpty());
    QVERIFY(!f.Find<QProgressBar>("ProgressBar1")->isVisible());  // nothing runs: no progress shown
  }

  void theCursorShowsTheRunAndUnreadableFoldersAreNamed() {
    BatchFixture f;
    for (int i = 0; i < 50; ++i) WriteBytes(f.src() + "f" + std::to_string(i) + ".htm", "key");
    WriteBytes(f.src() + "locked/x.htm", "key");
    std::filesystem::permissions(f.src() + "locked", std::filesystem::perms::none);
    TMainForm& form = f.OpenOn();
    bool busy = false;
    QTimer::singleShot(0, &form, [&] { busy = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor; });
    Search(f, QStringLiteral("key"));
    QVERIFY(busy);
    QVERIFY(!QApplication::overrideCursor());
    std::filesystem::permissions(f.src() + "locked", std::filesystem::perms::owner_all);
    if (::geteuid() != 0) {  // root may open any folder
      QVERIFY(f.Find<QPlainTextEdit>("MemoHint")->toPlainText().contains(QStringLiteral("无法打开文件夹，已跳过：") + form.Q(f.src() + "locked/")));
    }
  }

  void anEntryLoadsIntoThePaneAndOpens() {
    BatchFixture f;
    WriteBytes(f.src() + "Page.HTM", "key\r\nline\n");
    TMainForm& form = f.OpenOn();
    Search(f, QStringLiteral("key"));
    auto* list = f.Find<QListWidget>("LbSearch");
    QCOMPARE(list->item(0)->text(), form.Q(f.src() + "Page.HTM"));

    // Without a selected entry the menu asks for one.
    form.View().N1->trigger();
    form.View().N2->trigger();
    form.View().N3->trigger();
    QCOMPARE(f.desktop.MessageTexts(), (QStringList(3, QStringLiteral("请选择一个文件"))));
    QVERIFY(f.desktop.opened.empty());

    list->setCurrentRow(0);
    QCOMPARE(f.Find<QPlainTextEdit>("MemoHint")->toPlainText(), QStringLiteral("key\nline\n"));
    // The caption names the file the pane holds.
    QVERIFY(form.View().GbHint->title().contains(form.Q(f.src() + "Page.HTM")));
    QCOMPARE(form.Pane().LoadedFile(), f.src() + "Page.HTM");
    form.Search().LbSearchDblClick();
    form.View().N2->trigger();
    form.View().N3->trigger();
    form.View().N1->trigger();
    const std::string file = f.src() + "Page.HTM";
    QCOMPARE(f.desktop.opened, (std::vector<std::string>{"open " + file, "open " + file, "editor " + file, "open " + f.src()}));
  }
};

QTEST_MAIN(SearchTest)
#include "search_test.moc"

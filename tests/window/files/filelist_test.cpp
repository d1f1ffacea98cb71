// The file list: contents and order, focus without selection, preview, opening, refresh.
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QToolButton>
#include <filesystem>

#include "support/formfixture.h"
#include "window/files/filelist.h"
#include "window/form/outputpane.h"

using namespace zur;
using zur::testing::FormFixture;
using zur::testing::ReadBytes;
using zur::testing::WriteBytes;

namespace {

QStringList Items(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

void Click(QListWidget* list, int row, Qt::KeyboardModifiers mods = {}) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, list->visualItemRect(list->item(row)).center());
}

}  // namespace

class FileListTest : public QObject {
  Q_OBJECT

 private slots:
  void listsEveryFileOfTheFolderSortedWithoutRegardToCase() {
    FormFixture f;
    f.Open();
    for (const char* name : {"b.TXT", "A.htm", "c.gif", "d.ini", ".hidden", "sub/inner.txt"}) WriteBytes(f.dir / ("src/" + std::string(name)), "x");
    f.UseSource(f.dir / "src");
    QStringList items = Items(f.Find<QListWidget>("LbDocList"));
    QVERIFY(items.contains(".hidden"));
    items.removeAll(".hidden");
    QCOMPARE(items, (QStringList{"A.htm", "b.TXT", "c.gif", "d.ini"}));
  }

  void theFirstStartSaysItMadeTheSourceFolder() {
    FormFixture f;
    TMainForm& form = f.Open();
    const std::string made = f.dir / "home/Tavimex/TextReplace/source/";
    QVERIFY(std::filesystem::is_directory(made));
    QCOMPARE(f.Find<QLabel>("LbHint")->text(), QStringLiteral("源文件夹不存在，已经建立：") + form.Q(made));
  }

  void theRememberedIndexFocusesWithoutSelecting() {
    FormFixture f;
    TMainForm& form = f.Open();
    for (const char* name : {"1.txt", "2.txt", "3.txt", "4.txt", "5.txt"}) WriteBytes(f.dir / ("src/" + std::string(name)), "x");
    form.State().CurListIndex = 2;
    f.UseSource(f.dir / "src");
    auto* list = f.Find<QListWidget>("LbDocList");
    QCOMPARE(list->currentRow(), 2);
    QVERIFY(list->selectedItems().isEmpty());
    form.State().CurListIndex = 9;  // outside the list: ignored
    form.Files().RefreshDocList();
    QCOMPARE(list->currentRow(), -1);
  }

  void clickingPreviewsTheFileAndItsBytesSurvive() {
    FormFixture f(Encoding::Gb18030);
    TMainForm& form = f.Open();
    const std::string bytes = "\xD6\xD0\xCE\xC4\n\x80\xFF line\r\nlast";
    WriteBytes(f.dir / "src/g.txt", bytes);
    f.UseSource(f.dir / "src");
    auto* list = f.Find<QListWidget>("LbDocList");
    Click(list, 0);
    const QString caption = QStringLiteral("当前文件：") + form.Q(f.dir / "src/g.txt") + QStringLiteral("（GBK）");
    QCOMPARE(f.Find<QGroupBox>("GbHint")->title(), caption);
    QCOMPARE(f.Find<QPlainTextEdit>("MemoHint")->toPlainText().left(3), QStringLiteral("中文\n"));
    QCOMPARE(form.Pane().FileBytes(), bytes);  // every byte comes back, line ends included
    QCOMPARE(form.Pane().LoadedFile(), f.dir / "src/g.txt");

    // A file deleted since the refresh: the caption, the pane and the hint all name it and say why;
    // the pane holds no file to save.
    WriteBytes(f.dir / "src/h.txt", "h");
    form.Files().RefreshDocList();
    std::filesystem::remove(f.dir / "src/h.txt");
    Click(list, 1);
    const QString vanished = form.Q(f.dir / "src/h.txt");
    QCOMPARE(f.Find<QGroupBox>("GbHint")->title(), QStringLiteral("当前文件：") + vanished);
    QVERIFY(form.Pane().LoadedFile().empty());
    QVERIFY(f.Find<QLabel>("LbHint")->text().contains(vanished));
    QVERIFY(f.Find<QPlainTextEdit>("MemoHint")->toPlainText().contains(vanished));
  }

  void openingTheMenuKeepsTheSelection() {
    FormFixture f;
    f.Open();
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) WriteBytes(f.dir / ("src/" + std::string(name)), "x");
    f.UseSource(f.dir / "src");
    auto* list = f.Find<QListWidget>("LbDocList");
    Click(list, 0);
    Click(list, 1, Qt::ControlModifier);
    // A right-click on a selected entry keeps every selected one.
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, list->visualItemRect(list->item(1)).center());
    QCOMPARE(list->selectedItems().size(), 2);
    QVERIFY(list->item(0)->isSelected() && list->item(1)->isSelected());
  }

  void keysMoveThePreviewAndControlClickAddsToTheSelection() {
    FormFixture f;
    TMainForm& form = f.Open();
    for (const char* name : {"1.txt", "2.txt", "3.txt", "4.txt"}) WriteBytes(f.dir / ("src/" + std::string(name)), name);
    f.UseSource(f.dir / "src");
    auto* list = f.Find<QListWidget>("LbDocList");
    Click(list, 0);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(form.Pane().LoadedFile(), f.dir / "src/2.txt");

    Click(list, 0);
    Click(list, 1, Qt::ControlModifier);
    Click(list, 2, Qt::ControlModifier);
    Click(list, 3, Qt::ControlModifier);
    QCOMPARE(list->selectedItems().size(), 4);
    QCOMPARE(list->currentRow(), 3);
    QCOMPARE(f.Find<QPlainTextEdit>("MemoHint")->toPlainText(), QStringLiteral("4.txt"));
  }

  void openingNeedsACurrentItem() {
    FormFixture f;
    TMainForm& form = f.Open();
    WriteBytes(f.dir / "src/a.txt", "x");
    form.State().CurListIndex = -1;
    f.UseSource(f.dir / "src");
    auto* list = f.Find<QListWidget>("LbDocList");
    form.Files().LbDocListDblClick();
    form.View().MnOpenWithNotepad->trigger();
    QVERIFY(f.desktop.opened.empty());
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("请选择一个文件")});
    QCOMPARE(f.Focused(), static_cast<QWidget*>(list));

    const QPoint at = list->visualItemRect(list->item(0)).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    form.View().MnDefaultOpen->trigger();
    form.View().MnOpenWithNotepad->trigger();
    const std::string path = f.dir / "src/a.txt";
    QCOMPARE(f.desktop.opened, (std::vector<std::string>{"open " + path, "open " + path, "editor " + path}));
  }

  void f5AndTheMenuRefresh() {
    FormFixture f;
    TMainForm& form = f.Open();
    f.UseSource(f.dir / "src");
    auto* list = f.Find<QListWidget>("LbDocList");
    WriteBytes(f.dir / "src/new.txt", "x");
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(list->count(), 0);
    QTest::keyClick(list, Qt::Key_F5);
    QCOMPARE(list->count(), 1);
    WriteBytes(f.dir / "src/newer.txt", "x");
    form.View().MnRefresh->trigger();
    QCOMPARE(list->count(), 2);
  }

  void theDefaultExtensionsReplaceAnyText() {
    FormFixture f;
    f.Open();
    auto* ext = f.Find<QLineEdit>("EdtEXT");
    for (const char* text : {"", "xyz"}) {
      ext->setText(QString::fromLatin1(text));
      f.Find<QToolButton>("BtnDefaultExt")->click();
      QCOMPARE(ext->text(), QStringLiteral("htm,html,shtml,asp,php,aspx,jsp,txt,js,css"));
    }
  }
};

QTEST_MAIN(FileListTest)
#include "filelist_test.moc"

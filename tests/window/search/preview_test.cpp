// The output pane as an editor: find and replace steps, its keys, the double-click, replace-all and
// saving back to the file the pane was loaded from.
#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "support/batchfixture.h"
#include "window/files/filelist.h"
#include "window/form/outputpane.h"
#include "window/search/finddialogs.h"
#include "window/search/previewfind.h"

using namespace zur;
using zur::testing::BatchFixture;
using zur::testing::ReadBytes;
using zur::testing::WriteBytes;

namespace {

QString Selected(BatchFixture& f) { return f.Find<QPlainTextEdit>("MemoHint")->textCursor().selectedText(); }
int SelectionStart(BatchFixture& f) { return f.Find<QPlainTextEdit>("MemoHint")->textCursor().selectionStart(); }

void PaneText(BatchFixture& f, const QString& text) { f.Find<QPlainTextEdit>("MemoHint")->setPlainText(text); }

void Key(BatchFixture& f, Qt::Key key, Qt::KeyboardModifiers mods = {}) {
  QTest::keyClick(f.Find<QPlainTextEdit>("MemoHint"), key, mods);
}

}  // namespace

class PreviewTest : public QObject {
  Q_OBJECT

 private slots:
  void findStepsWalkTheHitsAndStartAgainAfterTheEnd() {
    BatchFixture f;
    TMainForm& form = f.OpenOn();
    PaneText(f, "ab ab ab");
    form.View().MmoSearchText->setPlainText(" ab ");
    f.Click("BtnSearchFile");
    PreviewFind& find = form.PreviewEditor();
    QVERIFY(find.FindDialog1().isVisible());
    QCOMPARE(find.FindDialog1().findField()->text(), QStringLiteral("ab"));
    for (int start : {0, 3, 6}) {
      find.FindDialog1Find();
      QCOMPARE(SelectionStart(f), start);
      QCOMPARE(Selected(f), QStringLiteral("ab"));
      QCOMPARE(form.State().FindPos, start + 1);
    }
    find.FindDialog1Find();
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("找不到结果ab\"")});
    QCOMPARE(f.desktop.messages.back().icon, MessageIcon::Error);
    QCOMPARE(form.State().FindPos, 0);
    find.FindDialog1Find();
    QCOMPARE(SelectionStart(f), 0);

    // Loading another text keeps the position: the next step goes on from it.
    PaneText(f, "ab ab ab ab");
    find.FindDialog1Find();
    QCOMPARE(SelectionStart(f), 3);

    // An empty text is never found; the first-step message names it.
    f.desktop.messages.clear();
    form.View().MmoSearchText->setPlainText("");
    f.Click("BtnSearchFile");
    find.FindDialog1Find();
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("没有发现任何匹配文字 \"\"")});
  }

  void theReplaceDialogsMessagesAndReplaceSteps() {
    BatchFixture f;
    TMainForm& form = f.OpenOn();
    PreviewFind& find = form.PreviewEditor();
    PaneText(f, "aXa");
    form.View().MmoSearchText->setPlainText("a");
    form.View().MmSearchReplace->setPlainText("bbbbbb");
    f.Click("BtnReplaceFile");
    QTextCursor c = form.View().MemoHint->textCursor();
    c.setPosition(0);
    c.setPosition(1, QTextCursor::KeepAnchor);
    form.View().MemoHint->setTextCursor(c);
    find.ReplaceDialog1Replace();
    QCOMPARE(form.View().MemoHint->toPlainText(), QStringLiteral("bbbbbbXa"));
    QCOMPARE(SelectionStart(f), 7);
    QCOMPARE(Selected(f), QStringLiteral("a"));
    find.ReplaceDialog1Replace();  // one occurrence a press, then nothing further
    QCOMPARE(form.View().MemoHint->toPlainText(), QStringLiteral("bbbbbbXbbbbbb"));
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("没有找到任何匹配文字: \"a\"")});

    // A step that finds nothing starts the next one at the top again, with the first-step message.
    f.desktop.messages.clear();
    find.ReplaceDialog1Find();
    find.ReplaceDialog1Find();
    QCOMPARE(f.desktop.MessageTexts(), (QStringList(2, QStringLiteral("没有找到任何匹配文字: \"a\""))));
    PaneText(f, "a a");
    find.ReplaceDialog1Find();
    find.ReplaceDialog1Find();
    find.ReplaceDialog1Find();
    QCOMPARE(f.desktop.MessageTexts().last(), QStringLiteral("There are no further occurences of \"a\" in Memo1."));
  }

  void anOpenDialogKeepsItsFieldsWhileTheOpenerWritesItsBuffers() {
    BatchFixture f;
    TMainForm& form = f.OpenOn();
    PreviewFind& find = form.PreviewEditor();
    form.View().MmoSearchText->setPlainText(QString(300, 'x'));
    f.Click("BtnSearchFile");
    QCOMPARE(find.FindDialog1().FindText().size(), 255);
    form.View().MmoSearchText->setPlainText("new");
    PaneText(f, "a new b");
    Key(f, Qt::Key_F3, Qt::ShiftModifier);  // F3 with any modifiers: opener, then one step
    QCOMPARE(Selected(f), QStringLiteral("new"));
    QCOMPARE(find.FindDialog1().findField()->text().size(), 255);  // the open dialog shows its own field
    find.FindDialog1().findField()->setText("b");
    find.FindDialog1().findChild<QPushButton*>("BtnFindNext")->click();  // takes the field again
    QCOMPARE(Selected(f), QStringLiteral("b"));
  }

  void paneKeys() {
    BatchFixture f;
    f.OpenOn();
    PaneText(f, "one\ntwo");
    Key(f, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(Selected(f).size(), 7);
    auto* pane = f.Find<QPlainTextEdit>("MemoHint");
    pane->moveCursor(QTextCursor::End);
    Key(f, Qt::Key_Return, Qt::ShiftModifier);  // an ordinary line break, never U+2028
    QCOMPARE(pane->blockCount(), 3);
    QVERIFY(!pane->toPlainText().contains(QChar::LineSeparator));
  }

  void savingGoesToTheFileThePaneWasLoadedFrom() {
    BatchFixture f(Encoding::Gb18030);
    const std::string gbk = "\xD6\xD0\x80\xFF\xCE\xC4\r\nline\r\n";  // invalid bytes among GBK text
    WriteBytes(f.src() + "list.txt", gbk);
    WriteBytes(f.src() + "found.htm", "key\n");
    TMainForm& form = f.OpenOn();
    form.View().MmoSearchText->setPlainText("key");
    f.Click("BtnSearch");
    f.Find<QListWidget>("LbSearch")->setCurrentRow(0);  // a selected search result
    auto* list = f.Find<QListWidget>("LbDocList");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->findItems("list.txt", Qt::MatchExactly)[0]).center());
    Key(f, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(ReadBytes(f.src() + "list.txt"), gbk);  // unedited: every byte the same
    QCOMPARE(ReadBytes(f.src() + "found.htm"), std::string("key\n"));
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("保存成功")});
    QCOMPARE(f.HintText(), QStringLiteral("保存成功"));

    // An edited search result keeps its line ends; new lines take the file's own.
    f.Find<QListWidget>("LbSearch")->setCurrentRow(-1);
    f.Find<QListWidget>("LbSearch")->setCurrentRow(0);
    QVERIFY(f.Find<QGroupBox>("GbHint")->title().contains(form.Q(f.src() + "found.htm")));  // the caption follows
    form.View().MemoHint->moveCursor(QTextCursor::Start);
    form.View().MemoHint->insertPlainText("new\n");
    f.Click("BtnSave");
    QCOMPARE(ReadBytes(f.src() + "found.htm"), std::string("new\nkey\n"));
  }

  void aPaneOfReportLinesIsNeverSaved() {
    BatchFixture f;
    WriteBytes(f.src() + "a.htm", "foo\n");
    TMainForm& form = f.OpenOn();
    form.View().MmoSearchText->setPlainText("foo");
    f.Click("BtnSearch");
    f.Find<QListWidget>("LbSearch")->setCurrentRow(0);
    f.Rule(1, "foo", "bar");
    f.Click("BtnDirTextReplace");  // writes report lines into the pane
    f.Click("BtnSave");
    f.Click("BtnSaveDirectory");
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("bar\n"));
    QCOMPARE(f.desktop.MessageTexts(), QStringList{form.Msg().MsgPaneHasNoFile});
  }

  void replaceInThePaneLeavesTheFileUntilSaved() {
    BatchFixture f;
    WriteBytes(f.src() + "a.htm", "abab ab\n");
    TMainForm& form = f.OpenOn();
    auto* list = f.Find<QListWidget>("LbDocList");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    form.View().MmoSearchText->setPlainText("ab");
    form.View().MmSearchReplace->setPlainText("  x  ");
    f.Click("BtnReplace");
    QCOMPARE(form.View().MemoHint->toPlainText(), QStringLiteral("xx x\n"));
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("abab ab\n"));
    f.Click("BtnSaveDirectory");
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("xx x\n"));

    form.View().MmoSearchText->setPlainText(" ");
    f.Click("BtnReplace");
    QCOMPARE(f.desktop.MessageTexts().last(), QStringLiteral("查询的文本不能为空"));
    QCOMPARE(f.Focused(), f.Find<QWidget>("MmoSearchText"));
  }

  void doubleClickingAReportLineOpensItsFile() {
    BatchFixture f;
    WriteBytes(f.src() + "Sub/Page.HTM", "foo\n");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "foo", "bar");
    f.Click("BtnDirTextReplace");
    form.PreviewEditor().MemoHintDblClick(0);  // the line shows the name in lower case
    form.PreviewEditor().MemoHintDblClick(5);  // no such line
    QCOMPARE(f.desktop.opened, (std::vector<std::string>{"open " + f.src() + "Sub/Page.HTM"}));
  }

  void aFileThatIsNotTextIsNeverLoadedNorWrittenOver() {
    BatchFixture f;
    const std::string png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
    WriteBytes(f.src() + "logo.png", png);
    TMainForm& form = f.OpenOn();
    form.Files().Preview(f.src() + "logo.png", form.Q(f.src() + "logo.png"));
    QVERIFY(form.Pane().LoadedFile().empty());
    QVERIFY(form.View().MemoHint->toPlainText().startsWith(QStringLiteral("不是文本文件")));
    Key(f, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(ReadBytes(f.src() + "logo.png"), png);
    QCOMPARE(f.desktop.MessageTexts(), QStringList{form.Msg().MsgPaneHasNoFile});
  }

  void aLargeFileShowsItsBeginningAndIsNotSaved() {
    BatchFixture f;
    const std::string big(3u << 20, 'x');  // one line of 3 MB
    WriteBytes(f.src() + "big.txt", big);
    TMainForm& form = f.OpenOn();
    form.Files().Preview(f.src() + "big.txt", form.Q(f.src() + "big.txt"));
    QCOMPARE(form.Pane().LoadedFile(), f.src() + "big.txt");
    QVERIFY(!form.Pane().HoldsWholeFile());
    QVERIFY(form.View().MemoHint->toPlainText().size() < 1 << 20);
    QVERIFY(form.View().GbHint->title().contains(form.Msg().CapPartialView));
    Key(f, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(f.desktop.MessageTexts(), QStringList{form.Msg().MsgPanePartial});
    QCOMPARE(ReadBytes(f.src() + "big.txt"), big);
  }

  void aNameWithALineBreakIsOneReportLineThatStillOpens() {
    BatchFixture f;
    const std::string odd = f.src() + "two\nlines.htm";
    WriteBytes(odd, "foo");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "foo", "bar");
    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(odd), std::string("bar"));
    QCOMPARE(f.PaneLines(), QStringList{form.Q(f.src()) + QStringLiteral("two\u240Alines.htm")});
    form.PreviewEditor().MemoHintDblClick(0);
    QCOMPARE(f.desktop.opened, std::vector<std::string>{"open " + odd});
  }
};

QTEST_MAIN(PreviewTest)
#include "preview_test.moc"

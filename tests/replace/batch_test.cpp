// The batch text commands and the restore, through the window, with the recording desktop.
#include <QProgressBar>
#include <QTimer>
#include <filesystem>

#include "app/outputpane.h"
#include "fileset/filelist.h"
#include "support/batchfixture.h"

using namespace zur;
using zur::testing::BatchFixture;
using zur::testing::FileSizeLimit;
using zur::testing::ReadBytes;
using zur::testing::WriteBytes;

class BatchTest : public QObject {
  Q_OBJECT

 private slots:
  void selectedFilesWithBackupThenRestore() {
    BatchFixture f(CodePage::Gbk);
    const std::string a = "foo \xD6\xD0\xCE\xC4\nsecond foo\n";  // GBK text, LF line ends
    const std::string b = "no match here\r\n";
    const std::string c = "foo untouched";
    WriteBytes(f.src() + "a.txt", a);
    WriteBytes(f.src() + "b.htm", b);
    WriteBytes(f.src() + "c.txt", c);
    TMainForm& form = f.OpenOn();
    f.Rule(1, "  foo \n", QStringLiteral("中"));
    f.Backup(true);
    f.Select({"a.txt", "b.htm"});
    f.Click("BtnTextReplace");

    QCOMPARE(ReadBytes(f.src() + "a.txt"), std::string("\xD6\xD0 \xD6\xD0\xCE\xC4\r\nsecond \xD6\xD0\r\n"));
    QCOMPARE(ReadBytes(f.src() + "b.htm"), b);  // every selected file is rewritten, changed or not
    QCOMPARE(ReadBytes(f.src() + "c.txt"), c);
    QCOMPARE(ReadBytes(f.out() + "a.txt"), std::string("foo \xD6\xD0\xCE\xC4\r\nsecond foo\r\n"));
    QCOMPARE(ReadBytes(f.out() + "b.htm"), b);
    QCOMPARE(form.State().LastBatchKind, 1);
    QCOMPARE(f.HintText(), QStringLiteral("所有代替已经完成。"));
    QVERIFY(!f.Find<QProgressBar>("ProgressBar1")->isVisible());
    // The pane ends on the preview of the focused entry (the first item).
    QCOMPARE(form.Pane().LoadedFile(), f.src() + "a.txt");

    f.desktop.answers.push_back(true);
    f.Click("BtnBatchReturn");
    QCOMPARE(f.desktop.questions, QStringList{QStringLiteral("文件恢复: 确认要回复到原来的文件吗？")});
    QCOMPARE(ReadBytes(f.src() + "a.txt"), ReadBytes(f.out() + "a.txt"));
    QCOMPARE(f.PaneLines().last(), form.Q(f.src() + "/b.htm"));
    QCOMPARE(f.HintText(), QStringLiteral("已把%1恢复到%2").arg(form.Q(f.out() + "b.htm"), form.Q(f.src() + "/b.htm")));
  }

  void reportLinesShowTheComposedPathsAfterWhatThePaneHeld() {
    BatchFixture f;
    WriteBytes(f.src() + "a.txt", "x");
    TMainForm& form = f.OpenOn();
    // No focused entry: the run ends without a preview, so its report lines stay in the pane.
    form.State().CurListIndex = -1;
    form.Files().RefreshDocList();
    form.Pane().AppendLine("earlier line");
    f.Select({"a.txt"});
    f.Click("BtnTextReplace");
    QCOMPARE(f.PaneLines(), (QStringList{"earlier line", form.Q(f.src() + "/a.txt")}));
    QCOMPARE(ReadBytes(f.src() + "a.txt"), std::string("x\r\n"));
  }

  void wholeFolderKeepsCopiesOfSameNamesApartAndRestoresThem() {
    BatchFixture f;
    WriteBytes(f.src() + "x/page.htm", "foo x\n");
    WriteBytes(f.src() + "y/page.htm", "foo y\n");
    WriteBytes(f.src() + "top.htm", "foo top");
    WriteBytes(f.src() + "Sub/Cap.HTM", "foo cap\n");
    WriteBytes(f.src() + "same.txt", "nothing\n");
    WriteBytes(f.src() + "pic.png", "foo");
    TMainForm& form = f.OpenOn();
    f.Rule(2, "foo", "bar");
    f.Backup(true);
    f.Click("BtnDirTextReplace");

    QCOMPARE(ReadBytes(f.src() + "x/page.htm"), std::string("bar x\r\n"));
    QCOMPARE(ReadBytes(f.src() + "Sub/Cap.HTM"), std::string("bar cap\r\n"));
    QCOMPARE(ReadBytes(f.src() + "same.txt"), std::string("nothing\n"));  // unchanged: not written
    QCOMPARE(ReadBytes(f.src() + "pic.png"), std::string("foo"));
    QCOMPARE(ReadBytes(f.out() + "x/page.htm"), std::string("foo x\r\n"));
    QCOMPARE(ReadBytes(f.out() + "y/page.htm"), std::string("foo y\r\n"));
    QCOMPARE(ReadBytes(f.out() + "top.htm"), std::string("foo top\r\n"));
    QCOMPARE(ReadBytes(f.out() + "Sub/Cap.HTM"), std::string("foo cap\r\n"));
    QCOMPARE(ReadBytes(f.out() + "same.txt"), std::string("nothing\r\n"));  // copied all the same
    QCOMPARE(f.PaneLines(), (QStringList{form.Q(f.src() + "Sub/cap.htm"), form.Q(f.src() + "top.htm"),
                                         form.Q(f.src() + "x/page.htm"), form.Q(f.src() + "y/page.htm")}));
    QCOMPARE(form.State().LastBatchKind, 2);

    std::filesystem::remove(f.src() + "top.htm");  // its copy has nowhere to go
    f.desktop.answers.push_back(true);
    f.Click("BtnBatchReturn");
    QCOMPARE(ReadBytes(f.src() + "x/page.htm"), std::string("foo x\r\n"));
    QCOMPARE(ReadBytes(f.src() + "y/page.htm"), std::string("foo y\r\n"));
    QCOMPARE(ReadBytes(f.src() + "Sub/Cap.HTM"), std::string("foo cap\r\n"));
    QVERIFY(!std::filesystem::exists(f.src() + "top.htm"));
    QCOMPARE(f.HintText(), QStringLiteral("恢复") + form.Q(f.out() + "y/page.htm"));
  }

  void filesThatAreNotTextAreNeverRewritten() {
    BatchFixture f;
    const std::string binary("foo\0\x01\x02\nfoo\r", 10);
    WriteBytes(f.src() + "bin.txt", binary);
    WriteBytes(f.src() + "text.txt", "foo\n");
    WriteBytes(f.src() + "tree/bin.htm", binary);
    TMainForm& form = f.OpenOn();
    f.Rule(1, "foo", "bar");
    f.Backup(true);
    f.Select({"bin.txt", "text.txt"});
    f.Click("BtnTextReplace");
    QCOMPARE(ReadBytes(f.src() + "bin.txt"), binary);
    QVERIFY(!std::filesystem::exists(f.out() + "bin.txt"));
    QCOMPARE(ReadBytes(f.src() + "text.txt"), std::string("bar\r\n"));
    QVERIFY(form.View().MemoHint->toPlainText().isEmpty() == false);

    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(f.src() + "tree/bin.htm"), binary);
    QVERIFY(f.PaneLines().contains(QStringLiteral("不是文本文件，已跳过：") + form.Q(f.src() + "tree/bin.htm")));
  }

  void aFileThatCannotBeWrittenStaysWhole() {
    BatchFixture f;
    const std::string big = "foo\n" + std::string(200000, 'x') + "\n";
    WriteBytes(f.src() + "a.txt", "foo\n");
    WriteBytes(f.src() + "big.txt", big);
    WriteBytes(f.src() + "c.txt", "foo\n");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "foo", "bar");
    f.Select({"a.txt", "big.txt", "c.txt"});
    {
      FileSizeLimit limit(100000);
      f.Click("BtnTextReplace");
    }
    QCOMPARE(ReadBytes(f.src() + "a.txt"), std::string("bar\r\n"));
    QCOMPARE(ReadBytes(f.src() + "big.txt"), big);
    QCOMPARE(ReadBytes(f.src() + "c.txt"), std::string("foo\n"));  // the run ended at the failure
    QCOMPARE(form.State().LastBatchKind, 0);
    QVERIFY(f.PaneLines().last().startsWith(QStringLiteral("未能处理，文件保持原样：")));
    QCOMPARE(std::distance(std::filesystem::directory_iterator(f.src()), {}), 3);  // no temporary left

    // The whole-folder batch passes over the file and goes on.
    {
      FileSizeLimit limit(100000);
      f.Click("BtnDirTextReplace");
    }
    QCOMPARE(ReadBytes(f.src() + "big.txt"), big);
    QCOMPARE(ReadBytes(f.src() + "c.txt"), std::string("bar\r\n"));
    QCOMPARE(form.State().LastBatchKind, 2);
  }

  void anOutputFolderInsideTheSourceIsLeftOut() {
    BatchFixture f;
    WriteBytes(f.src() + "a.htm", "foo\n");
    WriteBytes(f.src() + "copies/old.htm", "foo\n");
    TMainForm& form = f.OpenOn();
    f.Type("EdtOutput", f.src() + "copies");
    f.Leave();
    f.Rule(1, "foo", "bar");
    f.Backup(true);
    f.Click("BtnDirTextReplace");
    f.Click("BtnDirTextReplace");
    QCOMPARE(f.PaneLines(), QStringList{});  // the second run found nothing left to change
    QCOMPARE(ReadBytes(f.src() + "copies/old.htm"), std::string("foo\n"));
    QCOMPARE(ReadBytes(f.src() + "copies/a.htm"), std::string("bar\r\n"));
    QCOMPARE(form.State().LastBatchKind, 2);
  }

  void anOutputFolderEqualToTheSourceIsRefused() {
    BatchFixture f;
    WriteBytes(f.src() + "a.htm", "foo\n");
    TMainForm& form = f.OpenOn();
    f.Type("EdtOutput", f.src() + "./");
    f.Leave();
    f.Rule(1, "foo", "bar");
    f.Backup(true);
    f.Select({"a.htm"});
    f.Click("BtnTextReplace");
    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("foo\n"));
    QCOMPARE(f.desktop.MessageTexts(), (QStringList{form.Msg().MsgOutputIsSource, form.Msg().MsgOutputIsSource}));
    QCOMPARE(form.State().LastBatchKind, 0);
  }

  void aMissingBackupFolderStopsTheBatch() {
    BatchFixture f;
    WriteBytes(f.src() + "a.htm", "foo\n");
    WriteBytes(f.dir / "file", "x");
    TMainForm& form = f.OpenOn();
    f.Type("EdtOutput", f.dir / "file/sub");
    f.Leave();
    f.Rule(1, "foo", "bar");
    f.Backup(true);
    f.Select({"a.htm"});
    f.Click("BtnTextReplace");
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("请选择一个备份路径")});
    QCOMPARE(f.Focused(), f.Find<QWidget>("EdtBackupPath"));
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("foo\n"));
    QCOMPARE(form.State().LastBatchKind, 0);
  }

  void restoreNeedsABatchAndAYes() {
    BatchFixture f;
    WriteBytes(f.src() + "a.txt", "foo\n");
    WriteBytes(f.src() + "b.txt", "foo\n");
    TMainForm& form = f.OpenOn();
    f.Click("BtnBatchReturn");
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("没有任何需要恢复的文件")});
    QVERIFY(f.desktop.questions.isEmpty());

    f.Rule(1, "foo", "bar");
    f.Backup(true);
    f.Select({"b.txt"});
    f.Click("BtnTextReplace");
    f.desktop.answers.push_back(false);
    f.Click("BtnBatchReturn");
    QCOMPARE(ReadBytes(f.src() + "b.txt"), std::string("bar\r\n"));
    QVERIFY(!f.Find<QProgressBar>("ProgressBar1")->isVisible());

    // a.txt was never backed up: it is passed over, b.txt is restored.
    f.Select({"a.txt", "b.txt"});
    f.desktop.answers.push_back(true);
    f.Click("BtnBatchReturn");
    QCOMPARE(ReadBytes(f.src() + "a.txt"), std::string("foo\n"));
    QCOMPARE(ReadBytes(f.src() + "b.txt"), std::string("foo\r\n"));
    QVERIFY(f.PaneLines().contains(QStringLiteral("没有备份文件，未恢复：") + form.Q(f.src() + "/a.txt")));

    // Clearing the option forgets the batch.
    f.Backup(false);
    f.Click("BtnBatchReturn");
    QCOMPARE(f.desktop.MessageTexts().last(), QStringLiteral("没有任何需要恢复的文件"));
  }

  void nothingSelectedOrNoRulesStillEndsTheRun() {
    BatchFixture f;
    WriteBytes(f.src() + "a.txt", "a\n");
    TMainForm& form = f.OpenOn();
    f.Select({});
    f.Click("BtnTextReplace");
    QCOMPARE(form.State().LastBatchKind, 1);
    QCOMPARE(f.HintText(), QStringLiteral("所有代替已经完成。"));
    QCOMPARE(ReadBytes(f.src() + "a.txt"), std::string("a\n"));
    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(f.src() + "a.txt"), std::string("a\n"));
    QVERIFY(f.PaneLines().isEmpty());
  }

  void otherCommandsWaitWhileABatchRuns() {
    BatchFixture f;
    for (int i = 0; i < 5; ++i) WriteBytes(f.src() + "f" + std::to_string(i) + ".htm", "foo\n");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "foo", "bar");
    bool sawDisabled = false;
    // Runs while the batch lets events through.
    QTimer::singleShot(0, &form, [&] {
      sawDisabled = !f.Find<QToolButton>("BtnBatchReturn")->isEnabled();
      f.Click("BtnBatchReturn");
      f.Click("BtnTextReplace");
      form.Files().RefreshDocList();
    });
    f.Click("BtnDirTextReplace");
    QVERIFY(sawDisabled);
    QVERIFY(f.desktop.questions.isEmpty() && f.desktop.messages.empty());
    QCOMPARE(form.State().LastBatchKind, 2);
    QVERIFY(f.Find<QToolButton>("BtnBatchReturn")->isEnabled());
  }
};

QTEST_MAIN(BatchTest)
#include "batch_test.moc"

// The batch text commands and the restore, through the window, with the recording desktop. Files are
// compared byte for byte.
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>

#include "core/files/folders.h"
#include "core/files/scan.h"
#include "core/run/rewritejob.h"
#include "support/batchfixture.h"
#include "support/texts.h"
#include "support/vanish.h"
#include "window/files/filelist.h"
#include "window/form/commandrunner.h"
#include "window/form/outputpane.h"

using namespace zur;
using zur::testing::BatchFixture;
using zur::testing::FileSizeLimit;
using zur::testing::ReadBytes;
using zur::testing::WriteBytes;

namespace {

// Sets a file's modification time far into the past, so that a rewrite shows.
void Age(const std::string& path) {
  const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
  ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}
bool Aged(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && st.st_mtim.tv_sec == 1000000000;
}

}  // namespace

class BatchTest : public QObject {
  Q_OBJECT

 private slots:
  void aDryRunShowsWhatWouldChangeAndWritesNothing() {
    BatchFixture f;
    WriteBytes(f.src() + "a.htm", "foo foo bar\n");
    WriteBytes(f.src() + "sub/b.htm", "bar\n");
    WriteBytes(f.src() + "c.htm", "none\n");
    Age(f.src() + "a.htm");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "foo", QStringLiteral("bar"));
    f.Rule(2, "bar", QStringLiteral("baz"));
    f.Backup(true);
    auto* dry = f.Find<QCheckBox>("CbDryRun");
    QCOMPARE(dry->text(), QStringLiteral("只预演，不修改文件"));
    dry->setChecked(true);
    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("foo foo bar\n"));
    QVERIFY(Aged(f.src() + "a.htm"));
    QVERIFY(!std::filesystem::exists(f.out() + "a.htm"));  // no copies
    QCOMPARE(form.State().LastBatchKind, RunKind::None);   // nothing a restore could undo
    QCOMPARE(f.HintText(), QStringLiteral("预演：将修改2个文件，共6处；没有修改任何文件。"));
    const QStringList report{QStringLiteral("规则1：foo → bar（区分大小写）"), QStringLiteral("规则2：bar → baz（区分大小写）"),
                             form.Q(f.src() + "a.htm") + QStringLiteral("：规则1 2处，规则2 3处，规则3 0处"),
                             form.Q(f.src() + "sub/b.htm") + QStringLiteral("：规则1 0处，规则2 1处，规则3 0处"),
                             QStringLiteral("单击预演报告中的文件可以查看它的修改；按Esc返回预演报告。")};
    QCOMPARE(f.PaneLines(), report);

    // A click on a reported file shows its changes, read-only; nothing can be saved from them; Esc gives
    // the report back. The rules are the dry run's, not the rows as edited since.
    f.Rule(2, "bar", QStringLiteral("other"));
    auto* pane = f.Find<QPlainTextEdit>("MemoHint");
    const QRect line = pane->cursorRect(QTextCursor(pane->document()->findBlockByNumber(2)));
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, line.center());
    QCOMPARE(f.PaneLines(), (QStringList{QStringLiteral("--- ") + form.Q(f.src() + "a.htm"),
                                         QStringLiteral("+++ ") + form.Q(f.src() + "a.htm"), QStringLiteral("@@ -1,1 +1,1 @@"),
                                         QStringLiteral("-foo foo bar"), QStringLiteral("+baz baz baz")}));
    QVERIFY(pane->isReadOnly());
    QVERIFY(form.Pane().LoadedFile().empty());
    f.Click("BtnSaveDirectory");
    QCOMPARE(f.desktop.MessageTexts().last(), QStringLiteral("输出结果显示的是预演的修改，不能编辑或保存；按Esc返回预演报告。"));
    QTest::keyClick(pane, Qt::Key_Escape);
    QCOMPARE(f.PaneLines(), report);
    QVERIFY(!pane->isReadOnly());
    f.Rule(2, "bar", QStringLiteral("baz"));
    // The selected files' dry run keeps its report in the pane (no preview takes its place).
    f.Select({"a.htm"});
    f.Click("BtnTextReplace");
    QCOMPARE(f.PaneLines().at(f.PaneLines().size() - 2), form.Q(f.src() + "a.htm") + QStringLiteral("：规则1 2处，规则2 3处，规则3 0处"));
    QVERIFY(form.Pane().LoadedFile().empty());
    // The real run then does what the dry run said.
    dry->setChecked(false);
    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("baz baz baz\n"));
    QCOMPARE(f.HintText(), QStringLiteral("所有代替已经完成。已代替2个文件，共6处。"));
  }

  void selectedFilesWithBackupThenRestore() {
    BatchFixture f(Encoding::Gb18030);
    const std::string a = "foo \xD6\xD0\xCE\xC4\nsecond foo\n";  // GBK text, LF line ends
    const std::string b = "no match here\r\n";
    const std::string c = "foo untouched";
    WriteBytes(f.src() + "a.txt", a);
    Age(f.src() + "a.txt");
    WriteBytes(f.src() + "b.htm", b);
    WriteBytes(f.src() + "c.txt", c);
    Age(f.src() + "b.htm");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "  foo \n", QStringLiteral("中"));
    f.Backup(true);
    f.Select({"a.txt", "b.htm"});
    f.Click("BtnTextReplace");

    QCOMPARE(ReadBytes(f.src() + "a.txt"), std::string("\xD6\xD0 \xD6\xD0\xCE\xC4\nsecond \xD6\xD0\n"));
    QCOMPARE(ReadBytes(f.src() + "b.htm"), b);
    QVERIFY(Aged(f.src() + "b.htm"));  // a file no rule changed is not written
    QCOMPARE(ReadBytes(f.src() + "c.txt"), c);
    QCOMPARE(ReadBytes(f.out() + "a.txt"), a);  // the copy is the original bytes
    QVERIFY(!std::filesystem::exists(f.out() + "b.htm"));
    QCOMPARE(form.State().LastBatchKind, RunKind::SelectedFiles);
    QCOMPARE(f.HintText(), QStringLiteral("所有代替已经完成。已代替1个文件，共2处。"));
    QVERIFY(!f.Find<QProgressBar>("ProgressBar1")->isVisible());
    QVERIFY(!f.Find<QPushButton>("BtnStop")->isVisible());
    // The pane ends on the preview of the focused entry (the first item).
    QCOMPARE(form.Pane().LoadedFile(), f.src() + "a.txt");

    f.desktop.answers.push_back(true);
    f.Click("BtnBatchReturn");
    QCOMPARE(f.desktop.questions, QStringList{QStringLiteral("文件恢复: 确认要回复到原来的文件吗？")});
    QCOMPARE(ReadBytes(f.src() + "a.txt"), a);
    QVERIFY(Aged(f.src() + "a.txt"));  // its modification time comes back with its bytes
    // The end names the run it undid: when, which folder, how many files.
    QCOMPARE(f.PaneLines().mid(f.PaneLines().size() - 3).first(), form.Q(f.src() + "a.txt"));
    QCOMPARE(f.PaneLines().at(f.PaneLines().size() - 2), QStringLiteral("恢复完成：已恢复1个文件。"));
    const QRegularExpression undid(QStringLiteral("^已撤销\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d的运行（源文件夹：%1，1个文件）。$")
                                       .arg(QRegularExpression::escape(form.Q(f.src()))));
    QVERIFY2(undid.match(f.HintText()).hasMatch(), qPrintable(f.HintText()));
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("恢复完成：已恢复1个文件。") + f.HintText()});
    // Undone once, not twice: now, and after a restart.
    f.Click("BtnBatchReturn");
    QCOMPARE(f.desktop.MessageTexts().last(), QStringLiteral("没有任何需要恢复的文件"));
    QCOMPARE(form.State().LastBatchKind, RunKind::None);
  }

  void lineEndsOfEveryKindStayAsTheyAre() {
    BatchFixture f;
    const std::pair<const char*, std::string> files[] = {
        {"lf.txt", "<p>\nold\n</p>\n"},     {"crlf.txt", "<p>\r\nold\r\n</p>\r\n"}, {"cr.txt", "<p>\rold\r</p>"},
        {"mixed.txt", "<p>\r\nold\n</p>\r"}, {"nolast.txt", "<p>\nold"},
    };
    for (const auto& [name, bytes] : files) WriteBytes(f.src() + name, bytes);
    f.OpenOn();
    f.Rule(1, "<p>\nold", "<p>\nnew\nline");  // a two-line rule, and a line break inserted
    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(f.src() + "lf.txt"), std::string("<p>\nnew\nline\n</p>\n"));
    QCOMPARE(ReadBytes(f.src() + "crlf.txt"), std::string("<p>\r\nnew\r\nline\r\n</p>\r\n"));
    QCOMPARE(ReadBytes(f.src() + "cr.txt"), std::string("<p>\rnew\rline\r</p>"));
    QCOMPARE(ReadBytes(f.src() + "mixed.txt"), std::string("<p>\r\nnew\r\nline\n</p>\r"));  // the first line end
    QCOMPARE(ReadBytes(f.src() + "nolast.txt"), std::string("<p>\nnew\nline"));
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

    QCOMPARE(ReadBytes(f.src() + "x/page.htm"), std::string("bar x\n"));
    QCOMPARE(ReadBytes(f.src() + "Sub/Cap.HTM"), std::string("bar cap\n"));
    QCOMPARE(ReadBytes(f.src() + "same.txt"), std::string("nothing\n"));
    QCOMPARE(ReadBytes(f.src() + "pic.png"), std::string("foo"));
    QCOMPARE(ReadBytes(f.out() + "x/page.htm"), std::string("foo x\n"));
    QCOMPARE(ReadBytes(f.out() + "y/page.htm"), std::string("foo y\n"));
    QCOMPARE(ReadBytes(f.out() + "top.htm"), std::string("foo top"));
    QCOMPARE(ReadBytes(f.out() + "Sub/Cap.HTM"), std::string("foo cap\n"));
    QCOMPARE(f.PaneLines(), (QStringList{form.Q(f.src() + "Sub/Cap.HTM"), form.Q(f.src() + "top.htm"),
                                         form.Q(f.src() + "x/page.htm"), form.Q(f.src() + "y/page.htm")}));
    QCOMPARE(form.State().LastBatchKind, RunKind::FolderTree);

    std::filesystem::remove(f.src() + "top.htm");  // its original has nowhere to go: it is reported
    f.desktop.answers.push_back(true);
    f.Click("BtnBatchReturn");
    QCOMPARE(ReadBytes(f.src() + "x/page.htm"), std::string("foo x\n"));
    QCOMPARE(ReadBytes(f.src() + "y/page.htm"), std::string("foo y\n"));
    QCOMPARE(ReadBytes(f.src() + "Sub/Cap.HTM"), std::string("foo cap\n"));
    QVERIFY(!std::filesystem::exists(f.src() + "top.htm"));
    QVERIFY(f.PaneLines().contains(QStringLiteral("文件不存在，已跳过：") + form.Q(f.src() + "top.htm")));
    QCOMPARE(f.HintText(), QStringLiteral("操作完成，但有1个文件未能处理，详见输出结果。"));
  }

  void theRestoreUndoesTheRunWhateverTheFieldsSayNow() {
    BatchFixture f;
    WriteBytes(f.dir / "siteA/index.htm", "foo A");
    WriteBytes(f.dir / "siteB/index.htm", "foo B");
    f.OpenOn();
    f.UseSource(f.dir / "siteA");
    f.Rule(1, "foo", "bar");
    f.Backup(true);
    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(f.dir / "siteA/index.htm"), std::string("bar A"));
    // Another site, another output folder: the restore still puts back site A, and only it.
    f.UseSource(f.dir / "siteB");
    f.Type("EdtOutput", f.dir / "elsewhere");
    f.Leave();
    f.desktop.answers.push_back(true);
    f.Click("BtnBatchReturn");
    QCOMPARE(ReadBytes(f.dir / "siteA/index.htm"), std::string("foo A"));
    QCOMPARE(ReadBytes(f.dir / "siteB/index.htm"), std::string("foo B"));
  }

  void aLaterRunWithoutBackupLeavesNothingToRestore() {
    BatchFixture f;
    WriteBytes(f.src() + "a.htm", "foo");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "foo", "bar");
    f.Backup(true);
    f.Click("BtnDirTextReplace");
    // The option cleared without its own effect (as a stored setting would leave it at the next
    // start): the batch without copies is what makes the restore find nothing.
    f.Rule(1, "bar", "baz");
    form.View().cbBackupWhenTransfter->blockSignals(true);
    form.View().cbBackupWhenTransfter->setChecked(false);
    form.View().cbBackupWhenTransfter->blockSignals(false);
    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("baz"));
    f.Click("BtnBatchReturn");
    QCOMPARE(f.desktop.MessageTexts().last(), QStringLiteral("没有任何需要恢复的文件"));
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("baz"));  // the later edit stays
  }

  void filesChangedSinceTheRunAreAskedAboutOnce() {
    BatchFixture f;
    WriteBytes(f.src() + "a.htm", "foo a");
    WriteBytes(f.src() + "b.htm", "foo b");
    WriteBytes(f.src() + "c.htm", "foo c");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "foo", "bar");
    f.Backup(true);
    f.Click("BtnDirTextReplace");
    WriteBytes(f.src() + "b.htm", "edited by hand");
    WriteBytes(f.src() + "c.htm", "also edited");
    f.desktop.answers = {true, false};  // restore: yes; the changed files too: no
    f.Click("BtnBatchReturn");
    QCOMPARE(f.desktop.questions.size(), 2);
    QVERIFY(f.desktop.questions.last().contains(QStringLiteral("有2个文件")));
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("foo a"));
    QCOMPARE(ReadBytes(f.src() + "b.htm"), std::string("edited by hand"));
    QVERIFY(f.PaneLines().contains(QStringLiteral("批量代替后已被修改，未恢复：") + form.Q(f.src() + "b.htm")));
    f.desktop.answers = {true, true};  // this time the changed files as well
    f.Click("BtnBatchReturn");
    QCOMPARE(ReadBytes(f.src() + "c.htm"), std::string("foo c"));
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("foo a"));
  }

  void aRunCutShortIsUndoneInAFreshWindow() {
    BatchFixture f;
    for (int i = 0; i < 8; ++i) WriteBytes(f.src() + "f" + std::to_string(i) + ".htm", "foo " + std::to_string(i));
    // f3 has a second name, so it is written in place.
    std::filesystem::create_hard_link(f.src() + "f3.htm", f.dir / "f3-elsewhere.htm");
    // The folder batch of an earlier window (same settings folder) vanishes after five files, as under
    // kill -9.
    QVERIFY(testing::RunAndVanish(
        [&]() -> std::unique_ptr<RunJob> {
          RewriteSetup setup;
          std::vector<ScanEntry> files;
          ScanFolderTree(f.src(), SetExtList("htm"), files, {}, Encoding::Utf8, nullptr, true);
          for (ScanEntry& e : files) setup.items.push_back({e.shown, e.stored, PathBelow(f.src(), e.stored), e.id, {}, e.regular});
          setup.rules = testing::RulesOf({{u"foo", u"bar"}});
          setup.copies = true;
          setup.source = f.src();
          setup.output = f.out();
          setup.stateDir = f.dir / "prog/runs/";
          auto job = std::make_unique<RewriteJob>(std::move(setup));
          StartRefusal refusal;
          return job->Begin(refusal) ? std::move(job) : nullptr;
        },
        8, 5));
    QCOMPARE(ReadBytes(f.src() + "f0.htm"), std::string("bar 0"));
    QCOMPARE(ReadBytes(f.src() + "f7.htm"), std::string("foo 7"));
    // It vanished while writing f3 in place: the journal ends before f3's "done", and f3 is torn.
    const std::string journal = f.out() + "ZURTextReplace.journal";
    const std::string text = ReadBytes(journal);
    QVERIFY(text.find("writing n=4 ") != std::string::npos);
    WriteBytes(journal, text.substr(0, text.find("done n=4 ")));
    WriteBytes(f.src() + "f3.htm", "bar 3 and half of");
    // The fresh window puts it right, names it in the pane and says so once, asking whether to undo
    // the files the run had changed; No keeps them.
    f.desktop.answers = {false};
    TMainForm& again = f.OpenOn();
    QCOMPARE(ReadBytes(f.src() + "f3.htm"), std::string("foo 3"));
    QCOMPARE(ReadBytes(f.dir / "f3-elsewhere.htm"), std::string("foo 3"));
    QVERIFY(f.PaneLines().first().startsWith(FormatMessage(again.Msg().FmtRecovered, again.Q(f.src() + "f3.htm"))));
    QTRY_COMPARE(f.desktop.questions.size(), 1);
    const QString asked = f.desktop.questions[0];
    QVERIFY2(asked.startsWith(QStringLiteral("运行被中断: ") + again.Msg().MsgRunInterrupted), qPrintable(asked));
    QVERIFY(asked.contains(FormatMessage(again.Msg().FmtRecoveredCount, 1)));
    QVERIFY2(asked.contains(QStringLiteral("的运行（源文件夹：%1）没有正常结束：已修改4个文件，其余的文件没有处理到。").arg(again.Q(f.src()))),
             qPrintable(asked));
    QVERIFY(f.desktop.messages.empty());
    QCOMPARE(ReadBytes(f.src() + "f1.htm"), std::string("bar 1"));  // whole files stay as the run left them
    QCOMPARE(again.State().LastBatchKind, RunKind::FolderTree);
    // Run again, then undo: everything is as before the first run.
    f.Backup(true);
    f.Rule(1, "foo", "bar");
    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(f.src() + "f7.htm"), std::string("bar 7"));
    QCOMPARE(ReadBytes(f.out() + "f0.htm"), std::string("foo 0"));  // the original copy was kept
    f.desktop.answers.push_back(true);
    f.Click("BtnBatchReturn");
    for (int i = 0; i < 8; ++i) {
      QCOMPARE(ReadBytes(f.src() + "f" + std::to_string(i) + ".htm"), "foo " + std::to_string(i));
    }
  }

  // A run without copies cut short: its originals wait for the user's answer at the next start; Yes
  // undoes the files it changed, and it is not asked about again.
  void aRunCutShortCanBeUndoneAtTheNextStart() {
    BatchFixture f;
    std::vector<std::string> files;
    for (int i = 0; i < 8; ++i) {
      files.push_back(f.src() + "f" + std::to_string(i) + ".htm");
      WriteBytes(files.back(), "foo " + std::to_string(i));
    }
    QVERIFY(testing::ReplaceAndVanish(files, f.src(), f.dir / "prog/runs/", 5));
    int changed = 0;
    for (int i = 0; i < 8; ++i) changed += ReadBytes(f.src() + "f" + std::to_string(i) + ".htm")[0] == 'b';
    QVERIFY(changed > 0 && changed < 8);
    f.desktop.answers = {true};
    TMainForm& again = f.OpenOn();
    QTRY_COMPARE(f.desktop.questions.size(), 1);
    QVERIFY2(f.desktop.questions[0].contains(QStringLiteral("没有正常结束：已修改%1个文件，%2个文件没有处理到。").arg(changed).arg(8 - changed)),
             qPrintable(f.desktop.questions[0]));
    for (int i = 0; i < 8; ++i) QCOMPARE(ReadBytes(f.src() + "f" + std::to_string(i) + ".htm"), "foo " + std::to_string(i));
    QCOMPARE(f.desktop.MessageTexts().size(), 1);
    QVERIFY(f.desktop.MessageTexts()[0].startsWith(QStringLiteral("恢复完成：已恢复%1个文件。").arg(changed)));
    // Its journal and originals are gone; the next start asks nothing.
    for (const auto& entry : std::filesystem::directory_iterator(f.dir / "prog/runs")) {
      const std::string name = entry.path().filename().string();
      QVERIFY2(name == "key" || name.rfind("put-aside", 0) == 0, name.c_str());
    }
    Q_UNUSED(again);
    f.Close();
    f.desktop.questions.clear();
    f.OpenOn();
    QTest::qWait(50);
    QVERIFY(f.desktop.questions.isEmpty());
  }

  void aFileWithTwoNamesIsProcessedOnce() {
    BatchFixture f;
    WriteBytes(f.src() + "docs/page.htm", "<img src=\"a.png\">");
    std::filesystem::create_symlink(f.src() + "docs/page.htm", f.src() + "link.htm");
    std::filesystem::create_directory_symlink(f.src() + "docs", f.src() + "mirror");
    std::filesystem::create_hard_link(f.src() + "docs/page.htm", f.src() + "hard.htm");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "src=\"", "src=\"/static/");
    f.Backup(true);
    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(f.src() + "docs/page.htm"), std::string("<img src=\"/static/a.png\">"));
    QCOMPARE(f.PaneLines().size(), 1);
    f.desktop.answers.push_back(true);
    f.Click("BtnBatchReturn");
    QCOMPARE(ReadBytes(f.src() + "docs/page.htm"), std::string("<img src=\"a.png\">"));
    Q_UNUSED(form);
  }

  void anOutputFolderThatHoldsTheSourceIsRefused() {
    BatchFixture f;
    WriteBytes(f.dir / "w/site/y.htm", "foo");
    WriteBytes(f.dir / "w/site/site/y.htm", "foo inner");
    TMainForm& form = f.OpenOn();
    f.UseSource(f.dir / "w/site");
    f.Type("EdtOutput", f.dir / "w");
    f.Leave();
    f.Rule(1, "foo", "bar");
    f.Backup(true);
    f.Click("BtnDirTextReplace");
    QCOMPARE(f.desktop.MessageTexts(), QStringList{form.Msg().MsgOutputContainsSource});
    QCOMPARE(ReadBytes(f.dir / "w/site/y.htm"), std::string("foo"));
    QCOMPARE(ReadBytes(f.dir / "w/site/site/y.htm"), std::string("foo inner"));
  }

  void theInputsAreFixedWhileARunGoes() {
    BatchFixture f;
    for (int i = 0; i < 200; ++i) WriteBytes(f.src() + "f" + std::to_string(i) + ".htm", "foo");
    WriteBytes(f.dir / "other/o.htm", "foo");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "foo", "bar");
    f.Select({"f0.htm", "f1.htm"});
    bool frozen = false;
    QTimer::singleShot(0, &form, [&] {
      frozen = f.Find<QLineEdit>("EdtPath")->isReadOnly() && form.View().MmRuleFind[1]->isReadOnly() &&
               !form.View().cbBackupWhenTransfter->isEnabled() && !form.View().CbRegex[1]->isEnabled() &&
               !form.View().CbMatchCase[3]->isEnabled();
      // Typing another folder and pressing Enter changes nothing of what the run works on.
      f.Find<QLineEdit>("EdtPath")->setText(form.Q(f.dir / "other"));
      f.Enter("EdtPath");
      form.View().MmRuleFind[1]->setPlainText(QStringLiteral("xyz"));
    });
    f.Click("BtnTextReplace");
    QVERIFY(frozen);
    QCOMPARE(ReadBytes(f.src() + "f1.htm"), std::string("bar"));
    QCOMPARE(ReadBytes(f.dir / "other/o.htm"), std::string("foo"));
    QVERIFY(!f.Find<QLineEdit>("EdtPath")->isReadOnly());
  }

  // A wrong pattern is told, with PCRE2's words and the place, before any file is read.
  void aWrongPatternIsToldAndNothingIsDone() {
    BatchFixture f;
    WriteBytes(f.src() + "a.htm", "foo (1)");
    f.OpenOn();
    f.Backup(true);
    f.Rule(1, "foo", "bar");
    f.Rule(2, "\\((\\d+", "$1");
    f.Find<QCheckBox>("CbRegex2")->setChecked(true);
    f.Click("BtnDirTextReplace");
    QCOMPARE(f.desktop.MessageTexts().last(),
             QStringLiteral("第2条规则的正则表达式有错误（第6个字符处）：missing closing parenthesis。没有处理任何文件。"));
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("foo (1)"));
    QVERIFY(!std::filesystem::exists(f.out() + "a.htm"));  // no copy either
    // Mended, it runs; the dry run's report says how each rule matches.
    f.Rule(2, "\\((\\d+)\\)", "[$1]");
    f.Find<QCheckBox>("CbMatchCase1")->setChecked(false);
    f.Find<QCheckBox>("CbDryRun")->setChecked(true);
    f.Click("BtnDirTextReplace");
    QCOMPARE(f.PaneLines().mid(0, 2), (QStringList{QStringLiteral("规则1：foo → bar（不区分大小写）"),
                                                   QStringLiteral("规则2：\\((\\d+)\\) → [$1]（区分大小写，正则表达式）")}));
    f.Find<QCheckBox>("CbDryRun")->setChecked(false);
    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("bar [1]"));
  }

  // The exclusions, the hidden files box and the largest size choose the files of every tree command;
  // the report ends with how many files they left out, and a field that is wrong stops the command.
  void theExclusionsChooseTheFilesAndAreCounted() {
    BatchFixture f;
    for (const char* name : {"a.htm", ".git/config.txt", "node_modules/m/x.js", "uploads/u.htm", "sub/uploads/kept.htm",
                             "lib/app.min.js", ".hidden.htm", "big.htm"}) {
      WriteBytes(f.src() + name, std::string(std::string(name) == "big.htm" ? 3000 : 1, 'x') + " foo");
    }
    TMainForm& form = f.OpenOn();
    f.Rule(1, "foo", "bar");
    f.Find<QLineEdit>("EdtExclude")->setText(QStringLiteral(".git, node_modules,uploads/*,*.min.js"));
    f.Find<QCheckBox>("CbSkipHidden")->setChecked(true);
    f.Find<QLineEdit>("EdtMaxSize")->setText(QStringLiteral("2K"));
    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("x bar"));
    QCOMPARE(ReadBytes(f.src() + "sub/uploads/kept.htm"), std::string("x bar"));  // "uploads/*" is below the source
    for (const char* name : {".git/config.txt", "node_modules/m/x.js", "uploads/u.htm", "lib/app.min.js", ".hidden.htm"}) {
      QCOMPARE(ReadBytes(f.src() + name), std::string("x foo"));
    }
    QCOMPARE(ReadBytes(f.src() + "big.htm").substr(3000), std::string(" foo"));
    // Left out: the folders .git, node_modules and uploads, the two files and the big one.
    QCOMPARE(f.PaneLines().last(), QStringLiteral("已排除6个文件"));
    // The same filter for the search.
    form.View().MmoSearchText->setPlainText(QStringLiteral("foo"));
    f.Click("BtnSearch");
    QCOMPARE(f.Find<QListWidget>("LbSearch")->count(), 0);
    // A size that is no size, or a pattern that is none, stops the command before it reads anything.
    f.Find<QLineEdit>("EdtMaxSize")->setText(QStringLiteral("2 pages"));
    f.Click("BtnDirTextReplace");
    QCOMPARE(f.desktop.MessageTexts().last(), QStringLiteral("最大文件大小应为数字，后面可加K或M：2 pages"));
    f.Find<QLineEdit>("EdtMaxSize")->clear();
    f.Find<QLineEdit>("EdtExclude")->setText(QStringLiteral("[abc"));
    f.Click("BtnDirTextReplace");
    QCOMPARE(f.desktop.MessageTexts().last(), QStringLiteral("排除的模式有错误，不能执行：[abc"));
    QCOMPARE(ReadBytes(f.src() + "big.htm").substr(3000), std::string(" foo"));
  }

  // Stops the run (with the stop button, or with Esc) once it has reported some files.
  static void StopWhenUnderWay(BatchFixture& f, TMainForm& form, bool escape) {
    auto* poll = new QTimer(&form);
    poll->setInterval(1);
    QObject::connect(poll, &QTimer::timeout, &form, [&f, &form, poll, escape] {
      if (f.PaneLines().isEmpty()) return;
      poll->stop();
      poll->deleteLater();
      if (escape) {
        QTest::keyClick(&form, Qt::Key_Escape);
      } else {
        f.Find<QPushButton>("BtnStop")->click();
      }
    });
    poll->start();
  }

  void aRunCanBeStoppedBetweenTwoFiles() {
    for (bool escape : {false, true}) {
      BatchFixture f;
      for (int i = 0; i < 4000; ++i) WriteBytes(f.src() + "d/f" + std::to_string(i) + ".htm", "foo " + std::to_string(i));
      TMainForm& form = f.OpenOn();
      f.Rule(1, "foo", "bar");
      form.Runner().options.workers = 1;
      StopWhenUnderWay(f, form, escape);
      f.Click("BtnDirTextReplace");
      int changed = 0;
      for (int i = 0; i < 4000; ++i) {
        const std::string bytes = ReadBytes(f.src() + "d/f" + std::to_string(i) + ".htm");
        QVERIFY(bytes == "foo " + std::to_string(i) || bytes == "bar " + std::to_string(i));  // never half done
        changed += bytes[0] == 'b';
      }
      QVERIFY(changed > 0 && changed < 4000);
      QCOMPARE(f.PaneLines().size(), changed);
      QCOMPARE(f.HintText(), QStringLiteral("操作已停止，已处理%1个文件。已代替%1个文件，共%1处。").arg(changed));
    }
  }

  void closingTheWindowStopsTheRunAndThenCloses() {
    BatchFixture f;
    for (int i = 0; i < 3000; ++i) WriteBytes(f.src() + "d/f" + std::to_string(i) + ".htm", "foo");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "foo", "bar");
    form.Runner().options.workers = 1;
    // Asked first: No lets the run go on to its end, Yes stops it and closes.
    f.desktop.answers = {false};
    bool paneEditable = true;
    QTimer::singleShot(0, &form, [&] {
      paneEditable = f.Find<QWidget>("BtnSave")->isEnabled() || f.Find<QWidget>("BtnReplace")->isEnabled() ||
                     f.Find<QWidget>("BtnSaveDirectory")->isEnabled();
      form.close();
    });
    f.Click("BtnDirTextReplace");
    QCOMPARE(f.desktop.questions, QStringList{QStringLiteral("关闭窗口: 一个命令还在运行。要停止它并关闭窗口吗？（已经处理完的文件保持处理后的样子。）")});
    QVERIFY(form.isVisible());
    QVERIFY(!paneEditable);  // the pane's edits and saves wait while a run goes
    QVERIFY(f.Find<QWidget>("BtnSave")->isEnabled());
    QCOMPARE(ReadBytes(f.src() + "d/f2999.htm"), std::string("bar"));
    f.Rule(1, "bar", "foo");
    f.desktop.answers = {true};
    QTimer::singleShot(0, &form, [&] { form.close(); });
    f.Click("BtnDirTextReplace");
    QVERIFY(f.HintText().startsWith(QStringLiteral("操作已停止")));
    QTRY_VERIFY(!form.isVisible());
    f.Close();
    QVERIFY(std::filesystem::exists(f.dir / "prog/defualt.ini"));  // settings saved as usual
  }

  void filesThatAreNotTextAreNeverRewritten() {
    BatchFixture f;
    const std::string binary("foo\0\x01\x02\nfoo\r", 10);
    WriteBytes(f.src() + "bin.txt", binary);
    WriteBytes(f.src() + "text.txt", "foo\n");
    WriteBytes(f.src() + "tree/bin.htm", binary);
    TMainForm& form = f.OpenOn();
    form.State().CurListIndex = -1;
    form.Files().RefreshDocList();
    f.Rule(1, "foo", "bar");
    f.Backup(true);
    f.Select({"bin.txt", "text.txt"});
    f.Click("BtnTextReplace");
    QCOMPARE(ReadBytes(f.src() + "bin.txt"), binary);
    QVERIFY(!std::filesystem::exists(f.out() + "bin.txt"));
    QCOMPARE(ReadBytes(f.src() + "text.txt"), std::string("bar\n"));
    QVERIFY(f.PaneLines().contains(QStringLiteral("不是文本文件，已跳过：") + form.Q(f.src() + "bin.txt")));

    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(f.src() + "tree/bin.htm"), binary);
    QVERIFY(f.PaneLines().contains(QStringLiteral("不是文本文件，已跳过：") + form.Q(f.src() + "tree/bin.htm")));
  }

  void aNamedPipeIsPassedOverAndNamed() {
    BatchFixture f;
    std::filesystem::create_directories(f.src());
    QCOMPARE(::mkfifo((f.src() + "pipe.htm").c_str(), 0600), 0);
    WriteBytes(f.src() + "a.htm", "foo");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "foo", "bar");
    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("bar"));
    QVERIFY(f.PaneLines().contains(QStringLiteral("不是普通文件，已跳过：") + form.Q(f.src() + "pipe.htm")));
  }

  void aFileThatCannotBeWrittenStaysWholeAndTheHintSaysSo() {
    BatchFixture f;
    const std::string big = "foo\n" + std::string(200000, 'x') + "\n";
    WriteBytes(f.src() + "a.txt", "foo\n");
    WriteBytes(f.src() + "big.txt", big);
    WriteBytes(f.src() + "c.txt", "foo\n");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "foo", "barbar");
    f.Select({"a.txt", "big.txt", "c.txt"});
    {
      FileSizeLimit limit(100000);
      f.Click("BtnTextReplace");
    }
    QCOMPARE(ReadBytes(f.src() + "a.txt"), std::string("barbar\n"));
    QCOMPARE(ReadBytes(f.src() + "big.txt"), big);
    QCOMPARE(ReadBytes(f.src() + "c.txt"), std::string("barbar\n"));  // the run goes on after a failure
    // The report stays in the pane (no preview takes its place) and names the file.
    QCOMPARE(f.PaneLines().filter(QStringLiteral("未能处理，文件保持原样：") + form.Q(f.src() + "big.txt")).size(), 1);
    QCOMPARE(f.HintText(), QStringLiteral("操作完成，但有1个文件未能处理，详见输出结果。已代替2个文件，共2处。"));
    QCOMPARE(std::distance(std::filesystem::directory_iterator(f.src()), {}), 3);  // nothing left behind
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
    QCOMPARE(form.State().LastBatchKind, RunKind::FolderTree);
    // The first run's copy went with it into the output folder's history; the restore passes over
    // the run that changed nothing and undoes the first.
    f.desktop.answers.push_back(true);
    f.Click("BtnBatchReturn");
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("foo\n"));
    QCOMPARE(form.State().LastBatchKind, RunKind::None);
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
    QCOMPARE(form.State().LastBatchKind, RunKind::None);
  }

  // A command reads each folder field as the window shows it at the click.
  void whatTheFieldsShowIsWhatRuns() {
    BatchFixture f;
    WriteBytes(f.src() + "a.htm", "foo\n");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "foo", "bar");
    f.Backup(true);
    // 覆盖原路径 puts the source folder in the output field: with copies on, that is refused.
    f.Find<QCheckBox>("CbCover")->setChecked(true);
    f.Click("BtnDirTextReplace");
    QCOMPARE(f.desktop.MessageTexts(),
             QStringList{QStringLiteral("输出路径不能与源路径相同，否则备份会覆盖原文件。请选择另一个输出路径。")});
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("foo\n"));
    QVERIFY(f.Find<QCheckBox>("CbCover")->isChecked());
    // Typed and never left: the copies go where the field says.
    f.Find<QCheckBox>("CbCover")->setChecked(false);
    f.Find<QLineEdit>("EdtOutput")->setText(form.Q(f.dir / "typed"));
    f.Click("BtnDirTextReplace");
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("bar\n"));
    QCOMPARE(form.State().OutputPath, f.dir / "typed/");
    QCOMPARE(ReadBytes(f.dir / "typed/a.htm"), std::string("foo\n"));
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
    form.Hint(QStringLiteral("恢复 an earlier command's last file"));
    f.Click("BtnTextReplace");
    QCOMPARE(f.desktop.MessageTexts(),
             QStringList{QStringLiteral("输出路径不存在，也无法建立，请选择另一个输出路径：") + form.Q(f.dir / "file/sub/")});
    QCOMPARE(f.Focused(), f.Find<QWidget>("EdtOutput"));
    QVERIFY(!f.Find<QProgressBar>("ProgressBar1")->isVisible());  // a refused batch leaves no bar behind
    QCOMPARE(f.HintText(), QString());                             // nor an earlier command's hint
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("foo\n"));
    QCOMPARE(form.State().LastBatchKind, RunKind::None);
  }

  void restoreNeedsABatchAndAYes() {
    BatchFixture f;
    WriteBytes(f.src() + "b.txt", "foo\n");
    f.OpenOn();
    f.Click("BtnBatchReturn");
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("没有任何需要恢复的文件")});
    QVERIFY(f.desktop.questions.isEmpty());

    f.Rule(1, "foo", "bar");
    f.Backup(true);
    f.Select({"b.txt"});
    f.Click("BtnTextReplace");
    f.desktop.answers.push_back(false);
    f.Click("BtnBatchReturn");
    QCOMPARE(ReadBytes(f.src() + "b.txt"), std::string("bar\n"));
    QVERIFY(!f.Find<QProgressBar>("ProgressBar1")->isVisible());

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
    QCOMPARE(form.State().LastBatchKind, RunKind::SelectedFiles);
    QCOMPARE(f.HintText(), QStringLiteral("所有代替已经完成。已代替0个文件，共0处。"));
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
    QTimer::singleShot(0, &form, [&] {
      sawDisabled = !f.Find<QToolButton>("BtnBatchReturn")->isEnabled();
      f.Click("BtnBatchReturn");
      f.Click("BtnTextReplace");
      form.Files().RefreshDocList();
    });
    f.Click("BtnDirTextReplace");
    QVERIFY(sawDisabled);
    QVERIFY(f.desktop.questions.isEmpty() && f.desktop.messages.empty());
    QCOMPARE(form.State().LastBatchKind, RunKind::FolderTree);
    QVERIFY(f.Find<QToolButton>("BtnBatchReturn")->isEnabled());
  }
};

QTEST_MAIN(BatchTest)
#include "batch_test.moc"

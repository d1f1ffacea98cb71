// Match replacement with the "#key#" placeholder.
#include <filesystem>

#include "window/files/filelist.h"

#include "support/batchfixture.h"

using namespace zur;
using zur::testing::BatchFixture;
using zur::testing::ReadBytes;
using zur::testing::WriteBytes;

class MatchTest : public QObject {
  Q_OBJECT

 private slots:
  void spansFromPrefixToSuffixAcrossLines() {
    BatchFixture f;
    WriteBytes(f.src() + "a.htm", "x [b]1\n2[/b] y [b]3[/b]\n[b] open\n");
    WriteBytes(f.src() + "b.htm", "[b]q[/b]");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "[b]#key#[/b]", "X");
    f.Select({"a.htm"});
    f.Click("BtnPipeiReplace");
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("x X y X\n[b] open\n"));
    QCOMPARE(ReadBytes(f.src() + "b.htm"), std::string("[b]q[/b]"));
    QCOMPARE(f.HintText(), QStringLiteral("保存") + form.Q(f.src() + "a.htm") + QStringLiteral("已代替1个文件，共2处。"));
    QVERIFY(f.PaneLines().isEmpty());
    QCOMPARE(form.State().LastBatchKind, RunKind::None);

    f.Click("BtnPiPeiDir");
    QCOMPARE(ReadBytes(f.src() + "b.htm"), std::string("X"));
    QCOMPARE(f.HintText(), QStringLiteral("代替完成已代替1个文件，共1处。"));
    QCOMPARE(f.PaneLines(), (QStringList{form.Q(f.src() + "a.htm"), form.Q(f.src() + "b.htm")}));
    QCOMPARE(form.State().LastBatchKind, RunKind::None);
  }

  void theSelectedFilesCommandNeedsAFocusedEntry() {
    BatchFixture f;
    WriteBytes(f.src() + "a.htm", "[b]1[/b]");
    TMainForm& form = f.OpenOn();
    form.State().CurListIndex = -1;
    form.Files().RefreshDocList();
    f.Rule(1, "[b]#key#[/b]", "X");
    f.Select({"a.htm"});
    f.Click("BtnPipeiReplace");
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("请选择一个文件")});
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("[b]1[/b]"));
  }

  void theFolderCommandListsEveryFileWritesOnlyChangedOnesAndSkipsNonText() {
    BatchFixture f;
    const std::string binary("[b]\0[/b]", 8);
    WriteBytes(f.src() + "plain.htm", "no rules\n");
    WriteBytes(f.src() + "bin.htm", binary);
    TMainForm& form = f.OpenOn();
    f.Backup(true);
    f.Click("BtnPiPeiDir");
    QCOMPARE(ReadBytes(f.src() + "plain.htm"), std::string("no rules\n"));
    QVERIFY(!std::filesystem::exists(f.out() + "plain.htm"));  // unchanged: neither written nor copied
    QCOMPARE(ReadBytes(f.src() + "bin.htm"), binary);
    QVERIFY(!std::filesystem::exists(f.out() + "bin.htm"));
    QCOMPARE(f.PaneLines(), (QStringList{QStringLiteral("不是文本文件，已跳过：") + form.Q(f.src() + "bin.htm"),
                                         form.Q(f.src() + "plain.htm")}));
  }

  void aRunWithCopiesIsTheOneTheRestoreUndoes() {
    BatchFixture f;
    WriteBytes(f.src() + "a.htm", "<i>x</i>\n");
    TMainForm& form = f.OpenOn();
    f.Rule(1, "<i>#key#</i>", "-");
    f.Backup(true);
    f.Click("BtnPiPeiDir");
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("-\n"));
    QCOMPARE(form.State().LastBatchKind, RunKind::FolderTree);
    f.desktop.answers.push_back(true);
    f.Click("BtnBatchReturn");
    QCOMPARE(ReadBytes(f.src() + "a.htm"), std::string("<i>x</i>\n"));
  }
};

QTEST_MAIN(MatchTest)
#include "match_test.moc"

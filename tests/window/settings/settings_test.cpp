// The settings kept beside the program: written at exit, read by the next window.
#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <filesystem>
#include <sys/stat.h>

#include "support/formfixture.h"

using namespace zur;
using zur::testing::FormFixture;
using zur::testing::ReadBytes;
using zur::testing::WriteBytes;

class SettingsTest : public QObject {
  Q_OBJECT

 private slots:
  void aFirstExitWithDefaultsWritesEveryKey() {
    FormFixture f;
    f.Open();
    const std::string home = f.dir / "home";
    const std::string prog = f.dir / "prog/";
    QCOMPARE(f.Find<QLineEdit>("EdtPath")->text(), QString::fromStdString(home + "/Tavimex/TextReplace/source/"));
    QCOMPARE(f.Find<QTabWidget>("PageControl1")->currentIndex(), 0);
    QCOMPARE(f.Find<QListWidget>("LbDocList")->count(), 0);
    f.Close();
    QCOMPARE(ReadBytes(prog + "defualt.ini"),
             "[default]\r\nRECPath=" + home + "/Tavimex/TextReplace/source/\r\nOutputPath=" + home +
                 "/Tavimex/TextReplace/output/\r\nOldFileName=\r\nNewFileName=\r\n"
                 "EdtEXT=htm,html,shtml,asp,php,aspx,jsp,txt,js,css\r\nBackupWhenT=0\r\nCbCover=0\r\nBackupPath=" +
                 home + "/Tavimex/TextReplace/bak/\r\nBatchType=0\r\ncurListIndex=-1\r\n"
                 "FollowOutside=0\r\nMatchCase1=1\r\nWholeWord1=0\r\nRegex1=0\r\nMatchCase2=1\r\nWholeWord2=0\r\nRegex2=0\r\n"
                 "MatchCase3=1\r\nWholeWord3=0\r\nRegex3=0\r\nSearchMatchCase=1\r\nSearchWholeWord=0\r\nSearchRegex=0\r\n"
                 "RuleTable=\r\nExclude=\r\nSkipHidden=0\r\nMaxSize=\r\n");
    for (const char* name : {"KeyText1", "KeyText2", "KeyText3", "ReplaceText1", "ReplaceText2", "ReplaceText3",
                             "SearchKey", "MmSearchReplace"}) {
      QVERIFY2(std::filesystem::exists(prog + name + ".txt"), name);
      QCOMPARE(std::filesystem::file_size(prog + name + ".txt"), uintmax_t(0));
    }
  }

  void aSecondWindowReadsWhatTheFirstWrote_data() {
    QTest::addColumn<int>("codePage");
    QTest::newRow("utf8") << int(Encoding::Utf8);
    QTest::newRow("gbk") << int(Encoding::Gb18030);
  }
  void aSecondWindowReadsWhatTheFirstWrote() {
    QFETCH(int, codePage);
    FormFixture f(static_cast<Encoding>(codePage));
    TMainForm& form = f.Open();
    WriteBytes(f.dir / "s/1.txt", "");
    WriteBytes(f.dir / "s/2.txt", "");
    f.UseSource(f.dir / "s");
    f.Type("EdtOutput", f.dir / "o");
    f.Type("EdtBackupPath", f.dir / "b");
    f.Leave();
    f.Find<QLineEdit>("EditOldFileName")->setText(QStringLiteral("旧"));
    f.Find<QLineEdit>("EditNewFileName")->setText(QStringLiteral("新"));
    f.Find<QLineEdit>("EdtEXT")->setText(QStringLiteral("htm, txt"));
    f.Find<QCheckBox>("cbBackupWhenTransfter")->setChecked(true);
    form.View().MmRuleFind[1]->setPlainText(QStringLiteral("查找\n第二行"));
    form.View().MmRuleReplace[3]->setPlainText(QStringLiteral("代替"));
    form.View().MmoSearchText->setPlainText(QStringLiteral("搜索"));
    form.View().LbDocList->setCurrentRow(1);
    f.Find<QTabWidget>("PageControl1")->setCurrentIndex(2);
    f.Find<QCheckBox>("CbMatchCase2")->setChecked(false);
    f.Find<QCheckBox>("CbWholeWord3")->setChecked(true);
    f.Find<QCheckBox>("CbRegex1")->setChecked(true);
    f.Find<QCheckBox>("CbSearchRegex")->setChecked(true);
    f.Find<QLineEdit>("EdtExclude")->setText(QStringLiteral(".git, 上传/*"));
    f.Find<QCheckBox>("CbSkipHidden")->setChecked(true);
    f.Find<QLineEdit>("EdtMaxSize")->setText(QStringLiteral("2M"));
    f.Close();

    TMainForm& again = f.Open();
    // The options of the rows and of the search, each where it was.
    QStringList ticked;
    for (QCheckBox* box : again.findChildren<QCheckBox*>()) {
      const QString name = box->objectName();
      if ((name.startsWith("CbMatchCase") || name.startsWith("CbWholeWord") || name.startsWith("CbRegex") ||
           name.startsWith("CbSearch")) && box->isChecked()) {
        ticked << name;
      }
    }
    ticked.sort();
    QCOMPARE(ticked, (QStringList{"CbMatchCase1", "CbMatchCase3", "CbRegex1", "CbSearchMatchCase", "CbSearchRegex",
                                  "CbWholeWord3"}));
    QCOMPARE(f.Find<QLineEdit>("EdtExclude")->text(), QStringLiteral(".git, 上传/*"));
    QVERIFY(f.Find<QCheckBox>("CbSkipHidden")->isChecked());
    QCOMPARE(f.Find<QLineEdit>("EdtMaxSize")->text(), QStringLiteral("2M"));
    QCOMPARE(again.State().SourcePath, f.dir / "s/");
    QCOMPARE(again.State().OutputPath, f.dir / "o/");
    QCOMPARE(again.State().BackupPath, f.dir / "b/");
    QCOMPARE(f.Find<QLineEdit>("EditOldFileName")->text(), QStringLiteral("旧"));
    QCOMPARE(f.Find<QLineEdit>("EditNewFileName")->text(), QStringLiteral("新"));
    QCOMPARE(f.Find<QLineEdit>("EdtEXT")->text(), QStringLiteral("htm, txt"));
    QVERIFY(f.Find<QCheckBox>("cbBackupWhenTransfter")->isChecked());
    QCOMPARE(f.Find<QTabWidget>("PageControl1")->currentIndex(), 2);
    QCOMPARE(again.View().MmRuleFind[1]->toPlainText(), QStringLiteral("查找\n第二行\n"));
    QCOMPARE(again.View().MmRuleReplace[3]->toPlainText(), QStringLiteral("代替\n"));
    QCOMPARE(again.View().MmoSearchText->toPlainText(), QStringLiteral("搜索\n"));
    QCOMPARE(again.View().LbDocList->currentRow(), 1);
    QVERIFY(again.View().LbDocList->selectedItems().isEmpty());
    // The files hold the code page's bytes.
    const std::string expected = codePage == int(Encoding::Gb18030) ? "\xB2\xE9\xD5\xD2\r\n\xB5\xDA\xB6\xFE\xD0\xD0\r\n"
                                                                 : "查找\r\n第二行\r\n";
    QCOMPARE(ReadBytes(f.dir / "prog/KeyText1.txt"), expected);
  }

  void storedValuesAreReadWithTheirQuirks() {
    FormFixture f;
    const std::string prog = f.dir / "prog/";
    WriteBytes(prog + "defualt.ini", "[default]\nRECPath=\"" + f.dir / "a//b" + "\"\nOutputPath=" + f.dir / "out" +
                                          "\nBackupWhenT=yes\nCbCover=0x1\nBatchType=2\nUnknown=kept\n");
    WriteBytes(prog + "KeyText2.txt", "a\rb\n");
    TMainForm& form = f.Open();
    QCOMPARE(form.State().SourcePath, f.dir / "a/b/");
    QVERIFY(!f.Find<QCheckBox>("cbBackupWhenTransfter")->isChecked());
    QVERIFY(f.Find<QCheckBox>("CbCover")->isChecked());
    // The cover option shows the source folder while the output folder keeps its stored value.
    QCOMPARE(f.Find<QLineEdit>("EdtOutput")->text(), form.Q(f.dir / "a/b/"));
    QCOMPARE(form.State().OutputPath, f.dir / "out/");
    QCOMPARE(f.Find<QTabWidget>("PageControl1")->currentIndex(), 2);
    QCOMPARE(form.View().MmRuleFind[2]->toPlainText(), QStringLiteral("a\nb\n"));
    f.Close();
    // Keys are rewritten in place and other keys stay.
    const std::string ini = ReadBytes(prog + "defualt.ini");
    QVERIFY(ini.find("[default]\r\nRECPath=" + f.dir / "a/b/" + "\r\nOutputPath=") == 0);
    QVERIFY(ini.find("Unknown=kept\r\n") != std::string::npos);
    QVERIFY(ini.find("CbCover=1\r\n") != std::string::npos);
  }

  void aPageTheWindowDoesNotHaveOpensTheFirst() {
    for (const char* stored : {"7", "-1"}) {
      FormFixture f;
      const std::string prog = f.dir / "prog/";
      WriteBytes(prog + "defualt.ini", std::string("[default]\nBatchType=") + stored + "\n");
      f.Open();
      QCOMPARE(f.Find<QTabWidget>("PageControl1")->currentIndex(), 0);
      f.Close();
      QVERIFY(ReadBytes(prog + "defualt.ini").find("BatchType=0\r\n") != std::string::npos);
    }
  }

  void nothingIsWrittenBeforeExitAndAFailedWriteEndsSaving() {
    FormFixture f;
    const std::string prog = f.dir / "prog/";
    f.Open();
    QVERIFY(!std::filesystem::exists(prog + "defualt.ini"));
    f.Find<QLineEdit>("EditOldFileName")->setText("x");
    f.Close();
    QVERIFY(std::filesystem::exists(prog + "defualt.ini"));

    // The settings file deleted while the program runs comes back with the values of the moment.
    f.Open();
    std::filesystem::remove(prog + "defualt.ini");
    std::filesystem::remove(prog + "KeyText1.txt");
    f.Find<QLineEdit>("EditOldFileName")->setText("y");
    f.Close();
    QVERIFY(ReadBytes(prog + "defualt.ini").find("OldFileName=y\r\n") != std::string::npos);

    // A settings file that cannot be written ends saving at once: no text file is written either.
    f.Open();
    std::filesystem::remove(prog + "defualt.ini");
    std::filesystem::create_directory(prog + "defualt.ini");
    std::filesystem::remove(prog + "KeyText1.txt");
    f.Close();
    QVERIFY(!std::filesystem::exists(prog + "KeyText1.txt"));
  }

  void aRuleFileThatCannotBeReadIsNeitherLoadedNorOverwritten() {
    FormFixture f;
    const std::string prog = f.dir / "prog/";
    WriteBytes(prog + "KeyText1.txt", "one\r\n");
    WriteBytes(prog + "KeyText3.txt", "three\r\n");
    QCOMPARE(::mkfifo((prog + "KeyText2.txt").c_str(), 0600), 0);  // opening it would wait forever
    TMainForm& form = f.Open();
    QCOMPARE(form.View().MmRuleFind[1]->toPlainText(), QStringLiteral("one\n"));
    QCOMPARE(form.View().MmRuleFind[3]->toPlainText(), QStringLiteral("three\n"));
    f.Close();
    QVERIFY(std::filesystem::is_fifo(prog + "KeyText2.txt"));  // not replaced by an empty file
    QCOMPARE(ReadBytes(prog + "KeyText1.txt"), std::string("one\r\n"));
    QVERIFY(std::filesystem::exists(prog + "ReplaceText2.txt"));
  }

  void aSettingsFolderOfItsOwnHoldsEverySettingsFile() {
    FormFixture f;
    const std::string prog = f.dir / "prog/";
    const std::string config = f.dir / "config/";
    std::filesystem::create_directories(config);
    WriteBytes(config + "defualt.ini", "[default]\r\nOldFileName=old\r\n");
    WriteBytes(config + "SearchKey.txt", "find me\r\n");
    MainFormEnv env = f.Env();
    env.settingsDir = config;
    f.form = std::make_unique<TMainForm>(env);
    QCOMPARE(f.Find<QLineEdit>("EditOldFileName")->text(), QStringLiteral("old"));
    QCOMPARE(f.form->View().MmoSearchText->toPlainText(), QStringLiteral("find me\n"));
    f.Find<QLineEdit>("EditNewFileName")->setText(QStringLiteral("new"));
    f.Close();
    QVERIFY(ReadBytes(config + "defualt.ini").find("NewFileName=new\r\n") != std::string::npos);
    for (const char* name : {"KeyText1.txt", "KeyText3.txt", "ReplaceText2.txt", "MmSearchReplace.txt", "update.txt"}) {
      QVERIFY2(std::filesystem::exists(config + name), name);
    }
    QCOMPARE(ReadBytes(config + "update.txt"), std::string("ZURBatchProcess\r\n"));
    QVERIFY(std::filesystem::is_empty(prog));
  }
};

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"

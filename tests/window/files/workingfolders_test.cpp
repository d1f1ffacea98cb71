// The working-folder bar: committing folder texts, creating folders, the open buttons and options.
#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>
#include <filesystem>

#include "core/files/paths.h"
#include "support/formfixture.h"
#include "window/form/commandgate.h"

using namespace zur;
using zur::testing::FormFixture;
using zur::testing::WriteBytes;

class WorkingFoldersTest : public QObject {
  Q_OBJECT

 private slots:
  void enterInTheSourceFieldCreatesAndListsTheFolder() {
    FormFixture f;
    TMainForm& form = f.Open();
    const std::string folder = f.dir / "work/new";
    f.UseSource("  " + folder + "//");
    QVERIFY(FolderExists(folder));
    QCOMPARE(form.State().SourcePath, folder + "/");
    QCOMPARE(f.Find<QLineEdit>("EdtPath")->text(), form.Q(folder + "/"));
    QCOMPARE(f.Find<QListWidget>("LbDocList")->count(), 0);

    WriteBytes(f.dir / "work/new/a.txt", "x");
    f.Enter("EdtPath");
    QCOMPARE(f.Find<QListWidget>("LbDocList")->count(), 1);
    QVERIFY(f.desktop.messages.empty());
  }

  void leavingTheSourceFieldCreatesTheFolderButKeepsTheList() {
    FormFixture f;
    TMainForm& form = f.Open();
    WriteBytes(f.dir / "a/one.txt", "x");
    f.UseSource(f.dir / "a");
    QCOMPARE(f.Find<QListWidget>("LbDocList")->count(), 1);

    f.Type("EdtPath", f.dir / "b/c");
    f.Leave();
    QVERIFY(FolderExists(f.dir / "b/c"));
    QCOMPARE(form.State().SourcePath, f.dir / "b/c/");
    QCOMPARE(f.Find<QListWidget>("LbDocList")->item(0)->text(), QStringLiteral("one.txt"));

    // Leaving it again, now that the folder exists, lists it.
    f.Type("EdtPath", f.dir / "b/c");
    f.Leave();
    QCOMPARE(f.Find<QListWidget>("LbDocList")->count(), 0);
  }

  void whileACommandRunsTheFoldersCommitNothing() {
    FormFixture f;
    TMainForm& form = f.Open();
    WriteBytes(f.dir / "a/one.txt", "x");
    WriteBytes(f.dir / "b/two.txt", "x");
    f.UseSource(f.dir / "a");
    {
      CommandGate::Running running(form.Gate());
      // Put in the fields while the command runs.
      f.Find<QLineEdit>("EdtPath")->setText(form.Q(f.dir / "b"));
      f.Find<QLineEdit>("EdtOutput")->setText(form.Q(f.dir / "o"));
      for (const char* field : {"EdtPath", "EdtOutput"}) {
        QTest::keyClick(f.Find<QLineEdit>(field), Qt::Key_Return);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(f.Find<QLineEdit>(field), &out);
      }
      QCOMPARE(form.State().SourcePath, f.dir / "a/");
      QVERIFY(form.State().OutputPath != f.dir / "o/");
      QCOMPARE(f.Find<QListWidget>("LbDocList")->item(0)->text(), QStringLiteral("one.txt"));
    }
    // The text the field shows is committed when it is next left.
    f.Leave();
    QCOMPARE(form.State().SourcePath, f.dir / "b/");
    QCOMPARE(f.Find<QListWidget>("LbDocList")->item(0)->text(), QStringLiteral("two.txt"));
  }

  void aFolderThatCannotBeMadeIsReportedAndKeepsTheFocus() {
    FormFixture f;
    TMainForm& form = f.Open();
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(f.dir.Folder());
    f.Type("EdtPath", "abc");
    f.Leave();
    std::filesystem::current_path(old);
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("请选择一个合法的文件夹名称")});
    QCOMPARE(f.Focused(), f.Find<QWidget>("EdtPath"));
    QCOMPARE(form.State().SourcePath, std::string("abc/"));
  }

  void anEmptySourceFieldMeansTheRoot() {
    FormFixture f;
    TMainForm& form = f.Open();
    f.Type("EdtPath", "   ");
    f.Leave();
    QCOMPARE(form.State().SourcePath, std::string("/"));
    QCOMPARE(f.Find<QLineEdit>("EdtPath")->text(), QStringLiteral("/"));
    QVERIFY(f.desktop.messages.empty());
  }

  void coverCopiesTheSourceIntoTheOutputFieldUntilTheFieldIsLeft() {
    FormFixture f;
    TMainForm& form = f.Open();
    f.Type("EdtOutput", f.dir / "out");
    f.Leave();
    QCOMPARE(form.State().OutputPath, f.dir / "out/");
    f.UseSource(f.dir / "src");

    auto* cover = f.Find<QCheckBox>("CbCover");
    cover->setChecked(true);
    QCOMPARE(f.Find<QLineEdit>("EdtOutput")->text(), form.Q(f.dir / "src/"));
    QCOMPARE(form.State().OutputPath, f.dir / "out/");  // only the field changed

    // Enter in the source field copies its new text too; picking a folder does not.
    f.UseSource(f.dir / "src2");
    QCOMPARE(f.Find<QLineEdit>("EdtOutput")->text(), form.Q(f.dir / "src2/"));
    f.desktop.picks.push_back(f.dir / "picked");
    std::filesystem::create_directories(f.dir / "picked");
    f.Find<QToolButton>("BtnSelectPath")->click();
    QCOMPARE(form.State().SourcePath, f.dir / "picked/");
    QCOMPARE(f.Find<QLineEdit>("EdtOutput")->text(), form.Q(f.dir / "src2/"));

    // Enter in the output field clears the option without committing; leaving it commits.
    f.Find<QLineEdit>("EdtOutput")->setFocus();
    f.Enter("EdtOutput");
    QVERIFY(!cover->isChecked());
    QCOMPARE(form.State().OutputPath, f.dir / "out/");
    cover->setChecked(true);
    f.Find<QLineEdit>("EdtOutput")->setFocus();
    f.Leave();
    QVERIFY(!cover->isChecked());
    QCOMPARE(form.State().OutputPath, f.dir / "picked/");
  }

  void thePickerShowsTheFieldWhenItIsAFolder() {
    FormFixture f;
    TMainForm& form = f.Open();
    const std::string before = form.State().SourcePath;
    f.Type("EdtPath", f.dir.Folder());
    f.Find<QToolButton>("BtnSelectPath")->click();  // cancelled: nothing changes
    f.Type("EdtPath", f.dir / "missing");
    f.Find<QToolButton>("BtnSelectPath")->click();
    QCOMPARE(f.desktop.pickerPrompts, (QStringList{form.Q(f.dir.Folder()), QStringLiteral("/")}));
    QCOMPARE(form.State().SourcePath, before);
  }

  void openSourceFolderChecksTheDriveAndCreatesWithoutOpening() {
    FormFixture f;
    TMainForm& form = f.Open();
    form.State().SourcePath = "relative/";
    f.Find<QToolButton>("BtnOpenDir")->click();
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("磁盘不存在，请重选择一个路径。")});
    QCOMPARE(f.Focused(), f.Find<QWidget>("EdtPath"));
    QVERIFY(f.desktop.opened.empty());

    // A missing folder is made by the check, and then opened.
    form.State().SourcePath = f.dir / "made/";
    f.Find<QToolButton>("BtnOpenDir")->click();
    QVERIFY(FolderExists(f.dir / "made"));
    QCOMPARE(f.desktop.opened, (std::vector<std::string>{"folder " + f.dir / "made/"}));
    QCOMPARE(f.desktop.messages.size(), size_t(1));
  }

  void openOutputFolderUsesTheFieldAsTyped() {
    FormFixture f;
    f.Open();
    f.Find<QLineEdit>("EdtOutput")->setText(QString());
    f.Find<QToolButton>("BtnOpenFocusPath")->click();
    QCOMPARE(f.desktop.MessageTexts(), QStringList{f.form->Msg().MsgPathNotExist});
    QCOMPARE(f.Focused(), f.Find<QWidget>("EdtOutput"));

    f.Find<QLineEdit>("EdtOutput")->setText(f.form->Q(f.dir / "o/p "));
    f.Find<QToolButton>("BtnOpenFocusPath")->click();  // made
    QVERIFY(zur::FolderExists(f.dir / "o/p "));
    f.Find<QToolButton>("BtnOpenFocusPath")->click();  // opened, as typed
    QCOMPARE(f.desktop.opened, (std::vector<std::string>{"folder " + f.dir / "o/p "}));
    QCOMPARE(f.desktop.messages.size(), size_t(1));
  }

  void openBackupFolderUsesTheLastCommittedValue() {
    FormFixture f;
    TMainForm& form = f.Open();
    f.Type("EdtBackupPath", f.dir / "bak1");
    f.Leave();
    QCOMPARE(form.State().BackupPath, f.dir / "bak1/");
    f.Find<QLineEdit>("EdtBackupPath")->setText(form.Q(f.dir / "bak2"));  // typed, not left
    f.Find<QToolButton>("BtnOpenBakPath")->click();
    f.Find<QToolButton>("BtnOpenBakPath")->click();
    QCOMPARE(f.desktop.opened, (std::vector<std::string>{"folder " + f.dir / "bak1/"}));
    QVERIFY(!FolderExists(f.dir / "bak2"));
  }

  void clearingTheBackupOptionForgetsTheLastBatch() {
    FormFixture f;
    TMainForm& form = f.Open();
    auto* backup = f.Find<QCheckBox>("cbBackupWhenTransfter");
    backup->setChecked(true);
    form.State().LastBatchKind = RunKind::SelectedFiles;
    backup->setChecked(true);
    QCOMPARE(form.State().LastBatchKind, RunKind::SelectedFiles);
    backup->setChecked(false);
    QCOMPARE(form.State().LastBatchKind, RunKind::None);
  }
};

QTEST_MAIN(WorkingFoldersTest)
#include "workingfolders_test.moc"

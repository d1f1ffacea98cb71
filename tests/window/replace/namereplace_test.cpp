// Renaming files by replacing a text in their paths.
#include <filesystem>

#include "support/batchfixture.h"

using namespace zur;
using zur::testing::BatchFixture;
using zur::testing::ReadBytes;
using zur::testing::WriteBytes;

namespace {

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

void Names(BatchFixture& f, const char* find, const char* replacement) {
  f.Find<QLineEdit>("EditOldFileName")->setText(QString::fromUtf8(find));
  f.Find<QLineEdit>("EditNewFileName")->setText(QString::fromUtf8(replacement));
}

}  // namespace

class NameReplaceTest : public QObject {
  Q_OBJECT

 private slots:
  void theFolderCommandRenamesEveryFileOfTheFolder() {
    BatchFixture f;
    WriteBytes(f.src() + "old_page.htm", "1");
    WriteBytes(f.src() + "old.txt", "2");
    WriteBytes(f.src() + "old.bin", "3");  // any extension
    WriteBytes(f.src() + "sub/old.txt", "4");  // one level only
    f.OpenOn();
    Names(f, " old ", "new");
    f.Select({});
    f.Click("BtnReplaceFileName");
    QCOMPARE(ReadBytes(f.src() + "new_page.htm"), std::string("1"));
    QCOMPARE(ReadBytes(f.src() + "new.txt"), std::string("2"));
    QCOMPARE(ReadBytes(f.src() + "new.bin"), std::string("3"));
    QVERIFY(Exists(f.src() + "sub/old.txt"));
    QStringList items;
    for (int i = 0; i < f.Find<QListWidget>("LbDocList")->count(); ++i) items << f.Find<QListWidget>("LbDocList")->item(i)->text();
    QCOMPARE(items, (QStringList{"new.bin", "new.txt", "new_page.htm"}));
  }

  void aRenameNeverReplacesAnExistingFile() {
    BatchFixture f;
    WriteBytes(f.src() + "a.txt", "old a");
    WriteBytes(f.src() + "b.txt", "old b");
    f.OpenOn();
    Names(f, "a.txt", "b.txt");
    f.Click("BtnReplaceFileName");
    QCOMPARE(ReadBytes(f.src() + "a.txt"), std::string("old a"));
    QCOMPARE(ReadBytes(f.src() + "b.txt"), std::string("old b"));
    f.Click("BtnRplaceNameOfDIR");
    QCOMPARE(ReadBytes(f.src() + "a.txt"), std::string("old a"));
    QCOMPARE(ReadBytes(f.src() + "b.txt"), std::string("old b"));
  }

  // Names are replaced in as the folders hold them: every other letter keeps its case, and the find
  // text's letters match only in the case it gives them.
  void theTreeCommandWorksOnTheNamesAsTheyAreAndListsEveryPath() {
    BatchFixture f;
    WriteBytes(f.src() + "old_Page.HTM", "1");
    WriteBytes(f.src() + "Keep.HTM", "2");
    WriteBytes(f.src() + "d/old.TXT", "3");
    WriteBytes(f.src() + "OLD.htm", "5");
    WriteBytes(f.src() + "old.dat", "4");  // not a listed extension
    TMainForm& form = f.OpenOn();
    Names(f, "old", "new");
    f.Click("BtnRplaceNameOfDIR");
    QCOMPARE(ReadBytes(f.src() + "new_Page.HTM"), std::string("1"));
    QCOMPARE(ReadBytes(f.src() + "Keep.HTM"), std::string("2"));
    QCOMPARE(ReadBytes(f.src() + "d/new.TXT"), std::string("3"));
    QCOMPARE(ReadBytes(f.src() + "OLD.htm"), std::string("5"));
    QVERIFY(Exists(f.src() + "old.dat"));
    QStringList lines = f.PaneLines();
    lines.sort();
    QCOMPARE(lines, (QStringList{form.Q(f.src() + "Keep.HTM"), form.Q(f.src() + "OLD.htm"), form.Q(f.src() + "d/new.TXT"),
                                 form.Q(f.src() + "new_Page.HTM")}));

    Names(f, "Keep", "x");
    f.Click("BtnRplaceNameOfDIR");
    QVERIFY(Exists(f.src() + "x.HTM"));
  }

  void aFolderPartThatChangesMovesFilesOnlyIntoAnExistingFolder() {
    BatchFixture f;
    WriteBytes(f.src() + "draft/a.htm", "1");
    WriteBytes(f.src() + "draft/b.htm", "2");
    f.OpenOn();
    Names(f, "draft", "final");
    f.Click("BtnRplaceNameOfDIR");
    QVERIFY(Exists(f.src() + "draft/a.htm") && Exists(f.src() + "draft/b.htm"));  // no such folder
    std::filesystem::create_directory(f.src() + "final");
    f.Click("BtnRplaceNameOfDIR");
    QCOMPARE(ReadBytes(f.src() + "final/a.htm"), std::string("1"));
    QCOMPARE(ReadBytes(f.src() + "final/b.htm"), std::string("2"));
  }

  void anEmptyFindTextRenamesNothing() {
    BatchFixture f;
    WriteBytes(f.src() + "a.htm", "1");
    TMainForm& form = f.OpenOn();
    Names(f, "  ", "x");
    f.Click("BtnReplaceFileName");
    f.Click("BtnRplaceNameOfDIR");
    QVERIFY(Exists(f.src() + "a.htm"));
    QCOMPARE(f.PaneLines(), QStringList{form.Q(f.src() + "a.htm")});
  }
};

QTEST_MAIN(NameReplaceTest)
#include "namereplace_test.moc"

// The branding block: its arrangement, update.txt, the link menu, the exit button and the About box.
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "support/formfixture.h"
#include "window/branding/aboutwindow.h"
#include "window/branding/brandpanel.h"
#include "window/update/updatewindow.h"

using namespace zur;
using zur::testing::FormFixture;
using zur::testing::ReadBytes;

class BrandingTest : public QObject {
  Q_OBJECT

 private slots:
  void theBlockIsArrangedAndWritesUpdateTxt() {
    FormFixture f;
    TMainForm& form = f.Open();
    QCOMPARE(ReadBytes(f.dir / "prog/update.txt"), std::string("ZURBatchProcess\r\n"));
    QCOMPARE(f.Find<QToolButton>("BtnHelp")->geometry(), QRect(7, 3, 122, 26));
    QCOMPARE(f.Find<QToolButton>("BtnOnlineUpdate")->geometry(), QRect(7, 32, 122, 26));
    QCOMPARE(f.Find<QToolButton>("BtnExit")->geometry(), QRect(7, 61, 122, 26));
    QCOMPARE(form.BrandPanel()->geometry(), QRect(9, 90, 120, 62));
    QCOMPARE(f.Find<QToolButton>("BtnHelp")->parentWidget(), f.Find<QWidget>("PnlCSParent"));
    QCOMPARE(f.Find<QLabel>("Logo")->pixmap().size(), QSize(120, 55));
  }

  void theLinksOpenTheVendorPages() {
    FormFixture f;
    TMainForm& form = f.Open();
    TPnlTavimex* panel = form.BrandPanel();
    QStringList entries;
    for (QAction* a : panel->LinkMenu()->actions()) entries << (a->isSeparator() ? "-" : a->text());
    QCOMPARE(entries, (QStringList{"实例说明(&D)", "官方主页(&H)", "-", "软件捐助(&J)", "关于(&A)..."}));
    panel->LinkMenu()->actions()[0]->trigger();
    panel->LinkMenuClick(2);
    panel->LinkMenuClick(3);
    panel->LinkMenuClick(0);
    panel->LinkMenuClick(9);
    QTest::mouseClick(f.Find<QLabel>("Logo"), Qt::LeftButton);
    const std::string site = "http://www.zursoft.example/";
    QCOMPARE(f.desktop.opened, (std::vector<std::string>{"open " + site + "demo/textreplace/", "open " + site + "tr/",
                                                         "open " + site + "jz/", "open " + site}));
    f.desktop.opened.clear();
    panel->OpenWebAddress("www.zursoft.example/tr/");
    panel->OpenWebAddress("https://www.zursoft.example/");
    QCOMPARE(f.desktop.opened, (std::vector<std::string>{"open http://www.zursoft.example/tr/", "open https://www.zursoft.example/"}));
  }

  void theAboutBoxIsMadeOnceAndShownAgain() {
    FormFixture f;
    TMainForm& form = f.Open();
    TPnlTavimex* panel = form.BrandPanel();
    panel->LinkMenuClick(4);
    TFrmVersion* about = panel->About();
    QVERIFY(about && about->isVisible());
    // It opens over the main window, not in a corner of the screen.
    QVERIFY((about->frameGeometry().center() - form.frameGeometry().center()).manhattanLength() < 40);
    QCOMPARE(about->windowTitle(), QStringLiteral("关于 ZUR文本代替助手"));
    QCOMPARE(about->findChild<QLabel*>("LblVersion")->text(), QStringLiteral("2.1"));
    QCOMPARE(about->findChild<QLabel*>("Label1")->text(), QStringLiteral("ZUR文本代替助手"));
    QCOMPARE(about->findChild<QLabel*>("Label3")->text(), QStringLiteral("作者：ZUR软件工作室"));
    QCOMPARE(about->findChild<QLabel*>("Label4")->text(), QStringLiteral("官方主页：www.zursoft.example/cr/"));
    QTest::mouseClick(about->findChild<QLabel*>("Label2"), Qt::LeftButton);
    QCOMPARE(f.desktop.opened, (std::vector<std::string>{"open http://www.zursoft.example/tr/"}));

    about->findChild<QToolButton*>("BtnClose")->click();
    QVERIFY(!about->isVisible());
    panel->ShowAbout();
    panel->ShowAbout();
    QCOMPARE(panel->About(), about);
    QCOMPARE(form.findChildren<TFrmVersion*>().size(), 1);
    QVERIFY(about->isVisible());
  }

  void exitEndsTheProgramAndUpdateOpensOneWindow() {
    FormFixture f;
    TMainForm& form = f.Open();
    f.Find<QToolButton>("BtnExit")->click();
    QCOMPARE(f.ended, 1);
    form.BrandPanel()->BtnOnlineUpdateClick();
    TFrmUpdate* update = form.BrandPanel()->Update();
    QVERIFY(update && update->isVisible());
    QVERIFY(form.frameGeometry().contains(update->frameGeometry().center()));
    QCOMPARE(update->UpdateFilePath(), f.dir / "prog/update.exe");
    update->hide();
    form.BrandPanel()->BtnOnlineUpdateClick();
    QCOMPARE(form.BrandPanel()->Update(), update);
  }
};

QTEST_MAIN(BrandingTest)
#include "branding_test.moc"

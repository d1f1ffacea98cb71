// Start-up, the view, the rule rows' layout, the tab strip, the pictures and closing.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolButton>

#include "support/formfixture.h"
#include "window/form/picturetabbar.h"
#include "window/form/resources.h"
#include "window/replace/rulerows.h"

using namespace zur;
using zur::testing::FormFixture;

class MainFormTest : public QObject {
  Q_OBJECT

 private slots:
  void startUpSetsCaptionTitleAndGeometry() {
    FormFixture f;
    TMainForm& form = f.Open();
    QCOMPARE(form.windowTitle(), QStringLiteral("ZUR文本代替助手2.1 - www.zursoft.example"));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("ZUR文本代替助手"));
    QCOMPARE(form.size(), QSize(960, 680));
    QCOMPARE(form.State().ExeDir, f.dir / "prog/");
    QVERIFY(f.desktop.messages.empty());
  }

  void everyControlCarriesItsViewName() {
    FormFixture f;
    f.Open();
    const char* names[] = {
        "PnlTop", "Panel2", "ImgLeft", "ImgRight", "SbMain", "SbFileSelect", "BtnSelectPath", "ImgTopBG",
        "EdtPath", "LblOutputPath", "Image1", "EdtOutput", "BtnOpenFocusPath", "BtnOpenDir", "LblBakupPath",
        "Image2", "EdtBackupPath", "BtnOpenBakPath", "cbBackupWhenTransfter", "CbCover", "SbVideoLeft",
        "Image9", "Panel7", "Panel8", "Image16", "Image7", "LbDocList", "PnlCSParent", "PopupMenu1",
        "MnRefresh", "MnDefaultOpen", "MnOpenWithNotepad", "Splitter1", "Panel3", "Splitter2", "Panel6",
        "PageControl1", "TabSheet1", "Panel5", "BtnTextReplace", "BtnDirTextReplace", "BtnBatchReturn",
        "BtnPipeiReplace", "BtnPiPeiDir", "Label7", "Image6", "EdtEXT", "BtnDefaultExt", "LblFileFormat",
        "SbReplaceText", "ListBox1", "CbCaseSens", "TabSheet2", "Label1", "Image3", "EditOldFileName",
        "Label2", "Image5", "EditNewFileName", "BtnReplaceFileName", "BtnRplaceNameOfDIR", "Button1",
        "Button4", "CbCharSen", "LbReplaceType", "TabSheet3", "Panel14", "GroupBox1", "MmoSearchText",
        "GroupBox2", "MmSearchReplace", "BtnSearch", "BtnReplace", "BtnSave", "GbSearchResult", "LbSearch",
        "PmSearchResult", "N1", "N2", "N3", "GbHint", "Panel10", "BtnSearchFile", "BtnReplaceFile",
        "BtnSaveDirectory", "BtnReplaceAllFile", "MemoHint", "PnlHint", "ProgressBar1", "LbHint",
        "GbRuleFind1", "GbRuleFind3", "MmRuleFind1", "MmRuleFind2", "MmRuleFind3", "GbRuleReplace1",
        "GbRuleReplace3", "MmRuleReplace1", "MmRuleReplace2", "MmRuleReplace3",
    };
    for (const char* name : names) {
      QVERIFY2(f.form->findChild<QObject*>(QString::fromLatin1(name)), name);
    }
    QCOMPARE(f.form->findChildren<QObject*>(QStringLiteral("EdtPath")).size(), 1);
  }

  void hiddenControlsStayHiddenAndHintsShowOnlyWhereDesigned() {
    FormFixture f;
    TMainForm& form = f.Open();
    for (const char* name : {"ListBox1", "CbCaseSens", "Button1", "Button4", "CbCharSen", "LbReplaceType",
                             "BtnReplaceAllFile", "ProgressBar1"}) {
      auto* w = f.Find<QWidget>(name);
      QVERIFY2(w && !w->isVisibleTo(&form), name);
    }
    QStringList withTip;
    for (QWidget* w : form.findChildren<QWidget*>()) {
      if (!w->toolTip().isEmpty()) withTip << w->objectName();
    }
    withTip.sort();
    // The five controls of the view, the branding block's logo, and the options of the rules, of the
    // search and of the choice of files, which say what they do.
    QStringList designed{"BtnBatchReturn", "BtnOpenBakPath", "BtnOpenFocusPath", "EdtExclude", "EdtMaxSize", "EdtPath",
                         "EdtRuleTable", "LbDocList", "Logo"};
    for (const QString& option : {QStringLiteral("MatchCase"), QStringLiteral("WholeWord"), QStringLiteral("Regex")}) {
      for (int row = 1; row <= 3; ++row) designed << QStringLiteral("Cb%1%2").arg(option).arg(row);
      designed << QStringLiteral("CbSearch%1").arg(option);
    }
    designed.sort();
    QCOMPARE(withTip, designed);
    QCOMPARE(f.Find<QLineEdit>("EdtOutput")->property("hint").toString(), form.Msg().HintEnterSubfolder);
    QCOMPARE(f.Find<QListWidget>("LbDocList")->toolTip(), QStringLiteral("鼠标右键有更多功能"));
  }

  void toolButtonsShowTheirPictureAndTakeNoFocus() {
    FormFixture f;
    TMainForm& form = f.Open();
    const auto buttons = form.findChildren<QToolButton*>();
    QVERIFY(buttons.size() >= 19);
    for (QToolButton* b : buttons) {
      if (!b->objectName().startsWith(QLatin1String("Btn"))) continue;  // Qt's own scroll arrows
      QVERIFY2(b->text().isEmpty(), qPrintable(b->objectName()));
      QVERIFY2(b->focusPolicy() == Qt::NoFocus, qPrintable(b->objectName()));
      QVERIFY2(!b->icon().isNull(), qPrintable(b->objectName()));
      const QSize picture = b->icon().availableSizes().value(0);
      QVERIFY2(picture.width() == b->width() && picture.height() >= b->height() - 1, qPrintable(b->objectName()));
    }
    QPixmap header = f.Find<QLabel>("Image9")->pixmap();
    QCOMPARE(header.size(), QSize(126, 19));
  }

  void captionsComeFromTheTables() {
    FormFixture f;
    f.Open();
    QCOMPARE(f.Find<QLabel>("LblOutputPath")->text(), QStringLiteral("输出路径"));
    QCOMPARE(f.Find<QLabel>("LblBakupPath")->text(), QStringLiteral("备份路径"));
    QCOMPARE(f.Find<QCheckBox>("cbBackupWhenTransfter")->text(), QStringLiteral("批量代替时备份"));
    QCOMPARE(f.Find<QCheckBox>("CbCover")->text(), QStringLiteral("覆盖原路径"));
    QCOMPARE(f.Find<QGroupBox>("GbHint")->title(), QStringLiteral("输出结果"));
    QCOMPARE(f.Find<QGroupBox>("GbSearchResult")->title(), QStringLiteral("查询结果"));
    QCOMPARE(f.Find<QGroupBox>("GbRuleFind2")->title(), QStringLiteral("查找的文本"));
    QCOMPARE(f.Find<QGroupBox>("GbRuleReplace2")->title(), QStringLiteral("代替的文本"));
    QMenu* menu = f.Find<QMenu>("PopupMenu1");
    QStringList items;
    for (QAction* a : menu->actions()) items << a->text();
    QCOMPARE(items, (QStringList{"刷新", "默认打开", "用记事本打开"}));
    QMenu* results = f.Find<QMenu>("PmSearchResult");
    items.clear();
    for (QAction* a : results->actions()) items << a->objectName() + "=" + a->text();
    QCOMPARE(items, (QStringList{"N2=默认打开文件", "N3=用记事本打开", "N1=打开所在文件夹"}));
  }

  void ruleRowsStaySideBySideAtEverySize() {
    QCOMPARE(RuleRows::RuleWidthFor(783), 371);
    QCOMPARE(RuleRows::RuleWidthFor(600), 280);
    QCOMPARE(RuleRows::RuleWidthFor(41), 0);
    FormFixture f;
    TMainForm& form = f.Open();
    for (QSize size : {QSize(960, 680), QSize(1200, 760), QSize(800, 600)}) {
      form.resize(size);
      QCoreApplication::processEvents();  // the layout follows the resize
      const int width = RuleRows::RuleWidthFor(f.Find<QScrollArea>("SbReplaceText")->width());
      for (int i = 1; i <= 3; ++i) {
        QCOMPARE(form.View().GbRuleFind[i]->geometry(), QRect(2, (i - 1) * 100, width, 100));
        QCOMPARE(form.View().GbRuleReplace[i]->geometry(), QRect(width + 10, (i - 1) * 100, width, 100));
        QCOMPARE(form.View().MmRuleFind[i]->parentWidget(), form.View().GbRuleFind[i]);
      }
    }
  }

  void tabStripIsThePictureAndPagesStillSwitch() {
    FormFixture f;
    TMainForm& form = f.Open();
    QVERIFY(form.State().TabPicture);
    QCOMPARE(form.State().TabPicture->size(), QSize(413, 30));
    auto* pages = f.Find<QTabWidget>("PageControl1");
    QCOMPARE(pages->count(), 3);
    QCOMPARE(pages->tabText(1), QStringLiteral("文件名称代替  "));
    QCOMPARE(pages->tabText(2), QStringLiteral("文件查询    "));
    QTabBar* bar = pages->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    QCOMPARE(pages->currentIndex(), 1);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    QCOMPARE(pages->currentIndex(), 0);
  }

  void theStripMarksTheActivePageOnly() {
    FormFixture f;
    f.Open();
    auto* pages = f.Find<QTabWidget>("PageControl1");
    QTabBar* bar = pages->tabBar();
    // How many pixels of each tab's segment carry the mark's colour.
    auto marked = [bar] {
      const QImage shot = bar->grab().toImage();
      QList<int> counts;
      for (int tab = 0; tab < bar->count(); ++tab) {
        int n = 0;
        const QRect r = bar->tabRect(tab).intersected(shot.rect());
        for (int y = r.top(); y <= r.bottom(); ++y) {
          for (int x = r.left(); x <= r.right(); ++x) n += QColor(shot.pixel(x, y)) == kCurrentTabMark;
        }
        counts << n;
      }
      return counts;
    };
    for (int page : {0, 2, 1}) {
      pages->setCurrentIndex(page);
      const QList<int> counts = marked();
      for (int tab = 0; tab < 3; ++tab) QVERIFY2((counts[tab] > 50) == (tab == page), qPrintable(QString::number(tab)));
    }
  }

  void aQuitFromTheSessionClosesTheWindowTheNormalWay() {
    FormFixture f;
    TMainForm& form = f.Open();
    // What Qt does when the session manager ends the session.
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(qApp, &quit);
    QVERIFY(!form.isVisible());
  }

  void picturesAreFoundByNameAndKindWithoutRegardToCase() {
    QVERIFY(!ResourceData("BtnSearch", "bmp").isEmpty());
    QCOMPARE(ResourceData("BTNSEARCH", "BMP"), ResourceData("btnsearch", "bmp"));
    QVERIFY(ResourceData("BtnSearch", "jpg").isEmpty());
    QVERIFY(ResourceData("nothing", "bmp").isEmpty());

    QPixmap kept(3, 3);
    LoadBitmapResource(kept, "nothing");
    QCOMPARE(kept.size(), QSize(3, 3));
    LoadJpegResource(kept, "toolbuttons", "bmp");  // not a JPEG: left as it was
    QCOMPARE(kept.size(), QSize(3, 3));

    QCOMPARE(DecodeJpeg(ResourceData("Tavimex", "jpg")).size(), QSize(120, 55));
    QVERIFY(DecodeJpeg(QByteArray("\xFF\xD8\xFF garbage", 12)).isNull());
    QByteArray cut = ResourceData("filelist", "jpg");
    cut.chop(cut.size() / 2);
    QImage partial = DecodeJpeg(cut);  // libjpeg fills a cut image with grey rather than failing
    QVERIFY(partial.isNull() || partial.size() == QSize(126, 19));
  }

  void closingIsNeverQuestioned() {
    FormFixture f;
    TMainForm& form = f.Open();
    QVERIFY(form.close());
    QVERIFY(f.desktop.questions.isEmpty());
  }
};

QTEST_MAIN(MainFormTest)
#include "mainform_test.moc"

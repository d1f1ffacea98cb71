// The real desktop services and program-wide platform pieces, headless: Qt's dialogs in Chinese, the
// folder picker's start folder, and the end requests that signals turn into.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <signal.h>

#include "support/tempdir.h"
#include "window/platform/linuxdesktop.h"
#include "window/platform/termination.h"
#include "window/platform/translations.h"

using namespace zur;

namespace {

// Calls `look` on the dialog of that kind once it is open, then closes it. If no such dialog opens, the
// open modal window is closed so that the test cannot block.
template <typename Dialog>
void WhenDialogOpens(std::function<void(Dialog*)> look) {
  auto* poll = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(poll, &QTimer::timeout, [poll, tries, look] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (!dialog && ++*tries < 100) return;
    poll->stop();
    poll->deleteLater();
    if (dialog) look(dialog);
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  poll->start(20);
}

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(InstallChineseDialogTexts(*qApp)); }

  void standardButtonsSpeakChinese() {
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok);
    QVERIFY2(box.button(QMessageBox::Yes)->text().contains(QStringLiteral("是")), qPrintable(box.button(QMessageBox::Yes)->text()));
    QVERIFY(box.button(QMessageBox::No)->text().contains(QStringLiteral("否")));
    QVERIFY(box.button(QMessageBox::Ok)->text().contains(QStringLiteral("确定")));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QVERIFY(buttons.button(QDialogButtonBox::Ok)->text().contains(QStringLiteral("确定")));
    QVERIFY(buttons.button(QDialogButtonBox::Cancel)->text().contains(QStringLiteral("取消")));
  }

  void folderPickerOpensAtThePromptsFolderAndSpeaksChinese() {
    zur::testing::TempDir dir;
    std::filesystem::create_directories(dir / "start/inner");
    const QString start = QString::fromStdString(dir / "start");
    QString seenFolder, seenTitle, seenButtons;
    QString folderType;
    WhenDialogOpens<QFileDialog>([&](QFileDialog* dialog) {
      seenFolder = dialog->directory().absolutePath();
      folderType = dialog->iconProvider()->type(QFileInfo(start + QStringLiteral("/inner")));
      seenTitle = dialog->windowTitle();
      for (QPushButton* b : dialog->findChildren<QPushButton*>()) seenButtons += b->text() + QLatin1Char('|');
    });
    LinuxDesktop desktop;
    QCOMPARE(desktop.PickFolder(nullptr, start), std::string());  // cancelled
    QCOMPARE(seenFolder, start);
    QCOMPARE(seenTitle, start);
    QVERIFY2(seenButtons.contains(QStringLiteral("选择")) && seenButtons.contains(QStringLiteral("取消")),
             qPrintable(seenButtons));
    QCOMPARE(folderType, QStringLiteral("文件夹"));  // the type column, which Qt leaves in English
  }

  void messageBoxesShowTheirWholeTitle() {
    QCoreApplication::setApplicationName(QStringLiteral("ZUR文本代替助手"));
    int width = 0, needed = 0;
    WhenDialogOpens<QMessageBox>([&](QMessageBox* box) {
      width = box->width();
      needed = QFontMetrics(box->font()).horizontalAdvance(box->windowTitle());
    });
    LinuxDesktop().ShowMessage(nullptr, QStringLiteral("好"), MessageIcon::Plain, std::nullopt);
    QVERIFY2(width > needed + 80, qPrintable(QString::number(width) + QLatin1Char('/') + QString::number(needed)));
  }

  void endSignalsBecomeOneCallFromTheEventLoop() {
    int calls = 0;
    {
      TerminationRequests requests([&] { ++calls; });
      QVERIFY(requests.Active());
      TerminationRequests second([&] { calls += 100; });
      QVERIFY(!second.Active());  // the signals have one receiver
      ::raise(SIGTERM);
      QCOMPARE(calls, 0);  // nothing runs inside the signal
      QTRY_COMPARE(calls, 1);
      ::raise(SIGHUP);
      ::raise(SIGINT);
      QTRY_VERIFY(calls >= 2);
      QCoreApplication::processEvents();  // whatever is still in the pipe
      QVERIFY(calls <= 3);
    }
    // Gone with its object: a new one receives again.
    TerminationRequests again([&] { calls = -1; });
    QVERIFY(again.Active());
    ::raise(SIGTERM);
    QTRY_COMPARE(calls, -1);
  }
};

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"

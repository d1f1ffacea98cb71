// The update window against a real HTTP server on 127.0.0.1.
#include <QLabel>
#include <QNetworkProxy>
#include <QProgressBar>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <filesystem>

#include "app/messages.h"
#include "support/httpserver.h"
#include "support/recordingdesktop.h"
#include "support/tempdir.h"
#include "update/updatewindow.h"

using namespace zur;
using zur::testing::HttpServer;
using zur::testing::RecordingDesktop;
using zur::testing::TempDir;

namespace {

QByteArray Page(const QByteArray& marker, const QByteArray& version, const QByteArray& url) {
  return "<html><head><title>update</title></head><body><h1>" + marker + "</h1><p>softversion_" + version +
         "_softversion</p><a href=\"softurl_" + url + "_softurl\">get</a></body></html>";
}

struct UpdateFixture {
  UpdateFixture() {
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    ApplyLanguage(msg);
    msg.UrlUpdate = server.Url("/update/tr/");
    UpdateEnv env;
    env.msg = &msg;
    env.desktop = &desktop;
    env.exeDir = dir.Folder();
    env.endProgram = [this] { ++ended; };
    window = std::make_unique<TFrmUpdate>(std::move(env), nullptr);
  }
  void ServePage(const QByteArray& marker, const QByteArray& version, const QByteArray& url) {
    server.Serve("/update/tr/", {200, Page(marker, version, url)});
  }
  template <class T>
  T* Find(const char* name) { return window->findChild<T*>(QString::fromLatin1(name)); }
  // Waits until the window has said "latest" or its close button shows.
  bool WaitForOutcome(int ms = 8000) {
    return QTest::qWaitFor([&] { return !desktop.messages.empty() || Find<QToolButton>("SpeedButton3")->isVisibleTo(window.get()); }, ms);
  }

  TempDir dir;
  HttpServer server;
  MessageTables msg;
  RecordingDesktop desktop;
  int ended = 0;
  std::unique_ptr<TFrmUpdate> window;
};

}  // namespace

class UpdateWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void aNewerVersionIsDownloadedAndStartedOnClose() {
    UpdateFixture f;
    QByteArray program(300000, 'p');
    f.ServePage("ZURSoft Update Center", "2.12", f.server.Url("/Files/Update.EXE").toUtf8());
    f.server.Serve("/files/update.exe", {200, program, 6, 20});
    f.window->show();
    QVERIFY(f.WaitForOutcome());
    QVERIFY(f.desktop.messages.empty());
    QCOMPARE(f.server.Requests("/files/update.exe"), 1);  // the address was lower-cased
    QCOMPARE(f.server.Requests("/Files/Update.EXE"), 0);
    QCOMPARE(QByteArray::fromStdString(testing::ReadBytes(f.dir / "update.exe")), program);
    QCOMPARE(f.Find<QLabel>("LblHint")->text(), QStringLiteral("更新完成，关闭后将自动重启软件"));
    auto* bar = f.Find<QProgressBar>("ProgressBar1");
    QCOMPARE(bar->maximum(), 300000);
    QCOMPARE(bar->value(), 300000);
    QVERIFY(f.Find<QTextBrowser>("WebBrowser1")->x() == -2);  // the genuine page is in view
    QCOMPARE(std::distance(std::filesystem::directory_iterator(f.dir.Folder()), {}), 1);  // no temporary left

    f.Find<QToolButton>("SpeedButton3")->click();
    QCOMPARE(f.desktop.opened, (std::vector<std::string>{"open " + f.dir / "update.exe"}));
    QCOMPARE(f.ended, 1);
  }

  void noMarkerOrNoNewerVersionSaysLatest_data() {
    QTest::addColumn<QByteArray>("marker");
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<bool>("bannerShown");
    QTest::newRow("no marker") << QByteArray("Somebody Else") << QByteArray("9.9") << true;
    QTest::newRow("2.11") << QByteArray("ZURSoft Update Center") << QByteArray("2.11") << false;
    QTest::newRow("not a number") << QByteArray("ZURSoft Update Center") << QByteArray("new") << false;
  }
  void noMarkerOrNoNewerVersionSaysLatest() {
    QFETCH(QByteArray, marker);
    QFETCH(QByteArray, version);
    QFETCH(bool, bannerShown);
    UpdateFixture f;
    f.ServePage(marker, version, f.server.Url("/u.exe").toUtf8());
    f.window->show();
    QVERIFY(f.WaitForOutcome());
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("已经是最新版本")});
    QCOMPARE(f.desktop.messages[0].at, std::optional<QPoint>(f.window->MessagePos()));
    QVERIFY(!f.window->isVisible());
    QCOMPARE(f.Find<QLabel>("Image1")->isVisibleTo(f.window.get()), bannerShown);
    QCOMPARE(f.server.Requests("/u.exe"), 0);
  }

  void markerAndTokensAreFoundInAnyLetterCase() {
    UpdateFixture f;
    f.server.Serve("/update/tr/", {200, "<BODY>zursoft UPDATE center SOFTVERSION_2.2_SOFTVERSION SOFTURL_" +
                                            f.server.Url("/U.EXE").toUtf8() + "_SOFTURL</BODY>"});
    f.server.Serve("/u.exe", {200, "program"});
    f.window->show();
    QVERIFY(f.WaitForOutcome());
    QCOMPARE(f.window->PageVersion(), 2.2f);
    QCOMPARE(testing::ReadBytes(f.dir / "update.exe"), std::string("program"));
  }

  void aFailedOrRefusedDownloadSaysSoAndTheButtonOnlyCloses_data() {
    QTest::addColumn<QString>("address");
    QTest::newRow("missing") << QStringLiteral("/missing.exe");
    QTest::newRow("other host") << QStringLiteral("other");
  }
  void aFailedOrRefusedDownloadSaysSoAndTheButtonOnlyCloses() {
    QFETCH(QString, address);
    UpdateFixture f;
    const QString url = address == "other" ? f.server.Url("/u.exe").replace("127.0.0.1", "localhost") : f.server.Url(address);
    f.ServePage("ZURSoft Update Center", "3.0", url.toUtf8());
    f.server.Serve("/u.exe", {200, "program"});
    testing::WriteBytes(f.dir / "update.exe", "old program");
    f.window->show();
    QVERIFY(f.WaitForOutcome());
    QCOMPARE(f.Find<QLabel>("LblHint")->text(), QStringLiteral("下载更新失败，请稍后再试。"));
    QCOMPARE(testing::ReadBytes(f.dir / "update.exe"), std::string("old program"));
    QCOMPARE(f.server.Requests("/u.exe"), 0);  // another host is never asked
    QCOMPARE(std::distance(std::filesystem::directory_iterator(f.dir.Folder()), {}), 1);
    f.Find<QToolButton>("SpeedButton3")->click();
    QVERIFY(!f.window->isVisible());
    QVERIFY(f.desktop.opened.empty());
    QCOMPARE(f.ended, 0);
  }

  void everyShowingChecksAgainButADownloadRunsOnce() {
    UpdateFixture f;
    f.ServePage("ZURSoft Update Center", "2.0", "");
    f.window->show();
    QVERIFY(f.WaitForOutcome());
    f.desktop.messages.clear();
    f.window->show();
    QVERIFY(f.WaitForOutcome());
    QCOMPARE(f.server.Requests("/update/tr/"), 2);

    f.ServePage("ZURSoft Update Center", "2.5", f.server.Url("/slow.exe").toUtf8());
    f.server.Serve("/slow.exe", {200, QByteArray(50000, 's'), 10, 100});
    f.desktop.messages.clear();
    f.window->show();
    QVERIFY(QTest::qWaitFor([&] { return f.server.Requests("/slow.exe") == 1; }, 5000));
    f.window->hide();
    f.window->show();  // while the download runs
    QVERIFY(f.WaitForOutcome());
    QCOMPARE(f.server.Requests("/slow.exe"), 1);
    QCOMPARE(f.server.Requests("/update/tr/"), 3);
    QCOMPARE(std::filesystem::file_size(f.dir / "update.exe"), uintmax_t(50000));
  }

  void anEmptyAddressIsReported() {
    UpdateFixture f;
    f.msg.UrlUpdate.clear();
    f.window->show();
    QVERIFY(QTest::qWaitFor([&] { return f.desktop.messages.size() == 2; }, 5000));
    QCOMPARE(f.desktop.MessageTexts(), (QStringList{"TavimexCOMUpdate is null", QStringLiteral("已经是最新版本")}));
  }
};

QTEST_MAIN(UpdateWindowTest)
#include "updatewindow_test.moc"

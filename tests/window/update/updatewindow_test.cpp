// The update window against a real HTTP server on 127.0.0.1.
#include <QElapsedTimer>
#include <QLabel>
#include <QNetworkProxy>
#include <QProgressBar>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <filesystem>

#include "support/httpserver.h"
#include "support/recordingdesktop.h"
#include "support/tempdir.h"
#include "window/form/messages.h"
#include "window/update/updatewindow.h"

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
    env.stallMs = 300;
    window = std::make_unique<TFrmUpdate>(std::move(env), nullptr);
  }
  void ServePage(const QByteArray& marker, const QByteArray& version, const QByteArray& url) {
    server.Serve("/update/tr/", Page(marker, version, url));
  }
  template <class T>
  T* Find(const char* name) { return window->findChild<T*>(QString::fromLatin1(name)); }
  // Waits until the window has said "latest" or its close button shows.
  bool WaitForOutcome(int ms = 5000) {
    return QTest::qWaitFor([&] { return !desktop.messages.empty() || Find<QToolButton>("SpeedButton3")->isVisibleTo(window.get()); }, ms);
  }
  QString Hint() { return Find<QLabel>("LblHint")->text(); }
  // The files in the program's folder: update.exe and any temporary file beside it.
  long Files() { return std::distance(std::filesystem::directory_iterator(dir.Folder()), {}); }

  TempDir dir;
  HttpServer server;
  HttpServer other;  // another site on the same machine
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
    f.server.Serve("/files/update.exe", {.body = program, .pieces = 6, .pauseMs = 20});
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

  void aPageReadWithoutMarkerOrNewerVersionSaysLatest_data() {
    QTest::addColumn<QByteArray>("marker");
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<bool>("bannerShown");
    QTest::newRow("no marker") << QByteArray("Somebody Else") << QByteArray("9.9") << true;
    QTest::newRow("2.11") << QByteArray("ZURSoft Update Center") << QByteArray("2.11") << false;
    QTest::newRow("not a number") << QByteArray("ZURSoft Update Center") << QByteArray("new") << false;
    QTest::newRow("inf") << QByteArray("ZURSoft Update Center") << QByteArray("inf") << false;
    QTest::newRow("nan") << QByteArray("ZURSoft Update Center") << QByteArray("NaN") << false;
    QTest::newRow("out of range") << QByteArray("ZURSoft Update Center") << QByteArray("1e999") << false;
  }
  void aPageReadWithoutMarkerOrNewerVersionSaysLatest() {
    QFETCH(QByteArray, marker);
    QFETCH(QByteArray, version);
    QFETCH(bool, bannerShown);
    UpdateFixture f;
    // The page is reached through a redirect that stays on the site.
    f.server.Serve("/update/tr/", {.status = 301, .location = "/update/tr/index.html"});
    f.server.Serve("/update/tr/index.html", Page(marker, version, f.server.Url("/u.exe").toUtf8()));
    f.window->move(300, 200);
    f.window->show();
    QVERIFY(f.WaitForOutcome());
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("已经是最新版本")});
    QCOMPARE(f.desktop.messages[0].at, std::optional<QPoint>(QPoint(380, 230)));  // where the window was
    QVERIFY(!f.window->isVisible());
    QCOMPARE(f.Find<QLabel>("Image1")->isVisibleTo(f.window.get()), bannerShown);
    QCOMPARE(f.server.Requests("/u.exe"), 0);
  }

  void aPageThatCannotBeReadSaysSo_data() {
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"no server", "error status", "no answer", "stalls part way", "redirect off the site",
                             "2 MB", "2 MB without length", "deeply nested"}) {
      QTest::newRow(kind) << QString::fromLatin1(kind);
    }
  }
  void aPageThatCannotBeReadSaysSo() {
    QFETCH(QString, kind);
    UpdateFixture f;
    const QByteArray genuine = Page("ZURSoft Update Center", "3.0", f.server.Url("/u.exe").toUtf8());
    const QByteArray big = genuine + QByteArray(2 << 20, ' ');
    QByteArray nested = "<body>ZURSoft Update Center softversion_3.0_softversion";
    for (int i = 0; i < 50000; ++i) nested += "<div>";
    HttpServer::Answer answer{.body = genuine};
    if (kind == "no server") {
      QTcpServer closed;
      closed.listen(QHostAddress::LocalHost, 0);
      f.msg.UrlUpdate = QStringLiteral("http://127.0.0.1:%1/update/tr/").arg(closed.serverPort());
    } else if (kind == "error status") {
      answer.status = 500;
    } else if (kind == "no answer") {
      answer.stallAfter = 0;
    } else if (kind == "stalls part way") {
      answer = {.body = genuine, .pieces = 2, .stallAfter = 1};
    } else if (kind == "redirect off the site") {
      answer = {.status = 302, .location = f.other.Url("/update/tr/").toUtf8()};
      f.other.Serve("/update/tr/", genuine);
    } else if (kind.startsWith("2 MB")) {
      answer = {.body = big, .pieces = 4, .pauseMs = 50};
      answer.length = !kind.endsWith("without length");
    } else {
      answer.body = nested;
    }
    f.server.Serve("/update/tr/", answer);
    f.server.Serve("/u.exe", "program");
    f.window->move(300, 200);
    QElapsedTimer clock;
    clock.start();
    f.window->show();
    QVERIFY(f.WaitForOutcome());
    QVERIFY(clock.elapsed() < 3000);
    QCOMPARE(f.desktop.MessageTexts(), QStringList{f.msg.MsgUpdateUnreachable});
    QCOMPARE(f.desktop.messages[0].at, std::optional<QPoint>(QPoint(380, 230)));
    QVERIFY(!f.window->isVisible());
    QVERIFY(f.other.requested_.isEmpty());
    QCOMPARE(f.server.Requests("/u.exe"), 0);
    if (kind.startsWith("2 MB")) QTRY_COMPARE(f.server.dropped, 1);  // not read to the end
  }

  void aLongPageIsParsedWhileTheWindowRunsOn() {
    UpdateFixture f;
    // As many tags as a page may have, nested, and a megabyte of text: parsing takes a while.
    QByteArray page = "<body>ZURSoft Update Center softversion_2.0_softversion";
    for (size_t i = 1; i < kMaxPageTags; ++i) page += "<b id=" + QByteArray::number(int(i)) + ">";
    page += QByteArray(int(kMaxPageBytes) - page.size(), 'x');
    f.server.Serve("/update/tr/", page);
    QElapsedTimer clock;
    qint64 longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      longestGap = std::max(longestGap, clock.restart());
    });
    f.window->show();
    clock.start();
    ticker.start(10);
    QVERIFY(f.WaitForOutcome());
    QCOMPARE(f.desktop.MessageTexts(), QStringList{QStringLiteral("已经是最新版本")});
    QVERIFY2(longestGap < 200, QByteArray::number(longestGap));
  }

  void markerAndTokensAreFoundInAnyLetterCase() {
    UpdateFixture f;
    f.server.Serve("/update/tr/", "<BODY>zursoft UPDATE center SOFTVERSION_2.2_SOFTVERSION SOFTURL_" +
                                      f.server.Url("/U.EXE").toUtf8() + "_SOFTURL</BODY>");
    f.server.Serve("/u.exe", "program");
    f.window->show();
    QVERIFY(f.WaitForOutcome());
    QCOMPARE(f.window->PageVersion(), 2.2f);
    QCOMPARE(testing::ReadBytes(f.dir / "update.exe"), std::string("program"));
  }

  void aFailedOrRefusedDownloadSaysSoAndTheButtonOnlyCloses_data() {
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"missing", "other host", "redirect off the site", "stalls at 40%"}) {
      QTest::newRow(kind) << QString::fromLatin1(kind);
    }
  }
  void aFailedOrRefusedDownloadSaysSoAndTheButtonOnlyCloses() {
    QFETCH(QString, kind);
    UpdateFixture f;
    QString url = f.server.Url("/u.exe");
    if (kind == "missing") url = f.server.Url("/missing.exe");
    if (kind == "other host") url.replace("127.0.0.1", "localhost");
    f.ServePage("ZURSoft Update Center", "3.0", url.toUtf8());
    HttpServer::Answer program{.body = QByteArray(100000, 'p')};
    if (kind == "redirect off the site") program = {.status = 302, .location = f.other.Url("/u.exe").toUtf8()};
    if (kind == "stalls at 40%") program = {.body = QByteArray(100000, 'p'), .pieces = 5, .stallAfter = 2};
    f.server.Serve("/u.exe", program);
    f.other.Serve("/u.exe", "program");
    testing::WriteBytes(f.dir / "update.exe", "old program");
    f.window->show();
    QVERIFY(f.WaitForOutcome());
    QCOMPARE(f.Hint(), QStringLiteral("下载更新失败，请稍后再试。"));
    QVERIFY(f.desktop.messages.empty());
    QCOMPARE(testing::ReadBytes(f.dir / "update.exe"), std::string("old program"));
    QCOMPARE(f.server.Requests("/u.exe"), kind == "other host" || kind == "missing" ? 0 : 1);  // another host is never asked
    QVERIFY(f.other.requested_.isEmpty());
    QCOMPARE(f.Files(), 1);  // no temporary file left
    f.Find<QToolButton>("SpeedButton3")->click();
    QVERIFY(!f.window->isVisible());
    QVERIFY(f.desktop.opened.empty());
    QCOMPARE(f.ended, 0);
  }

  void closingEndsTheCheckAndNothingIsDownloaded_data() {
    QTest::addColumn<QString>("stage");
    QTest::newRow("page under way") << QStringLiteral("page");
    QTest::newRow("pause before the download") << QStringLiteral("pause");
  }
  void closingEndsTheCheckAndNothingIsDownloaded() {
    QFETCH(QString, stage);
    UpdateFixture f;
    HttpServer::Answer page{.body = Page("ZURSoft Update Center", "3.0", f.server.Url("/u.exe").toUtf8())};
    if (stage == "page") page.delayMs = 300;
    f.server.Serve("/update/tr/", page);
    f.server.Serve("/u.exe", "program");
    f.window->show();
    if (stage == "page") {
      QVERIFY(QTest::qWaitFor([&] { return f.server.Requests("/update/tr/") == 1; }, 2000));
    } else {
      QVERIFY(QTest::qWaitFor([&] { return f.Hint() == QStringLiteral("软件正在更新中，请稍候..."); }, 2000));
    }
    f.window->close();
    // Closing ends the check at once; an answer still on its way then finds nobody.
    QVERIFY(f.window->Idle());
    QVERIFY(QTest::qWaitFor([&] { return f.server.Pending() == 0; }, 5000));
    QCoreApplication::processEvents();
    QVERIFY(f.window->Idle());
    QCOMPARE(f.server.Requests("/u.exe"), 0);
    QVERIFY(f.desktop.messages.empty());
    QCOMPARE(f.Files(), 0);
  }

  void closingDuringTheDownloadLeavesNothingAndShowingAgainStartsAfresh() {
    UpdateFixture f;
    const QByteArray program(100000, 'p');
    f.ServePage("ZURSoft Update Center", "2.5", f.server.Url("/slow.exe").toUtf8());
    f.server.Serve("/slow.exe", {.body = program, .pieces = 10, .pauseMs = 100});
    f.window->show();
    auto* bar = f.Find<QProgressBar>("ProgressBar1");
    QVERIFY(QTest::qWaitFor([&] { return bar->value() > 0; }, 5000));
    f.window->hide();
    QCOMPARE(f.Files(), 0);  // no update.exe and no temporary file
    QVERIFY(f.window->Idle());
    QVERIFY(QTest::qWaitFor([&] { return f.server.Pending() == 0; }, 5000));
    QCoreApplication::processEvents();
    QCOMPARE(f.Files(), 0);

    f.window->show();  // a fresh check with a fresh hint, bar and button
    QCOMPARE(f.Hint(), QStringLiteral("正在更新软件，请稍候..."));
    QCOMPARE(bar->value(), 0);
    QVERIFY(!f.Find<QToolButton>("SpeedButton3")->isVisibleTo(f.window.get()));
    QVERIFY(f.WaitForOutcome());
    QCOMPARE(f.server.Requests("/update/tr/"), 2);
    QCOMPARE(f.server.Requests("/slow.exe"), 2);
    QCOMPARE(QByteArray::fromStdString(testing::ReadBytes(f.dir / "update.exe")), program);
    QCOMPARE(f.Hint(), QStringLiteral("更新完成，关闭后将自动重启软件"));
  }

  void anEmptyAddressIsReported() {
    UpdateFixture f;
    f.msg.UrlUpdate.clear();
    f.window->show();
    QVERIFY(QTest::qWaitFor([&] { return f.desktop.messages.size() == 2; }, 5000));
    QCOMPARE(f.desktop.MessageTexts(), (QStringList{"TavimexCOMUpdate is null", f.msg.MsgUpdateUnreachable}));
  }
};

QTEST_MAIN(UpdateWindowTest)
#include "updatewindow_test.moc"

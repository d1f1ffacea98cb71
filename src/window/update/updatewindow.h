// The update window: reads the vendor's update page, compares its version with the running one,
// downloads the update program beside this one, and offers a button that starts it and ends this
// program. Every showing starts a fresh check; hiding the window ends whatever is under way.
#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "core/update/updatepage.h"

class QLabel;
class QNetworkAccessManager;
class QProgressBar;
class QSaveFile;
class QTextBrowser;
class QTimer;
class QToolButton;

namespace zur {

class DesktopServices;
class PageParseJob;
class SiteTransfer;
struct MessageTables;

// A transfer that makes no progress for this long is given up.
inline constexpr int kUpdateStallMs = 15000;

struct UpdateEnv {
  const MessageTables* msg = nullptr;
  DesktopServices* desktop = nullptr;
  std::string exeDir;                // ends in a separator
  std::function<void()> endProgram;  // ends the program the normal way
  std::string marker = kUpdatePageMarker;
  int stallMs = kUpdateStallMs;      // tests shorten it
};

class TFrmUpdate : public QWidget {
  Q_OBJECT

 public:
  TFrmUpdate(UpdateEnv env, QWidget* owner);
  ~TFrmUpdate() override;

  // The page check, the decision, and the download steps.
  bool CheckUpdatePage(int width, int height);
  bool CheckNewVersion();
  void StartDownload();
  void DownloadProgress(qint64 progress, qint64 maximum);
  void SpeedButton3Click();

  const std::string& UpdateFilePath() const { return updateFilePath_; }
  // Where the window's messages appear: its current position moved by (80, 30).
  QPoint MessagePos() const { return pos() + QPoint(80, 30); }
  float PageVersion() const { return pageVersion_; }
  const std::string& DownloadUrl() const { return downloadUrl_; }
  const std::string& PageText() const { return pageText_; }
  // Nothing of a check is under way or waiting (no transfer, parse or pause).
  bool Idle() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void FormShow();
  void PageLoaded(bool ok);
  void PageParsed(unsigned check, ParsedPage page);
  void WebBrowser1NavigateComplete2();
  void Timer1Timer();
  void BeginDownload();
  void DownloadFinished(bool ok);
  void DownloadFailed();
  // Ends the transfers, the parse and the pauses of the current check; a partial download is dropped.
  void StopCheck();
  void Say(const QString& text);

  UpdateEnv env_;
  std::string updateFilePath_;
  float pageVersion_ = 0;
  std::string pageText_;
  std::string downloadUrl_;

  QNetworkAccessManager* net_;
  unsigned check_ = 0;  // counts the checks, so that a pause or a parse of an ended one does nothing
  SiteTransfer* pageLoad_ = nullptr;
  std::unique_ptr<PageParseJob> parse_;
  ParsedPage page_;  // the page in view
  SiteTransfer* download_ = nullptr;
  QSaveFile* target_ = nullptr;
  bool closeOnly_ = false;  // after a failed download the button only closes the window

  QWidget* PnlMain;
  QLabel* Image1;
  QTextBrowser* WebBrowser1;
  QProgressBar* ProgressBar1;
  QLabel* LblHint;
  QWidget* Panel2;
  QToolButton* SpeedButton3;
  QTimer* Timer1;
  QTimer* pause_;  // the pauses before the download
};

}  // namespace zur

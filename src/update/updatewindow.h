// The update window: reads the vendor's update page, compares its version with the running one,
// downloads the update program beside this one, and offers a button that starts it and ends this
// program. Every showing repeats the check, except while a download runs.
#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>
#include <string>

#include "update/updatepage.h"

class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QProgressBar;
class QSaveFile;
class QTextBrowser;
class QTimer;
class QToolButton;

namespace zur {

class DesktopServices;
struct MessageTables;

struct UpdateEnv {
  const MessageTables* msg = nullptr;
  DesktopServices* desktop = nullptr;
  std::string exeDir;                // ends in a separator
  std::function<void()> endProgram;  // ends the program the normal way
  std::string marker = kUpdatePageMarker;
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
  QPoint MessagePos() const { return messagePos_; }
  float PageVersion() const { return pageVersion_; }
  const std::string& DownloadUrl() const { return downloadUrl_; }
  const std::string& PageText() const { return pageText_; }
  bool Downloading() const { return downloading_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void WebBrowser1NavigateComplete2();
  void Timer1Timer();
  void BeginDownload();
  void DownloadFinished();
  void DownloadFailed();
  // The body markup of the page in view, or nothing when there is no page, address or body.
  std::optional<std::string> ReadPage() const;
  void SayLatest();

  UpdateEnv env_;
  std::string updateFilePath_;
  QPoint messagePos_;
  float pageVersion_ = 0;
  std::string pageText_;
  std::string downloadUrl_;

  QNetworkAccessManager* net_;
  QNetworkReply* pageReply_ = nullptr;
  QNetworkReply* download_ = nullptr;
  QSaveFile* target_ = nullptr;
  QByteArray page_;  // the page in view and the address it came from
  QString location_;
  bool downloading_ = false;
  bool closeOnly_ = false;  // after a failed download the button only closes the window

  QWidget* PnlMain;
  QLabel* Image1;
  QTextBrowser* WebBrowser1;
  QProgressBar* ProgressBar1;
  QLabel* LblHint;
  QWidget* Panel2;
  QToolButton* SpeedButton3;
  QTimer* Timer1;
};

}  // namespace zur

// The branding block at the bottom of the file list: help (a menu of the vendor's pages and the About
// box), online update and exit buttons, and the logo, which opens the vendor's home page.
#pragma once

#include <QScrollArea>

class QLabel;
class QMenu;
class QToolButton;

namespace zur {

class TFrmUpdate;
class TFrmVersion;
class FormBase;

class TPnlTavimex : public QScrollArea {
  Q_OBJECT

 public:
  // Builds the block inside `host` and writes "update.txt" in the settings folder.
  TPnlTavimex(FormBase& form, QWidget* host);

  // The link menu's entries dispatch on their tag: 1 demo page, 2 product page, 3 donation page,
  // 4 About box; any other tag does nothing.
  void LinkMenuClick(int tag);
  void ShowAbout();
  // Opens an address through the desktop, with "http://" put in front unless it holds "://".
  void OpenWebAddress(const QString& address);
  void BtnHelpClick();
  void BtnOnlineUpdateClick();
  void BtnExitClick();

  QMenu* LinkMenu() const { return menu_; }
  TFrmVersion* About() const { return about_; }
  TFrmUpdate* Update() const { return update_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  FormBase& f_;
  QLabel* logo_;
  QMenu* menu_;
  QToolButton* BtnHelp;
  QToolButton* BtnOnlineUpdate;
  QToolButton* BtnExit;
  TFrmVersion* about_ = nullptr;
  TFrmUpdate* update_ = nullptr;
};

}  // namespace zur

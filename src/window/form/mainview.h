// Every control of the main window, by its view name. The builder gives each control that name as
// its Qt object name, so tests and tools find it with findChild.
#pragma once

#include <QString>
#include <array>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QAction;
class QPlainTextEdit;
class QProgressBar;
class QScrollArea;
class QSplitter;
class QTabWidget;
class QToolButton;
class QPushButton;
class QWidget;

namespace zur {

class PictureTabBar;

struct MainView {
  // Frame.
  QFrame* PnlTop = nullptr;
  QFrame* Panel2 = nullptr;
  QLabel* ImgLeft = nullptr;
  QLabel* ImgRight = nullptr;
  QFrame* SbMain = nullptr;

  // Working-folder bar.
  QFrame* SbFileSelect = nullptr;
  QToolButton* BtnSelectPath = nullptr;
  QFrame* ImgTopBG = nullptr;
  QLineEdit* EdtPath = nullptr;
  QLabel* LblOutputPath = nullptr;
  QFrame* Image1 = nullptr;
  QLineEdit* EdtOutput = nullptr;
  QToolButton* BtnOpenFocusPath = nullptr;
  QToolButton* BtnOpenDir = nullptr;
  QLabel* LblBakupPath = nullptr;
  QFrame* Image2 = nullptr;
  QLineEdit* EdtBackupPath = nullptr;
  QToolButton* BtnOpenBakPath = nullptr;
  QCheckBox* cbBackupWhenTransfter = nullptr;
  QCheckBox* CbCover = nullptr;
  QCheckBox* CbDryRun = nullptr;  // the text batches and match commands only show what they would do
  QCheckBox* CbFollowOutside = nullptr;  // tree commands follow links that lead out of the source folder
  // What the tree commands leave out: patterns, hidden names, files above a size.
  QLabel* LblExclude = nullptr;
  QLineEdit* EdtExclude = nullptr;
  QCheckBox* CbSkipHidden = nullptr;
  QLabel* LblMaxSize = nullptr;
  QLineEdit* EdtMaxSize = nullptr;
  // The rule table that runs after the rows: its caption, its file, the picker, the clearing, and a
  // line that says what the table holds.
  QLabel* LblRuleTableCaption = nullptr;
  QLineEdit* EdtRuleTable = nullptr;
  QPushButton* BtnRuleTable = nullptr;
  QPushButton* BtnRuleTableClear = nullptr;
  QLabel* LblRuleTable = nullptr;

  // File list column.
  QFrame* SbVideoLeft = nullptr;
  QLabel* Image9 = nullptr;
  QFrame* Panel7 = nullptr;
  QFrame* Panel8 = nullptr;
  QLabel* Image16 = nullptr;
  QLabel* Image7 = nullptr;
  QListWidget* LbDocList = nullptr;
  QFrame* PnlCSParent = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* MnRefresh = nullptr;
  QAction* MnDefaultOpen = nullptr;
  QAction* MnOpenWithNotepad = nullptr;

  QSplitter* Splitter1 = nullptr;
  QWidget* Panel3 = nullptr;
  QSplitter* Splitter2 = nullptr;
  QFrame* Panel6 = nullptr;

  // Page area.
  QTabWidget* PageControl1 = nullptr;
  PictureTabBar* TabBar = nullptr;
  QWidget* TabSheet1 = nullptr;
  QFrame* Panel5 = nullptr;
  QToolButton* BtnTextReplace = nullptr;
  QToolButton* BtnDirTextReplace = nullptr;
  QToolButton* BtnBatchReturn = nullptr;
  QToolButton* BtnPipeiReplace = nullptr;
  QToolButton* BtnPiPeiDir = nullptr;
  QLabel* Label7 = nullptr;
  QFrame* Image6 = nullptr;
  QLineEdit* EdtEXT = nullptr;
  QToolButton* BtnDefaultExt = nullptr;
  QLabel* LblFileFormat = nullptr;
  QScrollArea* SbReplaceText = nullptr;
  QWidget* RuleHost = nullptr;  // the scrolled surface that holds the rule rows
  QListWidget* ListBox1 = nullptr;
  QCheckBox* CbCaseSens = nullptr;

  QWidget* TabSheet2 = nullptr;
  QLabel* Label1 = nullptr;
  QFrame* Image3 = nullptr;
  QLineEdit* EditOldFileName = nullptr;
  QLabel* Label2 = nullptr;
  QFrame* Image5 = nullptr;
  QLineEdit* EditNewFileName = nullptr;
  QToolButton* BtnReplaceFileName = nullptr;
  QToolButton* BtnRplaceNameOfDIR = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button4 = nullptr;
  QCheckBox* CbCharSen = nullptr;
  QListWidget* LbReplaceType = nullptr;

  QWidget* TabSheet3 = nullptr;
  QFrame* Panel14 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QPlainTextEdit* MmoSearchText = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QPlainTextEdit* MmSearchReplace = nullptr;
  QToolButton* BtnSearch = nullptr;
  QToolButton* BtnReplace = nullptr;
  QToolButton* BtnSave = nullptr;
  QGroupBox* GbSearchResult = nullptr;
  QListWidget* LbSearch = nullptr;
  QMenu* PmSearchResult = nullptr;
  QAction* N1 = nullptr;
  QAction* N2 = nullptr;
  QAction* N3 = nullptr;

  // Output pane and status strip.
  QGroupBox* GbHint = nullptr;
  QFrame* Panel10 = nullptr;
  QToolButton* BtnSearchFile = nullptr;
  QToolButton* BtnReplaceFile = nullptr;
  QToolButton* BtnSaveDirectory = nullptr;
  QToolButton* BtnReplaceAllFile = nullptr;
  QPlainTextEdit* MemoHint = nullptr;
  QFrame* PnlHint = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* BtnStop = nullptr;
  QLabel* LbHint = nullptr;

  // Rule rows 1..3 (index 0 unused), created at start-up.
  std::array<QGroupBox*, 4> GbRuleFind{};
  std::array<QPlainTextEdit*, 4> MmRuleFind{};
  std::array<QGroupBox*, 4> GbRuleReplace{};
  std::array<QPlainTextEdit*, 4> MmRuleReplace{};
  // How each row matches: under its find box.
  std::array<QCheckBox*, 4> CbMatchCase{};
  std::array<QCheckBox*, 4> CbWholeWord{};
  std::array<QCheckBox*, 4> CbRegex{};
  // How the search text matches: under it.
  QCheckBox* CbSearchMatchCase = nullptr;
  QCheckBox* CbSearchWholeWord = nullptr;
  QCheckBox* CbSearchRegex = nullptr;
};

// Builds the view inside `form` (which gets a layout) from the window design.
void BuildMainView(QWidget* form, MainView& v);

// A hint text. Hover hints are shown only where `shown`; every hint is kept in the property "hint".
void SetHint(QWidget* w, const QString& text, bool shown);

}  // namespace zur

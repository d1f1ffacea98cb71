#include "window/form/mainview.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "window/form/picturetabbar.h"

namespace zur {
namespace {

const QColor kWindowColor(245, 250, 254);
const QColor kStripColor(245, 254, 250);
const QColor kFrameLine(157, 186, 213);

template <class W>
W* Make(QWidget* parent, const char* name) {
  auto* w = new W(parent);
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

void Paint(QWidget* w, const QColor& color) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, color);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

QFrame* Panel(QWidget* parent, const char* name, const QColor& color = kWindowColor) {
  auto* f = Make<QFrame>(parent, name);
  Paint(f, color);
  return f;
}

// A flat picture button: its label is in the picture, and it never takes the keyboard focus, so
// pressing it does not end the editing of a field.
QToolButton* ToolButton(QWidget* parent, const char* name, int w, int h) {
  auto* b = Make<QToolButton>(parent, name);
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setFixedSize(w, h);
  b->setIconSize(QSize(w, h));
  b->setToolButtonStyle(Qt::ToolButtonIconOnly);
  b->setStyleSheet(QStringLiteral("QToolButton{border:none;padding:0;margin:0;}"
                                  "QToolButton:hover{background:rgba(120,170,220,40);}"
                                  "QToolButton:pressed{background:rgba(80,130,200,70);}"
                                  "QToolButton:disabled{background:rgba(200,200,200,90);}"));
  return b;
}

// A borderless one-line field over its background picture (a framed white strip).
QFrame* EditOverPicture(QWidget* parent, const char* frameName, QLineEdit*& edit, const char* editName, int width) {
  auto* frame = Make<QFrame>(parent, frameName);
  frame->setStyleSheet(QStringLiteral("QFrame#%1{background:white;border:1px solid %2;}")
                           .arg(QString::fromLatin1(frameName), kFrameLine.name()));
  frame->setFixedHeight(22);
  if (width > 0) frame->setFixedWidth(width);
  auto* lay = new QHBoxLayout(frame);
  lay->setContentsMargins(3, 1, 3, 1);
  edit = Make<QLineEdit>(frame, editName);
  edit->setFrame(false);
  edit->setStyleSheet(QStringLiteral("QLineEdit{background:white;border:none;}"));
  lay->addWidget(edit);
  return frame;
}

QLabel* Picture(QWidget* parent, const char* name) {
  auto* l = Make<QLabel>(parent, name);
  l->setScaledContents(false);
  return l;
}

QPlainTextEdit* Memo(QWidget* parent, const char* name) {
  auto* m = Make<QPlainTextEdit>(parent, name);
  m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return m;
}

// A page of the page area in the window colour, with its column layout.
QVBoxLayout* Page(QWidget*& page, const char* name, int margin, int spacing) {
  page = Make<QWidget>(nullptr, name);
  Paint(page, kWindowColor);
  auto* col = new QVBoxLayout(page);
  col->setContentsMargins(margin, margin, margin, margin);
  col->setSpacing(spacing);
  return col;
}

// The hidden controls of the design that carry no behaviour: a "修改"/"新增" list and a case box.
void NoBehaviourControls(QWidget* parent, QListWidget*& list, const char* listName, QCheckBox*& box, const char* boxName) {
  list = Make<QListWidget>(parent, listName);
  list->addItems({QStringLiteral("修改"), QStringLiteral("新增")});
  list->hide();
  box = Make<QCheckBox>(parent, boxName);
  box->setText(QStringLiteral("区分大小写"));
  box->hide();
}

QHBoxLayout* Row(int spacing = 4) {
  auto* r = new QHBoxLayout;
  r->setContentsMargins(0, 0, 0, 0);
  r->setSpacing(spacing);
  return r;
}

void BuildFolderBar(MainView& v) {
  v.SbFileSelect = Panel(v.SbMain, "SbFileSelect");
  v.SbFileSelect->setFixedHeight(70);
  auto* col = new QVBoxLayout(v.SbFileSelect);
  col->setContentsMargins(6, 6, 6, 6);
  col->setSpacing(8);

  QWidget* bar = v.SbFileSelect;
  v.BtnSelectPath = ToolButton(bar, "BtnSelectPath", 87, 25);
  v.ImgTopBG = EditOverPicture(bar, "ImgTopBG", v.EdtPath, "EdtPath", 304);
  QFont pathFont = v.EdtPath->font();
  pathFont.setPixelSize(16);
  v.EdtPath->setFont(pathFont);
  v.LblOutputPath = Make<QLabel>(bar, "LblOutputPath");
  v.Image1 = EditOverPicture(bar, "Image1", v.EdtOutput, "EdtOutput", 0);
  v.BtnOpenFocusPath = ToolButton(bar, "BtnOpenFocusPath", 122, 25);

  auto* row1 = Row(6);
  row1->addWidget(v.BtnSelectPath);
  row1->addWidget(v.ImgTopBG);
  row1->addSpacing(8);
  row1->addWidget(v.LblOutputPath);
  row1->addWidget(v.Image1, 1);
  row1->addWidget(v.BtnOpenFocusPath);
  col->addLayout(row1);

  v.BtnOpenDir = ToolButton(bar, "BtnOpenDir", 122, 25);
  v.LblBakupPath = Make<QLabel>(bar, "LblBakupPath");
  v.Image2 = EditOverPicture(bar, "Image2", v.EdtBackupPath, "EdtBackupPath", 0);
  v.BtnOpenBakPath = ToolButton(bar, "BtnOpenBakPath", 122, 25);
  v.cbBackupWhenTransfter = Make<QCheckBox>(bar, "cbBackupWhenTransfter");
  v.CbCover = Make<QCheckBox>(bar, "CbCover");
  v.CbDryRun = Make<QCheckBox>(bar, "CbDryRun");

  auto* row2 = Row(6);
  row2->addWidget(v.BtnOpenDir);
  row2->addSpacing(8);
  row2->addWidget(v.LblBakupPath);
  row2->addWidget(v.Image2, 1);
  row2->addWidget(v.BtnOpenBakPath);
  row2->addSpacing(8);
  row2->addWidget(v.cbBackupWhenTransfter);
  row2->addWidget(v.CbCover);
  row2->addWidget(v.CbDryRun);
  col->addLayout(row2);
}

void BuildFileColumn(MainView& v) {
  v.SbVideoLeft = Panel(nullptr, "SbVideoLeft");
  v.SbVideoLeft->setMinimumWidth(140);
  auto* col = new QVBoxLayout(v.SbVideoLeft);
  col->setContentsMargins(0, 0, 0, 0);
  col->setSpacing(0);

  v.Image9 = Picture(v.SbVideoLeft, "Image9");
  v.Image9->setFixedHeight(23);
  v.Image9->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  v.Panel7 = Panel(v.SbVideoLeft, "Panel7");
  v.Panel7->setFixedHeight(7);

  auto* middle = Row(0);
  v.Image16 = Picture(v.SbVideoLeft, "Image16");
  v.Image16->setFixedWidth(4);
  v.LbDocList = Make<QListWidget>(v.SbVideoLeft, "LbDocList");
  v.LbDocList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  v.LbDocList->setContextMenuPolicy(Qt::CustomContextMenu);
  v.Image7 = Picture(v.SbVideoLeft, "Image7");
  v.Image7->setFixedWidth(4);
  middle->addWidget(v.Image16);
  middle->addWidget(v.LbDocList, 1);
  middle->addWidget(v.Image7);

  v.Panel8 = Panel(v.SbVideoLeft, "Panel8");
  v.Panel8->setFixedHeight(15);
  v.PnlCSParent = Panel(v.SbVideoLeft, "PnlCSParent", v.SbVideoLeft->palette().color(QPalette::Base));
  v.PnlCSParent->setFixedHeight(156);

  col->addWidget(v.Image9);
  col->addWidget(v.Panel7);
  col->addLayout(middle, 1);
  col->addWidget(v.Panel8);
  col->addWidget(v.PnlCSParent);

  v.PopupMenu1 = Make<QMenu>(v.LbDocList, "PopupMenu1");
  v.MnRefresh = v.PopupMenu1->addAction(QString());
  v.MnRefresh->setObjectName(QStringLiteral("MnRefresh"));
  v.MnDefaultOpen = v.PopupMenu1->addAction(QString());
  v.MnDefaultOpen->setObjectName(QStringLiteral("MnDefaultOpen"));
  v.MnOpenWithNotepad = v.PopupMenu1->addAction(QString());
  v.MnOpenWithNotepad->setObjectName(QStringLiteral("MnOpenWithNotepad"));
}

void BuildContentPage(MainView& v) {
  auto* col = Page(v.TabSheet1, "TabSheet1", 0, 0);

  v.Panel5 = Panel(v.TabSheet1, "Panel5");
  v.Panel5->setFixedHeight(127);
  auto* band = new QVBoxLayout(v.Panel5);
  band->setContentsMargins(6, 5, 6, 4);
  band->setSpacing(6);
  QWidget* p = v.Panel5;
  v.BtnTextReplace = ToolButton(p, "BtnTextReplace", 80, 25);
  v.BtnDirTextReplace = ToolButton(p, "BtnDirTextReplace", 122, 25);
  v.BtnBatchReturn = ToolButton(p, "BtnBatchReturn", 79, 25);
  v.BtnPipeiReplace = ToolButton(p, "BtnPipeiReplace", 79, 25);
  v.BtnPiPeiDir = ToolButton(p, "BtnPiPeiDir", 90, 25);
  v.LblFileFormat = Make<QLabel>(p, "LblFileFormat");
  v.LblFileFormat->setWordWrap(true);
  v.LblFileFormat->setStyleSheet(QStringLiteral("color:red;"));
  auto* commands = Row(6);
  for (QWidget* w : {static_cast<QWidget*>(v.BtnTextReplace), static_cast<QWidget*>(v.BtnDirTextReplace),
                     static_cast<QWidget*>(v.BtnBatchReturn), static_cast<QWidget*>(v.BtnPipeiReplace),
                     static_cast<QWidget*>(v.BtnPiPeiDir)}) {
    commands->addWidget(w);
  }
  commands->addSpacing(10);
  commands->addWidget(v.LblFileFormat, 1);
  band->addLayout(commands);

  v.Label7 = Make<QLabel>(p, "Label7");
  v.Image6 = EditOverPicture(p, "Image6", v.EdtEXT, "EdtEXT", 300);
  v.BtnDefaultExt = ToolButton(p, "BtnDefaultExt", 80, 25);
  auto* ext = Row(6);
  ext->addWidget(v.Label7);
  ext->addWidget(v.Image6);
  ext->addWidget(v.BtnDefaultExt);
  // Which files the tree commands take: the links they may follow.
  v.CbFollowOutside = Make<QCheckBox>(p, "CbFollowOutside");
  ext->addSpacing(10);
  ext->addWidget(v.CbFollowOutside);
  ext->addStretch(1);
  band->addLayout(ext);

  v.LblExclude = Make<QLabel>(p, "LblExclude");
  v.EdtExclude = Make<QLineEdit>(p, "EdtExclude");
  v.EdtExclude->setFixedWidth(300);
  v.CbSkipHidden = Make<QCheckBox>(p, "CbSkipHidden");
  v.LblMaxSize = Make<QLabel>(p, "LblMaxSize");
  v.EdtMaxSize = Make<QLineEdit>(p, "EdtMaxSize");
  v.EdtMaxSize->setFixedWidth(70);
  auto* leave = Row(6);
  for (QWidget* w : std::initializer_list<QWidget*>{v.LblExclude, v.EdtExclude, v.CbSkipHidden, v.LblMaxSize, v.EdtMaxSize}) {
    leave->addWidget(w);
  }
  leave->addStretch(1);
  band->addLayout(leave);

  v.LblRuleTableCaption = Make<QLabel>(p, "LblRuleTableCaption");
  v.EdtRuleTable = Make<QLineEdit>(p, "EdtRuleTable");
  v.EdtRuleTable->setFixedWidth(300);
  v.BtnRuleTable = Make<QPushButton>(p, "BtnRuleTable");
  v.BtnRuleTableClear = Make<QPushButton>(p, "BtnRuleTableClear");
  v.BtnRuleTable->setFixedHeight(25);
  v.BtnRuleTableClear->setFixedHeight(25);
  v.LblRuleTable = Make<QLabel>(p, "LblRuleTable");
  auto* table = Row(6);
  for (QWidget* w : std::initializer_list<QWidget*>{v.LblRuleTableCaption, v.EdtRuleTable, v.BtnRuleTable, v.BtnRuleTableClear}) {
    table->addWidget(w);
  }
  table->addSpacing(10);
  table->addWidget(v.LblRuleTable, 1);
  band->addLayout(table);

  NoBehaviourControls(p, v.ListBox1, "ListBox1", v.CbCaseSens, "CbCaseSens");

  v.SbReplaceText = Make<QScrollArea>(v.TabSheet1, "SbReplaceText");
  v.SbReplaceText->setFrameShape(QFrame::NoFrame);
  v.SbReplaceText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  v.SbReplaceText->setWidgetResizable(true);
  v.RuleHost = Make<QWidget>(nullptr, "RuleHost");
  v.RuleHost->setMinimumHeight(300);
  Paint(v.RuleHost, kWindowColor);
  v.SbReplaceText->setWidget(v.RuleHost);

  col->addWidget(v.Panel5);
  col->addWidget(v.SbReplaceText, 1);
}

void BuildNamePage(MainView& v) {
  auto* col = Page(v.TabSheet2, "TabSheet2", 12, 8);
  QWidget* p = v.TabSheet2;

  v.Label1 = Make<QLabel>(p, "Label1");
  v.Label1->setText(QStringLiteral("要查找的文本"));
  v.Image3 = EditOverPicture(p, "Image3", v.EditOldFileName, "EditOldFileName", 307);
  v.Label2 = Make<QLabel>(p, "Label2");
  v.Label2->setText(QStringLiteral("要代替的文本"));
  v.Image5 = EditOverPicture(p, "Image5", v.EditNewFileName, "EditNewFileName", 307);
  for (QLineEdit* e : {v.EditOldFileName, v.EditNewFileName}) {
    QFont f = e->font();
    f.setPixelSize(15);
    e->setFont(f);
  }
  v.BtnReplaceFileName = ToolButton(p, "BtnReplaceFileName", 122, 25);
  v.BtnRplaceNameOfDIR = ToolButton(p, "BtnRplaceNameOfDIR", 122, 25);

  auto* find = Row(8);
  find->addWidget(v.Label1);
  find->addWidget(v.Image3);
  find->addStretch(1);
  auto* repl = Row(8);
  repl->addWidget(v.Label2);
  repl->addWidget(v.Image5);
  repl->addStretch(1);
  auto* buttons = Row(8);
  buttons->addSpacing(v.Label1->sizeHint().width() + 8);
  buttons->addWidget(v.BtnReplaceFileName);
  buttons->addWidget(v.BtnRplaceNameOfDIR);
  buttons->addStretch(1);
  col->addLayout(find);
  col->addLayout(repl);
  col->addLayout(buttons);
  col->addStretch(1);

  v.Button1 = Make<QPushButton>(p, "Button1");
  v.Button1->hide();
  v.Button4 = Make<QPushButton>(p, "Button4");
  v.Button4->setText(QStringLiteral("代替文件夾下全部"));
  v.Button4->hide();
  NoBehaviourControls(p, v.LbReplaceType, "LbReplaceType", v.CbCharSen, "CbCharSen");
}

void BuildSearchPage(MainView& v) {
  auto* col = Page(v.TabSheet3, "TabSheet3", 0, 2);

  v.Panel14 = Panel(v.TabSheet3, "Panel14");
  v.Panel14->setFixedHeight(145);
  auto* band = Row(6);
  band->setContentsMargins(4, 2, 4, 2);
  v.Panel14->setLayout(band);
  v.GroupBox1 = Make<QGroupBox>(v.Panel14, "GroupBox1");
  v.MmoSearchText = Memo(v.GroupBox1, "MmoSearchText");
  auto* searchCol = new QVBoxLayout(v.GroupBox1);
  searchCol->addWidget(v.MmoSearchText);
  v.CbSearchMatchCase = Make<QCheckBox>(v.GroupBox1, "CbSearchMatchCase");
  v.CbSearchMatchCase->setChecked(true);
  v.CbSearchWholeWord = Make<QCheckBox>(v.GroupBox1, "CbSearchWholeWord");
  v.CbSearchRegex = Make<QCheckBox>(v.GroupBox1, "CbSearchRegex");
  auto* searchOptions = Row(8);
  for (QCheckBox* box : {v.CbSearchMatchCase, v.CbSearchWholeWord, v.CbSearchRegex}) searchOptions->addWidget(box);
  searchOptions->addStretch(1);
  searchCol->addLayout(searchOptions);
  v.GroupBox2 = Make<QGroupBox>(v.Panel14, "GroupBox2");
  v.MmSearchReplace = Memo(v.GroupBox2, "MmSearchReplace");
  (new QVBoxLayout(v.GroupBox2))->addWidget(v.MmSearchReplace);
  for (QGroupBox* g : {v.GroupBox1, v.GroupBox2}) g->layout()->setContentsMargins(4, 4, 4, 4);

  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(6);
  buttons->addSpacing(12);
  v.BtnSearch = ToolButton(v.Panel14, "BtnSearch", 62, 25);
  v.BtnReplace = ToolButton(v.Panel14, "BtnReplace", 122, 25);
  v.BtnSave = ToolButton(v.Panel14, "BtnSave", 57, 25);
  buttons->addWidget(v.BtnSearch);
  buttons->addWidget(v.BtnReplace);
  buttons->addWidget(v.BtnSave);
  buttons->addStretch(1);
  band->addWidget(v.GroupBox1, 1);
  band->addWidget(v.GroupBox2, 1);
  band->addLayout(buttons);

  v.GbSearchResult = Make<QGroupBox>(v.TabSheet3, "GbSearchResult");
  v.LbSearch = Make<QListWidget>(v.GbSearchResult, "LbSearch");
  v.LbSearch->setSelectionMode(QAbstractItemView::SingleSelection);
  v.LbSearch->setContextMenuPolicy(Qt::CustomContextMenu);
  // Every entry is one line of the same height: a list of many thousand entries is laid out at once.
  v.LbSearch->setUniformItemSizes(true);
  auto* results = new QVBoxLayout(v.GbSearchResult);
  results->setContentsMargins(4, 4, 4, 4);
  results->addWidget(v.LbSearch);

  v.PmSearchResult = Make<QMenu>(v.LbSearch, "PmSearchResult");
  v.N2 = v.PmSearchResult->addAction(QStringLiteral("默认打开文件"));
  v.N2->setObjectName(QStringLiteral("N2"));
  v.N3 = v.PmSearchResult->addAction(QStringLiteral("用记事本打开"));
  v.N3->setObjectName(QStringLiteral("N3"));
  v.N1 = v.PmSearchResult->addAction(QStringLiteral("打开所在文件夹"));
  v.N1->setObjectName(QStringLiteral("N1"));

  col->addWidget(v.Panel14);
  col->addWidget(v.GbSearchResult, 1);
}

void BuildOutputPane(MainView& v) {
  v.GbHint = Make<QGroupBox>(nullptr, "GbHint");
  auto* col = new QVBoxLayout(v.GbHint);
  col->setContentsMargins(4, 4, 4, 4);
  col->setSpacing(2);
  v.Panel10 = Panel(v.GbHint, "Panel10");
  v.Panel10->setFixedHeight(22);
  auto* strip = Row(4);
  strip->setContentsMargins(2, 2, 2, 2);
  v.Panel10->setLayout(strip);
  v.BtnSearchFile = ToolButton(v.Panel10, "BtnSearchFile", 54, 18);
  v.BtnReplaceFile = ToolButton(v.Panel10, "BtnReplaceFile", 90, 18);
  v.BtnSaveDirectory = ToolButton(v.Panel10, "BtnSaveDirectory", 54, 18);
  v.BtnReplaceAllFile = ToolButton(v.Panel10, "BtnReplaceAllFile", 90, 18);
  v.BtnReplaceAllFile->hide();
  strip->addWidget(v.BtnSearchFile);
  strip->addWidget(v.BtnReplaceFile);
  strip->addWidget(v.BtnSaveDirectory);
  strip->addWidget(v.BtnReplaceAllFile);
  strip->addStretch(1);

  v.MemoHint = Memo(v.GbHint, "MemoHint");
  v.MemoHint->setLineWrapMode(QPlainTextEdit::NoWrap);
  QPalette pal = v.MemoHint->palette();
  pal.setColor(QPalette::Base, kWindowColor);
  v.MemoHint->setPalette(pal);
  col->addWidget(v.Panel10);
  col->addWidget(v.MemoHint, 1);
}

void BuildRightArea(MainView& v) {
  v.Panel3 = Make<QWidget>(nullptr, "Panel3");
  Paint(v.Panel3, kWindowColor);
  auto* col = new QVBoxLayout(v.Panel3);
  col->setContentsMargins(0, 0, 0, 0);
  col->setSpacing(0);

  auto* pages = new PictureTabWidget(v.Panel3);
  pages->setObjectName(QStringLiteral("PageControl1"));
  v.PageControl1 = pages;
  v.TabBar = pages->pictureBar();
  v.TabBar->setObjectName(QStringLiteral("PageControl1Tabs"));
  BuildContentPage(v);
  BuildNamePage(v);
  BuildSearchPage(v);
  // The stored captions only set each tab's width; the strip shows the tab picture instead.
  pages->addTab(v.TabSheet1, QStringLiteral("文件内容代替"));
  pages->addTab(v.TabSheet2, QStringLiteral("文件名称代替  "));
  pages->addTab(v.TabSheet3, QStringLiteral("文件查询    "));
  pages->setCurrentIndex(2);
  pages->setMinimumHeight(200);

  BuildOutputPane(v);

  v.Splitter2 = Make<QSplitter>(v.Panel3, "Splitter2");
  v.Splitter2->setOrientation(Qt::Vertical);
  v.Splitter2->setHandleWidth(6);
  v.Splitter2->setChildrenCollapsible(false);
  v.Splitter2->addWidget(v.PageControl1);
  v.Splitter2->addWidget(v.GbHint);
  v.Splitter2->setStretchFactor(0, 0);
  v.Splitter2->setStretchFactor(1, 1);
  v.Splitter2->setSizes({347, 250});

  v.PnlHint = Panel(v.Panel3, "PnlHint");
  v.PnlHint->setFixedHeight(23);
  auto* status = Row(6);
  status->setContentsMargins(4, 2, 4, 2);
  v.PnlHint->setLayout(status);
  v.ProgressBar1 = Make<QProgressBar>(v.PnlHint, "ProgressBar1");
  v.ProgressBar1->setFixedWidth(144);
  v.ProgressBar1->setRange(0, 100);
  v.ProgressBar1->setValue(0);
  v.ProgressBar1->setTextVisible(false);
  v.ProgressBar1->hide();
  // Beside the progress bar while a command runs: stops it between two files (Esc does the same).
  v.BtnStop = Make<QPushButton>(v.PnlHint, "BtnStop");
  v.BtnStop->setText(QStringLiteral("停止"));
  v.BtnStop->setFixedHeight(19);
  v.BtnStop->setFocusPolicy(Qt::NoFocus);
  v.BtnStop->hide();
  v.LbHint = Make<QLabel>(v.PnlHint, "LbHint");
  v.LbHint->setAlignment(Qt::AlignCenter);
  v.LbHint->setStyleSheet(QStringLiteral("color:red;"));
  status->addWidget(v.ProgressBar1);
  status->addWidget(v.BtnStop);
  status->addWidget(v.LbHint, 1);

  col->addWidget(v.Splitter2, 1);
  col->addWidget(v.PnlHint);

  // An empty panel in the window colour over the right-hand part of the tab strip.
  v.Panel6 = Panel(v.Panel3, "Panel6");
  v.Panel6->setFrameShape(QFrame::NoFrame);
  v.Panel6->setGeometry(456, -1, 353, 26);
  v.Panel6->raise();
}

}  // namespace

void SetHint(QWidget* w, const QString& text, bool shown) {
  w->setProperty("hint", text);
  w->setToolTip(shown ? text : QString());
}

void BuildMainView(QWidget* form, MainView& v) {
  Paint(form, kWindowColor);
  auto* outer = new QVBoxLayout(form);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);

  v.PnlTop = Panel(form, "PnlTop", kStripColor);
  v.PnlTop->setFixedHeight(15);
  v.Panel2 = Panel(form, "Panel2", kStripColor);
  v.Panel2->setFixedHeight(11);
  v.ImgLeft = Picture(form, "ImgLeft");
  v.ImgLeft->setFixedWidth(10);
  v.ImgRight = Picture(form, "ImgRight");
  v.ImgRight->setFixedWidth(14);
  v.SbMain = Panel(form, "SbMain");

  auto* middle = Row(0);
  middle->addWidget(v.ImgLeft);
  middle->addWidget(v.SbMain, 1);
  middle->addWidget(v.ImgRight);
  outer->addWidget(v.PnlTop);
  outer->addLayout(middle, 1);
  outer->addWidget(v.Panel2);

  auto* main = new QVBoxLayout(v.SbMain);
  main->setContentsMargins(0, 0, 0, 0);
  main->setSpacing(0);
  BuildFolderBar(v);
  BuildFileColumn(v);
  BuildRightArea(v);

  v.Splitter1 = Make<QSplitter>(v.SbMain, "Splitter1");
  v.Splitter1->setOrientation(Qt::Horizontal);
  v.Splitter1->setHandleWidth(6);
  v.Splitter1->setChildrenCollapsible(false);
  v.Splitter1->addWidget(v.SbVideoLeft);
  v.Splitter1->addWidget(v.Panel3);
  v.Splitter1->setStretchFactor(0, 0);
  v.Splitter1->setStretchFactor(1, 1);
  v.Splitter1->setSizes({166, 783});

  main->addWidget(v.SbFileSelect);
  main->addWidget(v.Splitter1, 1);
}

}  // namespace zur

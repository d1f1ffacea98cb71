#include "window/files/filelist.h"

#include <QAction>
#include <QApplication>
#include <QCollator>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QToolButton>
#include <algorithm>

#include "core/files/paths.h"
#include "core/run/runevents.h"
#include "window/files/shell.h"
#include "window/form/commandgate.h"
#include "window/form/formbase.h"
#include "window/form/outputpane.h"
#include "window/form/runreport.h"

namespace zur {
namespace {

constexpr int kF5 = 116;
constexpr int kNameRole = Qt::UserRole;  // the entry's bytes, exactly as the listing gave them

}  // namespace

FileList::FileList(FormBase& form) : f_(form) {
  MainView& v = f_.View();
  QListWidget* list = v.LbDocList;
  list->installEventFilter(this);
  connect(list, &QListWidget::clicked, this, [this] { LbDocListClick(); });
  connect(list, &QListWidget::doubleClicked, this, [this] { LbDocListDblClick(); });
  connect(list, &QListWidget::customContextMenuRequested, this,
          [list, menu = v.PopupMenu1](const QPoint& at) { menu->popup(list->viewport()->mapToGlobal(at)); });
  connect(v.MnRefresh, &QAction::triggered, this, [this] { MnRefreshClick(); });
  connect(&f_, &FormBase::SourceFilesChanged, this, [this] { RefreshDocList(); });
  connect(&f_, &FormBase::PreviewRequested, this,
          [this](const std::string& path, const QString& shown) { Preview(path, shown); });
  connect(&f_, &FormBase::FocusedEntryRequested, this, [this] { LbDocListClick(); });
  connect(v.MnDefaultOpen, &QAction::triggered, this, [this] { LbDocListDblClick(); });
  connect(v.MnOpenWithNotepad, &QAction::triggered, this, [this] { MnOpenWithNotepadClick(); });
  connect(v.BtnDefaultExt, &QToolButton::clicked, this, [this] { BtnDefaultExtClick(); });
  f_.Gate().Guard(v.MnRefresh);
}

bool FileList::eventFilter(QObject* watched, QEvent* event) {
  QListWidget* list = f_.View().LbDocList;
  if (watched != list || event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_F5) {
    LbDocListKeyDown(kF5);
    return true;
  }
  // The list moves its current item and selection first; a change made with the keys previews the
  // new current file, as a click does. A key the list does not take goes on to the window.
  const int before = list->currentRow();
  const auto selectedBefore = list->selectionModel()->selectedIndexes();
  const bool taken = static_cast<QObject*>(list)->event(event) && event->isAccepted();
  if (list->currentRow() != before || list->selectionModel()->selectedIndexes() != selectedBefore) LbDocListClick();
  return taken;
}

int FileList::Count() const { return f_.View().LbDocList->count(); }
int FileList::CurrentRow() const { return f_.View().LbDocList->currentRow(); }
bool FileList::IsSelected(int row) const {
  QListWidgetItem* item = f_.View().LbDocList->item(row);
  return item && item->isSelected();
}
std::string FileList::Entry(int row) const {
  QListWidgetItem* item = f_.View().LbDocList->item(row);
  return item ? item->data(kNameRole).toByteArray().toStdString() : std::string();
}

void FileList::RefreshDocList() {
  try {
    // A command that is running walks this list; it is refilled only when the command has ended.
    if (f_.Gate().Busy()) return;
    const std::string& source = f_.State().SourcePath;
    if (!FolderExists(source)) {
      const CreateOutcome made = CreateFolderPath(source);
      if (made == CreateOutcome::Invalid) return;
      // A folder made without being asked for (the default one at the first start) is not made silently.
      if (made == CreateOutcome::Done) f_.Hint(FormatMessage(f_.Msg().FmtFolderCreated, f_.Q(source)));
    }
    if (source.empty()) return;
    std::vector<std::string> paths;
    ListFolderFiles(source, paths);

    struct Item {
      QString shown;
      std::string bytes;
    };
    std::vector<Item> items;
    items.reserve(paths.size());
    for (const auto& p : paths) {
      std::string name = FileNamePart(p);
      items.push_back({f_.Q(name), std::move(name)});
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(items.begin(), items.end(),
                     [&](const Item& a, const Item& b) { return collator.compare(a.shown, b.shown) < 0; });

    QListWidget* list = f_.View().LbDocList;
    list->setUpdatesEnabled(false);
    list->clear();
    for (auto& it : items) {
      auto* item = new QListWidgetItem(it.shown);
      item->setData(kNameRole, QByteArray::fromStdString(it.bytes));
      list->addItem(item);
    }
    list->setUpdatesEnabled(true);
    const int index = f_.State().CurListIndex;
    // Focus only: the remembered index becomes the current item without being selected.
    if (index >= 0 && index < list->count()) list->setCurrentRow(index, QItemSelectionModel::NoUpdate);
  } catch (...) {
    f_.ReportFailure();
  }
}

void FileList::LbDocListClick() {
  try {
    if (f_.Gate().Busy()) return;
    const int row = CurrentRow();
    if (row < 0) return;
    const std::string path = f_.State().SourcePath + Entry(row);
    Preview(path, OneLineName(f_.Q(path)));
  } catch (...) {
    f_.ReportFailure();
  }
}

void FileList::Preview(const std::string& path, const QString& shown) {
  fs::Refusal refusal = fs::Refusal::None;
  int error = 0;
  QApplication::setOverrideCursor(Qt::BusyCursor);
  const OutputPane::Load result = f_.Pane().LoadFile(path, shown, &refusal, &error);
  QApplication::restoreOverrideCursor();
  // The caption, the pane and the hint line all name the file that could not be shown, and why.
  if (result == OutputPane::Load::Refused) {
    const QString line = ProblemLine(f_.Msg(), RefusalEvent(kNoItem, refusal, error), shown);
    f_.Pane().ShowRefused(shown, line);
    f_.Hint(line);
  }
}

void FileList::LbDocListDblClick() {
  try {
    const int row = CurrentRow();
    if (row < 0) return;
    OpenTarget(f_.Desktop(), f_.State().SourcePath + Entry(row));
  } catch (...) {
    f_.ReportFailure();
  }
}

void FileList::LbDocListKeyDown(int key) {
  if (key == kF5) RefreshDocList();
}

void FileList::MnRefreshClick() { RefreshDocList(); }

void FileList::MnOpenWithNotepadClick() {
  try {
    const int row = CurrentRow();
    if (row < 0) {
      f_.Notice(f_.Msg().MsgSelectFile);
      f_.View().LbDocList->setFocus(Qt::OtherFocusReason);
      return;
    }
    OpenInNotepad(f_.Desktop(), f_.State().SourcePath + Entry(row));
  } catch (...) {
    f_.ReportFailure();
  }
}

void FileList::BtnDefaultExtClick() { f_.View().EdtEXT->setText(QString::fromLatin1(kDefaultExtensions)); }

}  // namespace zur

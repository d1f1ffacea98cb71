#include "window/platform/linuxdesktop.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>

#include "core/platform/process.h"
#include "core/settings/desktopentry.h"

namespace zur {
namespace {

// The command of the desktop entry that the desktop names as the default for plain text, if any.
std::vector<std::string> DefaultTextEditorCommand(const std::string& file) {
  QProcess query;
  query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
  if (!query.waitForFinished(3000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) return {};
  const QString id = QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
  if (id.isEmpty()) return {};
  const QString entry = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
  QFile f(entry);
  if (entry.isEmpty() || !f.open(QIODevice::ReadOnly)) return {};
  const QByteArray text = f.readAll();
  auto exec = DesktopEntryExec(std::string_view(text.constData(), static_cast<size_t>(text.size())));
  if (!exec) return {};
  return ExpandDesktopExec(*exec, file);
}

void WidenForTitle(QMessageBox& box) {
  // A message box is as wide as its text; a short text would leave the title cut by the window frame.
  const int titleWidth = QFontMetrics(box.font()).horizontalAdvance(box.windowTitle()) + 140;
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                  grid->columnCount());
  }
}

// The type column of the folder dialog: the system's translations leave "Folder" in English.
class ChineseFileTypes : public QFileIconProvider {
 public:
  QString type(const QFileInfo& info) const override {
    if (info.isDir()) return QStringLiteral("文件夹");
    return info.suffix().isEmpty() ? QStringLiteral("文件") : info.suffix() + QStringLiteral(" 文件");
  }
};

}  // namespace

void LinuxDesktop::ShowMessage(QWidget* owner, const QString& text, MessageIcon icon, std::optional<QPoint> at) {
  QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                  QCoreApplication::applicationName(), text, QMessageBox::Ok, owner);
  WidenForTitle(box);
  if (at) box.move(*at);
  box.exec();
}

bool LinuxDesktop::AskYesNo(QWidget* owner, const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
  box.setDefaultButton(QMessageBox::Yes);
  WidenForTitle(box);
  return box.exec() == QMessageBox::Yes;
}

// Qt's own folder dialog rather than the desktop's, so that it speaks the window's language (Qt's
// Chinese texts, and ours for the file types) whatever the locale. It opens at the prompt's folder.
std::string LinuxDesktop::PickFolder(QWidget* owner, const QString& prompt) {
  QFileDialog dialog(owner, prompt, prompt);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  ChineseFileTypes types;
  dialog.setIconProvider(&types);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QString chosen = dialog.selectedFiles().value(0);
  return chosen.isEmpty() ? std::string() : QFile::encodeName(chosen).toStdString();
}

std::string LinuxDesktop::PickFile(QWidget* owner, const QString& title, const QString& filter) {
  QFileDialog dialog(owner, title, QString(), filter);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOptions(QFileDialog::DontUseNativeDialog);
  ChineseFileTypes types;
  dialog.setIconProvider(&types);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QString chosen = dialog.selectedFiles().value(0);
  return chosen.isEmpty() ? std::string() : QFile::encodeName(chosen).toStdString();
}

void LinuxDesktop::OpenWithDefault(const std::string& target) { SpawnDetached({"xdg-open", target}); }

void LinuxDesktop::OpenFolderWindow(const std::string& folder) { SpawnDetached({"xdg-open", folder}); }

void LinuxDesktop::OpenInTextEditor(const std::string& file) {
  std::vector<std::string> command = DefaultTextEditorCommand(file);
  if (!command.empty() && SpawnDetached(command)) return;
  for (const char* editor : {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "pluma", "xed",
                             "featherpad", "leafpad", "geany"}) {
    std::string found = FindOnPath(editor);
    if (!found.empty() && SpawnDetached({found, file})) return;
  }
}

}  // namespace zur

// Program entry: the application object, the main window with the real environment, the fade-in,
// and the event loop. The window's destruction at the end saves the settings.
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdio>

#include "core/files/paths.h"
#include "core/platform/process.h"
#include "core/settings/settingsfolder.h"
#include "core/text/codec.h"
#include "window/app/mainform.h"
#include "window/platform/fadein.h"
#include "window/platform/linuxdesktop.h"
#include "window/platform/termination.h"
#include "window/platform/translations.h"

namespace {

// The name of the desktop entry and of the icon that the installation puts in place.
constexpr char kDesktopId[] = "example.zursoft.TextReplace";

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {48, 256}) icon.addFile(QStringLiteral(":/icon/%1.png").arg(size));
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("ZUR Text Replace"));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
  QApplication::setWindowIcon(QIcon::fromTheme(QString::fromLatin1(kDesktopId), ProgramIcon()));
  zur::InstallChineseDialogTexts(app);

  zur::LinuxDesktop desktop;
  zur::MainFormEnv env;
  const std::string program = zur::ProgramFilePath();
  env.exeDir = zur::FolderPart(program);
  env.exeFileName = zur::FileNamePart(program);
  env.homeDir = zur::HomeFolder();
  env.codePage = zur::SystemEncoding();
  env.desktop = &desktop;
  env.endProgram = [] { QCoreApplication::quit(); };
  const zur::SettingsPlace settings = zur::FindSettingsFolder(env.exeDir, env.homeDir);
  env.settingsDir = settings.folder;

  // A logout or `kill` closes the window the way its close button does, so the settings are saved.
  // A request that comes while the window is still being built is carried out once it stands.
  zur::TMainForm* window = nullptr;
  bool endRequested = false;
  zur::TerminationRequests ending([&] {
    endRequested = true;
    if (window) window->CloseWithoutAsking();
  });

  zur::TMainForm form(env);
  window = &form;
  zur::ShowAnimated(&form);
  if (endRequested) QTimer::singleShot(0, &form, [&form] { form.CloseWithoutAsking(); });
  if (!settings.writable) {
    // Told once the event loop runs, so that an end request during the notice still ends the program.
    const QString text = zur::FormatMessage(form.Msg().MsgSettingsNotSaved, form.Q(settings.folder));
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    QTimer::singleShot(0, &form, [&form, text] { form.Notice(text, zur::MessageIcon::Error); });
  }
  return app.exec();
}

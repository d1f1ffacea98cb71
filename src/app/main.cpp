// Program entry: the application object, the main window with the real environment, the fade-in,
// and the event loop. The window's destruction at the end saves the settings.
#include <QApplication>

#include "app/mainform.h"
#include "fileset/paths.h"
#include "platform/codepage.h"
#include "platform/fadein.h"
#include "platform/linuxdesktop.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("ZUR Text Replace"));

  zur::LinuxDesktop desktop;
  zur::MainFormEnv env;
  const std::string program = zur::ProgramFilePath();
  env.exeDir = zur::FolderPart(program);
  env.exeFileName = zur::FileNamePart(program);
  env.homeDir = zur::HomeFolder();
  env.codePage = zur::SystemCodePage();
  env.desktop = &desktop;
  env.endProgram = [] { QCoreApplication::quit(); };

  zur::TMainForm form(env);
  zur::ShowAnimated(&form);
  return app.exec();
}

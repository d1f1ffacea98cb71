// A main window built in a folder of its own, with the recording desktop.
#pragma once

#include <QApplication>
#include <QTest>
#include <memory>

#include "app/mainform.h"
#include "support/recordingdesktop.h"
#include "support/tempdir.h"

namespace zur::testing {

struct FormFixture {
  explicit FormFixture(CodePage cp = CodePage::Utf8) : codePage(cp) {}

  // The program folder and home folder lie inside the test's folder.
  MainFormEnv Env() {
    MainFormEnv env;
    env.exeDir = dir / "prog/";
    env.exeFileName = "ZURBatchProcess";
    env.homeDir = dir / "home";
    env.codePage = codePage;
    env.desktop = &desktop;
    std::filesystem::create_directories(env.exeDir);
    std::filesystem::create_directories(env.homeDir);
    return env;
  }

  TMainForm& Open() {
    form = std::make_unique<TMainForm>(Env());
    form->show();
    QTest::qWait(1);
    return *form;
  }
  // Closes the window the way the program ends: the destructor saves the settings.
  void Close() { form.reset(); }

  template <class T>
  T* Find(const char* name) {
    return form->findChild<T*>(QString::fromLatin1(name));
  }

  CodePage codePage;
  TempDir dir;
  RecordingDesktop desktop;
  std::unique_ptr<TMainForm> form;
};

}  // namespace zur::testing

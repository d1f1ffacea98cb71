// A main window built in a folder of its own, with the recording desktop.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <memory>

#include "support/recordingdesktop.h"
#include "support/tempdir.h"
#include "window/app/mainform.h"

namespace zur::testing {

struct FormFixture {
  explicit FormFixture(Encoding cp = Encoding::Utf8) : codePage(cp) {}

  // The program folder and home folder lie inside the test's folder.
  MainFormEnv Env() {
    MainFormEnv env;
    env.exeDir = dir / "prog/";
    env.exeFileName = "ZURBatchProcess";
    env.homeDir = dir / "home";
    env.codePage = codePage;
    env.desktop = &desktop;
    env.endProgram = [this] { ++ended; };
    std::filesystem::create_directories(env.exeDir);
    std::filesystem::create_directories(env.homeDir);
    return env;
  }

  TMainForm& Open() {
    form = std::make_unique<TMainForm>(Env());
    form->show();
    form->activateWindow();
    (void)QTest::qWaitForWindowActive(form.get());
    return *form;
  }

  // Types a folder into a field the way a user does.
  void Type(const char* field, const std::string& text) {
    auto* edit = Find<QLineEdit>(field);
    edit->setFocus(Qt::MouseFocusReason);
    edit->setText(form->Q(text));
  }
  // Enter in a field.
  void Enter(const char* field) { QTest::keyClick(Find<QLineEdit>(field), Qt::Key_Return); }
  // Moves the focus to another control of the window, so that the field with the focus is left.
  void Leave(const char* toField = "EditOldFileName") { Find<QWidget>(toField)->setFocus(Qt::TabFocusReason); }
  // Makes `folder` the source folder: typed and confirmed with Enter.
  void UseSource(const std::string& folder) {
    Type("EdtPath", folder);
    Enter("EdtPath");
  }
  QWidget* Focused() const { return QApplication::focusWidget(); }
  // Closes the window the way the program ends: the destructor saves the settings.
  void Close() { form.reset(); }

  template <class T>
  T* Find(const char* name) {
    return form->findChild<T*>(QString::fromLatin1(name));
  }

  Encoding codePage;
  TempDir dir;
  RecordingDesktop desktop;
  int ended = 0;  // how often the program was asked to end
  std::unique_ptr<TMainForm> form;
};

}  // namespace zur::testing
